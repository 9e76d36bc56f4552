#include "gui/panels/generalpage.h"

#include "gui/panels/panelhelpers.h"
#include "gui/widgets.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace ondrix {

namespace {

// The test button's colour while it is held down.
const QColor kTestButtonHeld(0x00, 0xFF, 0x00);

} // namespace

GeneralPage::GeneralPage(MainPresenter& presenter, QWidget* parent)
    : Panel(presenter, {Feature::RadioLink, Feature::Cycle, Feature::Options}, parent) {
    setObjectName(QStringLiteral("GeneralPage"));

    frame_ = named<QGroupBox>("FrmGeneral", QStringLiteral("Options :"));
    serialKeyingOption_ = named<QRadioButton>("OptPORTCOM", QStringLiteral("Port série"));
    voxKeyingOption_ = named<QRadioButton>("OptVOX", QStringLiteral("Vox"));
    // The state decides which one is set; Qt must not uncheck the other by itself.
    serialKeyingOption_->setAutoExclusive(false);
    voxKeyingOption_->setAutoExclusive(false);
    auto* optionsRow = row(16);
    optionsRow->addWidget(serialKeyingOption_);
    optionsRow->addWidget(voxKeyingOption_);
    optionsRow->addStretch();

    buildSerialPanel();
    buildVoxPanel();
    buildPortSearchPanel();
    auto* keyingPanels = new QGridLayout;
    keyingPanels->setContentsMargins(0, 0, 0, 0);
    for (QWidget* panel :
         std::initializer_list<QWidget*>{serialPanel_, voxPanel_, portSearchPanel_}) {
        keepRoomWhenHidden(panel);
        keyingPanels->addWidget(panel, 0, 0, Qt::AlignTop);
    }

    recordingFrame_ = named<QFrame>("RecordingFrame");
    recordBox_ =
        named<QCheckBox>("chkRec", QStringLiteral("Enregistrer le son pendant les intervalles"));
    {
        auto* l = row();
        l->addWidget(recordBox_);
        l->addStretch();
        recordingFrame_->setLayout(l);
    }
    {
        auto* l = column(6);
        l->setContentsMargins(8, 4, 8, 4);
        l->addLayout(optionsRow);
        l->addLayout(keyingPanels);
        l->addWidget(recordingFrame_);
        l->addStretch();
        frame_->setLayout(l);
    }
    auto* l = column(0);
    l->addWidget(frame_);
    setLayout(l);

    addInputs({serialKeyingOption_, voxKeyingOption_, pttLineCombo_, portCombo_, searchPortsButton_,
               testButton_, pttLockButton_, carrierDetectBox_, carrierLineCombo_, stopSearchButton_,
               recordBox_});
    connect(serialKeyingOption_, &QRadioButton::clicked, this,
            [&presenter] { presenter.execute(cmd::OptPORTCOM_Click{}); });
    connect(voxKeyingOption_, &QRadioButton::clicked, this,
            [&presenter] { presenter.execute(cmd::OptVOX_Click{}); });
    connect(pttLineCombo_, &QComboBox::activated, this,
            [&presenter](int index) { presenter.execute(cmd::ComboModeCOMPTT_Change{index}); });
    connect(portCombo_, &QComboBox::activated, this, [&presenter, combo = portCombo_](int index) {
        presenter.execute(cmd::PortComList_Change{combo->itemText(index)});
    });
    connect(searchPortsButton_, &ImageButton::clicked, this,
            [&presenter] { presenter.execute(cmd::IMGActualiser_Click{}); });
    // The transmitter is keyed for as long as the button is held.
    connect(testButton_, &QPushButton::pressed, this,
            [&presenter] { presenter.execute(cmd::CMDTest_MouseDown{}); });
    connect(testButton_, &QPushButton::released, this,
            [&presenter] { presenter.execute(cmd::CMDTest_MouseUp{}); });
    connect(pttLockButton_, &ImageButton::clicked, this,
            [&presenter] { presenter.execute(cmd::PTTLock_Click{}); });
    connect(carrierDetectBox_, &QCheckBox::clicked, this,
            [&presenter](bool checked) { presenter.execute(cmd::ChkCOR_Click{checked}); });
    connect(carrierLineCombo_, &QComboBox::activated, this,
            [&presenter](int index) { presenter.execute(cmd::ComboModeCOMCOR_Change{index}); });
    connect(stopSearchButton_, &ImageButton::clicked, this,
            [&presenter] { presenter.execute(cmd::ImgChercheCom_Click{}); });
    connect(recordBox_, &QCheckBox::clicked, this,
            [&presenter](bool checked) { presenter.execute(cmd::chkRec_Click{checked}); });
}

