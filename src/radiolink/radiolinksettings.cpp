// The radio link's keys of the settings file: PTT line, keying mode, port,
// carrier detect and the number of ports a search tries.

#include "radiolink/radiolink.h"

namespace ondrix {

void RadioLink::declareSettings(SettingsRegistry& registry) {
    using P = Params;
    auto s = registry.owner(QStringLiteral("radio link"));
    s.param(P::kPTTLine)
        .param(P::kKeying)
        .param(P::kCORLine)
        .param(P::kCOR)
        // Param42 is edited by hand to change how far a search goes.
        .param(P::kPortsToScan, QStringLiteral("32"))
        // Opened by the start-up once everything is applied.
        .param(P::kPort);

    s.apply(LoadStep::Radio, P::kPTTLine, [this](const SettingsApplying& a) {
        a.combo(radio_.pttLine, a.param(P::kPTTLine), "ComboModeCOMPTT",
                [this](int i) { ComboModeCOMPTT_Change(i); });
    });
    s.apply(LoadStep::Radio, P::kCORLine, [this](const SettingsApplying& a) {
        a.combo(radio_.carrierLine, a.param(P::kCORLine), "ComboModeCOMCOR",
                [this](int i) { ComboModeCOMCOR_Change(i); });
    });
    s.apply(LoadStep::Radio, P::kKeying, [this](const SettingsApplying& a) {
        if (a.param(P::kKeying) == QLatin1String("VOX ON")) {
            if (!radio_.voxKeying()) {
                a.react("OptVOX");
                OptVOX_Click();
            }
        } else if (!radio_.serialKeying) {
            a.react("OptPORTCOM");
            OptPORTCOM_Click();
        }
    });
    s.apply(LoadStep::Radio, P::kCOR, [this](const SettingsApplying& a) {
        const bool cor = a.param(P::kCOR) == QLatin1String("COR ON");
        if (cor != radio_.carrierDetectOn) {
            a.react("ChkCOR");
            ChkCOR_Click(cor);
        }
        radio_.carrierLine.enabled = cor;
    });
}

} // namespace ondrix
