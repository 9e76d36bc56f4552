#include "gui/widgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegularExpression>
#include <QStylePainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

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

QString playImageName(StartButtonPicture image) {
    switch (image) {
    case StartButtonPicture::Play:
        return QStringLiteral("ImagePlay");
    case StartButtonPicture::Stop:
        return QStringLiteral("ImageStop");
    case StartButtonPicture::PlayDisabled:
        return QStringLiteral("ImagePlayDis");
    }
    return {};
}

QIcon playImageIcon(StartButtonPicture image) {
    QPixmap pm;
    switch (image) {
    case StartButtonPicture::Play:
        pm = trianglePixmap(QColor(0x22, 0xB0, 0x22));
        break;
    case StartButtonPicture::Stop:
        pm = squarePixmap(QColor(0xD8, 0x20, 0x20));
        break;
    case StartButtonPicture::PlayDisabled:
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

QIcon refreshIcon() {
    QPixmap pm = blankPixmap();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0x1E, 0x6F, 0xC8);
    const QPointF centre(32, 32);
    constexpr double radius = 19;
    // The arc runs counter-clockwise from 150 degrees round to 70, leaving a
    // gap at the top that the arrowhead points into.
    constexpr double startDeg = 150, spanDeg = 280;
    p.setPen(QPen(blue, 7, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
              static_cast<int>(startDeg * 16), static_cast<int>(spanDeg * 16));
    const double end = (startDeg + spanDeg) * std::numbers::pi / 180.0;
    const QPointF tip(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
    const QPointF along(-std::sin(end), -std::cos(end)); // direction of travel
    const QPointF out(std::cos(end), -std::sin(end));    // away from the centre
    QPolygonF head;
    head << tip + along * 10 << tip - along * 2 + out * 9 << tip - along * 2 - out * 9;
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPolygon(head);
    p.end();
    return QIcon(pm);
}

QIcon stopSearchIcon() {
    QPixmap pm = blankPixmap();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor red(0xD8, 0x20, 0x20);
    p.setPen(QPen(red.darker(150), 3));
    p.setBrush(red);
    p.drawEllipse(QPointF(32, 32), 26, 26);
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22, 22), QPointF(42, 42));
    p.drawLine(QPointF(42, 22), QPointF(22, 42));
    p.end();
    return QIcon(pm);
}

QString padlockImageName(bool closed) {
    return closed ? QStringLiteral("PTTLockFerme") : QStringLiteral("PTTLockOuvert");
}

QIcon padlockIcon(bool closed) {
    QPixmap pm = blankPixmap();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The shackle: both legs in the body when closed; lifted, its right leg
    // free above the body, when open.
    QPainterPath shackle;
    if (closed) {
        shackle.moveTo(21, 31);
        shackle.lineTo(21, 22);
        shackle.arcTo(QRectF(21, 10, 22, 24), 180, -180);
        shackle.lineTo(43, 31);
    } else {
        shackle.moveTo(21, 31);
        shackle.lineTo(21, 14);
        shackle.arcTo(QRectF(21, 2, 22, 24), 180, -180);
        shackle.lineTo(43, 20);
    }
    p.setPen(QPen(QColor(0x60, 0x60, 0x68), 6, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shackle);
    const QColor gold(0xE8, 0xB4, 0x2C);
    p.setPen(QPen(gold.darker(170), 3));
    p.setBrush(gold);
    p.drawRoundedRect(QRectF(12, 30, 40, 28), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(gold.darker(250));
    p.drawEllipse(QPointF(32, 41), 4, 4);
    p.drawRect(QRectF(30.5, 42, 3, 9));
    p.end();
    return QIcon(pm);
}

// ---------------------------------------------------------------- CaptionLabel

CaptionLabel::CaptionLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
}

void CaptionLabel::mousePressEvent(QMouseEvent* event) {
    // Taken here so a press on the label does not start moving the window.
    event->accept();
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

// ---------------------------------------------------------------- ClickableLabel

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : CaptionLabel(text, parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setContentsMargins(8, 2, 8, 2);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x90, 0x90, 0x90));
    setPalette(pal);
}

void ClickableLabel::setBackground(const QColor& colour) {
    if (palette().color(QPalette::Window) == colour)
        return;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
}

// ---------------------------------------------------------------- MessageEdit

MessageEdit::MessageEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab is not part of a message: it moves on, as in the other fields.
    setTabChangesFocus(true);
}

int MessageEdit::selectionStart() const {
    return textCursor().selectionStart();
}

