// The beacon's keys of the settings file: recent files, volume and mute, the
// period and its bounds, the countdown tick, colours, message mode and text,
// speech speed, recording between sendings and priority.

#include "beacon/beacon.h"

namespace ondrix {

void Beacon::declareSettings(SettingsRegistry& registry) {
    using P = Params;
    auto s = registry.owner(QStringLiteral("beacon"));
    s.params(0, P::kRecentFiles)
        .param(P::kVolume)
        .param(P::kMute)
        .param(P::kTpsMax)
        .param(P::kCouleurAttente)
        .param(P::kCouleurLecture)
        .param(P::kInterval)
        .param(P::kMode)
        .param(P::kTexte)
        .param(P::kPeriod)
        .param(P::kSpeed)
        .param(P::kPriority)
        .param(P::kRec);

    // The list of recent files, in index order; nothing selected yet.
    s.apply(LoadStep::RecentFiles, 0, [this](const SettingsApplying& a) {
        auto& recent = file_.recentFiles;
        recent.items.clear();
        recent.index = -1;
        recent.text.clear();
        for (int i = 0; i < P::kRecentFiles; ++i) {
            if (!a.param(i).isEmpty())
                recent.items << a.param(i);
        }
    });
    s.apply(LoadStep::Radio, 0, [this](const SettingsApplying& a) {
        if (!file_.recentFiles.items.isEmpty()) {
            a.react("ComboFichierRecent");
            ComboFichierRecent_Change(0);
        }
    });
    s.apply(LoadStep::Radio, P::kVolume, [this](const SettingsApplying& a) {
        a.slider(file_.volumeSlider, a.param(P::kVolume), "SliderVolWMP",
                 [this](int v) { SliderVolWMP_Change(v); });
    });
    s.apply(LoadStep::Radio, P::kMute, [this](const SettingsApplying& a) {
        const bool mute = a.param(P::kMute) == QLatin1String("Mute");
        if (mute != file_.mute) {
            a.react("CHKMute");
            CHKMute_Click(mute);
        }
    });
    s.apply(LoadStep::Radio, P::kRec, [this](const SettingsApplying& a) {
        const QString rec = a.param(P::kRec);
        if (rec.isEmpty())
            return;
        const bool on = rec == QLatin1String("REC ON");
        if (on != options_.recordBetweenSendings) {
            a.react("chkRec");
            chkRec_Click(on);
        }
    });

    s.apply(LoadStep::Style, P::kCouleurAttente, [this](const SettingsApplying& a) {
        if (const auto c = SettingsApplying::integer(a.param(P::kCouleurAttente))) {
            cycle_.waitingColour = static_cast<Colour>(*c) & 0xFFFFFFu;
            cycle_.barTotal.backColour = cycle_.waitingColour;
        }
    });
    s.apply(LoadStep::Style, P::kCouleurLecture, [this](const SettingsApplying& a) {
        if (const auto c = SettingsApplying::integer(a.param(P::kCouleurLecture))) {
            cycle_.playingColour = static_cast<Colour>(*c) & 0xFFFFFFu;
            cycle_.barMessage.backColour = cycle_.playingColour;
        }
    });
    // An empty longest period or tick leaves the field on its default
    // ("1800", "1000"), rather than on the "250" ms an emptied tick field
    // would get from its own rule.
    s.apply(LoadStep::Style, P::kTpsMax, [this](const SettingsApplying& a) {
        const QString tpsMax = a.param(P::kTpsMax);
        if (const auto m = SettingsApplying::integer(tpsMax); m && *m >= 1)
            applySliderMax(*m);
        if (!tpsMax.isEmpty() && tpsMax != cycle_.longestPeriodText) {
            a.react("TxtTpsMax");
            TxtTpsMax_Change(tpsMax);
        }
    });
    s.apply(LoadStep::Style, P::kInterval, [this](const SettingsApplying& a) {
        const QString interval = a.param(P::kInterval);
        if (!interval.isEmpty() && interval != cycle_.tickIntervalText) {
            a.react("TxtInterval");
            TxtInterval_Change(interval);
        }
        // The timers tick at what the field shows, also when its own rule has
        // replaced an empty or unreadable value.
        applyInterval();
    });
    // Any text that is not the number 1 selects the speech tab, except one
    // that is no number at all: that one keeps the file tab.
    s.apply(LoadStep::Style, P::kMode, [this](const SettingsApplying& a) {
        const auto mode = SettingsApplying::integer(a.param(P::kMode));
        if (!mode || *mode == 1) {
            if (cycle_.mode != MessageMode::File) {
                a.react("TabS11");
                TabS11_Click();
            }
        } else if (cycle_.mode != MessageMode::Speech) {
            a.react("TabS12");
            TabS12_Click();
        }
    });

    s.apply(LoadStep::Speech, P::kTexte, [this](const SettingsApplying& a) {
        const QString texte = a.param(P::kTexte);
        if (texte != speech_.text) {
            a.react("TxtSynthese");
            speech_.text = texte;
            params_.set(P::kTexte, texte);
        }
    });
    s.apply(LoadStep::Speech, P::kPeriod, [this](const SettingsApplying& a) {
        a.slider(cycle_.periodSlider, a.param(P::kPeriod), "SliderLireTemps",
                 [this](int v) { SliderLireTemps_Change(v); });
    });
    s.apply(LoadStep::Speech, P::kSpeed, [this](const SettingsApplying& a) {
        a.slider(speech_.speedSlider, a.param(P::kSpeed), "SliderVoixSpeed",
                 [this](int v) { SliderVoixSpeed_Change(v); });
    });
    // An index outside the list selects nothing and changes no priority; the
    // value read stays in the settings and is written back.
    s.apply(LoadStep::Speech, P::kPriority, [this](const SettingsApplying& a) {
        if (const auto p = SettingsApplying::integer(a.param(P::kPriority));
            p && *p >= 0 && *p < OptionsState::kPriorities.size() && *p != options_.priorityIndex) {
            a.react("ComboPriorite");
            ComboPriorite_Change(*p);
        }
    });

    s.saver([this] {
        cycle_.barTotal.backColour = cycle_.waitingColour;
        params_.set(P::kCouleurAttente, QString::number(cycle_.waitingColour));
        cycle_.barMessage.backColour = cycle_.playingColour;
        params_.set(P::kCouleurLecture, QString::number(cycle_.playingColour));
        params_.set(P::kTpsMax, cycle_.longestPeriodText);
        if (const auto m = SettingsApplying::integer(cycle_.longestPeriodText); m && *m >= 1)
            applySliderMax(*m);
        params_.set(P::kInterval, cycle_.tickIntervalText);
        applyInterval();
    });
}

} // namespace ondrix
