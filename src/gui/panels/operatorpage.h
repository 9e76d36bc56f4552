#pragma once

#include "core/params.h"
#include "gui/panel.h"

#include <array>

class QLineEdit;

namespace ondrix {

// The "Informations OM" page: the operator's details, and the QTH's spelling
// beside the QTH. The details live in the settings arrays, not in a feature's
// state: the page draws them from there.
class OperatorPage : public Panel {
    Q_OBJECT
public:
    explicit OperatorPage(MainPresenter& presenter, QWidget* parent = nullptr);

protected:
    void draw(const StationState& state, Features changed) override;
    // Keys, clicks and focus changes reach the presenter ahead of the field.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLineEdit*, Params::kOmCount> fields_{};
};

} // namespace ondrix
