#include "gui/widgets.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStylePainter>

namespace ondrix {

namespace {

// Pictures are drawn large and scaled down by QIcon, so they stay sharp on
// HiDPI screens.
constexpr int kIconSize = 64;

QPixmap blankPixmap() {
    QPixmap pm(kIconSize, kIconSize);
    pm.fill(Qt::transparent);
    return pm;
}

QPixmap trianglePixmap(const QColor& fill) {
    QPixmap pm = blankPixmap();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(14, 8);
    path.lineTo(56, 32);
    path.lineTo(14, 56);
    path.closeSubpath();
    p.setPen(QPen(fill.darker(160), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
    return pm;
}

QPixmap squarePixmap(const QColor& fill) {
    QPixmap pm = blankPixmap();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(fill.darker(160), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(12, 12, 40, 40), 4, 4);
    return pm;
}

bool sameShape(const ShapeState& a, const ShapeState& b) {
    return a.left == b.left && a.width == b.width && a.backColour == b.backColour;
}

} // namespace

QString playImageName(PlayImage image) {
    switch (image) {
    case PlayImage::Play:
        return QStringLiteral("ImagePlay");
    case PlayImage::Stop:
        return QStringLiteral("ImageStop");
    case PlayImage::PlayDis:
        return QStringLiteral("ImagePlayDis");
    }
    return {};
}

QIcon playImageIcon(PlayImage image) {
    QPixmap pm;
    switch (image) {
    case PlayImage::Play:
        pm = trianglePixmap(QColor(0x22, 0xB0, 0x22));
        break;
    case PlayImage::Stop:
        pm = squarePixmap(QColor(0xD8, 0x20, 0x20));
        break;
    case PlayImage::PlayDis:
        pm = trianglePixmap(QColor(0x9A, 0x9A, 0x9A));
        break;
    }
    QIcon icon;
    // The same picture when the button is disabled: the grey triangle already
    // says "not available", a style-greyed stop square would not.
    icon.addPixmap(pm, QIcon::Normal);
    icon.addPixmap(pm, QIcon::Disabled);
    return icon;
}

QIcon closeIcon() {
    QPixmap pm = blankPixmap();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xF0, 0xF0, 0xF0), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 18), QPointF(46, 46));
    p.drawLine(QPointF(46, 18), QPointF(18, 46));
    p.end();
    return QIcon(pm);
}

// ---------------------------------------------------------------- ClickableLabel

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setContentsMargins(8, 2, 8, 2);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
}

void ClickableLabel::setBackground(const QColor& colour) {
    if (palette().color(QPalette::Window) == colour)
        return;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    // Taken here so a press on a tab does not start moving the window.
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

// ---------------------------------------------------------------- ElidedLabel

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = contentsRect();
    p.drawText(r, static_cast<int>(alignment()),
               fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width()));
}

// ---------------------------------------------------------------- PathComboBox

PathComboBox::PathComboBox(QWidget* parent) : QComboBox(parent) {
    view()->setTextElideMode(Qt::ElideMiddle);
}

void PathComboBox::paintEvent(QPaintEvent*) {
    // QComboBox's own painting, with the current text elided to its field.
    QStylePainter p(this);
    p.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    opt.currentText = fontMetrics().elidedText(opt.currentText, Qt::ElideMiddle, field.width() - 4);
    p.drawControl(QStyle::CE_ComboBoxLabel, opt);
}

// ---------------------------------------------------------------- PeriodBar

PeriodBar::PeriodBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PeriodBar::setShapes(const ShapeState& total, const ShapeState& wav, const ShapeState& cache) {
    if (sameShape(total, total_) && sameShape(wav, wav_) && sameShape(cache, cache_))
        return;
    total_ = total;
    wav_ = wav;
    cache_ = cache;
    update();
}

QSize PeriodBar::sizeHint() const {
    return {200, 10};
}
QSize PeriodBar::minimumSizeHint() const {
    return {50, 10};
}

void PeriodBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    // Both edges are rounded from units, so shapes that meet in units meet in
    // pixels, with no gap or overlap.
    const auto x = [w](long long units) {
        return static_cast<int>((units * w + kPeriodBarUnits / 2) / kPeriodBarUnits);
    };
    const auto draw = [&](const ShapeState& s, const QColor& colour) {
        const int x0 = x(s.left);
        const int x1 = x(static_cast<long long>(s.left) + s.width);
        if (x1 > x0)
            p.fillRect(QRect(x0, 0, x1 - x0, height()), colour);
    };
    const QColor totalColour = toQColor(total_.backColour);
    draw(total_, totalColour);
    draw(wav_, toQColor(wav_.backColour));
    draw(cache_, totalColour);
}

} // namespace ondrix