int MessageEdit::selectionLength() const {
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void MessageEdit::selectRange(int start, int length) {
    // The document ends with a paragraph separator that is not part of the text.
    const int end = std::max(0, document()->characterCount() - 1);
    const int from = std::clamp(start, 0, end);
    const int to = from + std::clamp(length, 0, end - from);
    QTextCursor c = textCursor();
    c.setPosition(movedBackwards_ ? to : from);
    c.setPosition(movedBackwards_ ? from : to, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void MessageEdit::setVisibleLines(int lines) {
    const int text = fontMetrics().lineSpacing() * lines;
    const int margins = static_cast<int>(2 * document()->documentMargin()) + 2 * frameWidth() +
                        contentsMargins().top() + contentsMargins().bottom();
    setFixedHeight(text + margins);
}

void MessageEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed(selectionStart(), selectionLength());
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        emit selectAllPressed();
        event->accept();
        return;
    }
    static constexpr std::array kMoves{Qt::Key_Left,   Qt::Key_Right,   Qt::Key_Up,
                                       Qt::Key_Down,   Qt::Key_Home,    Qt::Key_End,
                                       Qt::Key_PageUp, Qt::Key_PageDown};
    const bool move = std::find(kMoves.begin(), kMoves.end(), event->key()) != kMoves.end();
    if (!move || (event->modifiers() & Qt::ShiftModifier)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    // A selected tag is left from the caret's end, not stopped at: otherwise
    // the tag around the caret would be selected again and hold the caret.
    QTextCursor c = textCursor();
    const int before = c.position();
    if (c.hasSelection()) {
        c.clearSelection();
        setTextCursor(c);
    }
    QPlainTextEdit::keyPressEvent(event);
    const int after = textCursor().position();
    movedBackwards_ = after < before;
    emit caretMoved(after);
    movedBackwards_ = false;
}

void MessageEdit::mousePressEvent(QMouseEvent* event) {
    afterDoubleClick_ = false;
    QPlainTextEdit::mousePressEvent(event);
}

void MessageEdit::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (afterDoubleClick_) {
        afterDoubleClick_ = false;
        return;
    }
    // After a drag, the start of the selection stands for the caret: a
    // selection ending just after a tag must not shrink to that tag.
    emit clickedAt(selectionStart());
}

void MessageEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    afterDoubleClick_ = true;
    emit doubleClicked(selectionStart(), selectionLength());
}

void MessageEdit::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText())
        return;
    static const QRegularExpression lineBreak(QStringLiteral("\\r\\n|[\\r\\n\\x{2028}\\x{2029}]"));
    QString text = source->text();
    text.replace(lineBreak, QStringLiteral(". "));
    QTextCursor c = textCursor();
    c.insertText(text);
    setTextCursor(c);
    ensureCursorVisible();
}

// ---------------------------------------------------------------- ColumnsDelegate

ColumnsDelegate::ColumnsDelegate(const QList<QStringList>& samples, QObject* parent)
    : QStyledItemDelegate(parent), samples_(samples) {}

void ColumnsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStringList fields = opt.text.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    opt.text.clear();
    const QWidget* widget = opt.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    // Background, selection and focus as the style draws them; the text below.
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    const QFontMetrics fm(opt.font);
    const int gap = fm.horizontalAdvance(QStringLiteral("  "));
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                            : QPalette::Inactive;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(
        group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    const auto draw = [&](const QRect& r, const QString& text) {
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                          fm.elidedText(text, Qt::ElideRight, r.width()));
    };
    // A line without all its columns ("Voix invalide") is shown whole.
    const qsizetype trailing = samples_.size();
    if (fields.size() <= trailing) {
        draw(area, fields.join(QLatin1Char(' ')));
        painter->restore();
        return;
    }
    int right = area.right() + 1;
    for (qsizetype i = trailing; i-- > 0;) {
        int width = 0;
        for (const QString& sample : samples_[i])
            width = std::max(width, fm.horizontalAdvance(sample) + 2); // + rounding
        const int left = std::max(area.left(), right - width);
        draw(QRect(left, area.top(), right - left, area.height()),
             fields[fields.size() - trailing + i]);
        right = left - gap;
    }
    draw(QRect(area.left(), area.top(), std::max(0, right - area.left()), area.height()),
         fields.mid(0, fields.size() - trailing).join(QLatin1Char(' ')));
    painter->restore();
}

// ---------------------------------------------------------------- ImageButton

ImageButton::ImageButton(QWidget* parent) : QAbstractButton(parent) {
    setIconSize(QSize(20, 20));
    setCursor(Qt::PointingHandCursor);
    // Like the window's other pictures, it is clicked, not tabbed to.
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ImageButton::sizeHint() const {
    return iconSize() + QSize(6, 6);
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    icon().paint(&p, rect().adjusted(3, 3, -3, -3), Qt::AlignCenter,
                 isEnabled() ? QIcon::Normal : QIcon::Disabled);
    if (isDown()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// ---------------------------------------------------------------- IndicatorLight

IndicatorLight::IndicatorLight(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void IndicatorLight::setColour(const QColor& colour) {
    if (colour == colour_)
        return;
    colour_ = colour;
    update();
}

QSize IndicatorLight::sizeHint() const {
    return {16, 16};
}
QSize IndicatorLight::minimumSizeHint() const {
    return sizeHint();
}

void IndicatorLight::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::Shadow), 1));
    p.setBrush(colour_);
    const qreal d = std::min(width(), height()) - 2;
    p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
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
