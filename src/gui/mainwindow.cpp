#include "gui/mainwindow.h"

#include "gui/widgets.h"
#include "message/operatorinfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace ondrix {

struct MainWindow::Ui {
    // Title area.
    QWidget* titleBar = nullptr;
    QLabel* lblTitre = nullptr;
    QToolButton* imgClose = nullptr;

    // Start/stop and message mode.
    QToolButton* btPlay = nullptr;
    ClickableLabel* tabS11 = nullptr;
    ClickableLabel* tabS12 = nullptr;
    QGroupBox* frmFichier = nullptr;
    PathComboBox* comboFichierRecent = nullptr;
    QPushButton* cmdOuvrir = nullptr;
    QLabel* lblDuree = nullptr;
    QGroupBox* frmSynthese = nullptr;
    QGroupBox* frmSynthese2 = nullptr;

    // Speech frame: the message, the voice name and weather box, the voice
    // list (with its update button) or the tag list in one place, the speed.
    MessageEdit* txtSynthese = nullptr;
    int appliedSelectionSeq = 0; // the form's last selection request already applied
    CaptionLabel* label6 = nullptr;
    CaptionLabel* lblNomVoix = nullptr;
    QPushButton* command1 = nullptr;
    QListWidget* listVoix = nullptr;
    QWidget* voicePanel = nullptr; // ListVoix and Command1
    QWidget* tagPanel = nullptr;   // ComboOndrixTexte and CmdAjoutOndrix
    QComboBox* comboOndrixTexte = nullptr;
    QPushButton* cmdAjoutOndrix = nullptr;
    CaptionLabel* label21 = nullptr;
    QSlider* sliderVoixSpeed = nullptr;
    QLabel* lblWpM = nullptr;
    QCheckBox* chkLireMeteo = nullptr;
    // Shown instead when the speech engine failed.
    QPushButton* cmdResoudreProb = nullptr;
    QPushButton* cmdProbOK = nullptr;

    // Period, progress, volume.
    QLabel* lblLireTemps = nullptr;
    QSlider* sliderLireTemps = nullptr;
    QLabel* label2 = nullptr;
    QProgressBar* progressBar1 = nullptr;
    QLabel* lblTempTimer = nullptr;
    QLabel* lblTempsFichier = nullptr;
    PeriodBar* periodBar = nullptr;
    QLabel* lblVol = nullptr;
    QSlider* sliderVolWMP = nullptr;
    QSlider* sliderVolVoix = nullptr;
    QCheckBox* chkMute = nullptr;

    // Pages.
    std::array<ClickableLabel*, ShellState::kPages> pageTabs{};
    QStackedWidget* pages = nullptr;
    QGroupBox* frmGeneral = nullptr;
    QRadioButton* optPortCom = nullptr;
    QRadioButton* optVox = nullptr;
    // Serial keying panel.
    QFrame* frmPortCom = nullptr;
    QComboBox* portComList = nullptr;
    ImageButton* imgActualiser = nullptr;
    QComboBox* comboModeCOMPTT = nullptr;
    QPushButton* cmdTest = nullptr;
    ImageButton* pttLock = nullptr;
    IndicatorLight* shapePTT = nullptr;
    QCheckBox* chkCOR = nullptr;
    QComboBox* comboModeCOMCOR = nullptr;
    IndicatorLight* shapeCOR = nullptr;
    bool cmdTestGreen = false; // CMDTest wears the held colour
    // VOX keying panel, and the port-search panel shown in place of the serial one.
    QGroupBox* frmVox = nullptr;
    QLabel* lblVox = nullptr;
    QFrame* frmPortCherche = nullptr;
    QLabel* lblPortCherche = nullptr;
    QProgressBar* pgPortCom = nullptr;
    ImageButton* imgChercheCom = nullptr;
    QFrame* frame3 = nullptr;
    QCheckBox* chkRec = nullptr;
    QGroupBox* frmParametre = nullptr;
    QLineEdit* txtInterval = nullptr;
    QLineEdit* txtTpsMax = nullptr;
    QComboBox* comboPriorite = nullptr;
    ElidedLabel* lblDossier = nullptr;
    QGroupBox* frmAudio = nullptr;
    QGroupBox* frmDTMF = nullptr;
    QLabel* lblDTMFPTT = nullptr;
    QGroupBox* frmInfosOM = nullptr;
    std::array<QLineEdit*, Params::kOmCount> paramOM{};

    // ---- daily time windows: clock, period tabs TabS31..33, and per window a
    // frame FrmPeriode1..3 with its check box and six time fields (in the
    // form's order).
    QLabel* lblHorloge = nullptr;
    std::array<ClickableLabel*, TimeWindowsState::kWindows> tabS3{};
    std::array<QFrame*, TimeWindowsState::kWindows> frmPeriode{};
    std::array<QCheckBox*, TimeWindowsState::kWindows> chkDecl{};
    std::array<QLineEdit*, TimeWindowsState::kTimeFields> timeFields{};
    // The form's last focus and selection requests already applied, and a
    // focus move waiting for the end of the redraw (-1: none).
    int appliedFocusTimeFieldSeq = 0;
    int appliedSelectTimeFieldSeq = 0;
    int pendingTimeFieldFocus = -1;
    // ---- end daily time windows

    // ---- start-up: loading panel, version, several copies
    QFrame* frmChargement = nullptr; // over the whole window while loading and closing
    QLabel* lblChargeParam = nullptr;
    QProgressBar* progressBar2 = nullptr;
    QLabel* lblVersion = nullptr;
    QCheckBox* chkInstance = nullptr;
    // ---- end start-up

    // Everything that forwards an operator's event: blocked while rendering.
    std::vector<QObject*> inputs;
};

