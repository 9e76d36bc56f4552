#include "gui/mainwindow.h"

#include "gui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
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
    std::array<ClickableLabel*, MainForm::kPages> pageTabs{};
    QStackedWidget* pages = nullptr;
    QGroupBox* frmGeneral = nullptr;
    QFrame* frmPortCom = nullptr;
    QRadioButton* optPortCom = nullptr;
    QRadioButton* optVox = nullptr;
    QComboBox* comboModeCOMPTT = nullptr;
    QFrame* frame3 = nullptr;
    QCheckBox* chkRec = nullptr;
    QGroupBox* frmParametre = nullptr;
    QLineEdit* txtInterval = nullptr;
    QLineEdit* txtTpsMax = nullptr;
    QComboBox* comboPriorite = nullptr;
    ElidedLabel* lblDossier = nullptr;
    QGroupBox* frmAudio = nullptr;
    QGroupBox* frmDTMF = nullptr;
    QGroupBox* frmInfosOM = nullptr;

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

int progressUnits(float seconds) {
    return static_cast<int>(std::lround(seconds * 1000.0));
}

} // namespace

MainWindow::MainWindow(MainPresenter& presenter, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), ui(std::make_unique<Ui>()), presenter_(presenter) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Ondrix v0.1"));
    build();
    connectEvents();
    render();
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
    {
        auto* l = column();
        l->setContentsMargins(6, 4, 6, 4);
        auto* placeholder = named<QLabel>("LblSynthese", QStringLiteral("Synthèse vocale"));
        placeholder->setAlignment(Qt::AlignCenter);
        l->addWidget(placeholder);
        u.frmSynthese->setLayout(l);
    }
    u.frmSynthese2 = named<QGroupBox>("FrmSynthese2");

    // The three frames share one place, sized for the largest, so switching
    // the message mode does not move the rest of the window.
    auto* messageFrames = new QGridLayout;
    messageFrames->setContentsMargins(0, 0, 0, 0);
    for (QWidget* frame :
         {static_cast<QWidget*>(u.frmFichier), static_cast<QWidget*>(u.frmSynthese),
          static_cast<QWidget*>(u.frmSynthese2)}) {
        QSizePolicy policy = frame->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        frame->setSizePolicy(policy);
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
    u.sliderVolVoix->setPageStep(250);
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
    static constexpr std::array<const char*, MainForm::kPages> kTabNames{
        "TabS21", "TabS22", "TabS23", "TabS24", "TabS25"};
    const std::array<QString, MainForm::kPages> tabTexts{
        QStringLiteral("Général"), QStringLiteral("Paramètres"), QStringLiteral("Audio"),
        QStringLiteral("DTMF"), QStringLiteral("Informations OM")};
    auto* pageTabs = row(1);
    for (size_t i = 0; i < u.pageTabs.size(); ++i) {
        u.pageTabs[i] = named<ClickableLabel>(kTabNames[i], tabTexts[i]);
        pageTabs->addWidget(u.pageTabs[i]);
    }
    pageTabs->addStretch();

    // General: keying mode and recording.
    u.frmGeneral = named<QGroupBox>("FrmGeneral", QStringLiteral("Options :"));
    u.frmPortCom = named<QFrame>("FrmPortCom");
    u.optPortCom = named<QRadioButton>("OptPORTCOM", QStringLiteral("Port série"));
    u.optVox = named<QRadioButton>("OptVOX", QStringLiteral("Vox"));
    // The form decides which one is set; Qt must not uncheck the other by itself.
    u.optPortCom->setAutoExclusive(false);
    u.optVox->setAutoExclusive(false);
    u.comboModeCOMPTT = named<QComboBox>("ComboModeCOMPTT");
    {
        auto* l = row();
        l->addWidget(u.optPortCom);
        l->addWidget(u.comboModeCOMPTT);
        l->addSpacing(12);
        l->addWidget(u.optVox);
        l->addStretch();
        u.frmPortCom->setLayout(l);
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
        l->addWidget(u.frmPortCom);
        l->addWidget(u.frame3);
        l->addStretch();
        u.frmGeneral->setLayout(l);
    }

    // Parameters: tick interval, longest period, priority, folder.
    u.frmParametre = named<QGroupBox>("FrmParametre");
    u.txtInterval = named<QLineEdit>("TxtInterval");
    u.txtInterval->setMaxLength(5);
    u.txtInterval->setMaximumWidth(
        u.txtInterval->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    u.txtTpsMax = named<QLineEdit>("TxtTpsMax");
    u.txtTpsMax->setMaximumWidth(u.txtInterval->maximumWidth());
    u.comboPriorite = named<QComboBox>("ComboPriorite");
    u.comboPriorite->addItems(MainForm::kPriorites);
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
        prioriteRow->addStretch();
        form->addRow(prioriteRow);
        form->addRow(u.lblDossier);
        u.frmParametre->setLayout(form);
    }

    // Filled by later features.
    u.frmAudio = named<QGroupBox>("FrmAudio");
    u.frmDTMF = named<QGroupBox>("FrmDTMF");
    u.frmInfosOM = named<QGroupBox>("FrmInfosOM");

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

    u.inputs = {u.btPlay,    u.tabS11,          u.tabS12,       u.comboFichierRecent,
                u.cmdOuvrir, u.sliderLireTemps, u.sliderVolWMP, u.sliderVolVoix,
                u.chkMute,   u.optPortCom,      u.optVox,       u.comboModeCOMPTT,
                u.chkRec,    u.txtInterval,     u.txtTpsMax,    u.comboPriorite};
    for (ClickableLabel* tab : u.pageTabs)
        u.inputs.push_back(tab);
}

