#pragma once

#include "gui/panel.h"

class QLabel;
class QProgressBar;

namespace ondrix {

// Over the whole window while the settings load and while it closes: what is
// being done and how far it got. The window keeps it on its whole area.
class LoadingPanel : public Panel {
    Q_OBJECT
public:
    explicit LoadingPanel(MainPresenter& presenter, QWidget* parent = nullptr);

protected:
    void draw(const StationState& state, Features changed) override;

private:
    QLabel* captionLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

} // namespace ondrix
