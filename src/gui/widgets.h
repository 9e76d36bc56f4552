#pragma once

#include "state/cycle.h"

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>

class QKeyEvent;
class QMimeData;
class QMouseEvent;
class QPaintEvent;

namespace ondrix {

// The form keeps colours as 0x00BBGGRR.
inline QColor toQColor(Colour c) {
    return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                  static_cast<int>((c >> 16) & 0xFFu));
}

// The dynamic property value of BTPlay naming the picture it shows.
QString playImageName(StartButtonPicture image);
QIcon playImageIcon(StartButtonPicture image);
QIcon closeIcon();
// The port-search pictures: a circular arrow (search again) and a stop cross.
QIcon refreshIcon();
QIcon stopSearchIcon();
// The PTT lock: the dynamic property value naming the picture, and the picture.
QString padlockImageName(bool closed);
QIcon padlockIcon(bool closed);

// A caption that answers a click: clicked() on a left-button release inside it.
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(const QString& text = {}, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A label that acts as a tab: white text on the colour that says whether it
// is selected; greyed text when disabled.
class ClickableLabel : public CaptionLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);
    void setBackground(const QColor& colour);
};

// The speech message box. The message is one logical line, word-wrapped:
// Enter and Ctrl+A are handed to the owner instead of editing, pasted line
// breaks become ". " as a typed Enter would, and a plain arrow key leaves a
// selection from its caret end. Positions count characters.
class MessageEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MessageEdit(QWidget* parent = nullptr);

    int selectionStart() const;
    int selectionLength() const;
    // Selects `length` characters from `start`, the caret at the end; at the
    // start instead when the last arrow key moved the caret backwards, so the
    // next one leaves the selection.
    void selectRange(int start, int length);
    // Tall enough for this many lines of text.
    void setVisibleLines(int lines);

signals:
    // A left click; `caret` is where it left the caret (the start of a
    // selection dragged with it).
    void clickedAt(int caret);
    void doubleClicked(int selStart, int selLength);
    void enterPressed(int selStart, int selLength);
    void selectAllPressed();
    void caretMoved(int caret);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    bool afterDoubleClick_ = false; // the release that ends a double-click is no click
    bool movedBackwards_ = false;   // set while an arrow key's move is reported
};

// Paints list lines whose fields are separated by tabs ("name\t\tFemme\tFrançais")
// as aligned columns: the trailing columns take fixed widths at the right,
// the first takes the rest and is elided. Runs of tabs count as one.
class ColumnsDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `samples` holds, per trailing column, the texts it must show whole.
    ColumnsDelegate(const QList<QStringList>& samples, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    QList<QStringList> samples_;
};

// A button that is only its picture: no bevel, and a one-line border while
// the mouse holds it down.
class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A round indicator light in one colour (keying, carrier detect).
class IndicatorLight : public QWidget {
    Q_OBJECT
public:
    explicit IndicatorLight(QWidget* parent = nullptr);
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_ = Qt::black;
};

// A one-line label that shrinks with the window, eliding the middle of its
// text (a folder path) instead of widening the window; text() stays whole.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A list of file paths: the shown path is elided in the middle, so the file's
// own name stays readable in a narrow box.
class PathComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit PathComboBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The period bar: ShapeTotal is the whole period, ShapeWAV the part the
// message takes, and ShapeCache covers, in ShapeTotal's colour, the part of
// the period not yet elapsed. Positions are in units of kPeriodBarUnits.
class PeriodBar : public QWidget {
    Q_OBJECT
public:
    explicit PeriodBar(QWidget* parent = nullptr);
    void setShapes(const ShapeState& total, const ShapeState& wav, const ShapeState& cache);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ShapeState total_;
    ShapeState wav_;
    ShapeState cache_;
};

} // namespace ondrix
