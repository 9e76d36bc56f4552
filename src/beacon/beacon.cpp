#include "beacon/beacon.h"

#include "core/vbtext.h"
#include "message/tags.h"

#include <algorithm>
#include <cmath>

namespace ondrix {

const QString Beacon::kMsgModeCOM = QStringLiteral("Sélectionner un mode pour le port COM");
const QString Beacon::kMsgFichierInvalide =
    QStringLiteral("Fichier ou nom de fichier nom vailde\nOuvrez un nouveau fichier");
const QString Beacon::kPromptTexte =
    QStringLiteral("Tapez votre texte ici, puis cliquez sur le bouton 'Lecture'");
const QString Beacon::kOpenFilter =
    QStringLiteral("Fichiers WAV (*.wav)|*.wav|Fichiers MP3 (*.mp3)|*.mp3");

namespace {
constexpr int kPageGeneral = 0;
constexpr int kPageAudio = 2;
constexpr int kPrioriteHaute = 0;
constexpr int kPrioriteNormale = 2;
constexpr int kKeyEnter = 13;
// A tick interval of 0 would spin the event loop without ever counting the
// period down, so the shortest tick applied is 10 ms.
constexpr int kMinInterval = 10;
constexpr int kMaxInterval = 65535;
} // namespace

Beacon::Beacon(MainForm& form, Params& params, Services services)
    : form_(form), params_(params), s_(services) {}

void Beacon::setBTPlay(PlayImage image) {
    setPlayImage(form_, image);
}

void Beacon::resetShapeCache() {
    form_.shapeCache.left = 0;
    form_.shapeCache.width = kPeriodBarUnits;
}

QString Beacon::remainingText(double seconds) {
    // Rounded once, so 59.6 s reads 1:00 rather than 0:60.
    return minSec(roundEven(std::max(0.0, seconds)));
}

int Beacon::shapeWidthFor(double seconds) const {
    const long long k = intDiv(kPeriodBarUnits, form_.sliderLireTemps.value);
    return static_cast<int>(
        std::clamp<long long>(roundEven(seconds * static_cast<double>(k)), 0, kPeriodBarUnits));
}

bool Beacon::setProgressValue(float value) {
    auto& pb = form_.progressBar1;
    if (value < pb.min || value > pb.max)
        return false; // error 380: invalid property value
    pb.value = value;
    return true;
}

void Beacon::lockFrames(bool running) {
    form_.frmPortComEnabled = !running;
    form_.frame3Enabled = !running;
    form_.frmFichierEnabled = !running;
    form_.frmSyntheseEnabled = !running;
}

// ---------------------------------------------------------------- start/stop

void Beacon::BTPlay_Click() {
    if (form_.btPlay == PlayImage::Play) {
        if (form_.enregistreurOuvert)
            s_.recorder.ECOUTE();
        else if (form_.chkRec)
            s_.recorder.show();
    } else if (form_.btPlay == PlayImage::Stop) {
        if (onOperatorStop_)
            onOperatorStop_();
    }
    if (fileTabSelected()) {
        BoutonPLAY();
    } else if (speechTabSelected()) {
        if (form_.optVox)
            s_.speaker.speak(QStringLiteral("Vox"));
        BoutonPLAYSynth();
    }
}

void Beacon::BoutonPLAY() {
    if (form_.btPlay == PlayImage::Play) {
        if (form_.optPortCom && form_.comboModeCOMPTT.text.isEmpty()) {
            s_.dialogs.message(kMsgModeCOM);
            return;
        }
        form_.fichierEnCours = true;
        s_.player.open(form_.comboFichierRecent.text);
        CMDPLAY();
    } else if (form_.btPlay == PlayImage::Stop) {
        CMDSTOP();
        form_.fichierEnCours = false;
        resetShapeCache();
    }
}

void Beacon::BoutonPLAYSynth() {
    if (form_.btPlay == PlayImage::Play) {
        if (!form_.comboModeCOMPTT.text.isEmpty())
            CMDPLAYSynth();
        else
            s_.dialogs.message(kMsgModeCOM);
        if (form_.txtSynthese == params_.get(Params::kTexte)) {
            const long long k = intDiv(kPeriodBarUnits, form_.sliderLireTemps.value);
            form_.shapeWAV.width =
                static_cast<int>(std::clamp<long long>(k * form_.dureeVoix, 0, kPeriodBarUnits));
        } else {
            form_.dureeVoix = 0;
        }
    } else if (form_.btPlay == PlayImage::Stop) {
        CMDSTOPSynth();
        setBTPlay(PlayImage::Play);
        resetShapeCache();
    }
}

Beacon::Sending Beacon::sendFile() {
    // Keyed before the first sample goes out, so nothing of it is lost.
    if (transmitter_ && !fileKeyed_) {
        if (!transmitter_->keyForSending())
            return Sending::Refused;
        fileKeyed_ = true;
    }
    if (s_.player.play() != PlayResult::Started) {
        releaseFile();
        return Sending::BadFile;
    }
    return Sending::Sent;
}

void Beacon::releaseFile() {
    if (!fileKeyed_)
        return;
    fileKeyed_ = false;
    if (transmitter_)
        transmitter_->releaseAfterSending();
}

void Beacon::playerFinished() {
    releaseFile();
}

void Beacon::CMDPLAY() {
    const Sending sent = sendFile();
    if (sent == Sending::Refused)
        return;
    if (sent == Sending::BadFile) {
        if (s_.dialogs.message(kMsgFichierInvalide, MsgButtons::OkCancel) == MsgAnswer::Ok)
            CMDOuvrir_Click();
        return;
    }
    form_.timer1.enabled = true;
    setBTPlay(PlayImage::Stop);
    setProgressValue(0.0f);
    lockFrames(true);
}

void Beacon::CMDSTOP() {
    form_.timer1.enabled = false;
    setBTPlay(PlayImage::Play);
    s_.player.stop();
    releaseFile();
    form_.progressBar1.value = form_.progressBar1.min;
    lockFrames(false);
}

void Beacon::CMDPLAYSynth() {
    if (form_.txtSynthese.isEmpty()) {
        form_.txtSynthese = kPromptTexte;
        params_.set(Params::kTexte, kPromptTexte); // the box's change stores its text
        form_.txtSyntheseSelStart = 0;
        form_.txtSyntheseSelLength = static_cast<int>(kPromptTexte.size());
        ++form_.txtSyntheseSelectionSeq;
        return;
    }
    form_.txtSynthese2 = replaceTags(form_.txtSynthese, s_.clock, params_);
    if (form_.chkLireMeteo && form_.lblInfosMeteo != QLatin1String("Erreur"))
        s_.speaker.speak(form_.txtSynthese2 + form_.lblInfosMeteo);
    else
        s_.speaker.speak(form_.txtSynthese2);
    form_.timer2.enabled = true;
    setBTPlay(PlayImage::Stop);
    setProgressValue(0.0f);
    lockFrames(true);
}

void Beacon::CMDSTOPSynth() {
    form_.timer2.enabled = false;
    setBTPlay(PlayImage::Play);
    s_.speaker.stop();
    form_.progressBar1.value = 0.0f;
    lockFrames(false);
}

void Beacon::speechStarted() {
    if (form_.optPortCom && transmitter_ && !transmitter_->keyForSpeech())
        return;
    setBTPlay(PlayImage::Stop);
    form_.txtSyntheseEnabled = false;
    form_.listVoix.enabled = false;
    if (form_.dureeVoix == 0)
        form_.timerTempsVoix.enabled = true;
    form_.sliderVoixSpeed.enabled = false;
    form_.sliderVolVoix.enabled = false;
}

void Beacon::speechFinished() {
    form_.txtSyntheseEnabled = true;
    form_.listVoix.enabled = true;
    if (!form_.timer2.enabled)
        setBTPlay(PlayImage::Play);
    form_.timerTempsVoix.enabled = false;
    if (form_.optPortCom && transmitter_ && !transmitter_->releaseAfterSpeech())
        return;
    form_.sliderVoixSpeed.enabled = true;
    // Only the active volume slider comes back: the file mode keeps its own.
    form_.sliderVolVoix.enabled = form_.tabS12Colour == kTabSelected;
}

void Beacon::TimerTempsVoix_Timer() {
    ++form_.dureeVoix;
}

void Beacon::SliderVoixSpeed_Change(int value) {
    auto& sl = form_.sliderVoixSpeed;
    sl.value = std::clamp(value, sl.min, sl.max);
    // A speed the engine refuses is still stored and shown; the engine keeps
    // speaking at its previous speed.
    static_cast<void>(s_.speaker.setSpeed(sl.value));
    params_.set(Params::kSpeed, QString::number(sl.value));
    form_.lblWpM = QString::number(sl.value) + QStringLiteral(" mot(s)/min.");
}

void Beacon::SliderVolVoix_Change(int value) {
    auto& sl = form_.sliderVolVoix;
    sl.value = std::clamp(value, sl.min, sl.max);
    const double share = sl.max > 0 ? static_cast<double>(sl.value) / sl.max : 0.0;
    form_.lblVol = QStringLiteral("Volume : ") + QString::number(roundEven(share * 100.0)) +
                   QStringLiteral("%");
    params_.set(Params::kVolume, QString::number(sl.value));
    s_.speaker.setVolume(static_cast<int>(roundEven(share * 100.0)));
}

void Beacon::RelireFichier() {
    // Errors are ignored: a file that vanished mid-cycle just stays silent.
    sendFile();
}

// ---------------------------------------------------------------- countdown

void Beacon::Timer1_Timer() {
    countdownTick(true);
}
void Beacon::Timer2_Timer() {
    countdownTick(false);
}

void Beacon::countdownTick(bool fileMode) {
    auto& pb = form_.progressBar1;
    if (pb.value == pb.max) {
        endOfPeriod(fileMode);
        return;
    }
    if (pb.value > pb.max - 0.1f) {
        pb.value = pb.max;
        return;
    }
    const int interval = fileMode ? form_.timer1.interval : form_.timer2.interval;
    if (!setProgressValue(pb.value + static_cast<float>(interval) / 1000.0f)) {
        pb.value = pb.max; // the last step of a period may be shorter than a tick
        return;
    }

    const int period = form_.sliderLireTemps.value;
    const long long k = intDiv(kPeriodBarUnits, period);
    const long long width = roundEven((static_cast<double>(period) - pb.value) * k);
    form_.shapeCache.width = static_cast<int>(std::clamp<long long>(width, 0, kPeriodBarUnits));
    form_.shapeCache.left = kPeriodBarUnits - form_.shapeCache.width;

    form_.lblTempsFichier =
        fileMode ? minSec(roundEven(s_.player.position())) : QStringLiteral("0:00");
    form_.lblTempTimer = remainingText(static_cast<double>(pb.max) - pb.value);
}

void Beacon::endOfPeriod(bool fileMode) {
    if (fileMode) {
        RelireFichier();
    } else {
        setBTPlay(PlayImage::Play);
        if (form_.optVox)
            s_.speaker.speak(QStringLiteral("Vox"));
        BoutonPLAYSynth();
    }
    form_.progressBar1.value = 0.0f;
    resetShapeCache();
}

// ---------------------------------------------------------------- period

void Beacon::SliderLireTemps_Change(int value) {
    auto& sl = form_.sliderLireTemps;
    sl.value = std::clamp(value, sl.min, sl.max);
    auto& pb = form_.progressBar1;
    pb.max = static_cast<float>(sl.value);
    // A period shortened below the time already elapsed ends the current
    // period: the next tick sends the message again.
    if (pb.value > pb.max)
        pb.value = pb.max;
    form_.shapeWAV.width = shapeWidthFor(s_.player.duration());
    if (!form_.timer1.enabled)
        pb.value = pb.max;
    form_.label2 = QString::number(sl.value) + QStringLiteral(" sec.");
    form_.lblTempTimer = remainingText(static_cast<double>(pb.max) - pb.value);
    params_.set(Params::kPeriod, QString::number(sl.value));
}

void Beacon::SliderLireTemps_MouseMove() {
    form_.sliderLireTemps.toolTip = QStringLiteral("Max : ") +
                                    QString::number(form_.sliderLireTemps.max / 60) +
                                    QStringLiteral(" min.");
}

void Beacon::setPeriodValue(int value) {
    if (value != form_.sliderLireTemps.value)
        SliderLireTemps_Change(value);
}

void Beacon::applySliderMax(int max) {
    auto& sl = form_.sliderLireTemps;
    sl.max = std::max(max, sl.min);
    if (sl.value > sl.max)
        SliderLireTemps_Change(sl.max);
}

void Beacon::applySliderMin(int min) {
    auto& sl = form_.sliderLireTemps;
    sl.min = std::max(1, min);
    // A message longer than the longest period would leave no valid period:
    // the longest period grows to fit it.
    if (sl.max < sl.min)
        sl.max = sl.min;
    if (sl.value < sl.min)
        SliderLireTemps_Change(sl.min);
}

void Beacon::playerDurationKnown() {
    SliderLireTemps_Change(form_.sliderLireTemps.value);
}

// ---------------------------------------------------------------- file choice

void Beacon::CMDOuvrir_Click() {
    CMDSTOP();
    const QString name = s_.dialogs.openFile(QStringLiteral("Ouvrir"), kOpenFilter);
    if (name.isEmpty())
        return;
    lastOpenedName_ = name;
    for (int i = Params::kRecentFiles - 1; i > 0; --i)
        params_.set(i, params_.get(i - 1));
    params_.set(0, name);

    auto& combo = form_.comboFichierRecent;
    combo.items.clear();
    for (int i = 0; i < Params::kRecentFiles; ++i)
        if (!params_.get(i).isEmpty())
            combo.items << params_.get(i);
    combo.index = 0;
    combo.text = combo.items.value(0);
    combo.toolTip = combo.text;
    setBTPlay(combo.text.isEmpty() ? PlayImage::PlayDis : PlayImage::Play);
    InfosFichier();
}

void Beacon::ComboFichierRecent_Change(int index) {
    auto& combo = form_.comboFichierRecent;
    combo.index = (index >= 0 && index < combo.items.size()) ? index : -1;
    combo.text = combo.items.value(combo.index);
    setBTPlay(combo.text.isEmpty() ? PlayImage::PlayDis : PlayImage::Play);
    combo.toolTip = combo.text;
    if (fileTabSelected())
        InfosFichier();
}

void Beacon::InfosFichier() {
    s_.player.open(form_.comboFichierRecent.text);
    const double duration = s_.player.duration();
    form_.lblDuree = QStringLiteral("Durée du fichier : ") + minSec(roundEven(duration));
    applySliderMin(static_cast<int>(roundEven(duration + 5.0)));
    if (params_.get(Params::kPeriod).isEmpty())
        setPeriodValue(form_.sliderLireTemps.min);
    form_.label2 = QString::number(form_.sliderLireTemps.value) + QStringLiteral(" sec.");
    s_.player.setVolume(form_.sliderVolWMP.value);
    form_.shapeWAV.width = shapeWidthFor(duration);
}

// ---------------------------------------------------------------- volume, mute

void Beacon::SliderVolWMP_Change(int value) {
    auto& sl = form_.sliderVolWMP;
    sl.value = std::clamp(value, sl.min, sl.max);
    s_.player.setVolume(sl.value);
    form_.lblVol = QStringLiteral("Volume : ") +
                   QString::number(roundEven((sl.value + 2500) / 2500.0 * 100.0)) +
                   QStringLiteral("%");
    params_.set(Params::kVolume, QString::number(s_.player.volume()));
}

void Beacon::CHKMute_Click(bool checked) {
    form_.chkMute = checked;
    s_.player.setMute(checked);
    params_.set(Params::kMute, checked ? QStringLiteral("Mute") : QStringLiteral("NoMute"));
}

// ---------------------------------------------------------------- tabs

void Beacon::TabS11_Click() {
    // Switching the message mode under a running cycle would leave that cycle
    // with no stop button: the mode is changed only while idle.
    if (form_.tabS11Colour == kTabSelected || form_.btPlay == PlayImage::Stop)
        return;
    form_.tabS11Colour = kTabSelected;
    form_.tabS12Colour = kTabUnselected;
    form_.frmSyntheseVisible = false;
    form_.frmSynthese2Visible = false;
    form_.frmFichierVisible = true;
    params_.set(Params::kMode, QStringLiteral("1"));
    form_.sliderVolWMP.enabled = true;
    form_.sliderVolVoix.enabled = false;
}

void Beacon::TabS12_Click() {
    if (form_.tabS12Colour == kTabSelected || form_.btPlay == PlayImage::Stop)
        return;
    form_.tabS12Colour = kTabSelected;
    form_.tabS11Colour = kTabUnselected;
    if (!form_.erreurSynthese) {
        form_.frmSyntheseVisible = true;
        form_.frmSynthese2Visible = false;
        form_.frmFichierVisible = false;
        params_.set(Params::kMode, QStringLiteral("2"));
        form_.sliderVolWMP.enabled = false;
        form_.sliderVolVoix.enabled = true;
    } else {
        form_.frmSyntheseVisible = false;
        form_.frmFichierVisible = false;
        form_.frmSynthese2Visible = true;
    }
}

// ---------------------------------------------------------------- inputs

void Beacon::TxtInterval_Change(const QString& text) {
    const auto v = toNumber(text);
    if (!v)
        form_.txtInterval = QStringLiteral("250");
    else if (*v > kMaxInterval)
        form_.txtInterval = QString::number(kMaxInterval);
    else
        form_.txtInterval = text;
}

void Beacon::TxtInterval_KeyDown(int keyCode) {
    if (keyCode == kKeyEnter)
        applyInterval();
}

void Beacon::applyInterval() {
    const auto v = toNumber(form_.txtInterval);
    if (!v)
        return;
    const int interval =
        static_cast<int>(std::clamp<long long>(roundEven(*v), kMinInterval, kMaxInterval));
    form_.timer1.interval = interval;
    form_.timer2.interval = interval;
}

void Beacon::TxtTpsMax_Change(const QString& text) {
    form_.txtTpsMax = isNumeric(text) ? text : QStringLiteral("1800");
}

void Beacon::chkRec_Click(bool checked) {
    form_.chkRec = checked;
    if (!form_.enregistreurOuvert)
        s_.recorder.show();
    else
        s_.recorder.ECOUTE();
    if (checked) {
        params_.set(Params::kRec, QStringLiteral("REC ON"));
        ComboPriorite_Change(kPrioriteHaute);
        selectPageTab(form_, kPageAudio);
    } else {
        params_.set(Params::kRec, QStringLiteral("REC OFF"));
        ComboPriorite_Change(kPrioriteNormale);
        selectPageTab(form_, kPageGeneral);
    }
}

void Beacon::ComboPriorite_Change(int index) {
    form_.comboPrioriteIndex = index;
    if (index >= 0 && index < MainForm::kPriorites.size())
        s_.priority.set(index); // a refusal leaves the priority as it was
    params_.set(Params::kPriority, QString::number(index));
}

} // namespace ondrix
