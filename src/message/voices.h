#pragma once

#include "core/dialogs.h"
#include "core/params.h"
#include "core/services.h"
#include "core/settingsregistry.h"
#include "message/speechengine.h"
#include "state/cycle.h"
#include "state/filemessage.h"
#include "state/shell.h"
#include "state/speech.h"

#include <functional>

namespace ondrix {

// The installed voices, the choice of one, and what the operator sees when
// the speech engine is missing.
class VoiceCatalogue {
public:
    struct Services {
        SpeechEngine& engine;
        Dialogs& dialogs;
        ProgramControl& program;
    };

    struct State {
        SpeechState& speech;
        CycleState& cycle;
        FileMessageState& file;
        ShellState& shell;
    };
    VoiceCatalogue(State state, Params& params, Services services);

    void ChargerVoix();
    void ListVoix_Click(int index);
    void ListVoix_DblClick();
    void LblNomVoix_Click();
    void setLblNomVoix(const QString& caption);
    void CmdResoudreProb_Click();
    void CmdProbOK_Click();

    // One line of the voice list.
    static QString voiceLine(const QString& name, int gender, int language);
    static QString languageName(int windowsLanguageId);

    // The catalogue's keys of the settings file: the voice, applied once the
    // voices are listed, and the mark of a reported engine failure.
    void declareSettings(SettingsRegistry& registry);

    // Writes the settings file; the settings feature sets it.
    std::function<void()> writeSettings;

    static const QString kMsgErreurChargement;
    static const QString kMsgAucuneVoix;

private:
    SpeechState& speech_;
    CycleState& cycle_;
    FileMessageState& file_;
    ShellState& shell_;
    Params& params_;
    Services s_;
};

} // namespace ondrix
