#pragma once

#include "core/mainform.h"

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QIcon>
#include <QLabel>

class QMouseEvent;
class QPaintEvent;

namespace ondrix {

// The form keeps colours as 0x00BBGGRR.
inline QColor toQColor(Colour c) {
    return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                  static_cast<int>((c >> 16) & 0xFFu));
}

// The dynamic property value of BTPlay naming the picture it shows.
QString playImageName(PlayImage image);
QIcon playImageIcon(PlayImage image);
QIcon closeIcon();
// The port-search pictures: a circular arrow (search again) and a stop cross.
QIcon refreshIcon();
QIcon stopSearchIcon();
// The PTT lock: the dynamic property value naming the picture, and the picture.
QString padlockImageName(bool closed);
QIcon padlockIcon(bool closed);

// A label that acts as a tab: clicked() on a left-button release inside it.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);
    void setBackground(const QColor& colour);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
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
