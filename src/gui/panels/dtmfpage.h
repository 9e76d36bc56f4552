#pragma once

#include "gui/panel.h"

class QLabel;

namespace ondrix {

// The "DTMF" page; for now the PTT label, keyed or not, in sight while the
// operator sends tones by hand.
class DtmfPage : public Panel {
    Q_OBJECT
public:
    explicit DtmfPage(MainPresenter& presenter, QWidget* parent = nullptr);

protected:
    void draw(const StationState& state, Features changed) override;

private:
    QLabel* pttLabel_ = nullptr;
};

} // namespace ondrix
