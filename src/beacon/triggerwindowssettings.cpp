// The time windows' keys of the settings file: Param16 to Param18 for the
// check boxes, Param48 to Param65 for the eighteen time fields.

#include "beacon/triggerwindows.h"

namespace ondrix {

namespace {
QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

void TriggerWindows::declareSettings(SettingsRegistry& registry, Params& params) {
    using P = Params;
    auto s = registry.owner(QStringLiteral("time windows"));
    s.params(P::kDecl1, TimeWindowsState::kWindows)
        .params(P::kTimes, TimeWindowsState::kTimeFields);

    for (int w = 0; w < TimeWindowsState::kWindows; ++w) {
        s.apply(LoadStep::Style, P::kDecl1 + w, [this, w](const SettingsApplying& a) {
            const QString v = a.param(P::kDecl1 + w);
            if (v.isEmpty())
                return;
            const bool on = v == QLatin1String("1");
            if (on != windows_.enabled[static_cast<size_t>(w)]) {
                a.react("ChkDecl");
                ChkDecl_Click(w, on);
            }
        });
    }
    for (int i = 0; i < TimeWindowsState::kTimeFields; ++i) {
        s.apply(LoadStep::Style, P::kTimes + i, [this, i](const SettingsApplying& a) {
            const QString v = a.param(P::kTimes + i);
            if (v.isEmpty() || v == windows_.fields[static_cast<size_t>(i)])
                return;
            // The window is not shown yet: a field's rule may not move the
            // focus.
            const int focusField = windows_.focusField;
            const int focusSeq = windows_.focusSeq;
            a.react("TextTimeOut");
            TimeField_Change(i, v);
            windows_.focusField = focusField;
            windows_.focusSeq = focusSeq;
        });
    }

    s.saver([this, &params] {
        for (int w = 0; w < TimeWindowsState::kWindows; ++w)
            params.set(P::kDecl1 + w, flag(windows_.enabled[static_cast<size_t>(w)]));
        for (int i = 0; i < TimeWindowsState::kTimeFields; ++i)
            params.set(P::kTimes + i, windows_.fields[static_cast<size_t>(i)]);
    });
}

} // namespace ondrix
