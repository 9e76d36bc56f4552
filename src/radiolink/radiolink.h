#pragma once

#include "beacon/beacon.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/events.h"
#include "core/params.h"
#include "core/services.h"
#include "core/settingsregistry.h"
#include "radiolink/seriallink.h"
#include "state/cycle.h"
#include "state/options.h"
#include "state/radiolink.h"
#include "state/shell.h"

#include <functional>

namespace ondrix {

// Keying of the transmitter on a serial line (RTS or DTR) or by the radio's
// VOX, the test button and the PTT lock, the choice and search of the serial
// port, and the carrier-detect input.
class RadioLink : public Transmitter {
public:
    struct Services {
        SerialLink& serial;
        Dialogs& dialogs;
        Sleeper& sleeper;
        RecorderWindow& recorder;
        const EventBus& events;
    };
    struct State {
        RadioLinkState& radio;
        const CycleState& cycle;
        ShellState& shell;
        const OptionsState& options;
    };

    RadioLink(State state, Params& params, Beacon& beacon, Services services);

    // Keying.
    SerialResult ActiverPTT();
    SerialResult DesactiverPTT();
    void PTTLock_Click();
    void CMDTest_MouseDown();
    void CMDTest_MouseUp();

    // Keying mode, PTT line, port.
    void OptPORTCOM_Click();
    void OptVOX_Click();
    void ComboModeCOMPTT_Change(int index);
    void PortComList_Change(const QString& text);

    // Port search.
    void ChercherPortsCOM();
    void searchRetryTick() { ChercherPortsCOM(); }
    void IMGActualiser_Click() { ChercherPortsCOM(); }
    void ImgChercheCom_Click();

    // Carrier detect.
    void ChkCOR_Click(bool checked);
    void ComboModeCOMCOR_Change(int index);
    void carrierTick();

    // Around one sending (speech or file), when keying by the serial line:
    // keying retries the port once when it is held; a release that
    // finds the adapter gone runs the cable-unplugged recovery.
    // keyForStart returns false when keying failed with the port held, after
    // the one retry; the caller then skips the rest of its start steps.
    bool keyForStart();
    void releaseAtEnd();
    void cableUnplugged();
    // At shut-down: the lines dropped and the port closed.
    void closePort();

    // Transmitter, for file sendings.
    bool keyForSending() override;
    void releaseAfterSending() override;
    bool keyForSpeech() override { return keyForStart(); }
    bool releaseAfterSpeech() override;

    // The port number the operator chose (0: none yet).
    int chosenPort() const { return chosenPort_; }

    // The radio link's keys of the settings file and how they are applied at
    // start-up (each control writes its own key when changed).
    void declareSettings(SettingsRegistry& registry);

    // Longest search: beyond this many port numbers a search would freeze the
    // window for minutes at a time.
    static constexpr int kMaxPortsSearched = 255;
    static constexpr int kWaitPerPortMs = 150;

    static const QString kMsgCableDebranche;

private:
    // The keyed state, said when it changes.
    void setKeyed(bool keyed);
    void heldPortMessage();
    // Keys; a held port gets one more open (and a message if that fails too),
    // a lost adapter the recovery. Returns what keying gave first.
    SerialResult keyWithRetry();
    // Points the link at the chosen port, closing it first when it is open on
    // another one (the link refuses a new number while open).
    void selectChosenPort();

    RadioLinkState& radio_;
    const CycleState& cycle_;
    ShellState& shell_;
    const OptionsState& options_;
    Params& params_;
    Beacon& beacon_;
    Services s_;
    int chosenPort_ = 0;
    bool recovering_ = false;
};

} // namespace ondrix
