#pragma once

#include "gui/panel.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ondrix {

class ImageButton;
class IndicatorLight;

// The "Général" page: the keying options, which choose the serial or the VOX
// panel below them (the port search showing in their place while it runs),
// and the recording between sendings.
class GeneralPage : public Panel {
    Q_OBJECT
public:
    explicit GeneralPage(MainPresenter& presenter, QWidget* parent = nullptr);

protected:
    void draw(const StationState& state, Features changed) override;

private:
    void buildSerialPanel();
    void buildVoxPanel();
    void buildPortSearchPanel();
    void drawKeying(const StationState& state);

    QGroupBox* frame_ = nullptr;
    QRadioButton* serialKeyingOption_ = nullptr;
    QRadioButton* voxKeyingOption_ = nullptr;

    // Serial keying: port and line, carrier detect, test button, lock, indicator.
    QFrame* serialPanel_ = nullptr;
    QComboBox* portCombo_ = nullptr;
    ImageButton* searchPortsButton_ = nullptr;
    QComboBox* pttLineCombo_ = nullptr;
    QPushButton* testButton_ = nullptr;
    ImageButton* pttLockButton_ = nullptr;
    IndicatorLight* pttLight_ = nullptr;
    QCheckBox* carrierDetectBox_ = nullptr;
    QComboBox* carrierLineCombo_ = nullptr;
    IndicatorLight* carrierLight_ = nullptr;
    bool testButtonGreen_ = false; // the test button wears the held colour

    QGroupBox* voxPanel_ = nullptr;
    QLabel* voxLabel_ = nullptr;

    QFrame* portSearchPanel_ = nullptr;
    QLabel* portSearchLabel_ = nullptr;
    QProgressBar* portSearchProgress_ = nullptr;
    ImageButton* stopSearchButton_ = nullptr;

    QFrame* recordingFrame_ = nullptr;
    QCheckBox* recordBox_ = nullptr;
};

} // namespace ondrix
