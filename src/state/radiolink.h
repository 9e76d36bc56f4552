#pragma once

#include "state/viewtypes.h"

namespace ondrix {

// Keying of the transmitter: serial line or VOX, the port and its search, the
// keyed state, the test button and the lock, and carrier detect.
struct RadioLinkState {
    bool serialKeying = true;
    bool voxKeying() const { return !serialKeying; }
    ComboState pttLine{
        {QStringLiteral("RTS"), QStringLiteral("DTR")}, 0, QStringLiteral("RTS"), {}, true};

    bool portPanelVisible = true;
    bool voxPanelVisible = false;
    bool searchPanelVisible = false;
    QString voxLabel = QStringLiteral("Activer le mode Vox sur\nvotre transmetteur.");
    ComboState portList;
    ProgressBarState searchProgress{0.0f, 32.0f, 0.0f};
    QString searchLabel = QStringLiteral("Analyse du port COM\nen cours...");
    TimerState searchRetryTimer{false, 500};

    bool keyed = false;
    bool testHeld = false;
    QString testToolTip;
    // The lock holds the transmitter keyed.
    bool pttLocked = false;

    bool carrierDetectOn = false;
    ComboState carrierLine{
        {QStringLiteral("CTS"), QStringLiteral("DSR"), QStringLiteral("DCD"), QStringLiteral("RI")},
        0,
        QStringLiteral("CTS"),
        {},
        false};
    bool carrierPresent = false;
    TimerState carrierTimer{false, 250};

    bool operator==(const RadioLinkState&) const = default;
};

inline QString pttLockToolTip(const RadioLinkState& r) {
    return r.pttLocked ? QStringLiteral("Déverrouillé le PTT")
                       : QStringLiteral("Verrouillé le PTT");
}

} // namespace ondrix
