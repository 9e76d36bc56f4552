#include "gui/panels/panelhelpers.h"

#include "gui/widgets.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace ondrix {

QHBoxLayout* row(int spacing) {
    auto* l = new QHBoxLayout;
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(spacing);
    return l;
}

QVBoxLayout* column(int spacing) {
    auto* l = new QVBoxLayout;
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(spacing);
    return l;
}

ImageButton* imageButton(const char* name, const QIcon& icon, const QString& toolTip) {
    auto* b = named<ImageButton>(name);
    b->setIcon(icon);
    b->setToolTip(toolTip);
    return b;
}

void keepRoomWhenHidden(QWidget* w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

void compactSlider(QSlider* slider, int minWidth) {
    QSizePolicy policy = slider->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    slider->setSizePolicy(policy);
    slider->setMinimumWidth(minWidth);
}

void renderCombo(QComboBox* combo, const ComboState& state) {
    bool same = combo->count() == state.items.size();
    for (int i = 0; same && i < combo->count(); ++i)
        same = combo->itemText(i) == state.items.at(i);
    if (!same) {
        combo->clear();
        combo->addItems(state.items);
    }
    combo->setCurrentIndex(state.index);
    combo->setToolTip(state.toolTip);
    combo->setEnabled(state.enabled);
}

void renderList(QListWidget* list, const ComboState& state) {
    bool same = list->count() == state.items.size();
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == state.items.at(i);
    if (!same) {
        list->clear();
        list->addItems(state.items);
    }
    list->setCurrentRow(state.index);
    list->setEnabled(state.enabled);
}

void renderSlider(QSlider* slider, const SliderState& state) {
    slider->setRange(state.min, state.max);
    slider->setValue(state.value);
    slider->setToolTip(state.toolTip);
    slider->setEnabled(state.enabled);
}

void renderLineEdit(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

namespace {

int progressUnits(float seconds) {
    return static_cast<int>(std::lround(seconds * 1000.0));
}

} // namespace

void renderProgress(QProgressBar* bar, const ProgressBarState& state) {
    const int min = progressUnits(state.min);
    const int max = std::max(min, progressUnits(state.max));
    bar->setRange(min, max);
    // QProgressBar ignores a value outside its range; the nearest end is closer to the truth.
    bar->setValue(std::clamp(progressUnits(state.value), min, max));
}

void setPanelText(QLabel* label, const QString& text) {
    if (label->text() == text)
        return;
    label->setText(text);
    label->parentWidget()->updateGeometry();
}

bool operatorFocusChange(const QEvent* event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

} // namespace ondrix
