#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace ondrix {

// Colours are 0x00BBGGRR, the way the settings file stores them.
using Colour = std::uint32_t;
constexpr Colour kTabSelected = 0x808080;
constexpr Colour kTabUnselected = 0x404040;
constexpr Colour kIndicatorOn = 0x0000FF;  // keyed / carrier present: red
constexpr Colour kIndicatorOff = 0x00FF00; // released / free: green

// Image shown by the start/stop button; it *is* the beacon's state.
enum class PlayImage { Play, Stop, PlayDis };

struct TimerState {
    bool enabled = false;
    int interval = 1000; // ms
};

struct ProgressBarState {
    float min = 0.0f;
    float max = 30.0f;
    float value = 0.0f;
};

struct SliderState {
    int min = 0;
    int max = 100;
    int value = 0;
    bool enabled = true;
    QString toolTip;
};

struct ComboState {
    QStringList items;
    int index = -1; // -1: nothing selected
    QString text;
    QString toolTip;
    bool enabled = true;
};

struct ShapeState {
    int left = 0;
    int width = 0;
    Colour backColour = 0;
};

// Width of the period bar in its own units.
constexpr int kPeriodBarUnits = 9375;

// Every fact the main window shows. The presenter owns it; the widgets only
// render it. Initial values are the window's design values.
struct MainForm {
    // Start/stop button.
    PlayImage btPlay = PlayImage::Play;
    QString btPlayToolTip;

    // Message-mode tabs: file (TabS11) and speech (TabS12).
    Colour tabS11Colour = kTabSelected;
    Colour tabS12Colour = kTabUnselected;
    bool frmFichierVisible = true;
    bool frmSyntheseVisible = false;
    bool frmSynthese2Visible = false;

    // Frames locked while a cycle runs.
    bool frmFichierEnabled = true;
    bool frmSyntheseEnabled = true;
    bool frmPortComEnabled = true;
    bool frame3Enabled = true;

    // Page tabs TabS21..TabS25 and their frames.
    static constexpr int kPages = 5;
    std::array<Colour, kPages> pageTabColour{kTabSelected, kTabUnselected, kTabUnselected,
                                             kTabUnselected, kTabUnselected};
    int currentPage = 0; // 0 = "Général"

    // Keying mode and PTT line.
    bool optPortCom = true;
    bool optVox = false;
    ComboState comboModeCOMPTT{
        {QStringLiteral("RTS"), QStringLiteral("DTR")}, 0, QStringLiteral("RTS"), {}, true};

    // Serial port panel, VOX panel and the port-search panel laid over the first.
    bool frmPortComVisible = true;
    bool frmVoxVisible = false;
    bool frmPortChercheVisible = false;
    QString lblVox = QStringLiteral("Activer le mode Vox sur\nvotre transmetteur.");
    ComboState portComList;
    ProgressBarState pgPortCom{0.0f, 32.0f, 0.0f};
    QString lblPortCherche = QStringLiteral("Analyse du port COM\nen cours...");
    TimerState timerCOMValide{false, 500};
    // Caption of the loading panel, also written by the port search.
    QString lblChargeParam = QStringLiteral("Chargement des paramètres...");

    // Keying indicators, test button and PTT lock.
    Colour shapePTTColour = kIndicatorOff;
    Colour lblDTMFPTTColour = kIndicatorOff;
    bool cmdTestDown = false; // shown green while held
    QString cmdTestToolTip;
    bool pttLockFerme = false; // the picture: the closed padlock holds the transmitter keyed
    QString pttLockToolTip = QStringLiteral("Verrouillé le PTT");

    // Carrier detect.
    bool chkCOR = false;
    ComboState comboModeCOMCOR{
        {QStringLiteral("CTS"), QStringLiteral("DSR"), QStringLiteral("DCD"), QStringLiteral("RI")},
        0,
        QStringLiteral("CTS"),
        {},
        false};
    Colour shapeCORColour = kIndicatorOff;
    TimerState timerCOR{false, 250};

    // Countdown timers: file mode (Timer1) and speech mode (Timer2).
    TimerState timer1{false, 1000};
    TimerState timer2{false, 1000};
    QString txtInterval = QStringLiteral("1000");
    QString txtTpsMax = QStringLiteral("1800");

    // Period display.
    ProgressBarState progressBar1;
    SliderState sliderLireTemps{1, 1800, 30, true, {}};
    QString label2 = QStringLiteral("30 sec.");
    QString lblTempTimer = QStringLiteral("0:00");
    QString lblTempsFichier = QStringLiteral("0:00");
    ShapeState shapeTotal{0, kPeriodBarUnits, 0x00C400};
    ShapeState shapeWAV{0, 0, 0x0000C0};
    ShapeState shapeCache{0, kPeriodBarUnits, 0};
    // Colour pickers of the waiting and playing parts of the period bar.
    Colour pictureCouleurAttente = 0x00C400;
    Colour pictureCouleurLecture = 0x0000C0;

    // File choice and player controls.
    ComboState comboFichierRecent;
    QString lblDuree;
    SliderState sliderVolWMP{-2500, 0, 0, true, {}};
    QString lblVol = QStringLiteral("Volume : 100%");
    bool chkMute = false;
    SliderState sliderVolVoix{0, 100, 100, false, {}};

