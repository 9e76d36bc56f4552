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
constexpr int kPrioriteHaute = 0;
constexpr int kPrioriteNormale = 2;
constexpr int kKeyEnter = 13;
// A tick interval of 0 would spin the event loop without ever counting the
// period down, so the shortest tick applied is 10 ms.
constexpr int kMinInterval = 10;
constexpr int kMaxInterval = 65535;
} // namespace

Beacon::Beacon(State state, Params& params, Services services)
    : cycle_(state.cycle), file_(state.file), speech_(state.speech), options_(state.options),
      shell_(state.shell), radio_(state.radio), params_(params), s_(services) {}

void Beacon::resetShapeCache() {
    cycle_.barCover.left = 0;
    cycle_.barCover.width = kPeriodBarUnits;
}

QString Beacon::remainingText(double seconds) {
    // Rounded once, so 59.6 s reads 1:00 rather than 0:60.
    return minSec(roundEven(std::max(0.0, seconds)));
}

int Beacon::shapeWidthFor(double seconds) const {
    const long long k = intDiv(kPeriodBarUnits, cycle_.periodSlider.value);
    return static_cast<int>(
        std::clamp<long long>(roundEven(seconds * static_cast<double>(k)), 0, kPeriodBarUnits));
}

bool Beacon::setProgressValue(float value) {
    auto& pb = cycle_.periodBar;
    if (value < pb.min || value > pb.max)
        return false; // error 380: invalid property value
    pb.value = value;
    return true;
}

// ---------------------------------------------------------------- start/stop

void Beacon::BTPlay_Click() {
    if (startable()) {
        if (options_.recorderOpen)
            s_.recorder.ECOUTE();
        else if (options_.recordBetweenSendings)
            s_.recorder.show();
    } else if (showsStop()) {
        if (onOperatorStop_)
            onOperatorStop_();
    }
    if (fileTabSelected()) {
        BoutonPLAY();
    } else if (speechTabSelected()) {
        if (radio_.voxKeying())
            say(QStringLiteral("Vox"));
        BoutonPLAYSynth();
    }
}

void Beacon::BoutonPLAY() {
    if (startable()) {
        if (radio_.serialKeying && radio_.pttLine.text.isEmpty()) {
            s_.dialogs.message(kMsgModeCOM);
            return;
        }
        cycle_.fileCycleOn = true;
        s_.player.open(file_.recentFiles.text);
        CMDPLAY();
    } else if (showsStop()) {
        CMDSTOP();
        cycle_.fileCycleOn = false;
        resetShapeCache();
    }
}

void Beacon::BoutonPLAYSynth() {
    if (startable()) {
        sendSpeech();
    } else if (showsStop()) {
        CMDSTOPSynth();
        resetShapeCache();
    }
}

