#pragma once

#include "gui/panel.h"

class QToolButton;

namespace ondrix {

// The start/stop button, BTPlay: its picture and tooltip say whether the
// cycle runs, can start, or cannot.
class StartButtonPanel : public Panel {
    Q_OBJECT
public:
    explicit StartButtonPanel(MainPresenter& presenter, QWidget* parent = nullptr);

protected:
    void draw(const StationState& state, Features changed) override;

private:
    QToolButton* startButton_ = nullptr;
};

} // namespace ondrix
