#pragma once

#include "app/mainpresenter.h"

#include <QPoint>
#include <QWidget>

#include <array>
#include <bit>
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
    // Redraws the controls that show these features.
    void render(Features changed);
    // How many times it has, for the measurements and the tests.
    long renderCount() const { return renders_; }
    // How many of them drew this feature's controls.
    long renderCount(Feature feature) const {
        const auto bit = static_cast<unsigned>(feature);
        return featureRenders_[static_cast<size_t>(std::countr_zero(bit))];
    }

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
    bool renderForm(Features changed);

    std::unique_ptr<Ui> ui;
    MainPresenter& presenter_;
    // Set while the window is moved by hand, where the platform cannot move it.
    bool dragging_ = false;
    QPoint dragOffset_;
    // Set while the form is drawn.
    bool rendering_ = false;
    long renders_ = 0;
    std::array<long, 32> featureRenders_{};
};

} // namespace ondrix
