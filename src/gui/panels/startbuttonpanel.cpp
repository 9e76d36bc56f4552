#include "gui/panels/startbuttonpanel.h"

#include "gui/panels/panelhelpers.h"
#include "gui/widgets.h"

#include <QBoxLayout>
#include <QToolButton>

namespace ondrix {

StartButtonPanel::StartButtonPanel(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::Cycle}, parent) {
    setObjectName(QStringLiteral("StartButtonPanel"));
    startButton_ = named<QToolButton>("BTPlay");
    startButton_->setIconSize(QSize(40, 40));
    startButton_->setAutoRaise(true);
    auto* l = column(0);
    l->addWidget(startButton_);
    setLayout(l);

    addInputs({startButton_});
    connect(startButton_, &QToolButton::clicked, this,
            [&presenter] { presenter.execute(cmd::BTPlay_Click{}); });
}

void StartButtonPanel::draw(const StationState& state, Features) {
    const QString image = playImageName(startButtonPicture(state.cycle));
    if (startButton_->property("image").toString() != image) {
        startButton_->setIcon(playImageIcon(startButtonPicture(state.cycle)));
        startButton_->setProperty("image", image);
    }
    startButton_->setToolTip(startButtonToolTip(state.cycle));
}

} // namespace ondrix