void Beacon::sendSpeech() {
    if (!radio_.pttLine.text.isEmpty())
        CMDPLAYSynth();
    else
        s_.dialogs.message(kMsgModeCOM);
    if (speech_.text == params_.get(Params::kTexte)) {
        const long long k = intDiv(kPeriodBarUnits, cycle_.periodSlider.value);
        cycle_.barMessage.width = static_cast<int>(
            std::clamp<long long>(k * speech_.durationSeconds, 0, kPeriodBarUnits));
    } else {
        speech_.durationSeconds = 0;
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
    fileSounding_ = true;
    s_.events.publish(EventKind::SendingStarted, QStringLiteral("Émission du fichier « ") +
                                                     file_.recentFiles.text + QStringLiteral(" »"));
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
    endFileSending();
}

void Beacon::endFileSending() {
    if (!fileSounding_)
        return;
    fileSounding_ = false;
    s_.events.publish(EventKind::SendingEnded, QString());
}

void Beacon::CMDPLAY() {
    // The cycle is said started before the keying and the sending it begins
    // with, and only once that sending went out.
    const bool wasRunning = cycle_.running;
    if (!wasRunning)
        s_.events.beginHold();
    const Sending sent = sendFile();
    if (!wasRunning) {
        const std::vector<Event> held = s_.events.endHold();
        if (sent == Sending::Sent)
            setRunning(true);
        for (const Event& e : held)
            s_.events.publish(e);
    }
    if (sent == Sending::Refused)
        return;
    if (sent == Sending::BadFile) {
        if (s_.dialogs.message(kMsgFichierInvalide, MsgButtons::OkCancel) == MsgAnswer::Ok)
            CMDOuvrir_Click();
        return;
    }
    cycle_.fileCountdown.enabled = true;
    setProgressValue(0.0f);
}

void Beacon::CMDSTOP() {
    cycle_.fileCountdown.enabled = false;
    s_.player.stop();
    releaseFile();
    endFileSending();
    setRunning(false);
    cycle_.periodBar.value = cycle_.periodBar.min;
}

void Beacon::CMDPLAYSynth() {
    if (speech_.text.isEmpty()) {
        speech_.text = kPromptTexte;
        params_.set(Params::kTexte, kPromptTexte); // the box's change stores its text
        speech_.selectionStart = 0;
        speech_.selectionLength = static_cast<int>(kPromptTexte.size());
        ++speech_.selectionSeq;
        return;
    }
    speech_.spokenText = replaceTags(speech_.text, s_.clock, params_);
    cycle_.speechCountdown.enabled = true;
    setRunning(true);
    if (speech_.readWeather && speech_.weatherText != QLatin1String("Erreur"))
        say(speech_.spokenText + speech_.weatherText);
    else
        say(speech_.spokenText);
    setProgressValue(0.0f);
}

void Beacon::CMDSTOPSynth() {
    cycle_.speechCountdown.enabled = false;
    s_.speaker.stop();
    // The button shows start at once; the engine's end comes later.
    if (cycle_.speaking) {
        cycle_.speaking = false;
        s_.events.publish(EventKind::SendingEnded, QString());
    }
    setRunning(false);
    cycle_.periodBar.value = 0.0f;
}

void Beacon::speechStarted() {
    if (radio_.serialKeying && transmitter_ && !transmitter_->keyForSpeech())
        return;
    cycle_.speaking = true;
    speech_.textEnabled = false;
    speech_.voiceList.enabled = false;
    if (speech_.durationSeconds == 0)
        speech_.durationTimer.enabled = true;
    speech_.speedSlider.enabled = false;
    speech_.volumeSlider.enabled = false;
}

void Beacon::speechFinished() {
    speech_.textEnabled = true;
    speech_.voiceList.enabled = true;
    if (cycle_.speaking) {
        cycle_.speaking = false;
        s_.events.publish(EventKind::SendingEnded, QString());
    }
    // A single reading, with no countdown behind it, ends with its speech.
    if (!cycle_.speechCountdown.enabled && !cycle_.fileCountdown.enabled)
        setRunning(false);
    speech_.durationTimer.enabled = false;
    if (radio_.serialKeying && transmitter_ && !transmitter_->releaseAfterSpeech())
        return;
    speech_.speedSlider.enabled = true;
    // Only the active volume slider comes back: the file mode keeps its own.
    speech_.volumeSlider.enabled = cycle_.mode == MessageMode::Speech;
}

void Beacon::speechDurationTick() {
    ++speech_.durationSeconds;
}

void Beacon::SliderVoixSpeed_Change(int value) {
    auto& sl = speech_.speedSlider;
    sl.value = std::clamp(value, sl.min, sl.max);
    // A speed the engine refuses is still stored and shown; the engine keeps
    // speaking at its previous speed.
    static_cast<void>(s_.speaker.setSpeed(sl.value));
    params_.set(Params::kSpeed, QString::number(sl.value));
    speech_.speedLabel = QString::number(sl.value) + QStringLiteral(" mot(s)/min.");
}

void Beacon::SliderVolVoix_Change(int value) {
    auto& sl = speech_.volumeSlider;
    sl.value = std::clamp(value, sl.min, sl.max);
    const double share = sl.max > 0 ? static_cast<double>(sl.value) / sl.max : 0.0;
    file_.volumeLabel = QStringLiteral("Volume : ") + QString::number(roundEven(share * 100.0)) +
                        QStringLiteral("%");
    params_.set(Params::kVolume, QString::number(sl.value));
    s_.speaker.setVolume(static_cast<int>(roundEven(share * 100.0)));
}

void Beacon::RelireFichier() {
    // Errors are ignored: a file that vanished mid-cycle just stays silent.
    sendFile();
}

// ---------------------------------------------------------------- countdown

void Beacon::fileCountdownTick() {
    countdownTick(true);
}
void Beacon::speechCountdownTick() {
    countdownTick(false);
}

int Beacon::ticksToFullBar(int intervalMs) const {
    // The bar fills by one tick's seconds at each tick, and snaps to full
    // when the next step would pass the end or less than 0.1 s is left.
    const double step = intervalMs / 1000.0;
    const double period = cycle_.periodBar.max;
    const auto byEnd = static_cast<long long>(std::ceil(period / step - 1e-9));
    const auto bySnap = static_cast<long long>(std::floor((period - 0.1) / step)) + 2;
    return static_cast<int>(std::clamp<long long>(std::min(byEnd, bySnap), 1, 1 << 30));
}

qint64 Beacon::msToNextTick() const {
    const int interval = cycle_.fileCountdown.enabled ? cycle_.fileCountdown.interval
                                                      : cycle_.speechCountdown.interval;
    const qint64 elapsed = s_.clock.monotonicMs() - periodStartMs_;
    if (elapsed < 0)
        return interval;
    const qint64 next = (elapsed / interval + 1) * interval;
    return std::max<qint64>(1, next - elapsed);
}

void Beacon::countdownTick(bool fileMode) {
    auto& pb = cycle_.periodBar;
    const int interval = fileMode ? cycle_.fileCountdown.interval : cycle_.speechCountdown.interval;
    const int full = ticksToFullBar(interval);
    const qint64 now = s_.clock.monotonicMs();
    // Ticks since the period began, read from the clock: a late tick counts
    // for every tick it stands for.
    const qint64 ticks = std::max<qint64>(0, (now - periodStartMs_ + interval / 2) / interval);
    // The period is over at the first tick after the bar is full: one tick
    // after it filled, or at once when a shorter period filled it.
    if (ticks > full || (ticks > shownTicks_ && pb.value >= pb.max)) {
        // The next period keeps its place on the grid, unless the loop was
        // held up for a whole period: then it starts now, and nothing is sent
        // twice.
        const qint64 length = static_cast<qint64>(full + 1) * interval;
        periodStartMs_ += std::min<qint64>(ticks, full + 1) * interval;
        if (now - periodStartMs_ >= length)
            periodStartMs_ = now;
        shownTicks_ = 0;
        endOfPeriod(fileMode);
        return;
    }
    shownTicks_ = ticks;
    const double shown = static_cast<double>(ticks) * interval / 1000.0;
    // The bar snaps to full without a new text, unless the tick lands on the
    // end exactly.
    if (ticks == full && std::abs(shown - pb.max) > 1e-6) {
        pb.value = pb.max;
        return;
    }
    pb.value = static_cast<float>(std::min<double>(shown, pb.max));

    const int period = cycle_.periodSlider.value;
    const long long k = intDiv(kPeriodBarUnits, period);
    const long long width = roundEven((static_cast<double>(period) - pb.value) * k);
    cycle_.barCover.width = static_cast<int>(std::clamp<long long>(width, 0, kPeriodBarUnits));
    cycle_.barCover.left = kPeriodBarUnits - cycle_.barCover.width;

    cycle_.filePositionLabel =
        fileMode ? minSec(roundEven(s_.player.position())) : QStringLiteral("0:00");
    cycle_.timeLeftLabel = remainingText(static_cast<double>(pb.max) - pb.value);
}

void Beacon::setRunning(bool on) {
    if (cycle_.running == on)
        return;
    cycle_.running = on;
    if (on) {
        periodStartMs_ = s_.clock.monotonicMs();
        shownTicks_ = 0;
        s_.events.publish(EventKind::CycleStarted, QStringLiteral("Cycle démarré : ") +
                                                       (cycle_.mode == MessageMode::File
                                                            ? QStringLiteral("fichier")
                                                            : QStringLiteral("synthèse vocale")) +
                                                       QStringLiteral(", période ") +
                                                       QString::number(cycle_.periodSlider.value) +
                                                       QStringLiteral(" s"));
    } else {
        s_.events.publish(EventKind::CycleStopped, QStringLiteral("Cycle arrêté"));
    }
}

void Beacon::say(const QString& text) {
    s_.speaker.speak(text);
    s_.events.publish(EventKind::SendingStarted, QStringLiteral("Synthèse vocale : ") + text);
}

void Beacon::endOfPeriod(bool fileMode) {
    if (fileMode) {
        RelireFichier();
    } else {
        if (radio_.voxKeying())
            say(QStringLiteral("Vox"));
        sendSpeech();
    }
    cycle_.periodBar.value = 0.0f;
    resetShapeCache();
}

// ---------------------------------------------------------------- period

void Beacon::SliderLireTemps_Change(int value) {
    auto& sl = cycle_.periodSlider;
    sl.value = std::clamp(value, sl.min, sl.max);
    auto& pb = cycle_.periodBar;
    pb.max = static_cast<float>(sl.value);
    // A period shortened below the time already elapsed ends the current
    // period: the next tick sends the message again.
    if (pb.value > pb.max)
        pb.value = pb.max;
    cycle_.barMessage.width = shapeWidthFor(s_.player.duration());
    if (!cycle_.fileCountdown.enabled)
        pb.value = pb.max;
    cycle_.periodLabel = QString::number(sl.value) + QStringLiteral(" sec.");
    cycle_.timeLeftLabel = remainingText(static_cast<double>(pb.max) - pb.value);
    params_.set(Params::kPeriod, QString::number(sl.value));
}

void Beacon::SliderLireTemps_MouseMove() {
    cycle_.periodSlider.toolTip = QStringLiteral("Max : ") +
                                  QString::number(cycle_.periodSlider.max / 60) +
                                  QStringLiteral(" min.");
}

void Beacon::setPeriodValue(int value) {
    if (value != cycle_.periodSlider.value)
        SliderLireTemps_Change(value);
}

void Beacon::applySliderMax(int max) {
    auto& sl = cycle_.periodSlider;
    sl.max = std::max(max, sl.min);
    if (sl.value > sl.max)
        SliderLireTemps_Change(sl.max);
}

void Beacon::applySliderMin(int min) {
    auto& sl = cycle_.periodSlider;
    sl.min = std::max(1, min);
    // A message longer than the longest period would leave no valid period:
    // the longest period grows to fit it.
    if (sl.max < sl.min)
        sl.max = sl.min;
    if (sl.value < sl.min)
        SliderLireTemps_Change(sl.min);
}

void Beacon::playerDurationKnown() {
    SliderLireTemps_Change(cycle_.periodSlider.value);
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

    auto& combo = file_.recentFiles;
    combo.items.clear();
    for (int i = 0; i < Params::kRecentFiles; ++i)
        if (!params_.get(i).isEmpty())
            combo.items << params_.get(i);
    combo.index = 0;
    combo.text = combo.items.value(0);
    combo.toolTip = combo.text;
    cycle_.startBlocked = combo.text.isEmpty();
    InfosFichier();
}

void Beacon::ComboFichierRecent_Change(int index) {
    auto& combo = file_.recentFiles;
    combo.index = (index >= 0 && index < combo.items.size()) ? index : -1;
    combo.text = combo.items.value(combo.index);
    cycle_.startBlocked = combo.text.isEmpty();
    combo.toolTip = combo.text;
    if (fileTabSelected())
        InfosFichier();
}

void Beacon::InfosFichier() {
    s_.player.open(file_.recentFiles.text);
    const double duration = s_.player.duration();
    file_.durationLabel = QStringLiteral("Durée du fichier : ") + minSec(roundEven(duration));
    applySliderMin(static_cast<int>(roundEven(duration + 5.0)));
    if (params_.get(Params::kPeriod).isEmpty())
        setPeriodValue(cycle_.periodSlider.min);
    cycle_.periodLabel = QString::number(cycle_.periodSlider.value) + QStringLiteral(" sec.");
    s_.player.setVolume(file_.volumeSlider.value);
    cycle_.barMessage.width = shapeWidthFor(duration);
}

// ---------------------------------------------------------------- volume, mute

void Beacon::SliderVolWMP_Change(int value) {
    auto& sl = file_.volumeSlider;
    sl.value = std::clamp(value, sl.min, sl.max);
    s_.player.setVolume(sl.value);
    file_.volumeLabel = QStringLiteral("Volume : ") +
                        QString::number(roundEven((sl.value + 2500) / 2500.0 * 100.0)) +
                        QStringLiteral("%");
    params_.set(Params::kVolume, QString::number(s_.player.volume()));
}

void Beacon::CHKMute_Click(bool checked) {
    file_.mute = checked;
    s_.player.setMute(checked);
    params_.set(Params::kMute, checked ? QStringLiteral("Mute") : QStringLiteral("NoMute"));
}

// ---------------------------------------------------------------- tabs

void Beacon::TabS11_Click() {
    // Switching the message mode under a running cycle would leave that cycle
    // with no stop button: the mode is changed only while idle.
    if (cycle_.mode == MessageMode::File || showsStop())
        return;
    cycle_.mode = MessageMode::File;
    cycle_.speechFrameVisible = false;
    cycle_.speechProblemFrameVisible = false;
    cycle_.fileFrameVisible = true;
    params_.set(Params::kMode, QStringLiteral("1"));
    file_.volumeSlider.enabled = true;
    speech_.volumeSlider.enabled = false;
}

void Beacon::TabS12_Click() {
    if (cycle_.mode == MessageMode::Speech || showsStop())
        return;
    cycle_.mode = MessageMode::Speech;
    if (!speech_.engineFailed) {
        cycle_.speechFrameVisible = true;
        cycle_.speechProblemFrameVisible = false;
        cycle_.fileFrameVisible = false;
        params_.set(Params::kMode, QStringLiteral("2"));
        file_.volumeSlider.enabled = false;
        speech_.volumeSlider.enabled = true;
    } else {
        cycle_.speechFrameVisible = false;
        cycle_.fileFrameVisible = false;
        cycle_.speechProblemFrameVisible = true;
    }
}

// ---------------------------------------------------------------- inputs

void Beacon::TxtInterval_Change(const QString& text) {
    const auto v = toNumber(text);
    if (!v)
        cycle_.tickIntervalText = QStringLiteral("250");
    else if (*v > kMaxInterval)
        cycle_.tickIntervalText = QString::number(kMaxInterval);
    else
        cycle_.tickIntervalText = text;
}

void Beacon::TxtInterval_KeyDown(int keyCode) {
    if (keyCode == kKeyEnter)
        applyInterval();
}

void Beacon::applyInterval() {
    const auto v = toNumber(cycle_.tickIntervalText);
    if (!v)
        return;
    const int interval =
        static_cast<int>(std::clamp<long long>(roundEven(*v), kMinInterval, kMaxInterval));
    cycle_.fileCountdown.interval = interval;
    cycle_.speechCountdown.interval = interval;
}

void Beacon::TxtTpsMax_Change(const QString& text) {
    cycle_.longestPeriodText = isNumeric(text) ? text : QStringLiteral("1800");
}

void Beacon::chkRec_Click(bool checked) {
    options_.recordBetweenSendings = checked;
    if (!options_.recorderOpen)
        s_.recorder.show();
    else
        s_.recorder.ECOUTE();
    if (checked) {
        params_.set(Params::kRec, QStringLiteral("REC ON"));
        ComboPriorite_Change(kPrioriteHaute);
        showPage(shell_, ShellState::kAudioPage);
    } else {
        params_.set(Params::kRec, QStringLiteral("REC OFF"));
        ComboPriorite_Change(kPrioriteNormale);
        showPage(shell_, ShellState::kGeneralPage);
    }
}

void Beacon::ComboPriorite_Change(int index) {
    options_.priorityIndex = index;
    if (index >= 0 && index < OptionsState::kPriorities.size())
        s_.priority.set(index); // a refusal leaves the priority as it was
    params_.set(Params::kPriority, QString::number(index));
}

} // namespace ondrix
