#include "radiolink/radiolink.h"

#include "core/vbtext.h"

#include <algorithm>

namespace ondrix {

const QString RadioLink::kMsgCableDebranche =
    QStringLiteral("Le câble de communication a certainement été débranché.\n"
                   "Merci de vérifier la connection.");

namespace {} // namespace

RadioLink::RadioLink(State state, Params& params, Beacon& beacon, Services services)
    : radio_(state.radio), cycle_(state.cycle), shell_(state.shell), options_(state.options),
      params_(params), beacon_(beacon), s_(services) {}

void RadioLink::setKeyed(bool keyed) {
    if (radio_.keyed == keyed)
        return;
    radio_.keyed = keyed;
    s_.events.publish(keyed ? EventKind::Keyed : EventKind::Released,
                      keyed ? QStringLiteral("PTT activé : émetteur en émission")
                            : QStringLiteral("PTT relâché : émetteur en réception"));
}

void RadioLink::selectChosenPort() {
    if (chosenPort_ <= 0)
        return;
    if (s_.serial.isOpen() && s_.serial.portNumber() != chosenPort_)
        s_.serial.close();
    if (!s_.serial.isOpen())
        s_.serial.setPortNumber(chosenPort_);
}

// ---------------------------------------------------------------- keying

SerialResult RadioLink::ActiverPTT() {
    selectChosenPort();
    if (!s_.serial.isOpen()) {
        if (const SerialResult r = s_.serial.open(); r != SerialResult::Ok)
            return r;
    }
    SerialResult r = SerialResult::Ok;
    if (radio_.pttLine.text == QLatin1String("RTS")) {
        r = s_.serial.setDTR(false);
        if (r == SerialResult::Ok)
            r = s_.serial.setRTS(true);
    } else {
        r = s_.serial.setDTR(true);
        if (r == SerialResult::Ok)
            r = s_.serial.setRTS(false);
    }
    if (r != SerialResult::Ok)
        return r;
    setKeyed(true);
    return SerialResult::Ok;
}

SerialResult RadioLink::DesactiverPTT() {
    if (radio_.pttLocked)
        return SerialResult::Ok; // the lock holds the transmitter keyed
    // A closed port has both lines down already.
    if (s_.serial.isOpen()) {
        SerialResult r = s_.serial.setDTR(false);
        if (r == SerialResult::Ok)
            r = s_.serial.setRTS(false);
        if (r != SerialResult::Ok)
            return r;
    }
    setKeyed(false);
    return SerialResult::Ok;
}

void RadioLink::PTTLock_Click() {
    if (!radio_.pttLocked) {
        radio_.pttLocked = true;
        // A failure leaves the indicator green: it shows what happened.
        static_cast<void>(ActiverPTT());
    } else {
        radio_.pttLocked = false;
        static_cast<void>(DesactiverPTT());
    }
}

void RadioLink::CMDTest_MouseDown() {
    beacon_.CMDSTOP();
    radio_.testToolTip = QStringLiteral("ON");
    radio_.testHeld = true;
    static_cast<void>(ActiverPTT());
}

void RadioLink::CMDTest_MouseUp() {
    radio_.testToolTip = QStringLiteral("OFF");
    radio_.testHeld = false;
    static_cast<void>(DesactiverPTT());
}

SerialResult RadioLink::keyWithRetry() {
    const SerialResult r = ActiverPTT();
    if (r == SerialResult::AlreadyOpen) {
        // Held by another program: one more try at opening it.
        selectChosenPort();
        if (!s_.serial.isOpen() && s_.serial.open() != SerialResult::Ok)
            heldPortMessage();
    } else if (r == SerialResult::StateCannotBeSet) {
        cableUnplugged();
    }
    return r;
}

bool RadioLink::keyForStart() {
    if (!radio_.serialKeying || recovering_)
        return true;
    const SerialResult r = keyWithRetry();
    return r != SerialResult::AlreadyOpen && r != SerialResult::StateCannotBeSet;
}

void RadioLink::releaseAtEnd() {
    releaseAfterSpeech();
}

void RadioLink::heldPortMessage() {
    s_.dialogs.message(QStringLiteral("Le port COM ") + QString::number(chosenPort_) +
                       QStringLiteral(" est utilisé par un autre programme : l'émetteur n'a "
                                      "pas pu être commandé."));
}

void RadioLink::closePort() {
    if (s_.serial.isOpen()) {
        // Dropped by hand first: an adapter whose driver ignores HUPCL would
        // otherwise keep the transmitter keyed after the program is gone.
        // Failures here mean the adapter is gone, and its lines with it.
        static_cast<void>(s_.serial.setRTS(false));
        static_cast<void>(s_.serial.setDTR(false));
        s_.serial.close();
    }
    radio_.pttLocked = false;
    setKeyed(false);
}

void RadioLink::cableUnplugged() {
    if (recovering_)
        return;
    recovering_ = true;
    // The device is gone, and its lines with it.
    setKeyed(false);
    s_.dialogs.message(kMsgCableDebranche);
    ChercherPortsCOM();
    if (cycle_.mode == MessageMode::File)
        beacon_.CMDSTOP();
    else
        beacon_.CMDSTOPSynth();
    recovering_ = false;
}

bool RadioLink::keyForSending() {
    if (recovering_)
        return false;
    if (!radio_.serialKeying)
        return true;
    // A port that cannot be keyed still lets the file play (the indicator stays
    // green); only a lost adapter stops the cycle.
    return keyWithRetry() != SerialResult::StateCannotBeSet;
}

void RadioLink::releaseAfterSending() {
    releaseAtEnd();
}

bool RadioLink::releaseAfterSpeech() {
    if (!radio_.serialKeying || recovering_)
        return true;
    if (DesactiverPTT() == SerialResult::StateCannotBeSet) {
        cableUnplugged();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- mode, line, port

void RadioLink::OptPORTCOM_Click() {
    if (radio_.serialKeying)
        return;
    radio_.serialKeying = true;
    radio_.portPanelVisible = true;
    radio_.voxPanelVisible = false;
    radio_.searchPanelVisible = false;
    params_.set(Params::kKeying, QStringLiteral("COM"));
}

void RadioLink::OptVOX_Click() {
    if (radio_.voxKeying())
        return;
    radio_.serialKeying = false;
    // The radio keys itself from now on: nothing may stay keyed on the line,
    // not even by the lock, whose button is hidden with the serial panel.
    if (s_.serial.isOpen())
        s_.serial.close();
    radio_.pttLocked = false;
    setKeyed(false);
    radio_.voxPanelVisible = true;
    radio_.portPanelVisible = false;
    radio_.searchPanelVisible = false;
    radio_.searchRetryTimer.enabled = false;
    params_.set(Params::kKeying, QStringLiteral("VOX ON"));
}

void RadioLink::ComboModeCOMPTT_Change(int index) {
    auto& combo = radio_.pttLine;
    combo.index = (index >= 0 && index < combo.items.size()) ? index : -1;
    combo.text = combo.items.value(combo.index);
    params_.set(Params::kPTTLine, combo.text);
}

void RadioLink::PortComList_Change(const QString& text) {
    auto& combo = radio_.portList;
    combo.text = text;
    combo.index = static_cast<int>(combo.items.indexOf(text));
    // "COM12" names port 12; the search lists bare numbers.
    const QString digits = text.size() > 3 ? text.mid(3) : text;
    if (const auto v = toNumber(digits)) {
        const long long n = roundEven(*v);
        if (n >= 1 && n <= kMaxPortsSearched) {
            chosenPort_ = static_cast<int>(n);
            if (!s_.serial.isOpen())
                s_.serial.setPortNumber(chosenPort_);
        }
    }
    combo.toolTip =
        !text.isEmpty() && chosenPort_ > 0 ? s_.serial.devicePath(chosenPort_) : QString();
    params_.set(Params::kPort, text);
}

// ---------------------------------------------------------------- port search

void RadioLink::ChercherPortsCOM() {
    auto& list = radio_.portList;
    list.items.clear();
    list.index = -1;
    if (s_.serial.isOpen()) {
        s_.serial.close();
        if (!radio_.pttLocked)
            setKeyed(false);
    }
    if (params_.get(Params::kPortsToScan).isEmpty())
        params_.set(Params::kPortsToScan, QStringLiteral("32"));
    int last = 0;
    if (const auto v = toNumber(params_.get(Params::kPortsToScan))) {
        last = static_cast<int>(std::clamp<long long>(roundEven(*v), 0, kMaxPortsSearched));
        if (last >= 1)
            radio_.searchProgress.max = static_cast<float>(last);
    }
    for (int p = 1; p <= last; ++p) {
        shell_.loadingCaption = QStringLiteral("Détection des ports COM valide...\n") +
                                QString::number(p) + QStringLiteral("/") + QString::number(last);
        s_.serial.setPortNumber(p);
        radio_.searchLabel = QStringLiteral("Analyse du port COM") + QString::number(p) +
                             QStringLiteral("\nen cours...");
        const SerialResult r = s_.serial.isOpen() ? SerialResult::Ok : s_.serial.open();
        if (r == SerialResult::Ok || r == SerialResult::AlreadyOpen)
            list.items << QString::number(p);
        if (r != SerialResult::AlreadyOpen)
            s_.serial.close();
        radio_.searchProgress.value = static_cast<float>(p);
        // The wait lets a real device settle; a number with no device behind
        // it has nothing to wait for.
        if (!s_.serial.devicePath(p).isEmpty())
            s_.sleeper.sleepMs(kWaitPerPortMs);
    }
    PortComList_Change(list.items.value(0));
    if (list.items.isEmpty()) {
        if (radio_.serialKeying) {
            radio_.searchRetryTimer.enabled = true;
            radio_.searchPanelVisible = true;
            radio_.portPanelVisible = false;
        }
    } else {
        radio_.searchRetryTimer.enabled = false;
        radio_.searchPanelVisible = false;
        radio_.portPanelVisible = radio_.serialKeying;
    }
}

void RadioLink::ImgChercheCom_Click() {
    radio_.searchRetryTimer.enabled = false;
    radio_.searchPanelVisible = false;
    radio_.portPanelVisible = true;
}

// ---------------------------------------------------------------- carrier detect

void RadioLink::ChkCOR_Click(bool checked) {
    radio_.carrierDetectOn = checked;
    if (checked) {
        params_.set(Params::kCOR, QStringLiteral("COR ON"));
        radio_.carrierTimer.enabled = true;
        radio_.carrierLine.enabled = true;
    } else {
        params_.set(Params::kCOR, QStringLiteral("COR OFF"));
        radio_.carrierTimer.enabled = false;
        radio_.carrierPresent = false;
        radio_.carrierLine.enabled = false;
    }
}

void RadioLink::ComboModeCOMCOR_Change(int index) {
    auto& combo = radio_.carrierLine;
    combo.index = (index >= 0 && index < combo.items.size()) ? index : -1;
    combo.text = combo.items.value(combo.index);
    params_.set(Params::kCORLine, combo.text);
}

void RadioLink::carrierTick() {
    if (!radio_.carrierDetectOn)
        return;
    // The inputs are only readable on an open port; opening does not key.
    if (!s_.serial.isOpen() && chosenPort_ > 0) {
        selectChosenPort();
        // A port that does not open reads every input as inactive.
        static_cast<void>(s_.serial.open());
    }
    int v = 0;
    switch (radio_.carrierLine.index) {
    case 0:
        v = s_.serial.CTS();
        break;
    case 1:
        v = s_.serial.DSR();
        break;
    case 2:
        v = s_.serial.DCD();
        break;
    case 3:
        v = s_.serial.RI();
        break;
    default:
        break;
    }
    radio_.carrierPresent = v != 0;
    if (options_.recorderOpen)
        s_.recorder.setChkEnr(v != 0);
}

} // namespace ondrix
