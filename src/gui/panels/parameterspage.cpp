#include "gui/panels/parameterspage.h"

#include "gui/panels/panelhelpers.h"
#include "gui/panels/timewindowspanel.h"
#include "gui/widgets.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace ondrix {

ParametersPage::ParametersPage(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::Cycle, Feature::Options, Feature::Shell}, parent) {
    setObjectName(QStringLiteral("ParametersPage"));

    auto* frame = named<QGroupBox>("FrmParametre");
    tickIntervalEdit_ = named<QLineEdit>("TxtInterval");
    tickIntervalEdit_->setMaxLength(5);
    tickIntervalEdit_->setMaximumWidth(
        tickIntervalEdit_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    longestPeriodEdit_ = named<QLineEdit>("TxtTpsMax");
    longestPeriodEdit_->setMaximumWidth(tickIntervalEdit_->maximumWidth());
    priorityCombo_ = named<QComboBox>("ComboPriorite");
    priorityCombo_->addItems(OptionsState::kPriorities);
    folderLabel_ = named<ElidedLabel>("LblDossier");

    auto* form = new QFormLayout;
    form->setContentsMargins(8, 4, 8, 4);
    form->setVerticalSpacing(4);
    auto* intervalRow = row(12);
    intervalRow->addWidget(tickIntervalEdit_);
    auto* longestPeriodCaption = named<QLabel>("LblTpsMax", QStringLiteral("Période max (s) :"));
    longestPeriodCaption->setBuddy(longestPeriodEdit_);
    intervalRow->addWidget(longestPeriodCaption);
    intervalRow->addWidget(longestPeriodEdit_);
    intervalRow->addStretch();
    auto* intervalCaption = named<QLabel>("LblInterval", QStringLiteral("Intervalle (ms) :"));
    intervalCaption->setBuddy(tickIntervalEdit_);
    form->addRow(intervalCaption, intervalRow);
    auto* priorityRow = row();
    priorityRow->addWidget(priorityCombo_);
    // Our wording: the check box of the original program had no caption we know of.
    severalCopiesBox_ =
        named<QCheckBox>("ChkInstance", QStringLiteral("Autoriser plusieurs instances"));
    severalCopiesBox_->setToolTip(
        QStringLiteral("Plusieurs copies d'Ondrix peuvent tourner en même temps sur ce dossier"));
    versionLabel_ = named<QLabel>("LblVersion");
    priorityRow->addSpacing(12);
    priorityRow->addWidget(severalCopiesBox_);
    priorityRow->addStretch();
    priorityRow->addWidget(versionLabel_);
    form->addRow(priorityRow);
    timeWindows_ = new TimeWindowsPanel(presenter);
    form->addRow(timeWindows_);
    form->addRow(folderLabel_);
    frame->setLayout(form);

    auto* l = column(0);
    l->addWidget(frame);
    setLayout(l);

    addInputs({tickIntervalEdit_, longestPeriodEdit_, priorityCombo_, severalCopiesBox_});
    connect(tickIntervalEdit_, &QLineEdit::textEdited, this, [&presenter](const QString& text) {
        presenter.execute(cmd::TxtInterval_Change{text});
    });
    connect(tickIntervalEdit_, &QLineEdit::returnPressed, this, [&presenter] {
        constexpr int kEnter = 13;
        presenter.execute(cmd::TxtInterval_KeyDown{kEnter});
    });
    connect(longestPeriodEdit_, &QLineEdit::textEdited, this,
            [&presenter](const QString& text) { presenter.execute(cmd::TxtTpsMax_Change{text}); });
    connect(priorityCombo_, &QComboBox::activated, this,
            [&presenter](int index) { presenter.execute(cmd::ComboPriorite_Change{index}); });
    connect(severalCopiesBox_, &QCheckBox::clicked, this,
            [&presenter](bool checked) { presenter.execute(cmd::ChkInstance_Click{checked}); });
}

void ParametersPage::draw(const StationState& state, Features changed) {
    if (changed.hasAny({Feature::Cycle, Feature::Options})) {
        renderLineEdit(tickIntervalEdit_, state.cycle.tickIntervalText);
        renderLineEdit(longestPeriodEdit_, state.cycle.longestPeriodText);
        priorityCombo_->setCurrentIndex(state.options.priorityIndex);
        folderLabel_->setText(QStringLiteral("Dossier : ") + state.options.appDirText);
        folderLabel_->setToolTip(state.options.appDirText);
    }
    if (changed.hasAny({Feature::Shell, Feature::Options})) {
        versionLabel_->setText(state.shell.versionLabel);
        severalCopiesBox_->setChecked(state.options.allowSeveralCopies);
    }
}

} // namespace ondrix
