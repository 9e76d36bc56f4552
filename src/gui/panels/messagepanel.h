#pragma once

#include "gui/panel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace ondrix {

class CaptionLabel;
class ClickableLabel;
class MessageEdit;
class PathComboBox;

// The message: the tabs TabS11/TabS12 over the file frame, the speech frame
// and, when the speech engine failed, the frame saying so, all three in one
// place.
class MessagePanel : public Panel {
    Q_OBJECT
public:
    explicit MessagePanel(MainPresenter& presenter, QWidget* parent = nullptr);

    // The height of the tab row, which the controls beside the panel line up under.
    int tabRowHeight() const { return tabRowHeight_; }
    void finishRender() override;

protected:
    void draw(const StationState& state, Features changed) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFileFrame();
    void buildSpeechFrame();
    void buildSpeechProblemFrame();
    void connectInputs(MainPresenter& presenter);

    ClickableLabel* fileTab_ = nullptr;
    ClickableLabel* speechTab_ = nullptr;
    int tabRowHeight_ = 0;

    QGroupBox* fileFrame_ = nullptr;
    PathComboBox* recentFilesCombo_ = nullptr;
    QPushButton* openFileButton_ = nullptr;
    QLabel* durationLabel_ = nullptr;

    // Speech frame: the message, the voice name and weather box, the voice
    // list (with its update button) or the tag list in one place, the speed.
    QGroupBox* speechFrame_ = nullptr;
    MessageEdit* messageEdit_ = nullptr;
    int appliedSelectionSeq_ = 0; // the last selection request already applied
    bool focusMessagePending_ = false;
    CaptionLabel* voiceCaption_ = nullptr;
    CaptionLabel* voiceNameLabel_ = nullptr;
    QPushButton* updateVoicesButton_ = nullptr;
    QListWidget* voiceList_ = nullptr;
    QWidget* voicePanel_ = nullptr; // the voice list and its update button
    QWidget* tagPanel_ = nullptr;   // the tag list and its button
    QComboBox* tagCombo_ = nullptr;
    QPushButton* addTagButton_ = nullptr;
    CaptionLabel* speedCaption_ = nullptr;
    QSlider* speedSlider_ = nullptr;
    QLabel* speedLabel_ = nullptr;
    QCheckBox* readWeatherBox_ = nullptr;

    // Shown instead when the speech engine failed.
    QGroupBox* speechProblemFrame_ = nullptr;
    QPushButton* howToSolveButton_ = nullptr;
    QPushButton* problemSolvedButton_ = nullptr;
};

} // namespace ondrix