namespace {

template <typename W, typename... Args> W* named(const char* name, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QHBoxLayout* row(int spacing = 6) {
    auto* l = new QHBoxLayout;
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(spacing);
    return l;
}

QVBoxLayout* column(int spacing = 4) {
    auto* l = new QVBoxLayout;
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(spacing);
    return l;
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

// Leaves the text alone when it already matches, so the cursor stays put
// while the operator types.
void renderLineEdit(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

// The test button's colour while it is held down.
const QColor kCmdTestHeld(0x00, 0xFF, 0x00);

int progressUnits(float seconds) {
    return static_cast<int>(std::lround(seconds * 1000.0));
}

void renderProgress(QProgressBar* bar, const ProgressBarState& state) {
    const int min = progressUnits(state.min);
    const int max = std::max(min, progressUnits(state.max));
    bar->setRange(min, max);
    // QProgressBar ignores a value outside its range; the nearest end is closer to the truth.
    bar->setValue(std::clamp(progressUnits(state.value), min, max));
}

// Panels that take turns in one place keep their room when hidden, so the
// page does not change size with them.
void keepRoomWhenHidden(QWidget* w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

// Sets the text of a label inside a panel that may be hidden. Qt does not tell
// the page about size changes inside a hidden panel, so the panel is told
// here; otherwise the page would shift once the panel is first shown.
void setPanelText(QLabel* label, const QString& text) {
    if (label->text() == text)
        return;
    label->setText(text);
    label->parentWidget()->updateGeometry();
}

// A horizontal slider that asks for no more room than its minimum, so the rows
// holding one keep the window narrow; it still takes any width left over.
void compactSlider(QSlider* slider, int minWidth = 60) {
    QSizePolicy policy = slider->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    slider->setSizePolicy(policy);
    slider->setMinimumWidth(minWidth);
}

ImageButton* imageButton(const char* name, const QIcon& icon, const QString& toolTip) {
    auto* b = named<ImageButton>(name);
    b->setIcon(icon);
    b->setToolTip(toolTip);
    return b;
}

} // namespace

MainWindow::MainWindow(MainPresenter& presenter, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), ui(std::make_unique<Ui>()), presenter_(presenter) {
    setObjectName(QStringLiteral("MainWindow"));
    build();
    connectEvents();
    render();
    // The first render changed texts inside panels not shown yet; Qt passes
    // such size changes up only once the window shows. The window is exactly
    // as tall as its content, so it is measured with every layout brought up
    // to date, innermost first, or it would grow on first use.
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (QLayout* l = (*it)->layout())
            l->activate();
    resize(sizeHint().expandedTo(QSize(650, 350)));
}

MainWindow::~MainWindow() = default;

void MainWindow::build() {
    Ui& u = *ui;

    // ---- title area
    u.titleBar = named<QWidget>("TitleBar");
    u.titleBar->setAutoFillBackground(true);
    {
        QPalette pal = u.titleBar->palette();
        pal.setColor(QPalette::Window, toQColor(kTabUnselected));
        pal.setColor(QPalette::WindowText, Qt::white);
        u.titleBar->setPalette(pal);
    }
    u.lblTitre = named<QLabel>("LblTitre", QStringLiteral("Ondrix"));
    {
        QFont f = u.lblTitre->font();
        f.setBold(true);
        u.lblTitre->setFont(f);
    }
    u.imgClose = named<QToolButton>("ImgClose");
    u.imgClose->setIcon(closeIcon());
    u.imgClose->setIconSize(QSize(14, 14));
    u.imgClose->setAutoRaise(true);
    u.imgClose->setToolTip(QStringLiteral("Fermer"));
    u.imgClose->setFocusPolicy(Qt::NoFocus);
    auto* titleRow = row();
    titleRow->setContentsMargins(8, 2, 2, 2);
    titleRow->addWidget(u.lblTitre);
    titleRow->addStretch();
    titleRow->addWidget(u.imgClose);
    u.titleBar->setLayout(titleRow);

    // ---- start/stop button
    u.btPlay = named<QToolButton>("BTPlay");
    u.btPlay->setIconSize(QSize(40, 40));
    u.btPlay->setAutoRaise(true);

    // ---- message mode: tabs over the file and speech frames
    u.tabS11 = named<ClickableLabel>("TabS11", QStringLiteral("Fichier WAV/MP3"));
    u.tabS12 = named<ClickableLabel>("TabS12", QStringLiteral("Synthèse vocale"));
    auto* messageTabs = row(1);
    messageTabs->addWidget(u.tabS11);
    messageTabs->addWidget(u.tabS12);
    messageTabs->addStretch();

    u.frmFichier = named<QGroupBox>("FrmFichier", QStringLiteral("Fichier WAV/MP3 à lire :"));
    u.comboFichierRecent = named<PathComboBox>("ComboFichierRecent");
    u.comboFichierRecent->setEditable(false);
    // A long path must not widen the window; the tooltip shows it whole.
    u.comboFichierRecent->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    u.comboFichierRecent->setMinimumContentsLength(16);
    u.cmdOuvrir = named<QPushButton>("CMDOuvrir", QStringLiteral("Ouvrir..."));
    u.lblDuree = named<QLabel>("LBLDuree");
    {
        auto* fileRow = row();
        fileRow->addWidget(u.comboFichierRecent, 1);
        fileRow->addWidget(u.cmdOuvrir);
        auto* l = column();
        l->setContentsMargins(6, 4, 6, 4);
        l->addLayout(fileRow);
        l->addWidget(u.lblDuree);
        u.frmFichier->setLayout(l);
    }

    u.frmSynthese = named<QGroupBox>("FrmSynthese");
    u.txtSynthese = named<MessageEdit>("TxtSynthese");
    u.txtSynthese->setVisibleLines(3);
    u.txtSynthese->installEventFilter(this);
    u.label6 = named<CaptionLabel>("Label6", QStringLiteral("Sélectionner la voix :"));
    u.lblNomVoix = named<CaptionLabel>("LblNomVoix");
    u.lblNomVoix->setToolTip(
        QStringLiteral("Cliquez pour afficher/masquer la liste des voix disponibles"));
    {
        QFont f = u.lblNomVoix->font();
        f.setBold(true);
        u.lblNomVoix->setFont(f);
        // Room for the ten characters a name may have, so an empty name
        // still leaves something to click and the row does not shift.
        u.lblNomVoix->setMinimumWidth(
            QFontMetrics(f).horizontalAdvance(QStringLiteral("French (f2")));
    }
    u.command1 = named<QPushButton>("Command1", QStringLiteral("MAJ"));
    // As narrow as its caption: push buttons default to a wide minimum.
    u.command1->setFixedWidth(u.command1->fontMetrics().horizontalAdvance(QStringLiteral("MAJ")) +
                              24);
    u.command1->setToolTip(QStringLiteral("Mettre à jour la liste des voix"));
    u.listVoix = named<QListWidget>("ListVoix");
    u.listVoix->setToolTip(QStringLiteral("Double-cliquer pour tester la voix"));
    u.listVoix->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Lines read "name<tab>gender<tab>language": shown as aligned columns.
    u.listVoix->setItemDelegate(
        new ColumnsDelegate({{QStringLiteral("Femme"), QStringLiteral("Homme")},
                             {QStringLiteral("Français"), QStringLiteral("Anglais"),
                              QStringLiteral("Néerlandais"), QStringLiteral("Autre langue")}},
                            u.listVoix));
    u.comboOndrixTexte = named<QComboBox>("ComboOndrixTexte");
    u.cmdAjoutOndrix = named<QPushButton>("CmdAjoutOndrix", QStringLiteral("Ajouter ondrix texte"));
    u.voicePanel = named<QWidget>("VoicePanel");
    u.tagPanel = named<QWidget>("TagPanel");
    {
        auto* l = row();
        l->addWidget(u.comboOndrixTexte, 1);
        l->addWidget(u.cmdAjoutOndrix);
        u.tagPanel->setLayout(l);
    }
    u.label21 = named<CaptionLabel>("Label21", QStringLiteral("Vitesse :"));
    u.sliderVoixSpeed = named<QSlider>("SliderVoixSpeed", Qt::Horizontal);
    u.sliderVoixSpeed->setPageStep(10);
    compactSlider(u.sliderVoixSpeed);
    u.lblWpM = named<QLabel>("lblWpM");
    u.lblWpM->setMinimumWidth(
        u.lblWpM->fontMetrics().horizontalAdvance(QStringLiteral("250 mot(s)/min.")));
    u.chkLireMeteo = named<QCheckBox>("ChkLireMeteo", QStringLiteral("Lire la météo"));
    {
        // Three lines of the voice list, whatever the font.
        u.listVoix->addItem(QStringLiteral("X"));
        const int line = u.listVoix->sizeHintForRow(0);
        u.listVoix->clear();
        u.listVoix->setFixedHeight(3 * line + 2 * u.listVoix->frameWidth());

        auto* voiceRow = row();
        voiceRow->addWidget(u.label6);
        voiceRow->addWidget(u.lblNomVoix);
        voiceRow->addStretch();
        voiceRow->addWidget(u.chkLireMeteo);
        // The voice list, with its update button, and the tag list take
        // turns in one place.
        {
            auto* l = row();
            l->addWidget(u.listVoix, 1);
            l->addWidget(u.command1, 0, Qt::AlignTop);
            u.voicePanel->setLayout(l);
        }
        auto* shared = new QGridLayout;
        shared->setContentsMargins(0, 0, 0, 0);
        keepRoomWhenHidden(u.voicePanel);
        keepRoomWhenHidden(u.tagPanel);
        shared->addWidget(u.voicePanel, 0, 0);
        shared->addWidget(u.tagPanel, 0, 0, Qt::AlignTop);
        auto* speedRow = row();
        speedRow->addWidget(u.label21);
        speedRow->addWidget(u.sliderVoixSpeed, 1);
        speedRow->addWidget(u.lblWpM);
        auto* l = column();
        l->setContentsMargins(6, 4, 6, 4);
        l->addWidget(u.txtSynthese);
        l->addLayout(voiceRow);
        l->addLayout(shared);
        l->addLayout(speedRow);
        u.frmSynthese->setLayout(l);
    }

    u.frmSynthese2 = named<QGroupBox>("FrmSynthese2");
    u.cmdResoudreProb =
        named<QPushButton>("CmdResoudreProb", QStringLiteral("Comment résoudre le problème ?"));
    u.cmdProbOK = named<QPushButton>("CmdProbOK", QStringLiteral("J'ai résolu le problème !"));
    {
        auto* lblProbleme = named<QLabel>(
            "LblProbleme", QStringLiteral("La synthèse vocale n'est pas disponible."));
        lblProbleme->setWordWrap(true);
        auto* l = column(8);
        l->setContentsMargins(8, 8, 8, 8);
        l->addWidget(lblProbleme);
        // One above the other: side by side they would widen the window.
        l->addWidget(u.cmdResoudreProb, 0, Qt::AlignLeft);
        l->addWidget(u.cmdProbOK, 0, Qt::AlignLeft);
        l->addStretch();
        u.frmSynthese2->setLayout(l);
    }

    // The three frames share one place, sized for the largest, so switching
    // the message mode does not move the rest of the window.
    auto* messageFrames = new QGridLayout;
    messageFrames->setContentsMargins(0, 0, 0, 0);
    for (QWidget* frame :
         {static_cast<QWidget*>(u.frmFichier), static_cast<QWidget*>(u.frmSynthese),
          static_cast<QWidget*>(u.frmSynthese2)}) {
        keepRoomWhenHidden(frame);
        messageFrames->addWidget(frame, 0, 0);
    }

    auto* messageArea = column(0);
    messageArea->addLayout(messageTabs);
    messageArea->addLayout(messageFrames);
    messageArea->addStretch();

    auto* topLeft = row();
    topLeft->addWidget(u.btPlay, 0, Qt::AlignTop);
    topLeft->addLayout(messageArea, 1);

    // ---- period, progress and volume
    u.lblLireTemps = named<QLabel>("LblLireTemps", QStringLiteral("Lire toute les"));
    u.sliderLireTemps = named<QSlider>("SliderLireTemps", Qt::Horizontal);
    // Moves over the slider refresh its tooltip (the longest period).
    u.sliderLireTemps->setMouseTracking(true);
    u.sliderLireTemps->installEventFilter(this);
    compactSlider(u.sliderLireTemps);
    u.label2 = named<QLabel>("Label2");
    u.label2->setMinimumWidth(
        u.label2->fontMetrics().horizontalAdvance(QStringLiteral("1800 sec.")));
    auto* periodRow = row();
    periodRow->addWidget(u.lblLireTemps);
    periodRow->addWidget(u.sliderLireTemps, 1);
    periodRow->addWidget(u.label2);

    u.progressBar1 = named<QProgressBar>("ProgressBar1");
    u.progressBar1->setTextVisible(false);
    u.progressBar1->setMaximumHeight(14);
    u.lblTempTimer = named<QLabel>("LblTempTimer");
    u.lblTempsFichier = named<QLabel>("LblTempsFichier");
    const int timeWidth = u.lblTempTimer->fontMetrics().horizontalAdvance(QStringLiteral("00:00"));
    u.lblTempTimer->setMinimumWidth(timeWidth);
    u.lblTempsFichier->setMinimumWidth(timeWidth);
    u.lblTempTimer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    u.lblTempsFichier->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* progressRow = row();
    progressRow->addWidget(u.progressBar1, 1);
    progressRow->addWidget(u.lblTempTimer);
    progressRow->addWidget(u.lblTempsFichier);

    u.periodBar = named<PeriodBar>("PeriodBar");

    u.lblVol = named<QLabel>("LblVol");
    u.lblVol->setMinimumWidth(
        u.lblVol->fontMetrics().horizontalAdvance(QStringLiteral("Volume : 100%")));
    u.sliderVolWMP = named<QSlider>("SliderVolWMP", Qt::Horizontal);
    u.sliderVolWMP->setPageStep(250);
    u.sliderVolVoix = named<QSlider>("SliderVolVoix", Qt::Horizontal);
    u.sliderVolVoix->setPageStep(10); // its range is 0..100
    compactSlider(u.sliderVolWMP);
    compactSlider(u.sliderVolVoix);
    u.chkMute = named<QCheckBox>("CHKMute", QStringLiteral("Mute"));
    auto* volumeRow = row();
    volumeRow->addWidget(u.lblVol);
    volumeRow->addWidget(u.sliderVolWMP, 1);
    volumeRow->addWidget(u.sliderVolVoix, 1);
    volumeRow->addWidget(u.chkMute);

    auto* topRight = column(6);
    topRight->addSpacing(messageTabs->sizeHint().height());
    topRight->addLayout(periodRow);
    topRight->addLayout(progressRow);
    topRight->addWidget(u.periodBar);
    topRight->addLayout(volumeRow);
    topRight->addStretch();

    auto* top = row(12);
    // The file path needs the room more than the sliders do.
    top->addLayout(topLeft, 4);
    top->addLayout(topRight, 3);

    // ---- page tabs
    static constexpr std::array<const char*, ShellState::kPages> kTabNames{
        "TabS21", "TabS22", "TabS23", "TabS24", "TabS25"};
    const std::array<QString, ShellState::kPages> tabTexts{
        QStringLiteral("Général"), QStringLiteral("Paramètres"), QStringLiteral("Audio"),
        QStringLiteral("DTMF"), QStringLiteral("Informations OM")};
    auto* pageTabs = row(1);
    for (size_t i = 0; i < u.pageTabs.size(); ++i) {
        u.pageTabs[i] = named<ClickableLabel>(kTabNames[i], tabTexts[i]);
        pageTabs->addWidget(u.pageTabs[i]);
    }
    pageTabs->addStretch();

    // General: keying mode and recording. The two options choose which
    // keying panel shows below them.
    u.frmGeneral = named<QGroupBox>("FrmGeneral", QStringLiteral("Options :"));
    u.optPortCom = named<QRadioButton>("OptPORTCOM", QStringLiteral("Port série"));
    u.optVox = named<QRadioButton>("OptVOX", QStringLiteral("Vox"));
    // The form decides which one is set; Qt must not uncheck the other by itself.
    u.optPortCom->setAutoExclusive(false);
    u.optVox->setAutoExclusive(false);
    auto* optionsRow = row(16);
    optionsRow->addWidget(u.optPortCom);
    optionsRow->addWidget(u.optVox);
    optionsRow->addStretch();

    // Serial keying: port and line, carrier detect, test button, lock, indicator.
    u.frmPortCom = named<QFrame>("FrmPortCom");
    u.portComList = named<QComboBox>("PortComList");
    u.portComList->setEditable(false);
    u.portComList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    u.portComList->setMinimumContentsLength(3);
    u.imgActualiser =
        imageButton("IMGActualiser", refreshIcon(), QStringLiteral("Rechercher les ports COM"));
    u.comboModeCOMPTT = named<QComboBox>("ComboModeCOMPTT");
    u.cmdTest = named<QPushButton>("CMDTest", QStringLiteral("TEST"));
    u.pttLock = named<ImageButton>("PTTLock");
    u.pttLock->setIconSize(QSize(22, 22));
    u.shapePTT = named<IndicatorLight>("ShapePTT");
    u.chkCOR = named<QCheckBox>("ChkCOR", QStringLiteral("COR Mode :"));
    u.comboModeCOMCOR = named<QComboBox>("ComboModeCOMCOR");
    u.shapeCOR = named<IndicatorLight>("ShapeCOR");
    {
        auto* lblPortCom = named<QLabel>("LblPortCom", QStringLiteral("Port COM :"));
        lblPortCom->setBuddy(u.portComList);
        auto* lblModePTT = named<QLabel>("LblModePTT", QStringLiteral("PTT :"));
        lblModePTT->setBuddy(u.comboModeCOMPTT);
        auto* portRow = row();
        portRow->addWidget(u.portComList);
        portRow->addWidget(u.imgActualiser);
        portRow->addSpacing(16);
        portRow->addWidget(lblModePTT);
        portRow->addWidget(u.comboModeCOMPTT);
        portRow->addSpacing(16);
        portRow->addWidget(u.cmdTest);
        portRow->addWidget(u.pttLock);
        portRow->addWidget(u.shapePTT);
        portRow->addStretch();
        auto* corRow = row();
        corRow->addWidget(u.comboModeCOMCOR);
        corRow->addWidget(u.shapeCOR);
        corRow->addStretch();
        auto* l = new QGridLayout;
        l->setContentsMargins(0, 0, 0, 0);
        l->setHorizontalSpacing(6);
        l->setVerticalSpacing(4);
        l->addWidget(lblPortCom, 0, 0);
        l->addLayout(portRow, 0, 1);
        l->addWidget(u.chkCOR, 1, 0);
        l->addLayout(corRow, 1, 1);
        u.frmPortCom->setLayout(l);
    }

    u.frmVox = named<QGroupBox>("FrmVox", QStringLiteral("Activer le mode Vox sur "));
    u.lblVox = named<QLabel>("LblVox");
    {
        auto* l = column();
        l->setContentsMargins(8, 2, 8, 4);
        l->addWidget(u.lblVox);
        u.frmVox->setLayout(l);
    }

    u.frmPortCherche = named<QFrame>("FrmPortCherche");
    u.lblPortCherche = named<QLabel>("LblPortCherche");
    u.lblPortCherche->setToolTip(
        QStringLiteral("Modifier le nombre de port COM à la ligne 42 du fichier 'parametres.ini'"));
    u.pgPortCom = named<QProgressBar>("PGPortCom");
    u.pgPortCom->setTextVisible(false);
    u.pgPortCom->setMaximumHeight(14);
    u.imgChercheCom = imageButton("ImgChercheCom", stopSearchIcon(),
                                  QStringLiteral("Arrêter la recherche de port COM"));
    {
        auto* l = row(12);
        l->addWidget(u.lblPortCherche);
        l->addWidget(u.pgPortCom, 1);
        l->addWidget(u.imgChercheCom);
        u.frmPortCherche->setLayout(l);
    }

    auto* keyingPanels = new QGridLayout;
    keyingPanels->setContentsMargins(0, 0, 0, 0);
    for (QWidget* panel :
         std::initializer_list<QWidget*>{u.frmPortCom, u.frmVox, u.frmPortCherche}) {
        keepRoomWhenHidden(panel);
        keyingPanels->addWidget(panel, 0, 0, Qt::AlignTop);
    }

    u.frame3 = named<QFrame>("Frame3");
    u.chkRec =
        named<QCheckBox>("chkRec", QStringLiteral("Enregistrer le son pendant les intervalles"));
    {
        auto* l = row();
        l->addWidget(u.chkRec);
        l->addStretch();
        u.frame3->setLayout(l);
    }
    {
        auto* l = column(6);
        l->setContentsMargins(8, 4, 8, 4);
        l->addLayout(optionsRow);
        l->addLayout(keyingPanels);
        l->addWidget(u.frame3);
        l->addStretch();
        u.frmGeneral->setLayout(l);
    }

    // ---- daily time windows: the clock, the period tabs and, for the
    // window chosen, "Déclenchement entre HH : MM : SS et HH : MM : SS".
    auto* timeWindows = named<QWidget>("TimeWindows");
    {
        static constexpr std::array<const char*, TimeWindowsState::kWindows> kPeriodTabNames{
            "TabS31", "TabS32", "TabS33"};
        static constexpr std::array<const char*, TimeWindowsState::kWindows> kFrameNames{
            "FrmPeriode1", "FrmPeriode2", "FrmPeriode3"};
        static constexpr std::array<const char*, TimeWindowsState::kWindows> kChkNames{
            "ChkDecl1", "ChkDecl2", "ChkDecl3"};
        static constexpr std::array<char, 3> kParts{'H', 'M', 'S'};

        u.lblHorloge = named<QLabel>("LblHorloge");
        u.lblHorloge->setMinimumWidth(
            u.lblHorloge->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 4);
        u.lblHorloge->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* tabs = row(1);
        for (size_t w = 0; w < u.tabS3.size(); ++w) {
            u.tabS3[w] =
                named<ClickableLabel>(kPeriodTabNames[w], QStringLiteral("Période %1").arg(w + 1));
            tabs->addWidget(u.tabS3[w]);
        }
        tabs->addStretch();
        tabs->addWidget(u.lblHorloge);

        const int fieldWidth =
            timeWindows->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 8;
        auto* frames = new QGridLayout;
        frames->setContentsMargins(0, 0, 0, 0);
        for (int w = 0; w < TimeWindowsState::kWindows; ++w) {
            const auto wi = static_cast<size_t>(w);
            auto* frame = named<QFrame>(kFrameNames[wi]);
            frame->setFrameShape(QFrame::StyledPanel);
            u.chkDecl[wi] = named<QCheckBox>(kChkNames[wi], QStringLiteral("Déclenchement entre"));
            auto* l = row(3);
            l->setContentsMargins(6, 3, 6, 3);
            l->addWidget(u.chkDecl[wi]);
            for (const bool end : {false, true}) {
                l->addSpacing(end ? 4 : 2);
                if (end) {
                    l->addWidget(new QLabel(QStringLiteral("et")));
                    l->addSpacing(4);
                }
                for (int part = 0; part < 3; ++part) {
                    if (part > 0)
                        l->addWidget(new QLabel(QStringLiteral(":")));
                    auto* field = new QLineEdit;
                    field->setObjectName(QStringLiteral("TextTimeOut") + QChar(kParts[part]) +
                                         (end ? QStringLiteral("Fin") : QStringLiteral("Deb")) +
                                         QString::number(w + 1));
                    field->setMaxLength(2);
                    field->setFixedWidth(fieldWidth);
                    field->setAlignment(Qt::AlignCenter);
                    field->installEventFilter(this);
                    u.timeFields[static_cast<size_t>(w * 6 + (end ? 3 : 0) + part)] = field;
                    l->addWidget(field);
                }
            }
            l->addStretch();
            frame->setLayout(l);
            keepRoomWhenHidden(frame);
            frames->addWidget(frame, 0, 0);
            u.frmPeriode[wi] = frame;
        }
        auto* l = column(0);
        l->addLayout(tabs);
        l->addLayout(frames);
        timeWindows->setLayout(l);
    }
    // ---- end daily time windows

    // Parameters: tick interval, longest period, priority, folder.
    u.frmParametre = named<QGroupBox>("FrmParametre");
    u.txtInterval = named<QLineEdit>("TxtInterval");
    u.txtInterval->setMaxLength(5);
    u.txtInterval->setMaximumWidth(
        u.txtInterval->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    u.txtTpsMax = named<QLineEdit>("TxtTpsMax");
    u.txtTpsMax->setMaximumWidth(u.txtInterval->maximumWidth());
    u.comboPriorite = named<QComboBox>("ComboPriorite");
    u.comboPriorite->addItems(OptionsState::kPriorities);
    u.lblDossier = named<ElidedLabel>("LblDossier");
    {
        auto* form = new QFormLayout;
        form->setContentsMargins(8, 4, 8, 4);
        form->setVerticalSpacing(4);
        auto* intervalRow = row(12);
        intervalRow->addWidget(u.txtInterval);
        auto* lblTpsMax = named<QLabel>("LblTpsMax", QStringLiteral("Période max (s) :"));
        lblTpsMax->setBuddy(u.txtTpsMax);
        intervalRow->addWidget(lblTpsMax);
        intervalRow->addWidget(u.txtTpsMax);
        intervalRow->addStretch();
        auto* lblInterval = named<QLabel>("LblInterval", QStringLiteral("Intervalle (ms) :"));
        lblInterval->setBuddy(u.txtInterval);
        form->addRow(lblInterval, intervalRow);
        auto* prioriteRow = row();
        prioriteRow->addWidget(u.comboPriorite);
        // ---- start-up: several copies, version
        // Our wording: the check box of the original program had no caption we know of.
        u.chkInstance =
            named<QCheckBox>("ChkInstance", QStringLiteral("Autoriser plusieurs instances"));
        u.chkInstance->setToolTip(QStringLiteral(
            "Plusieurs copies d'Ondrix peuvent tourner en même temps sur ce dossier"));
        u.lblVersion = named<QLabel>("LblVersion");
        prioriteRow->addSpacing(12);
        prioriteRow->addWidget(u.chkInstance);
        prioriteRow->addStretch();
        prioriteRow->addWidget(u.lblVersion);
        // ---- end start-up
        form->addRow(prioriteRow);
        // ---- daily time windows
        form->addRow(timeWindows);
        // ---- end daily time windows
        form->addRow(u.lblDossier);
        u.frmParametre->setLayout(form);
    }

    // Filled by later features.
    u.frmAudio = named<QGroupBox>("FrmAudio");
    u.frmDTMF = named<QGroupBox>("FrmDTMF");
    // Keyed or not, in sight while the operator sends tones by hand. The text
    // takes the indicator's colour; the dark ground keeps green and red legible.
    u.lblDTMFPTT = named<QLabel>("lblDTMFPTT", QStringLiteral("PTT"));
    {
        QFont f = u.lblDTMFPTT->font();
        f.setBold(true);
        u.lblDTMFPTT->setFont(f);
        u.lblDTMFPTT->setAutoFillBackground(true);
        u.lblDTMFPTT->setContentsMargins(6, 1, 6, 1);
        QPalette pal = u.lblDTMFPTT->palette();
        pal.setColor(QPalette::Window, toQColor(kTabUnselected));
        u.lblDTMFPTT->setPalette(pal);
        auto* pttRow = row();
        pttRow->addStretch();
        pttRow->addWidget(u.lblDTMFPTT);
        auto* l = column();
        l->setContentsMargins(8, 4, 8, 4);
        l->addLayout(pttRow);
        l->addStretch();
        u.frmDTMF->setLayout(l);
    }
    // Operator details: four labelled fields, and the QTH's spelling in a
    // wide field beside the QTH.
    u.frmInfosOM = named<QGroupBox>("FrmInfosOM");
    {
        static constexpr std::array<const char*, Params::kOmCount> kFieldNames{
            "ParamOM0", "ParamOM1", "ParamOM2", "ParamOM3", "ParamOM4"};
        static constexpr std::array<const char*, Params::kOmCount> kLabelNames{
            "LblParamOM0", "LblParamOM1", "LblParamOM2", "LblParamOM3", nullptr};
        auto* l = new QGridLayout;
        l->setContentsMargins(8, 6, 8, 4);
        l->setHorizontalSpacing(6);
        l->setVerticalSpacing(4);
        l->addWidget(named<QLabel>("LblInfosOM",
                                   QStringLiteral("Entrez ici les informations vous concernant :")),
                     0, 0, 1, 3);
        const int fieldWidth =
            u.frmInfosOM->fontMetrics().horizontalAdvance(QStringLiteral("Indicatif Ondrix____"));
        for (int i = 0; i < Params::kOmCount; ++i) {
            const auto k = static_cast<size_t>(i);
            QLineEdit* field = named<QLineEdit>(kFieldNames[k]);
            field->installEventFilter(this);
            u.paramOM[k] = field;
            if (!kLabelNames[k]) {
                // The spelling is built from the QTH as it is typed.
                field->setReadOnly(true);
                field->setToolTip(QStringLiteral("Le QTH épelé, lu à la place de [QTH]"));
                l->addWidget(field, 1 + OperatorInfo::kQth, 2);
                continue;
            }
            field->setFixedWidth(fieldWidth);
            auto* label = named<QLabel>(kLabelNames[k], OperatorInfo::kLabels[i]);
            label->setBuddy(field);
            l->addWidget(label, 1 + i, 0);
            l->addWidget(field, 1 + i, 1);
        }
        l->setColumnStretch(2, 1);
        l->setRowStretch(Params::kOmCount, 1);
        u.frmInfosOM->setLayout(l);
    }

    u.pages = named<QStackedWidget>("Pages");
    for (QWidget* page : std::initializer_list<QWidget*>{u.frmGeneral, u.frmParametre, u.frmAudio,
                                                         u.frmDTMF, u.frmInfosOM})
        u.pages->addWidget(page);

    auto* bottom = column(0);
    bottom->addLayout(pageTabs);
    bottom->addWidget(u.pages, 1);

    // ---- whole window
    auto* body = column(8);
    body->setContentsMargins(8, 6, 8, 8);
    body->addLayout(top);
    body->addLayout(bottom, 1);

    auto* main = column(0);
    main->setContentsMargins(1, 1, 1, 1); // room for the border painted around the window
    main->addWidget(u.titleBar);
    main->addLayout(body, 1);
    setLayout(main);

    u.inputs = {u.btPlay,      u.tabS11,          u.tabS12,        u.comboFichierRecent,
                u.cmdOuvrir,   u.sliderLireTemps, u.sliderVolWMP,  u.sliderVolVoix,
                u.chkMute,     u.optPortCom,      u.optVox,        u.comboModeCOMPTT,
                u.portComList, u.imgActualiser,   u.cmdTest,       u.pttLock,
                u.chkCOR,      u.comboModeCOMCOR, u.imgChercheCom, u.chkRec,
                u.txtInterval, u.txtTpsMax,       u.comboPriorite};
    for (ClickableLabel* tab : u.pageTabs)
        u.inputs.push_back(tab);
    for (QObject* input : std::initializer_list<QObject*>{
             u.txtSynthese, u.label6, u.lblNomVoix, u.command1, u.listVoix, u.comboOndrixTexte,
             u.cmdAjoutOndrix, u.label21, u.sliderVoixSpeed, u.chkLireMeteo, u.cmdResoudreProb,
             u.cmdProbOK})
        u.inputs.push_back(input);
    for (QLineEdit* field : u.paramOM)
        u.inputs.push_back(field);
    // ---- daily time windows
    for (QObject* input : u.tabS3)
        u.inputs.push_back(input);
    for (QObject* input : u.chkDecl)
        u.inputs.push_back(input);
    for (QObject* input : u.timeFields)
        u.inputs.push_back(input);
    // ---- end daily time windows

    // ---- start-up: the loading panel, over everything (made last, so on top)
    u.inputs.push_back(u.chkInstance);
    u.frmChargement = named<QFrame>("FrmChargement", this);
    u.frmChargement->setAutoFillBackground(true);
    u.frmChargement->setFrameShape(QFrame::Box);
    u.lblChargeParam = named<QLabel>("LblChargeParam");
    u.lblChargeParam->setAlignment(Qt::AlignCenter);
    {
        QFont f = u.lblChargeParam->font();
        f.setBold(true);
        u.lblChargeParam->setFont(f);
    }
    u.progressBar2 = named<QProgressBar>("ProgressBar2");
    u.progressBar2->setTextVisible(false);
    u.progressBar2->setMaximumHeight(14);
    {
        auto* l = column(10);
        l->setContentsMargins(60, 0, 60, 0);
        l->addStretch();
        l->addWidget(u.lblChargeParam);
        l->addWidget(u.progressBar2);
        l->addStretch();
        u.frmChargement->setLayout(l);
    }
    u.frmChargement->setGeometry(rect());
    u.frmChargement->hide();
    // ---- end start-up
}

void MainWindow::connectEvents() {
    Ui& u = *ui;
    MainPresenter& p = presenter_;
    connect(&p, &MainPresenter::changed, this, [this](Features changed) { render(changed); });
    // Connected in the window's context: the connections end with the window.

    connect(u.imgClose, &QToolButton::clicked, this, &QWidget::close);
    // ---- start-up: several copies
    connect(u.chkInstance, &QCheckBox::clicked, this,
            [&p](bool checked) { p.execute(cmd::ChkInstance_Click{checked}); });
    // ---- end start-up
    connect(u.btPlay, &QToolButton::clicked, this, [&p] { p.execute(cmd::BTPlay_Click{}); });
    connect(u.tabS11, &ClickableLabel::clicked, this, [&p] { p.execute(cmd::TabS11_Click{}); });
    connect(u.tabS12, &ClickableLabel::clicked, this, [&p] { p.execute(cmd::TabS12_Click{}); });
    connect(u.cmdOuvrir, &QPushButton::clicked, this, [&p] { p.execute(cmd::CMDOuvrir_Click{}); });
    connect(u.comboFichierRecent, &QComboBox::activated, this,
            [&p](int index) { p.execute(cmd::ComboFichierRecent_Change{index}); });
    connect(u.sliderLireTemps, &QSlider::valueChanged, this,
            [&p](int value) { p.execute(cmd::SliderLireTemps_Change{value}); });
    connect(u.sliderVolWMP, &QSlider::valueChanged, this,
            [&p](int value) { p.execute(cmd::SliderVolWMP_Change{value}); });
    connect(u.chkMute, &QCheckBox::clicked, this,
            [&p](bool checked) { p.execute(cmd::CHKMute_Click{checked}); });
    connect(u.optPortCom, &QRadioButton::clicked, this,
            [&p] { p.execute(cmd::OptPORTCOM_Click{}); });
    connect(u.optVox, &QRadioButton::clicked, this, [&p] { p.execute(cmd::OptVOX_Click{}); });
    connect(u.comboModeCOMPTT, &QComboBox::activated, this,
            [&p](int index) { p.execute(cmd::ComboModeCOMPTT_Change{index}); });
    connect(u.portComList, &QComboBox::activated, this, [&p, combo = u.portComList](int index) {
        p.execute(cmd::PortComList_Change{combo->itemText(index)});
    });
    connect(u.imgActualiser, &ImageButton::clicked, this,
            [&p] { p.execute(cmd::IMGActualiser_Click{}); });
    // The transmitter is keyed for as long as the button is held.
    connect(u.cmdTest, &QPushButton::pressed, this, [&p] { p.execute(cmd::CMDTest_MouseDown{}); });
    connect(u.cmdTest, &QPushButton::released, this, [&p] { p.execute(cmd::CMDTest_MouseUp{}); });
    connect(u.pttLock, &ImageButton::clicked, this, [&p] { p.execute(cmd::PTTLock_Click{}); });
    connect(u.chkCOR, &QCheckBox::clicked, this,
            [&p](bool checked) { p.execute(cmd::ChkCOR_Click{checked}); });
    connect(u.comboModeCOMCOR, &QComboBox::activated, this,
            [&p](int index) { p.execute(cmd::ComboModeCOMCOR_Change{index}); });
    connect(u.imgChercheCom, &ImageButton::clicked, this,
            [&p] { p.execute(cmd::ImgChercheCom_Click{}); });
    connect(u.chkRec, &QCheckBox::clicked, this,
            [&p](bool checked) { p.execute(cmd::chkRec_Click{checked}); });
    connect(u.txtInterval, &QLineEdit::textEdited, this,
            [&p](const QString& text) { p.execute(cmd::TxtInterval_Change{text}); });
    connect(u.txtInterval, &QLineEdit::returnPressed, this, [&p] {
        constexpr int kEnter = 13;
        p.execute(cmd::TxtInterval_KeyDown{kEnter});
    });
    connect(u.txtTpsMax, &QLineEdit::textEdited, this,
            [&p](const QString& text) { p.execute(cmd::TxtTpsMax_Change{text}); });
    connect(u.comboPriorite, &QComboBox::activated, this,
            [&p](int index) { p.execute(cmd::ComboPriorite_Change{index}); });
    for (size_t i = 0; i < u.pageTabs.size(); ++i)
        connect(u.pageTabs[i], &ClickableLabel::clicked, this,
                [&p, i] { p.execute(cmd::PageTab_Click{static_cast<int>(i)}); });

    // Speech frame.
    MessageEdit* message = u.txtSynthese;
    connect(message, &QPlainTextEdit::textChanged, this,
            [&p, message] { p.execute(cmd::TxtSynthese_Change{message->toPlainText()}); });
    connect(message, &MessageEdit::clickedAt, this,
            [&p](int caret) { p.execute(cmd::TxtSynthese_Click{caret}); });
    connect(message, &MessageEdit::doubleClicked, this, [&p](int start, int length) {
        p.execute(cmd::TxtSynthese_DblClick{start, length});
    });
    connect(message, &MessageEdit::enterPressed, this, [&p](int start, int length) {
        p.execute(cmd::TxtSynthese_Enter{start, length});
    });
    connect(message, &MessageEdit::selectAllPressed, this,
            [&p] { p.execute(cmd::TxtSynthese_SelectAll{}); });
    connect(message, &MessageEdit::caretMoved, this,
            [&p](int caret) { p.execute(cmd::TxtSynthese_CaretMoved{caret}); });
    connect(u.comboOndrixTexte, &QComboBox::activated, this,
            [&p](int index) { p.execute(cmd::ComboOndrixTexte_Change{index}); });
    connect(u.cmdAjoutOndrix, &QPushButton::clicked, this, [&p, message] {
        p.execute(cmd::CmdAjoutOndrix_Click{message->selectionStart(), message->selectionLength()});
    });
    connect(u.chkLireMeteo, &QCheckBox::clicked, this,
            [&p](bool checked) { p.execute(cmd::ChkLireMeteo_Click{checked}); });
    connect(u.listVoix, &QListWidget::currentRowChanged, this,
            [&p](int row) { p.execute(cmd::ListVoix_Click{row}); });
    connect(u.listVoix, &QListWidget::itemDoubleClicked, this,
            [&p] { p.execute(cmd::ListVoix_DblClick{}); });
    connect(u.lblNomVoix, &CaptionLabel::clicked, this,
            [&p] { p.execute(cmd::LblNomVoix_Click{}); });
    connect(u.label6, &CaptionLabel::clicked, this, [&p] { p.execute(cmd::LblNomVoix_Click{}); });
    connect(u.label21, &CaptionLabel::clicked, u.sliderVoixSpeed,
            [slider = u.sliderVoixSpeed] { slider->setFocus(Qt::OtherFocusReason); });
    connect(u.command1, &QPushButton::clicked, this, [&p] { p.execute(cmd::ChargerVoix{}); });
    connect(u.sliderVoixSpeed, &QSlider::valueChanged, this,
            [&p](int value) { p.execute(cmd::SliderVoixSpeed_Change{value}); });
    connect(u.sliderVolVoix, &QSlider::valueChanged, this,
            [&p](int value) { p.execute(cmd::SliderVolVoix_Change{value}); });
    connect(u.cmdResoudreProb, &QPushButton::clicked, this,
            [&p] { p.execute(cmd::CmdResoudreProb_Click{}); });
    connect(u.cmdProbOK, &QPushButton::clicked, this, [&p] { p.execute(cmd::CmdProbOK_Click{}); });

    // Operator details. Keys, clicks and focus changes go through eventFilter,
    // ahead of the field.
    for (size_t i = 0; i < u.paramOM.size(); ++i)
        connect(u.paramOM[i], &QLineEdit::textEdited, this, [&p, i](const QString& text) {
            p.execute(cmd::OperatorField_Change{static_cast<int>(i), text});
        });

    // ---- daily time windows. Focus changes of the time fields go through
    // eventFilter.
    for (size_t w = 0; w < u.tabS3.size(); ++w) {
        connect(u.tabS3[w], &ClickableLabel::clicked, this,
                [&p, w] { p.execute(cmd::TabS3_Click{static_cast<int>(w)}); });
        connect(u.chkDecl[w], &QCheckBox::clicked, this, [&p, w](bool checked) {
            p.execute(cmd::ChkDecl_Click{static_cast<int>(w), checked});
        });
    }
    for (size_t i = 0; i < u.timeFields.size(); ++i)
        connect(u.timeFields[i], &QLineEdit::textEdited, this, [&p, i](const QString& text) {
            p.execute(cmd::TimeField_Change{static_cast<int>(i), text});
        });
    // ---- end daily time windows
}

void MainWindow::render() {
    render(Features::all());
}

void MainWindow::render(Features changed) {
    ++renders_;
    for (size_t bit = 0; bit < featureRenders_.size(); ++bit)
        if (changed.has(static_cast<Feature>(1u << bit)))
            ++featureRenders_[bit];
    rendering_ = true;
    const bool focusMessage = renderForm(changed);
    rendering_ = false;
    // Outside the redraw: the focus change reports itself to the presenter.
    if (focusMessage)
        ui->txtSynthese->setFocus(Qt::OtherFocusReason);
    // ---- daily time windows: a filled time field hands the focus on
    if (const int field = std::exchange(ui->pendingTimeFieldFocus, -1); field >= 0)
        ui->timeFields[static_cast<size_t>(field)]->setFocus(Qt::OtherFocusReason);
    // ---- end daily time windows
}

bool MainWindow::renderForm(Features changed) {
    Ui& u = *ui;
    const StationState& f = presenter_.state();

    std::vector<QSignalBlocker> blockers;
    blockers.reserve(u.inputs.size());
    for (QObject* input : u.inputs)
        blockers.emplace_back(input);
    bool focusMessage = false;

    if (changed.has(Feature::Cycle)) {
        // Start/stop.
        const QString image = playImageName(startButtonPicture(f.cycle));
        if (u.btPlay->property("image").toString() != image) {
            u.btPlay->setIcon(playImageIcon(startButtonPicture(f.cycle)));
            u.btPlay->setProperty("image", image);
        }
        u.btPlay->setToolTip(startButtonToolTip(f.cycle));
    }

    if (changed.hasAny({Feature::Cycle, Feature::Speech, Feature::FileMessage})) {
        // Message mode.
        u.tabS11->setBackground(toQColor(tabColour(f.cycle.mode == MessageMode::File)));
        u.tabS12->setBackground(toQColor(tabColour(f.cycle.mode == MessageMode::Speech)));
        u.tabS12->setEnabled(f.speech.tabEnabled);
        u.frmFichier->setVisible(f.cycle.fileFrameVisible);
        u.frmFichier->setEnabled(!f.cycle.running);
        u.frmSynthese->setVisible(f.cycle.speechFrameVisible);
        u.frmSynthese->setEnabled(!f.cycle.running);
        u.frmSynthese2->setVisible(f.cycle.speechProblemFrameVisible);
        renderCombo(u.comboFichierRecent, f.file.recentFiles);
        u.lblDuree->setText(f.file.durationLabel);
    }

    if (changed.has(Feature::Speech)) {
        // Speech frame.
        if (u.txtSynthese->toPlainText() != f.speech.text)
            u.txtSynthese->setPlainText(f.speech.text);
        u.txtSynthese->setEnabled(f.speech.textEnabled);
        if (u.appliedSelectionSeq != f.speech.selectionSeq) {
            u.appliedSelectionSeq = f.speech.selectionSeq;
            u.txtSynthese->selectRange(f.speech.selectionStart, f.speech.selectionLength);
            focusMessage = true;
        }
        setPanelText(u.lblNomVoix, f.speech.voiceNameLabel);
        renderList(u.listVoix, f.speech.voiceList);
        u.voicePanel->setVisible(f.speech.voiceListVisible);
        renderCombo(u.comboOndrixTexte, f.speech.tagList);
        u.tagPanel->setVisible(f.speech.tagListVisible);
        renderSlider(u.sliderVoixSpeed, f.speech.speedSlider);
        setPanelText(u.lblWpM, f.speech.speedLabel);
        u.chkLireMeteo->setChecked(f.speech.readWeather);
    }

    if (changed.has(Feature::Cycle)) {
        // Period.
        renderSlider(u.sliderLireTemps, f.cycle.periodSlider);
        u.label2->setText(f.cycle.periodLabel);
        renderProgress(u.progressBar1, f.cycle.periodBar);
        u.lblTempTimer->setText(f.cycle.timeLeftLabel);
        u.lblTempsFichier->setText(f.cycle.filePositionLabel);
        u.periodBar->setShapes(f.cycle.barTotal, f.cycle.barMessage, f.cycle.barCover);
    }

    if (changed.hasAny({Feature::FileMessage, Feature::Speech})) {
        // Volume: the two sliders share one place; the one in use is shown.
        renderSlider(u.sliderVolWMP, f.file.volumeSlider);
        renderSlider(u.sliderVolVoix, f.speech.volumeSlider);
        const bool voixShown = f.speech.volumeSlider.enabled && !f.file.volumeSlider.enabled;
        u.sliderVolWMP->setVisible(!voixShown);
        u.sliderVolVoix->setVisible(voixShown);
        u.lblVol->setText(f.file.volumeLabel);
        u.chkMute->setChecked(f.file.mute);
    }

    if (changed.has(Feature::Shell)) {
        // Pages.
        for (size_t i = 0; i < u.pageTabs.size(); ++i)
            u.pageTabs[i]->setBackground(
                toQColor(tabColour(f.shell.currentPage == static_cast<int>(i))));
        if (f.shell.currentPage >= 0 && f.shell.currentPage < u.pages->count())
            u.pages->setCurrentIndex(f.shell.currentPage);
    }

    if (changed.hasAny({Feature::RadioLink, Feature::Cycle})) {
        // The keying choice is locked with the serial panel while a cycle runs:
        // turning to VOX in the middle of a sending would leave the line keyed.
        u.optPortCom->setEnabled(!f.cycle.running);
        u.optVox->setEnabled(!f.cycle.running);
        u.optPortCom->setChecked(f.radio.serialKeying);
        u.optVox->setChecked(f.radio.voxKeying());
        u.frmPortCom->setVisible(f.radio.portPanelVisible);
        u.frmPortCom->setEnabled(!f.cycle.running);
        u.frmVox->setVisible(f.radio.voxPanelVisible);
        u.frmPortCherche->setVisible(f.radio.searchPanelVisible);

        renderCombo(u.portComList, f.radio.portList);
        renderCombo(u.comboModeCOMPTT, f.radio.pttLine);
        if (u.cmdTestGreen != f.radio.testHeld) {
            u.cmdTestGreen = f.radio.testHeld;
            if (f.radio.testHeld) {
                QPalette pal = u.cmdTest->palette();
                pal.setColor(QPalette::Button, kCmdTestHeld);
                u.cmdTest->setPalette(pal);
            } else {
                u.cmdTest->setPalette(QPalette()); // back to the window's own colours
            }
        }
        u.cmdTest->setToolTip(f.radio.testToolTip);
        const QString lockImage = padlockImageName(f.radio.pttLocked);
        if (u.pttLock->property("image").toString() != lockImage) {
            u.pttLock->setIcon(padlockIcon(f.radio.pttLocked));
            u.pttLock->setProperty("image", lockImage);
        }
        u.pttLock->setToolTip(pttLockToolTip(f.radio));
        u.shapePTT->setColour(toQColor(indicatorColour(f.radio.keyed)));
        u.chkCOR->setChecked(f.radio.carrierDetectOn);
        renderCombo(u.comboModeCOMCOR, f.radio.carrierLine);
        u.shapeCOR->setColour(toQColor(indicatorColour(f.radio.carrierPresent)));

        setPanelText(u.lblVox, f.radio.voxLabel);
        setPanelText(u.lblPortCherche, f.radio.searchLabel);
        renderProgress(u.pgPortCom, f.radio.searchProgress);
    }

    if (changed.hasAny({Feature::Cycle, Feature::Options})) {
        u.frame3->setEnabled(!f.cycle.running);
        u.chkRec->setChecked(f.options.recordBetweenSendings);

        renderLineEdit(u.txtInterval, f.cycle.tickIntervalText);
        renderLineEdit(u.txtTpsMax, f.cycle.longestPeriodText);
        u.comboPriorite->setCurrentIndex(f.options.priorityIndex);
        u.lblDossier->setText(QStringLiteral("Dossier : ") + f.options.appDirText);
        u.lblDossier->setToolTip(f.options.appDirText);
    }

    if (changed.has(Feature::RadioLink)) {
        if (const QColor ptt = toQColor(indicatorColour(f.radio.keyed));
            u.lblDTMFPTT->palette().color(QPalette::WindowText) != ptt) {
            QPalette pal = u.lblDTMFPTT->palette();
            pal.setColor(QPalette::WindowText, ptt);
            u.lblDTMFPTT->setPalette(pal);
        }
    }

    if (changed.has(Feature::OperatorDetails)) {
        for (size_t i = 0; i < u.paramOM.size(); ++i)
            renderLineEdit(u.paramOM[i], presenter_.params().getOM(static_cast<int>(i)));
    }

    if (changed.has(Feature::TimeWindows)) {
        // ---- daily time windows
        u.lblHorloge->setText(f.windows.clockLabel);
        for (size_t w = 0; w < u.tabS3.size(); ++w) {
            u.tabS3[w]->setBackground(
                toQColor(tabColour(static_cast<int>(w) == f.windows.shownWindow)));
            u.frmPeriode[w]->setVisible(static_cast<int>(w) == f.windows.shownWindow);
            u.chkDecl[w]->setChecked(f.windows.enabled[w]);
        }
        for (size_t i = 0; i < u.timeFields.size(); ++i)
            renderLineEdit(u.timeFields[i], f.windows.fields[i]);
        const auto validField = [](int i) { return i >= 0 && i < TimeWindowsState::kTimeFields; };
        if (u.appliedSelectTimeFieldSeq != f.windows.selectSeq) {
            u.appliedSelectTimeFieldSeq = f.windows.selectSeq;
            if (validField(f.windows.selectField)) {
                QLineEdit* edit = u.timeFields[static_cast<size_t>(f.windows.selectField)];
                edit->selectAll();
                // A click that gave the focus puts the caret where it landed once
                // this is done: the whole text is selected again after it.
                QTimer::singleShot(0, edit, [edit] {
                    if (edit->hasFocus())
                        edit->selectAll();
                });
            }
        }
        if (u.appliedFocusTimeFieldSeq != f.windows.focusSeq) {
            u.appliedFocusTimeFieldSeq = f.windows.focusSeq;
            if (validField(f.windows.focusField))
                u.pendingTimeFieldFocus = f.windows.focusField;
        }
    }

    // ---- end daily time windows

    if (changed.hasAny({Feature::Shell, Feature::Options})) {
        // ---- start-up: caption, loading panel, version, several copies
        setWindowTitle(f.shell.caption);
        u.lblTitre->setText(f.shell.caption);
        if (f.shell.loadingVisible && u.frmChargement->isHidden())
            u.frmChargement->raise();
        u.frmChargement->setVisible(f.shell.loadingVisible);
        u.lblChargeParam->setText(f.shell.loadingCaption);
        renderProgress(u.progressBar2, f.shell.loadingProgress);
        u.lblVersion->setText(f.shell.versionLabel);
        u.chkInstance->setChecked(f.options.allowSeveralCopies);
    }

    // ---- end start-up

    return focusMessage;
}

// ---- start-up: the loading panel covers the whole window
void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ui->frmChargement->setGeometry(rect());
}
// ---- end start-up

// ---------------------------------------------------------------- window moves

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    // The platform moves the window where it can (X11 with a window manager,
    // Wayland); elsewhere it follows the mouse by hand.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void MainWindow::paintEvent(QPaintEvent*) {
    // Without a system frame the window needs its own edge on the desktop.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

namespace {

// A context menu or a switch to another window leaves the focus where it
// was, as far as the operator is concerned.
bool operatorFocusChange(const QEvent* event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

// The character a key types, as the operator fields report it: Backspace and
// Delete as their control codes; nothing for keys that type nothing.
QChar typedChar(const QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Backspace:
        return QChar(8);
    case Qt::Key_Delete:
        return QChar(127);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return {};
    default:
        return key->text().isEmpty() ? QChar() : key->text().at(0);
    }
}

} // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    Ui& u = *ui;
    if (watched == u.sliderLireTemps && event->type() == QEvent::MouseMove)
        presenter_.execute(cmd::SliderLireTemps_MouseMove{});

    // Focus changes while a redraw disables the focused control are reported
    // once the redraw is over.
    const auto report = [this](auto call) {
        if (rendering_)
            QMetaObject::invokeMethod(this, call, Qt::QueuedConnection);
        else
            call();
    };
    MainPresenter* p = &presenter_;
    if (watched == u.txtSynthese) {
        if (event->type() == QEvent::FocusIn && operatorFocusChange(event))
            report([p] { p->execute(cmd::TxtSynthese_GotFocus{}); });
        else if (event->type() == QEvent::FocusOut && operatorFocusChange(event))
            report([p] { p->execute(cmd::TxtSynthese_LostFocus{}); });
        return QWidget::eventFilter(watched, event);
    }

    // ---- daily time windows: the time fields' focus changes
    if (const auto time = std::find(u.timeFields.begin(), u.timeFields.end(), watched);
        time != u.timeFields.end()) {
        const int index = static_cast<int>(time - u.timeFields.begin());
        if (event->type() == QEvent::FocusIn && operatorFocusChange(event))
            report([p, index] { p->execute(cmd::TimeField_GotFocus{index}); });
        else if (event->type() == QEvent::FocusOut && operatorFocusChange(event))
            report([p, index] { p->execute(cmd::TimeField_LostFocus{index}); });
        return QWidget::eventFilter(watched, event);
    }
    // ---- end daily time windows
    const auto field = std::find(u.paramOM.begin(), u.paramOM.end(), watched);
    if (field == u.paramOM.end())
        return QWidget::eventFilter(watched, event);
    const int index = static_cast<int>(field - u.paramOM.begin());
    switch (event->type()) {
    case QEvent::KeyPress:
        // Before the field takes the key: the presenter may empty the QTH first.
        if (const QChar ch = typedChar(static_cast<QKeyEvent*>(event)); !ch.isNull())
            presenter_.execute(cmd::OperatorField_KeyPress{index, ch});
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            presenter_.execute(cmd::OperatorField_Click{index});
        break;
    case QEvent::FocusIn:
        if (operatorFocusChange(event))
            report([p] { p->execute(cmd::TextField_GotFocus{}); });
        break;
    case QEvent::FocusOut:
        if (operatorFocusChange(event))
            report([p] { p->execute(cmd::TextField_LostFocus{}); });
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ondrix
