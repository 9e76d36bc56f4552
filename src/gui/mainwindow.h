#pragma once

#include "app/mainpresenter.h"

#include <QPoint>
#include <QWidget>

#include <memory>

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
    // How many times it has, for the measurements and the tests.
    long renderCount() const { return renders_; }

protected:
    // The window has no system frame: dragging its background moves it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override; // the loading panel follows
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Ui;
    void build();
    void connectEvents();
    // Draws the form; true when the message box is to take the focus.
    bool renderForm();

    std::unique_ptr<Ui> ui;
    MainPresenter& presenter_;
    // Set while the window is moved by hand, where the platform cannot move it.
    bool dragging_ = false;
    QPoint dragOffset_;
    // Set while the form is drawn.
    bool rendering_ = false;
    long renders_ = 0;
};

} // namespace ondrix