void MainWindow::connectEvents() {
    Ui& u = *ui;
    MainPresenter& p = presenter_;
    connect(&p, &MainPresenter::changed, this, &MainWindow::render);
    // Connected in the window's context: the connections end with the window.

    connect(u.imgClose, &QToolButton::clicked, this, &QWidget::close);
    connect(u.btPlay, &QToolButton::clicked, this, [&p] { p.BTPlay_Click(); });
    connect(u.tabS11, &ClickableLabel::clicked, this, [&p] { p.TabS11_Click(); });
    connect(u.tabS12, &ClickableLabel::clicked, this, [&p] { p.TabS12_Click(); });
    connect(u.cmdOuvrir, &QPushButton::clicked, this, [&p] { p.CMDOuvrir_Click(); });
    connect(u.comboFichierRecent, &QComboBox::activated, this,
            [&p](int index) { p.ComboFichierRecent_Change(index); });
    connect(u.sliderLireTemps, &QSlider::valueChanged, this,
            [&p](int value) { p.SliderLireTemps_Change(value); });
    connect(u.sliderVolWMP, &QSlider::valueChanged, this,
            [&p](int value) { p.SliderVolWMP_Change(value); });
    connect(u.chkMute, &QCheckBox::clicked, this, [&p](bool checked) { p.CHKMute_Click(checked); });
    connect(u.optPortCom, &QRadioButton::clicked, this, [&p] { p.OptPORTCOM_Click(); });
    connect(u.optVox, &QRadioButton::clicked, this, [&p] { p.OptVOX_Click(); });
    connect(u.comboModeCOMPTT, &QComboBox::activated, this,
            [&p](int index) { p.ComboModeCOMPTT_Change(index); });
    connect(u.chkRec, &QCheckBox::clicked, this, [&p](bool checked) { p.chkRec_Click(checked); });
    connect(u.txtInterval, &QLineEdit::textEdited, this,
            [&p](const QString& text) { p.TxtInterval_Change(text); });
    connect(u.txtInterval, &QLineEdit::returnPressed, this, [&p] {
        constexpr int kEnter = 13;
        p.TxtInterval_KeyDown(kEnter);
    });
    connect(u.txtTpsMax, &QLineEdit::textEdited, this,
            [&p](const QString& text) { p.TxtTpsMax_Change(text); });
    connect(u.comboPriorite, &QComboBox::activated, this,
            [&p](int index) { p.ComboPriorite_Change(index); });
    for (size_t i = 0; i < u.pageTabs.size(); ++i)
        connect(u.pageTabs[i], &ClickableLabel::clicked, this,
                [&p, i] { p.PageTab_Click(static_cast<int>(i)); });
}

