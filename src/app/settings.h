#pragma once

#include "app/inifile.h"
#include "app/stationstate.h"
#include "beacon/beacon.h"
#include "core/clock.h"
#include "core/params.h"
#include "core/settingsregistry.h"
#include "message/voices.h"
#include "radiolink/radiolink.h"

#include <functional>
#include <memory>
#include <optional>

namespace ondrix {

class TriggerWindows;

// The settings file "parametres.ini" and the window: reading and applying
// every setting in its fixed order at start-up, copying the window back
// before a write, and the autosave tick. What each key means and how it is
// applied is declared by the feature owning it, in the registry.
class Settings {
public:
    static const QString kFileName;
    static const QString kSectionParams;
    static const QString kSectionOM;
    // Settings the Windows version does not know; it never reads this section.
    static const QString kSectionStation;
    // Ticks of the autosave timer between two autosaves.
    static constexpr int kAutosaveTicks = 600;

    struct Parts {
        Beacon& beacon;
        RadioLink& radio;
        TriggerWindows& windows;
        VoiceCatalogue& voices;
        Sleeper& sleeper;
    };

    Settings(StationState& state, Params& params, Parts parts);

    // Where the file lives; reads nothing yet. Until then there is no file:
    // everything reads empty and a write fails.
    void setAppDir(const QString& dir);
    IniFile& file() { return *file_; }
    // Every key with its owner; a feature declared before LireINI runs is
    // read and written with the rest.
    SettingsRegistry& registry() { return registry_; }

    // Reads the file and applies everything (once, at start-up).
    void LireINI();
    void LireInfosOM();
    // Copies the window into the settings, then writes the whole file. False
    // when it could not be written (the file on disk is then unchanged).
    bool EcrireINI();
    void SauverParam();
    // ParamOM0..4, in memory; EcrireINI writes them with the rest.
    void EcrireInfosOM();
    void autosaveTick();
    // The next autosave comes a whole count of ticks from now.
    void restartAutosave() { autosaveTicks_ = 0; }

    // What the load found, for the start-up to report: a corrupt file was
    // kept aside under this name (empty otherwise).
    QString keptAside() const { return file_->keptAsidePath(); }
    IniFile::LoadStatus loadStatus() const { return status_; }

    // Called with a control's name each time applying a value runs that
    // control's own reaction, in order. For tests and diagnostics.
    std::function<void(const QString&)> onReaction;

private:
    void pause(int ms);
    void advance(float steps);
    // Every Param and every declared [Station] key, from the file loaded.
    void readValues();
    // The program's own options and the keys of the features still to come.
    void declareOwnSettings();

    StationState& state_;
    Params& params_;
    Parts parts_;
    SettingsRegistry registry_;
    std::unique_ptr<IniFile> file_;
    IniFile::LoadStatus status_ = IniFile::LoadStatus::Missing;
    // Ticks of the autosave timer since the last save; not shown, so not part of any
    // panel's state (a count moving every second would redraw for nothing).
    int autosaveTicks_ = 0;
};

} // namespace ondrix
