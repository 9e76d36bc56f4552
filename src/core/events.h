#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace ondrix {

// What happened, as the logic tells it. Every consumer (the window-less log,
// the station's log book, the window) reads the same events; none of them
// learns a state by looking at what the window shows.
enum class EventKind {
    // Start-up, shut-down and other facts worth a line.
    Info,
    CycleStarted,
    CycleStopped,
    // A message went out: a file started playing, a text handed to speech.
    SendingStarted,
    // Its last sample was heard, or it was stopped.
    SendingEnded,
    Keyed,
    Released,
    // A message shown to the operator.
    Message,
    // Something failed (a write, the audio output, the speech engine).
    Error,
};

struct Event {
    EventKind kind = EventKind::Info;
    // The line as the operator reads it, in French, without the time.
    QString text;
};

// The line every log keeps for an event: "yyyy-MM-dd HH:mm:ss text", with the
// line breaks inside the text turned into " / " (one event, one line). No
// final newline. The window-less log and the station's log book both print
// through it, so their lines never differ.
QString eventLine(const QDateTime& when, const QString& text);

// Whether an event is a line of the logs. The end of a sending is not: the
// release of the transmitter, or the next line, says it.
inline bool hasLine(const Event& e) {
    return e.kind != EventKind::SendingEnded && !e.text.isEmpty();
}

// Hands every event to each subscriber, in the order they were published.
// A subscriber may subscribe or unsubscribe others while an event is being
// delivered; the change applies from the next event.
class EventBus {
public:
    using Handler = std::function<void(const Event&)>;

    // Returns an id for unsubscribe().
    int subscribe(Handler handler);
    void unsubscribe(int id);
    void publish(EventKind kind, const QString& text) const;
    void publish(const Event& event) const;

    // Holds what is published until endHold(), which hands it back: a step
    // whose outcome decides what is said first (a cycle is said started only
    // once its first sending went out).
    void beginHold() const { held_.emplace(); }
    std::vector<Event> endHold() const;

private:
    mutable std::optional<std::vector<Event>> held_;
    struct Subscriber {
        int id;
        Handler handler;
    };
    std::vector<Subscriber> subscribers_;
    int nextId_ = 1;
};

} // namespace ondrix