void MainWindow::render() {
    Ui& u = *ui;
    const MainForm& f = presenter_.form();

    std::vector<QSignalBlocker> blockers;
    blockers.reserve(u.inputs.size());
    for (QObject* input : u.inputs)
        blockers.emplace_back(input);

    // Start/stop.
    const QString image = playImageName(f.btPlay);
    if (u.btPlay->property("image").toString() != image) {
        u.btPlay->setIcon(playImageIcon(f.btPlay));
        u.btPlay->setProperty("image", image);
    }
    u.btPlay->setToolTip(f.btPlayToolTip);

    // Message mode.
    u.tabS11->setBackground(toQColor(f.tabS11Colour));
    u.tabS12->setBackground(toQColor(f.tabS12Colour));
    u.frmFichier->setVisible(f.frmFichierVisible);
    u.frmFichier->setEnabled(f.frmFichierEnabled);
    u.frmSynthese->setVisible(f.frmSyntheseVisible);
    u.frmSynthese->setEnabled(f.frmSyntheseEnabled);
    u.frmSynthese2->setVisible(f.frmSynthese2Visible);
    renderCombo(u.comboFichierRecent, f.comboFichierRecent);
    u.lblDuree->setText(f.lblDuree);

    // Period.
    renderSlider(u.sliderLireTemps, f.sliderLireTemps);
    u.label2->setText(f.label2);
    const int progressMin = progressUnits(f.progressBar1.min);
    const int progressMax = std::max(progressMin, progressUnits(f.progressBar1.max));
    u.progressBar1->setRange(progressMin, progressMax);
    // QProgressBar ignores a value outside its range; the nearest end is closer to the truth.
    u.progressBar1->setValue(
        std::clamp(progressUnits(f.progressBar1.value), progressMin, progressMax));
    u.lblTempTimer->setText(f.lblTempTimer);
    u.lblTempsFichier->setText(f.lblTempsFichier);
    u.periodBar->setShapes(f.shapeTotal, f.shapeWAV, f.shapeCache);

    // Volume: the two sliders share one place; the one in use is shown.
    renderSlider(u.sliderVolWMP, f.sliderVolWMP);
    renderSlider(u.sliderVolVoix, f.sliderVolVoix);
    const bool voixShown = f.sliderVolVoix.enabled && !f.sliderVolWMP.enabled;
    u.sliderVolWMP->setVisible(!voixShown);
    u.sliderVolVoix->setVisible(voixShown);
    u.lblVol->setText(f.lblVol);
    u.chkMute->setChecked(f.chkMute);

    // Pages.
    for (size_t i = 0; i < u.pageTabs.size(); ++i)
        u.pageTabs[i]->setBackground(toQColor(f.pageTabColour[i]));
    if (f.currentPage >= 0 && f.currentPage < u.pages->count())
        u.pages->setCurrentIndex(f.currentPage);

    u.frmPortCom->setEnabled(f.frmPortComEnabled);
    u.optPortCom->setChecked(f.optPortCom);
    u.optVox->setChecked(f.optVox);
    renderCombo(u.comboModeCOMPTT, f.comboModeCOMPTT);
    u.frame3->setEnabled(f.frame3Enabled);
    u.chkRec->setChecked(f.chkRec);

    renderLineEdit(u.txtInterval, f.txtInterval);
    renderLineEdit(u.txtTpsMax, f.txtTpsMax);
    u.comboPriorite->setCurrentIndex(f.comboPrioriteIndex);
    u.lblDossier->setText(QStringLiteral("Dossier : ") + f.appDirText);
    u.lblDossier->setToolTip(f.appDirText);
}

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

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->sliderLireTemps && event->type() == QEvent::MouseMove)
        presenter_.SliderLireTemps_MouseMove();
    return QWidget::eventFilter(watched, event);
}

} // namespace ondrix
