#pragma once

#include "app/mainpresenter.h"

#include <QPoint>
#include <QWidget>

#include <array>
#include <bit>
#include <vector>

class QLabel;
class QStackedWidget;
class QToolButton;

namespace ondrix {

class ClickableLabel;
class LoadingPanel;
class Panel;

// The main window: a frameless shell with its title bar, the start button,
// the message and period panels above the page tabs and their pages, and the
// loading panel over everything. Each panel draws the states of its features
// and forwards the operator's events on its controls; the window redraws the
// panels whose features changed. Every control carries its system name as
// objectName ("BTPlay", "TabS11", "ComboFichierRecent", ...), which is how
// tests find them.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(MainPresenter& presenter, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Redraws every panel from the state.
    void render();
    // Redraws the panels that show these features.
    void render(Features changed);
    // How many times it has, for the measurements and the tests.
    long renderCount() const { return renders_; }
    // How many of them drew this feature's controls.
    long renderCount(Feature feature) const {
        const auto bit = static_cast<unsigned>(feature);
        return featureRenders_[static_cast<size_t>(std::countr_zero(bit))];
    }
    // Every panel, each with its own render count.
    const std::vector<Panel*>& panels() const { return panels_; }

protected:
    // The window has no system frame: dragging its background moves it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override; // the loading panel follows

private:
    void build();
    // The shell's own controls: caption, page tabs, the page shown.
    void drawShell(const ShellState& shell);

    MainPresenter& presenter_;
    QLabel* captionLabel_ = nullptr;
    std::array<ClickableLabel*, ShellState::kPages> pageTabs_{};
    QStackedWidget* pages_ = nullptr;
    LoadingPanel* loadingPanel_ = nullptr;
    // In drawing order.
    std::vector<Panel*> panels_;
    // Set while the window is moved by hand, where the platform cannot move it.
    bool dragging_ = false;
    QPoint dragOffset_;
    long renders_ = 0;
    std::array<long, 32> featureRenders_{};
};

} // namespace ondrix
