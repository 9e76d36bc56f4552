#pragma once

#include "core/clock.h"
#include "core/params.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace ondrix {

// Replaces every occurrence of var1 in dans by var2, left to right; the
// search goes on after the inserted text, so a replacement that contains
// var1 is never replaced again. dans is updated and returned.
QString TrouvRemp(QString& dans, const QString& var1, const QString& var2);

// The tags a message may hold, in the order of the tag list.
const QStringList& messageTags();

// The message with its six tags replaced, in the tag list's order, the clock
// read for the time and again for the date.
QString replaceTags(const QString& message, const Clock& clock, const Params& params);

// The whole tag around the caret (caret = characters before it): selection
// start and length, or nothing when the caret is not inside a tag.
std::optional<std::pair<int, int>> TrouverCrochet(const QString& text, int caret);

} // namespace ondrix
