#pragma once

#include "state/viewtypes.h"

namespace ondrix {

// The window itself: its caption, which page is shown, and the loading panel
// laid over everything during start-up and shut-down.
struct ShellState {
    static constexpr int kPages = 5;
    static constexpr int kGeneralPage = 0;
    static constexpr int kAudioPage = 2;
    int currentPage = kGeneralPage;

    QString caption = QStringLiteral("Ondrix");
    QString versionLabel;

    bool loadingVisible = false;
    ProgressBarState loadingProgress{0.0f, 100.0f, 0.0f};
    // Also written by the port search.
    QString loadingCaption = QStringLiteral("Chargement des paramètres...");

    // Keyboard shortcuts act only while no text field has the focus.
    bool shortcutsActive = true;

    bool operator==(const ShellState&) const = default;
};

// Shows one page of the window; anything out of range changes nothing.
inline void showPage(ShellState& s, int page) {
    if (page >= 0 && page < ShellState::kPages)
        s.currentPage = page;
}

} // namespace ondrix
