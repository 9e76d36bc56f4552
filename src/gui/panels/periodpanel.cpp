#include "gui/panels/periodpanel.h"

#include "gui/panels/panelhelpers.h"
#include "gui/widgets.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>

namespace ondrix {

PeriodPanel::PeriodPanel(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::Cycle, Feature::Countdown, Feature::FileMessage, Feature::Speech},
            parent) {
    setObjectName(QStringLiteral("PeriodPanel"));

    periodCaption_ = named<QLabel>("LblLireTemps", QStringLiteral("Lire toute les"));
    periodSlider_ = named<QSlider>("SliderLireTemps", Qt::Horizontal);
    // Moves over the slider refresh its tooltip (the longest period).
    periodSlider_->setMouseTracking(true);
    periodSlider_->installEventFilter(this);
    compactSlider(periodSlider_);
    periodLabel_ = named<QLabel>("PeriodLabel");
    periodLabel_->setMinimumWidth(
        periodLabel_->fontMetrics().horizontalAdvance(QStringLiteral("1800 sec.")));
    auto* periodRow = row();
    periodRow->addWidget(periodCaption_);
    periodRow->addWidget(periodSlider_, 1);
    periodRow->addWidget(periodLabel_);

    periodProgress_ = named<QProgressBar>("PeriodProgress");
    periodProgress_->setTextVisible(false);
    periodProgress_->setMaximumHeight(14);
    timeLeftLabel_ = named<QLabel>("LblTempTimer");
    filePositionLabel_ = named<QLabel>("LblTempsFichier");
    const int timeWidth = timeLeftLabel_->fontMetrics().horizontalAdvance(QStringLiteral("00:00"));
    timeLeftLabel_->setMinimumWidth(timeWidth);
    filePositionLabel_->setMinimumWidth(timeWidth);
    timeLeftLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    filePositionLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* progressRow = row();
    progressRow->addWidget(periodProgress_, 1);
    progressRow->addWidget(timeLeftLabel_);
    progressRow->addWidget(filePositionLabel_);

    periodBar_ = named<PeriodBar>("PeriodBar");

    volumeLabel_ = named<QLabel>("LblVol");
    volumeLabel_->setMinimumWidth(
        volumeLabel_->fontMetrics().horizontalAdvance(QStringLiteral("Volume : 100%")));
    fileVolumeSlider_ = named<QSlider>("SliderVolWMP", Qt::Horizontal);
    fileVolumeSlider_->setPageStep(250);
    voiceVolumeSlider_ = named<QSlider>("SliderVolVoix", Qt::Horizontal);
    voiceVolumeSlider_->setPageStep(10); // its range is 0..100
    compactSlider(fileVolumeSlider_);
    compactSlider(voiceVolumeSlider_);
    muteBox_ = named<QCheckBox>("CHKMute", QStringLiteral("Mute"));
    auto* volumeRow = row();
    volumeRow->addWidget(volumeLabel_);
    volumeRow->addWidget(fileVolumeSlider_, 1);
    volumeRow->addWidget(voiceVolumeSlider_, 1);
    volumeRow->addWidget(muteBox_);

    auto* l = column(6);
    l->addLayout(periodRow);
    l->addLayout(progressRow);
    l->addWidget(periodBar_);
    l->addLayout(volumeRow);
    l->addStretch();
    setLayout(l);

    addInputs({periodSlider_, fileVolumeSlider_, voiceVolumeSlider_, muteBox_});
    connect(periodSlider_, &QSlider::valueChanged, this,
            [&presenter](int value) { presenter.execute(cmd::SliderLireTemps_Change{value}); });
    connect(fileVolumeSlider_, &QSlider::valueChanged, this,
            [&presenter](int value) { presenter.execute(cmd::SliderVolWMP_Change{value}); });
    connect(voiceVolumeSlider_, &QSlider::valueChanged, this,
            [&presenter](int value) { presenter.execute(cmd::SliderVolVoix_Change{value}); });
    connect(muteBox_, &QCheckBox::clicked, this,
            [&presenter](bool checked) { presenter.execute(cmd::CHKMute_Click{checked}); });
}

void PeriodPanel::draw(const StationState& state, Features changed) {
    const CycleState& cycle = state.cycle;
    if (changed.has(Feature::Cycle)) {
        renderSlider(periodSlider_, cycle.periodSlider);
        periodLabel_->setText(cycle.periodLabel);
    }
    if (changed.has(Feature::Countdown)) {
        renderProgress(periodProgress_, cycle.periodBar);
        timeLeftLabel_->setText(cycle.timeLeftLabel);
        filePositionLabel_->setText(cycle.filePositionLabel);
        periodBar_->setShapes(cycle.barTotal, cycle.barMessage, cycle.barCover);
    }
    if (changed.hasAny({Feature::FileMessage, Feature::Speech})) {
        // The one in use is shown.
        renderSlider(fileVolumeSlider_, state.file.volumeSlider);
        renderSlider(voiceVolumeSlider_, state.speech.volumeSlider);
        const bool voiceShown =
            state.speech.volumeSlider.enabled && !state.file.volumeSlider.enabled;
        fileVolumeSlider_->setVisible(!voiceShown);
        voiceVolumeSlider_->setVisible(voiceShown);
        volumeLabel_->setText(state.file.volumeLabel);
        muteBox_->setChecked(state.file.mute);
    }
}

bool PeriodPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == periodSlider_ && event->type() == QEvent::MouseMove)
        presenter_.execute(cmd::SliderLireTemps_MouseMove{});
    return Panel::eventFilter(watched, event);
}

} // namespace ondrix
