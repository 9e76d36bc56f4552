#pragma once

#include "state/viewtypes.h"

#include <QStringList>

namespace ondrix {

// The station's options on the "Paramètres" page that belong to no other
// feature: recording between sendings, process priority, several copies,
// where the files are kept, and the autosave tick.
struct OptionsState {
    bool recordBetweenSendings = false;
    static inline const QStringList kPriorities{
        QStringLiteral("Priorité Haute"), QStringLiteral("Priorité Sup a la normale"),
        QStringLiteral("Priorité Normale"), QStringLiteral("Priorité Inf. à la normale!")};
    int priorityIndex = 2;
    bool allowSeveralCopies = false;
    QString appDirText;
    TimerState autosaveTimer{true, 1000};
    // The recorder window is open (it has no feature of its own yet).
    bool recorderOpen = false;

    bool operator==(const OptionsState&) const = default;
};

} // namespace ondrix
