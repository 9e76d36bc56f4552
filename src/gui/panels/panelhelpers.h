#pragma once

#include "state/viewtypes.h"

#include <QIcon>
#include <QString>

#include <utility>

class QComboBox;
class QEvent;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QSlider;
class QVBoxLayout;
class QWidget;

namespace ondrix {

class ImageButton;

// What the panels build and draw their controls with.

// A control carrying its system name as objectName, which is how tests find it.
template <typename W, typename... Args> W* named(const char* name, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QHBoxLayout* row(int spacing = 6);
QVBoxLayout* column(int spacing = 4);
ImageButton* imageButton(const char* name, const QIcon& icon, const QString& toolTip);

// Panels that take turns in one place keep their room when hidden, so the
// page does not change size with them.
void keepRoomWhenHidden(QWidget* w);
// A horizontal slider that asks for no more room than its minimum, so the rows
// holding one keep the window narrow; it still takes any width left over.
void compactSlider(QSlider* slider, int minWidth = 60);

void renderCombo(QComboBox* combo, const ComboState& state);
void renderList(QListWidget* list, const ComboState& state);
void renderSlider(QSlider* slider, const SliderState& state);
// Leaves the text alone when it already matches, so the cursor stays put
// while the operator types.
void renderLineEdit(QLineEdit* edit, const QString& text);
void renderProgress(QProgressBar* bar, const ProgressBarState& state);
// Sets the text of a label inside a panel that may be hidden. Qt does not tell
// the page about size changes inside a hidden panel, so the panel is told
// here; otherwise the page would shift once the panel is first shown.
void setPanelText(QLabel* label, const QString& text);

// A context menu or a switch to another window leaves the focus where it
// was, as far as the operator is concerned.
bool operatorFocusChange(const QEvent* event);

} // namespace ondrix
