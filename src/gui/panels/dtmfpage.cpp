#include "gui/panels/dtmfpage.h"

#include "gui/panels/panelhelpers.h"
#include "gui/widgets.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>

namespace ondrix {

DtmfPage::DtmfPage(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::RadioLink}, parent) {
    setObjectName(QStringLiteral("DtmfPage"));
    auto* frame = named<QGroupBox>("FrmDTMF");
    // The text takes the indicator's colour; the dark ground keeps green and
    // red legible.
    pttLabel_ = named<QLabel>("lblDTMFPTT", QStringLiteral("PTT"));
    QFont f = pttLabel_->font();
    f.setBold(true);
    pttLabel_->setFont(f);
    pttLabel_->setAutoFillBackground(true);
    pttLabel_->setContentsMargins(6, 1, 6, 1);
    QPalette pal = pttLabel_->palette();
    pal.setColor(QPalette::Window, toQColor(kTabUnselected));
    pttLabel_->setPalette(pal);
    auto* pttRow = row();
    pttRow->addStretch();
    pttRow->addWidget(pttLabel_);
    auto* frameLayout = column();
    frameLayout->setContentsMargins(8, 4, 8, 4);
    frameLayout->addLayout(pttRow);
    frameLayout->addStretch();
    frame->setLayout(frameLayout);

    auto* l = column(0);
    l->addWidget(frame);
    setLayout(l);
}

void DtmfPage::draw(const StationState& state, Features) {
    if (const QColor ptt = toQColor(indicatorColour(state.radio.keyed));
        pttLabel_->palette().color(QPalette::WindowText) != ptt) {
        QPalette pal = pttLabel_->palette();
        pal.setColor(QPalette::WindowText, ptt);
        pttLabel_->setPalette(pal);
    }
}

} // namespace ondrix
