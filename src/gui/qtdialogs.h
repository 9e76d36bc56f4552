#pragma once

#include "core/dialogs.h"

class QWidget;

namespace ondrix {

// Message boxes and the open dialog as real Qt dialogs, parented to the main
// window so they stay on top of it.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    MsgAnswer message(const QString& text, MsgButtons buttons, const QString& title) override;
    QString openFile(const QString& title, const QString& filter) override;

    // "Label (*.a)|*.a|Label2 (*.b)|*.b" -> "Label (*.a *.A);;Label2 (*.b *.B)"
    static QString toQtFilter(const QString& filter);

private:
    QWidget* parent_ = nullptr;
};

} // namespace ondrix
