#include "core/events.h"

#include <algorithm>
#include <utility>

namespace ondrix {

QString eventLine(const QDateTime& when, const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    line.replace(QLatin1Char('\n'), QStringLiteral(" / "));
    line.replace(QLatin1Char('\r'), QStringLiteral(" / "));
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + line;
}

int EventBus::subscribe(Handler handler) {
    const int id = nextId_++;
    subscribers_.push_back({id, std::move(handler)});
    return id;
}

void EventBus::unsubscribe(int id) {
    std::erase_if(subscribers_, [id](const Subscriber& s) { return s.id == id; });
}

void EventBus::publish(EventKind kind, const QString& text) const {
    publish(Event{kind, text});
}

std::vector<Event> EventBus::endHold() const {
    std::vector<Event> held = held_ ? std::move(*held_) : std::vector<Event>{};
    held_.reset();
    return held;
}

void EventBus::publish(const Event& event) const {
    if (held_) {
        held_->push_back(event);
        return;
    }
    // A copy: a handler may change the list under us.
    const std::vector<Subscriber> now = subscribers_;
    for (const Subscriber& s : now)
        if (s.handler)
            s.handler(event);
}

} // namespace ondrix
