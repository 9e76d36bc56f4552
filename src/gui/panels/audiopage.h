#pragma once

#include "gui/panel.h"

namespace ondrix {

// The "Audio" page: an empty frame for now, filled by a later feature.
class AudioPage : public Panel {
    Q_OBJECT
public:
    explicit AudioPage(MainPresenter& presenter, QWidget* parent = nullptr);

protected:
    void draw(const StationState&, Features) override {}
};

} // namespace ondrix
