#pragma once

#include "gui/panel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace ondrix {

class ElidedLabel;
class TimeWindowsPanel;

// The "Paramètres" page: the tick interval, the longest period, the priority,
// several copies allowed, the version, the daily time windows (a panel of
// their own) and the application's folder.
class ParametersPage : public Panel {
    Q_OBJECT
public:
    explicit ParametersPage(MainPresenter& presenter, QWidget* parent = nullptr);

    TimeWindowsPanel* timeWindows() const { return timeWindows_; }

protected:
    void draw(const StationState& state, Features changed) override;

private:
    QLineEdit* tickIntervalEdit_ = nullptr;
    QLineEdit* longestPeriodEdit_ = nullptr;
    QComboBox* priorityCombo_ = nullptr;
    QCheckBox* severalCopiesBox_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    TimeWindowsPanel* timeWindows_ = nullptr;
    ElidedLabel* folderLabel_ = nullptr;
};

} // namespace ondrix