    // Speech message and its working copy with the tags replaced.
    QString txtSynthese;
    bool txtSyntheseEnabled = true;
    // A selection the window applies to the message box when `selectionSeq`
    // changes (the whole text after the prompt, a tag around the caret).
    int txtSyntheseSelStart = 0;
    int txtSyntheseSelLength = 0;
    int txtSyntheseSelectionSeq = 0;
    QString txtSynthese2;
    bool tabS12Enabled = true;

    // Voices, and the tag list sharing their place.
    ComboState listVoix; // one line per voice
    bool listVoixVisible = true;
    QStringList listIDVoix;
    QString lblNomVoix = QStringLiteral("Nom Voix");
    ComboState comboOndrixTexte;
    bool comboOndrixTexteVisible = false; // the insertion button shows with it
    SliderState sliderVoixSpeed{10, 250, 150, true, {}};
    QString lblWpM = QStringLiteral("150 mot(s)/min.");
    TimerState timerTempsVoix{false, 1000};

    // Weather sentence appended to the message.
    bool chkLireMeteo = false;
    QString lblInfosMeteo;

    // Loading panel FrmChargement: caption lblChargeParam and ProgressBar2.
    bool frmChargementVisible = false;
    ProgressBarState progressBar2{0.0f, 100.0f, 0.0f};

    // Window caption ("Ondrix v0.1") and the version label.
    QString caption = QStringLiteral("Ondrix");
    QString lblVersion;
    // Several copies of the program may run at once (ChkInstance).
    bool chkInstance = false;
    // Autosave tick (TimerParam) and its counter.
    TimerState timerParam{true, 1000};
    int compteurParam = 0;

    // Keyboard shortcuts act only while no text field has the focus.
    bool raccourcisActifs = true;

    // Record between transmissions, and process priority.
    bool chkRec = false;
    static inline const QStringList kPriorites{
        QStringLiteral("Priorité Haute"), QStringLiteral("Priorité Sup a la normale"),
        QStringLiteral("Priorité Normale"), QStringLiteral("Priorité Inf. à la normale!")};
    int comboPrioriteIndex = 2;

    // Daily time windows. Check boxes ChkDecl1..3, and the eighteen time fields
    // in settings order: window w (0..2), field f (0..5: start hour, minute,
    // second, end hour, minute, second) at index w * 6 + f, i.e. key
    // Param(48 + index). TextTimeOutHDeb1 is index 0, TextTimeOutSFin3 index 17.
    static constexpr int kWindows = 3;
    static constexpr int kTimeFields = 18;
    std::array<bool, kWindows> chkDecl{false, false, false};
    std::array<QString, kTimeFields> timeFields = [] {
        std::array<QString, kTimeFields> a;
        a.fill(QStringLiteral("00"));
        return a;
    }();
    // Period tabs TabS31..TabS33: which window's fields are shown.
    std::array<Colour, kWindows> tabS3Colour{kTabSelected, kTabUnselected, kTabUnselected};
    int currentTimeWindow = 0;
    // The window moves the focus to time field `focusTimeField` when
    // `focusTimeFieldSeq` changes (a field filled moves on to the next).
    int focusTimeField = -1;
    int focusTimeFieldSeq = 0;
    // Clock label and its one-second tick (TimerTime).
    QString lblHorloge;
    TimerState timerTime{true, 1000};
    // ---- time fields: selection requests
    // The window selects the whole text of time field `selectTimeField` when
    // `selectTimeFieldSeq` changes (a field that takes the focus).
    int selectTimeField = -1;
    int selectTimeFieldSeq = 0;
    // ---- end time fields

    // Where the program keeps its files, shown to the operator.
    QString appDirText;

    // Window flags shared between features.
    bool fichierEnCours = false;
    long dureeVoix = 0;
    bool enregistreurOuvert = false;
    bool erreurSynthese = false;
};

} // namespace ondrix

namespace ondrix {

// Shows one of the start/stop button's three pictures, with its tooltip.
inline void setPlayImage(MainForm& f, PlayImage image) {
    f.btPlay = image;
    f.btPlayToolTip = image == PlayImage::PlayDis
                          ? QStringLiteral("Désactiver le mode de Déclenchement Auto")
                          : QString();
}

// The PTT lock's picture: the closed padlock holds the transmitter keyed.
inline void setPTTLockPicture(MainForm& f, bool ferme) {
    f.pttLockFerme = ferme;
    f.pttLockToolTip =
        ferme ? QStringLiteral("Déverrouillé le PTT") : QStringLiteral("Verrouillé le PTT");
}

// Shows one page of the main window: the tab turns grey, the others dark.
inline void selectPageTab(MainForm& f, int page) {
    if (page < 0 || page >= MainForm::kPages)
        return;
    for (int i = 0; i < MainForm::kPages; ++i)
        f.pageTabColour[static_cast<size_t>(i)] = i == page ? kTabSelected : kTabUnselected;
    f.currentPage = page;
}

} // namespace ondrix
