// The voice catalogue's keys of the settings file. Neither is applied by the
// settings' load: the voice is chosen when the voices are listed, and the
// failure mark is read by the start-up before that.

#include "message/voices.h"

namespace ondrix {

void VoiceCatalogue::declareSettings(SettingsRegistry& registry) {
    registry.owner(QStringLiteral("voice catalogue"))
        .param(Params::kVoice)
        .param(Params::kSpeechFailure);
}

} // namespace ondrix
