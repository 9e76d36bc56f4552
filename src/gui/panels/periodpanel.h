#pragma once

#include "gui/panel.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QSlider;

namespace ondrix {

class PeriodBar;

// The period: its slider, the progress of the current one with the time left
// and the file's position, the period bar, and the volume row.
class PeriodPanel : public Panel {
    Q_OBJECT
public:
    explicit PeriodPanel(MainPresenter& presenter, QWidget* parent = nullptr);

protected:
    void draw(const StationState& state, Features changed) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* periodCaption_ = nullptr;
    QSlider* periodSlider_ = nullptr;
    QLabel* periodLabel_ = nullptr;
    QProgressBar* periodProgress_ = nullptr;
    QLabel* timeLeftLabel_ = nullptr;
    QLabel* filePositionLabel_ = nullptr;
    PeriodBar* periodBar_ = nullptr;
    // The file's and the voice's volume sliders share one place.
    QLabel* volumeLabel_ = nullptr;
    QSlider* fileVolumeSlider_ = nullptr;
    QSlider* voiceVolumeSlider_ = nullptr;
    QCheckBox* muteBox_ = nullptr;
};

} // namespace ondrix
