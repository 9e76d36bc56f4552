#pragma once

#include "gui/panel.h"

#include <array>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;

namespace ondrix {

class ClickableLabel;

// The daily time windows: the clock, the period tabs TabS31..33 and, for the
// window chosen, "Déclenchement entre HH : MM : SS et HH : MM : SS".
class TimeWindowsPanel : public Panel {
    Q_OBJECT
public:
    explicit TimeWindowsPanel(MainPresenter& presenter, QWidget* parent = nullptr);
    void finishRender() override;

protected:
    void draw(const StationState& state, Features changed) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* clockLabel_ = nullptr;
    std::array<ClickableLabel*, TimeWindowsState::kWindows> windowTabs_{};
    // Per window: its frame FrmPeriode1..3, its check box, and six time fields
    // (in the state's order).
    std::array<QFrame*, TimeWindowsState::kWindows> windowFrames_{};
    std::array<QCheckBox*, TimeWindowsState::kWindows> windowBoxes_{};
    std::array<QLineEdit*, TimeWindowsState::kTimeFields> timeFields_{};
    // The last focus and selection requests already applied, and a focus
    // move waiting for the end of the redraw (-1: none).
    int appliedFocusSeq_ = 0;
    int appliedSelectSeq_ = 0;
    int pendingFocus_ = -1;
};

} // namespace ondrix
