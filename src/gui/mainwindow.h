#pragma once

#include "app/mainpresenter.h"

#include <QWidget>

namespace ondrix {

// The main window: renders the presenter's form and forwards the operator's
// events. Every control carries its system name as objectName ("BTPlay",
// "TabS11", "ComboFichierRecent", ...), which is how tests find them.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(MainPresenter& presenter, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Redraws every control from the form.
    void render();

private:
    struct Ui;
    std::unique_ptr<Ui> ui;
    MainPresenter& presenter_;
};

} // namespace ondrix
