#include "gui/panels/loadingpanel.h"

#include "gui/panels/panelhelpers.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>

namespace ondrix {

LoadingPanel::LoadingPanel(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::Shell}, parent) {
    setObjectName(QStringLiteral("LoadingPanel"));
    auto* frame = named<QFrame>("FrmChargement");
    frame->setAutoFillBackground(true);
    frame->setFrameShape(QFrame::Box);
    captionLabel_ = named<QLabel>("LblChargeParam");
    captionLabel_->setAlignment(Qt::AlignCenter);
    QFont f = captionLabel_->font();
    f.setBold(true);
    captionLabel_->setFont(f);
    progress_ = named<QProgressBar>("LoadingProgress");
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(14);
    auto* frameLayout = column(10);
    frameLayout->setContentsMargins(60, 0, 60, 0);
    frameLayout->addStretch();
    frameLayout->addWidget(captionLabel_);
    frameLayout->addWidget(progress_);
    frameLayout->addStretch();
    frame->setLayout(frameLayout);

    auto* l = column(0);
    l->addWidget(frame);
    setLayout(l);
    hide();
}

void LoadingPanel::draw(const StationState& state, Features) {
    const ShellState& shell = state.shell;
    // Shown over everything, the controls made since included.
    if (shell.loadingVisible && isHidden())
        raise();
    setVisible(shell.loadingVisible);
    captionLabel_->setText(shell.loadingCaption);
    renderProgress(progress_, shell.loadingProgress);
}

} // namespace ondrix
