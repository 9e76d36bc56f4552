#include "gui/panel.h"

#include <QSignalBlocker>

#include <utility>

namespace ondrix {

Panel::Panel(MainPresenter& presenter, std::initializer_list<Feature> features, QWidget* parent)
    : QWidget(parent), presenter_(presenter) {
    for (Feature feature : features)
        features_.add(feature);
}

bool Panel::shows(Features changed) const {
    return features_.overlaps(changed);
}

void Panel::render(const StationState& state, Features changed) {
    ++renders_;
    const DrawingScope drawing;
    std::vector<QSignalBlocker> blockers;
    blockers.reserve(inputs_.size());
    for (QObject* input : inputs_)
        blockers.emplace_back(input);
    draw(state, changed);
}

void Panel::addInputs(std::initializer_list<QObject*> inputs) {
    inputs_.insert(inputs_.end(), inputs.begin(), inputs.end());
}

void Panel::reportFocus(std::function<void()> call) {
    if (DrawingScope::active())
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    else
        call();
}

} // namespace ondrix
