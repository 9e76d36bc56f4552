#include "beacon/triggerwindows.h"

#include "core/vbtext.h"

#include <algorithm>

namespace ondrix {

namespace {
constexpr int kMaxHour = 23;
constexpr int kMaxMinSec = 59;
constexpr int kFieldsPerWindow = 6;

// A field read as a number, so a field still being typed ("7") counts as 07
// rather than sorting as text. An empty field, or one that is not a number,
// counts as 0; a value out of the clock's range is held to it.
int fieldValue(const QString& text, int max) {
    const auto v = toNumber(text);
    if (!v)
        return 0;
    return static_cast<int>(std::clamp<long long>(roundEven(*v), 0, max));
}
} // namespace

TriggerWindows::TriggerWindows(State state, Beacon& beacon, const Clock& clock)
    : windows_(state.windows), cycle_(state.cycle), shell_(state.shell), radio_(state.radio),
      beacon_(beacon), clock_(clock) {}

TriggerWindows::FieldKind TriggerWindows::kindOf(int field) {
    switch (field % 3) {
    case 0:
        return FieldKind::Hour;
    case 1:
        return FieldKind::Minute;
    default:
        return FieldKind::Second;
    }
}

int TriggerWindows::secondsOfDay(int window, bool end) const {
    const auto text = [&](int part) {
        return windows_.fields[static_cast<size_t>(fieldIndex(window, end, part))];
    };
    return fieldValue(text(0), kMaxHour) * 3600 + fieldValue(text(1), kMaxMinSec) * 60 +
           fieldValue(text(2), kMaxMinSec);
}

bool TriggerWindows::isOpen(int window, QTime now) const {
    if (window < 0 || window >= TimeWindowsState::kWindows)
        return false;
    const int start = secondsOfDay(window, false);
    const int end = secondsOfDay(window, true);
    const int t = now.msecsSinceStartOfDay() / 1000;
    if (start == end)
        return false;
    if (start < end)
        return start < t && t < end;
    // The end before the start: the window runs through midnight.
    return t > start || t < end;
}

// ---------------------------------------------------------------- clock tick

void TriggerWindows::showTime() {
    showTime(clock_.now().time());
}

void TriggerWindows::showTime(QTime now) {
    windows_.clockLabel = now.toString(QStringLiteral("HH:mm:ss"));
}

void TriggerWindows::clockTick() {
    const QTime now = clock_.now().time();
    showTime(now);

    bool anyEnabled = false;
    bool anyOpen = false;
    for (int w = 0; w < TimeWindowsState::kWindows; ++w) {
        if (!windows_.enabled[static_cast<size_t>(w)])
            continue;
        anyEnabled = true;
        anyOpen = anyOpen || isOpen(w, now);
    }
    if (!anyEnabled)
        return;

    if (!anyOpen) {
        // Outside every enabled window the beacon stays silent, whoever
        // started it. A speech cycle left counting would speak again as soon
        // as the windows were unchecked, so it is stopped too.
        if (cycle_.speechCountdown.enabled)
            beacon_.CMDSTOPSynth();
        beacon_.CMDSTOP();
        cycle_.startBlocked = false;
        // The cycle is over: the next opening, tomorrow's, starts it again.
        cycle_.fileCycleOn = false;
        return;
    }
    if (!cycle_.fileCycleOn && beacon_.startable())
        startCycle();
}

void TriggerWindows::startCycle() {
    if (cycle_.mode == MessageMode::File) {
        beacon_.BoutonPLAY();
    } else {
        if (radio_.voxKeying())
            beacon_.say(QStringLiteral("Vox"));
        beacon_.BoutonPLAYSynth();
    }
    // Set even when the start was refused, so a refusal is said once and not
    // at every tick of the window.
    cycle_.fileCycleOn = true;
}

void TriggerWindows::operatorStopped() {
    const QTime now = clock_.now().time();
    for (int w = 0; w < TimeWindowsState::kWindows; ++w) {
        auto& enabled = windows_.enabled[static_cast<size_t>(w)];
        if (enabled && isOpen(w, now))
            enabled = false;
    }
}

// ---------------------------------------------------------------- controls

void TriggerWindows::ChkDecl_Click(int window, bool checked) {
    if (window < 0 || window >= TimeWindowsState::kWindows)
        return;
    windows_.enabled[static_cast<size_t>(window)] = checked;
    cycle_.startBlocked = false;
}

void TriggerWindows::TabS3_Click(int window) {
    if (window < 0 || window >= TimeWindowsState::kWindows)
        return;
    windows_.shownWindow = window;
}

// ---------------------------------------------------------------- time fields

void TriggerWindows::moveFocusTo(int field) {
    windows_.focusField = field;
    ++windows_.focusSeq;
}

void TriggerWindows::TimeField_Change(int field, const QString& text) {
    if (!validField(field))
        return;
    QString& value = windows_.fields[static_cast<size_t>(field)];
    value = text;
    const FieldKind kind = kindOf(field);
    if (kind == FieldKind::Second) {
        // Compared as text: "6" to "9" alone, or a letter, sort after "59".
        if (value > QLatin1String("59"))
            value = QStringLiteral("59");
        return;
    }
    const int max = kind == FieldKind::Hour ? kMaxHour : kMaxMinSec;
    const auto v = toNumber(value);
    if (!v || *v > max)
        value = QString::number(max);
    // A field filled hands over to the next one of the same time.
    if (value.size() == 2)
        moveFocusTo(field + 1);
}

void TriggerWindows::TimeField_GotFocus(int field) {
    if (!validField(field))
        return;
    windows_.selectField = field;
    ++windows_.selectSeq;
    shell_.shortcutsActive = false;
}

void TriggerWindows::TimeField_LostFocus(int field) {
    if (!validField(field))
        return;
    QString& value = windows_.fields[static_cast<size_t>(field)];
    if (value.size() == 1)
        value.prepend(QLatin1Char('0'));
    else if (value.isEmpty())
        value = QStringLiteral("00");
    shell_.shortcutsActive = true;
}

static_assert(TriggerWindows::fieldIndex(2, true, 2) == TimeWindowsState::kTimeFields - 1);
static_assert(TimeWindowsState::kTimeFields == TimeWindowsState::kWindows * kFieldsPerWindow);

} // namespace ondrix
