#pragma once

#include <QString>

namespace ondrix {

enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// Message boxes and the open-file dialog, modal as the operator sees them.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // An empty title means the box has no title of its own.
    virtual MsgAnswer message(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                              const QString& title = QString()) = 0;
    // Filter in the "Label (*.ext)|*.ext|..." form; empty result when cancelled.
    virtual QString openFile(const QString& title, const QString& filter) = 0;
};

} // namespace ondrix