void GeneralPage::buildSerialPanel() {
    serialPanel_ = named<QFrame>("FrmPortCom");
    portCombo_ = named<QComboBox>("PortComList");
    portCombo_->setEditable(false);
    portCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    portCombo_->setMinimumContentsLength(3);
    searchPortsButton_ =
        imageButton("IMGActualiser", refreshIcon(), QStringLiteral("Rechercher les ports COM"));
    pttLineCombo_ = named<QComboBox>("ComboModeCOMPTT");
    testButton_ = named<QPushButton>("CMDTest", QStringLiteral("TEST"));
    pttLockButton_ = named<ImageButton>("PTTLock");
    pttLockButton_->setIconSize(QSize(22, 22));
    pttLight_ = named<IndicatorLight>("ShapePTT");
    carrierDetectBox_ = named<QCheckBox>("ChkCOR", QStringLiteral("COR Mode :"));
    carrierLineCombo_ = named<QComboBox>("ComboModeCOMCOR");
    carrierLight_ = named<IndicatorLight>("ShapeCOR");

    auto* portCaption = named<QLabel>("LblPortCom", QStringLiteral("Port COM :"));
    portCaption->setBuddy(portCombo_);
    auto* pttCaption = named<QLabel>("LblModePTT", QStringLiteral("PTT :"));
    pttCaption->setBuddy(pttLineCombo_);
    auto* portRow = row();
    portRow->addWidget(portCombo_);
    portRow->addWidget(searchPortsButton_);
    portRow->addSpacing(16);
    portRow->addWidget(pttCaption);
    portRow->addWidget(pttLineCombo_);
    portRow->addSpacing(16);
    portRow->addWidget(testButton_);
    portRow->addWidget(pttLockButton_);
    portRow->addWidget(pttLight_);
    portRow->addStretch();
    auto* carrierRow = row();
    carrierRow->addWidget(carrierLineCombo_);
    carrierRow->addWidget(carrierLight_);
    carrierRow->addStretch();
    auto* l = new QGridLayout;
    l->setContentsMargins(0, 0, 0, 0);
    l->setHorizontalSpacing(6);
    l->setVerticalSpacing(4);
    l->addWidget(portCaption, 0, 0);
    l->addLayout(portRow, 0, 1);
    l->addWidget(carrierDetectBox_, 1, 0);
    l->addLayout(carrierRow, 1, 1);
    serialPanel_->setLayout(l);
}

void GeneralPage::buildVoxPanel() {
    voxPanel_ = named<QGroupBox>("FrmVox", QStringLiteral("Activer le mode Vox sur "));
    voxLabel_ = named<QLabel>("LblVox");
    auto* l = column();
    l->setContentsMargins(8, 2, 8, 4);
    l->addWidget(voxLabel_);
    voxPanel_->setLayout(l);
}

void GeneralPage::buildPortSearchPanel() {
    portSearchPanel_ = named<QFrame>("FrmPortCherche");
    portSearchLabel_ = named<QLabel>("LblPortCherche");
    portSearchLabel_->setToolTip(
        QStringLiteral("Modifier le nombre de port COM à la ligne 42 du fichier 'parametres.ini'"));
    portSearchProgress_ = named<QProgressBar>("PGPortCom");
    portSearchProgress_->setTextVisible(false);
    portSearchProgress_->setMaximumHeight(14);
    stopSearchButton_ = imageButton("ImgChercheCom", stopSearchIcon(),
                                    QStringLiteral("Arrêter la recherche de port COM"));
    auto* l = row(12);
    l->addWidget(portSearchLabel_);
    l->addWidget(portSearchProgress_, 1);
    l->addWidget(stopSearchButton_);
    portSearchPanel_->setLayout(l);
}

void GeneralPage::draw(const StationState& state, Features changed) {
    if (changed.hasAny({Feature::RadioLink, Feature::Cycle}))
        drawKeying(state);
    if (changed.hasAny({Feature::Cycle, Feature::Options})) {
        recordingFrame_->setEnabled(!state.cycle.running);
        recordBox_->setChecked(state.options.recordBetweenSendings);
    }
}

void GeneralPage::drawKeying(const StationState& state) {
    const RadioLinkState& radio = state.radio;
    // The keying choice is locked with the serial panel while a cycle runs:
    // turning to VOX in the middle of a sending would leave the line keyed.
    serialKeyingOption_->setEnabled(!state.cycle.running);
    voxKeyingOption_->setEnabled(!state.cycle.running);
    serialKeyingOption_->setChecked(radio.serialKeying);
    voxKeyingOption_->setChecked(radio.voxKeying());
    serialPanel_->setVisible(radio.portPanelVisible);
    serialPanel_->setEnabled(!state.cycle.running);
    voxPanel_->setVisible(radio.voxPanelVisible);
    portSearchPanel_->setVisible(radio.searchPanelVisible);

    renderCombo(portCombo_, radio.portList);
    renderCombo(pttLineCombo_, radio.pttLine);
    if (testButtonGreen_ != radio.testHeld) {
        testButtonGreen_ = radio.testHeld;
        if (radio.testHeld) {
            QPalette pal = testButton_->palette();
            pal.setColor(QPalette::Button, kTestButtonHeld);
            testButton_->setPalette(pal);
        } else {
            testButton_->setPalette(QPalette()); // back to the window's own colours
        }
    }
    testButton_->setToolTip(radio.testToolTip);
    const QString lockImage = padlockImageName(radio.pttLocked);
    if (pttLockButton_->property("image").toString() != lockImage) {
        pttLockButton_->setIcon(padlockIcon(radio.pttLocked));
        pttLockButton_->setProperty("image", lockImage);
    }
    pttLockButton_->setToolTip(pttLockToolTip(radio));
    pttLight_->setColour(toQColor(indicatorColour(radio.keyed)));
    carrierDetectBox_->setChecked(radio.carrierDetectOn);
    renderCombo(carrierLineCombo_, radio.carrierLine);
    carrierLight_->setColour(toQColor(indicatorColour(radio.carrierPresent)));

    setPanelText(voxLabel_, radio.voxLabel);
    setPanelText(portSearchLabel_, radio.searchLabel);
    renderProgress(portSearchProgress_, radio.searchProgress);
}

} // namespace ondrix
