#include "items/canvastextbox.h"
#include "items/itemgeometry.h"

#include "base/globals.h"
#include "base/uimetrics.h"
#include "drawing/colorname.h"

#include <QAction>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTabletEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

#include <cmath>

namespace {
QTextListFormat::Style listStyle(int numbering)
{
    switch (numbering) {
        case 2:
            return QTextListFormat::ListSquare;
        case 3:
            return QTextListFormat::ListDecimal;
        case 4:
            return QTextListFormat::ListUpperAlpha;
        case 5:
            return QTextListFormat::ListLowerAlpha;
        default:
            return QTextListFormat::ListDisc;
    }
}

Qt::Alignment blockAlignment(int align)
{
    switch (align) {
        case 1:
            return Qt::AlignHCenter;
        case 2:
            return Qt::AlignRight;
        default:
            return Qt::AlignLeft;
    }
}

double lineHeightFactor(int value)
{
    switch (value) {
        case 1:
            return 1.5;
        case 2:
            return 2.0;
        default:
            return 1.0;
    }
}
} // namespace

CanvasTextBox::CanvasTextBox(QWidget *parent)
    : DraggedItem(parent)
    , canvas(parent)
    , handleSize(fiveMillimetresInPixels())
{
    editor = new QTextEdit(this);
    editor->setAcceptRichText(false);
    editor->setWordWrapMode(QTextOption::WrapAnywhere);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor->setFrameShape(QFrame::NoFrame);
    editor->setStyleSheet(QStringLiteral("QTextEdit{background-color:transparent;}"));
    editor->setContextMenuPolicy(Qt::NoContextMenu);
    editor->installEventFilter(this);
    connect(editor, &QTextEdit::textChanged, this, &CanvasTextBox::growToText);

    // Local to the box, so they never clash with the window's own shortcuts.
    auto makeAction = [this](QKeySequence::StandardKey key, void (CanvasTextBox::*signal)()) {
        auto *action = new QAction(this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, signal);
        addAction(action);
        return action;
    };
    boldAction = makeAction(QKeySequence::Bold, &CanvasTextBox::queryChangeFontBold);
    italicAction = makeAction(QKeySequence::Italic, &CanvasTextBox::queryChangeFontItalic);
    underlineAction = makeAction(QKeySequence::Underline, &CanvasTextBox::queryChangeFontUnderline);

    setAttribute(Qt::WA_MouseTracking);
    setAttribute(Qt::WA_TabletTracking);
    hide();
}

void CanvasTextBox::beginEditing(const QPointF &point, int availableWidth,
                                 const TextStyle &textStyle, double zoomValue)
{
    editor->clear();
    editor->document()->clear();
    editor->document()->setDocumentMargin(0);
    style = textStyle;
    if (zoomValue > 0)
        zoom = zoomValue;
    if (isHidden()) {
        show();
        applyTextStyle();
        double width = 50;
        double x = point.x();
        if (availableWidth >= 50)
            width = qMin(availableWidth, 200);
        else if (x < 0)
            x = 0;
        const double height = QFontMetricsF(editor->font()).lineSpacing() + 2;
        topLeftCorner = QPointF(x, point.y() - height / 2);
        bottomRightCorner = QPointF(x + width, point.y() + height / 2);
        updateItemGeometry();
    } else {
        // Clearing dropped the text formats that carry colour, alignment and line height.
        applyFormats();
    }
    setEditing(true);
}

void CanvasTextBox::setEditing(bool value)
{
    if (value) {
        if (!editor->hasFocus())
            editor->setFocus(Qt::OtherFocusReason);
    } else if (canvas && !canvas->hasFocus()) {
        canvas->setFocus(Qt::OtherFocusReason);
    }
    editing = value;
}

void CanvasTextBox::setTextColor(const QString &name)
{
    style.fontColor = name;
    // No colour keeps the text in the colour it has.
    const QColor color = colorFromName(name);
    if (color.isValid()) {
        textColor = color;
        QPalette palette = editor->palette();
        palette.setBrush(QPalette::All, QPalette::Text, color);
        editor->setPalette(palette);
        applyFormats();
    }
    setEditing(true);
}

void CanvasTextBox::setBackgroundColor(const QString &name)
{
    style.textBackColor = name;
    update();
    setEditing(true);
}

void CanvasTextBox::setBorderColor(const QString &name)
{
    style.textFrameColor = name;
    update();
    setEditing(true);
}

void CanvasTextBox::setTextAlignment(int align)
{
    style.textAlign = align;
    applyFormats();
    setEditing(true);
}

void CanvasTextBox::setFontFamily(const QString &family, bool reapply)
{
    style.fontFamily = family;
    applyFont(reapply);
}

void CanvasTextBox::setFontSize(int points, bool reapply)
{
    style.fontSize = points;
    applyFont(reapply);
}

void CanvasTextBox::setBold(bool on, bool reapply)
{
    style.fontBold = on;
    applyFont(reapply);
}

void CanvasTextBox::setItalic(bool on, bool reapply)
{
    style.fontItalic = on;
    applyFont(reapply);
}

void CanvasTextBox::setUnderline(bool on, bool reapply)
{
    style.fontUnderline = on;
    applyFont(reapply);
}

void CanvasTextBox::setStrikeOut(bool on, bool reapply)
{
    style.fontDeleteline = on;
    applyFont(reapply);
}

void CanvasTextBox::applyFont(bool reapply)
{
    QFont font = editor->font();
    if (!style.fontFamily.isEmpty())
        font.setFamily(style.fontFamily);
    if (style.fontSize > 0)
        font.setPointSizeF(style.fontSize * zoom);
    font.setWeight(style.fontBold ? QFont::Bold : QFont::Normal);
    font.setItalic(style.fontItalic);
    font.setUnderline(style.fontUnderline);
    font.setStrikeOut(style.fontDeleteline);
    editor->setFont(font);
    editor->document()->setDefaultFont(font);
    applyFormats();
    if (reapply)
        setLineHeight(style.textLineHeight, true);
    setEditing(true);
}

void CanvasTextBox::applyFormats()
{
    // Colour, decorations, alignment and line height live in the text's own formats so that
    // the HTML carries them. The proportional height scales with the (already zoomed) font by
    // itself.
    QTextCharFormat charFormat;
    charFormat.setForeground(textColor);
    // The HTML of the default font leaves these two out.
    charFormat.setFontUnderline(style.fontUnderline);
    charFormat.setFontStrikeOut(style.fontDeleteline);
    QTextBlockFormat blockFormat;
    blockFormat.setAlignment(blockAlignment(style.textAlign));
    blockFormat.setLineHeight(lineHeightFactor(style.textLineHeight) * 100,
                              QTextBlockFormat::ProportionalHeight);

    const int position = editor->textCursor().position();
    QTextCursor cursor(editor->document());
    cursor.beginEditBlock();
    for (QTextBlock block = editor->document()->begin(); block.isValid(); block = block.next()) {
        QTextCursor blockCursor(block);
        blockCursor.mergeBlockFormat(blockFormat);
        blockCursor.mergeBlockCharFormat(charFormat);
    }
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(charFormat);
    cursor.endEditBlock();
    QTextCursor restored = editor->textCursor();
    restored.setPosition(qMin(position, editor->document()->characterCount() - 1));
    editor->setTextCursor(restored);
    editor->mergeCurrentCharFormat(charFormat);
}

void CanvasTextBox::setLineHeight(int value, bool grow)
{
    style.textLineHeight = value;
    applyFormats();
    setEditing(true);
    if (grow && isVisible())
        growToText();
}

void CanvasTextBox::setNumbering(int value, bool reapply)
{
    style.textOrder = value;
    const int position = editor->textCursor().position();
    QStringList texts;
    for (QTextBlock block = editor->document()->begin(); block.isValid(); block = block.next())
        texts.append(block.text());

    editor->clear();
    QTextCursor cursor = editor->textCursor();
    if (value != 0)
        cursor.createList(listStyle(value));
    for (int i = 0; i < texts.size(); ++i) {
        cursor.insertText(texts.at(i));
        if (i + 1 < texts.size())
            cursor.insertText(QStringLiteral("\n"));
    }
    // Clearing dropped the formats; put them back.
    applyFormats();
    QTextCursor restored = editor->textCursor();
    restored.setPosition(qMin(position, editor->document()->characterCount() - 1));
    editor->setTextCursor(restored);
    if (reapply)
        setLineHeight(style.textLineHeight, true);
}

void CanvasTextBox::applyTextStyle()
{
    setFontFamily(style.fontFamily, false);
    setFontSize(style.fontSize, false);
    setBold(style.fontBold, false);
    setItalic(style.fontItalic, false);
    setUnderline(style.fontUnderline, false);
    setStrikeOut(style.fontDeleteline, false);
    setTextColor(style.fontColor);
    setBackgroundColor(style.textBackColor);
    setBorderColor(style.textFrameColor);
    setTextAlignment(style.textAlign);
    setLineHeight(style.textLineHeight, false);
    setNumbering(style.textOrder, false);
}

void CanvasTextBox::selectAll()
{
    editor->selectAll();
    setEditing(true);
}

void CanvasTextBox::cut()
{
    editor->cut();
    setEditing(true);
}

void CanvasTextBox::copy()
{
    editor->copy();
    setEditing(true);
}

void CanvasTextBox::paste()
{
    editor->paste();
    setEditing(true);
}

void CanvasTextBox::undo()
{
    editor->undo();
    setEditing(true);
}

void CanvasTextBox::redo()
{
    editor->redo();
    setEditing(true);
}

void CanvasTextBox::deleteSelection()
{
    editor->textCursor().removeSelectedText();
    setEditing(true);
}

bool CanvasTextBox::hasSelection() const
{
    return editor->textCursor().hasSelection();
}

bool CanvasTextBox::hasText() const
{
    return !editor->toPlainText().trimmed().isEmpty();
}

bool CanvasTextBox::isValid() const
{
    if (boxRect.width() <= 0 || boxRect.height() <= 0)
        return false;
    const int width = qRound(boxRect.x() + boxRect.width()) - qRound(boxRect.x());
    const int height = qRound(boxRect.y() + boxRect.height()) - qRound(boxRect.y());
    return width > 0 && height > 0 && hasText();
}

void CanvasTextBox::nudge(int direction)
{
    if (isVisible() && nudgeAsDrag(direction, FrameHandle::Inside))
        setEditing(true);
}

QString CanvasTextBox::toHtml()
{
    if (!hasText())
        return QString();
    zoom = 1.0;
    applyTextStyle();
    return editor->document()->toHtml();
}

QPixmap CanvasTextBox::renderToPixmap(const QString &border, const QString &background,
                                      const QPointF &a, const QPointF &b, const QPointF &c,
                                      const QString &html) const
{
    const int width = qRound(QLineF(a, b).length());
    const int height = qRound(QLineF(b, c).length());
    if (width < 1 || height < 1)
        return QPixmap();

    // A private document: the live editor may hold a box the user is still typing.
    QTextDocument document;
    document.setDefaultFont(font());
    document.setDocumentMargin(0);
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAnywhere);
    document.setDefaultTextOption(option);
    document.setHtml(html);
    document.setTextWidth(width);

    QPixmap result(width, height);
    const QColor backColor = colorFromName(background);
    result.fill(backColor.isValid() ? backColor : QColor(Qt::transparent));
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    document.drawContents(&painter, QRectF(0, 0, width, height));
    const QColor borderColor = colorFromName(border);
    if (borderColor.isValid()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(borderColor, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(result.rect());
    }
    return result;
}

void CanvasTextBox::reset()
{
    setEditing(false);
    zoom = 1.0;
    boxRect = QRectF();
    topLeftCorner = QPointF();
    bottomRightCorner = QPointF();
    dragOriginTopLeft = QPointF();
    dragOriginBottomRight = QPointF();
    textColor = Qt::black;
    hitCode = FrameHandle::Outside;
    dragging = false;
    pressPosition = QPointF();
    // Hidden even while the canvas is off screen, so that the canvas sees no box there.
    hide();
}

int CanvasTextBox::handleMargin() const
{
    return int(std::ceil(handleSize * zoom));
}

void CanvasTextBox::updateItemGeometry()
{
    boxRect = QRectF(topLeftCorner, bottomRightCorner).normalized();
    const int l = qRound(boxRect.x());
    const int t = qRound(boxRect.y());
    const int r = qRound(boxRect.x() + boxRect.width());
    const int b = qRound(boxRect.y() + boxRect.height());
    const int m = handleMargin();
    setGeometry(QRect(QPoint(l - m, t - m), QPoint(r + m - 1, b + m - 1)));
    editor->setGeometry(QRect(QPoint(m, m), QPoint(r - l + m - 1, b - t + m - 1)));
    update();
}

void CanvasTextBox::growToText()
{
    if (!isVisible())
        return;
    const double bottom = topLeftCorner.y() + std::trunc(editor->document()->size().height());
    if (bottom > bottomRightCorner.y()) {
        bottomRightCorner.setY(bottom);
        updateItemGeometry();
    }
}

int CanvasTextBox::hitTest(const QPoint &position) const
{
    const int m = handleMargin();
    const int w = width();
    const int h = height();
    const QRect area = editor->geometry();
    const int cx = area.center().x() - m / 2;
    const int cy = area.center().y() - m / 2;
    const QRect squares[] = {
        QRect(1, 1, m, m),         QRect(cx, 1, m, m),    QRect(w - m, 1, m, m),
        QRect(w - m, h - m, m, m), QRect(1, h - m, m, m), QRect(w - m, cy, m, m),
        QRect(cx, h - m, m, m),    QRect(1, cy, m, m),
    };
    const int codes[] = {FrameHandle::TopLeft,     FrameHandle::Top,        FrameHandle::TopRight,
                         FrameHandle::BottomRight, FrameHandle::BottomLeft, FrameHandle::Right,
                         FrameHandle::Bottom,      FrameHandle::Left};
    for (int i = 0; i < 8; ++i) {
        if (squares[i].contains(position))
            return codes[i];
    }
    return FrameHandle::Inside;
}

void CanvasTextBox::updateCursor(int code)
{
    if (code == hitCode)
        return;
    hitCode = code;
    switch (code) {
        case FrameHandle::Inside:
            setCursor(Qt::SizeAllCursor);
            break;
        case FrameHandle::TopLeft:
        case FrameHandle::BottomRight:
            setCursor(Qt::SizeFDiagCursor);
            break;
        case FrameHandle::TopRight:
        case FrameHandle::BottomLeft:
            setCursor(Qt::SizeBDiagCursor);
            break;
        case FrameHandle::Top:
        case FrameHandle::Bottom:
            setCursor(Qt::SizeVerCursor);
            break;
        case FrameHandle::Right:
        case FrameHandle::Left:
            setCursor(Qt::SizeHorCursor);
            break;
        default:
            break;
    }
}

void CanvasTextBox::dragTo()
{
    QPointF &tl = topLeftCorner;
    QPointF &br = bottomRightCorner;
    const QPointF d = dragPosition;
    bool changed = true;
    switch (hitCode) {
        case FrameHandle::TopLeft:
            changed = br.x() > d.x() && br.y() > d.y();
            if (changed)
                tl = d;
            break;
        case FrameHandle::Top:
            changed = br.y() > d.y();
            if (changed)
                tl.setY(d.y());
            break;
        case FrameHandle::TopRight:
            changed = d.x() > tl.x() && br.y() > d.y();
            if (changed) {
                tl.setY(d.y());
                br.setX(d.x());
            }
            break;
        case FrameHandle::Right:
            changed = d.x() > tl.x();
            if (changed)
                br.setX(d.x());
            break;
        case FrameHandle::BottomRight:
            changed = d.x() > tl.x() && d.y() > tl.y();
            if (changed)
                br = d;
            break;
        case FrameHandle::Bottom:
            changed = d.y() > tl.y();
            if (changed)
                br.setY(d.y());
            break;
        case FrameHandle::BottomLeft:
            changed = br.x() > d.x() && d.y() > tl.y();
            if (changed) {
                tl.setX(d.x());
                br.setY(d.y());
            }
            break;
        case FrameHandle::Left:
            changed = br.x() > d.x();
            if (changed)
                tl.setX(d.x());
            break;
        case FrameHandle::Outside:
            changed = false;
            break;
        default:
            tl = dragOriginTopLeft + (d - pressPosition);
            br = dragOriginBottomRight + (d - pressPosition);
            break;
    }
    if (changed)
        updateItemGeometry();
}

void CanvasTextBox::startDrag(const QPoint &position)
{
    // The handle under the press decides, not a hover that may be stale or missing (touch).
    updateCursor(hitTest(position));
    const QPointF parentPosition = mapToParent(position);
    pressPosition = parentPosition;
    dragPosition = parentPosition;
    dragging = true;
    keepDragOrigin();
    setEditing(false);
}

void CanvasTextBox::keepDragOrigin()
{
    dragOriginTopLeft = topLeftCorner;
    dragOriginBottomRight = bottomRightCorner;
}

bool CanvasTextBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != editor)
        return QLabel::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::FocusIn:
            editing = true;
            update();
            break;
        case QEvent::FocusOut:
            editing = false;
            update();
            break;
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            // The toolbar's style buttons carry the same keys in the same window, which would
            // make the box's own shortcuts ambiguous (and dead): while typing, take the keys.
            auto *key = static_cast<QKeyEvent *>(event);
            void (CanvasTextBox::*query)() = nullptr;
            if (key->matches(QKeySequence::Bold))
                query = &CanvasTextBox::queryChangeFontBold;
            else if (key->matches(QKeySequence::Italic))
                query = &CanvasTextBox::queryChangeFontItalic;
            else if (key->matches(QKeySequence::Underline))
                query = &CanvasTextBox::queryChangeFontUnderline;
            if (!query)
                break;
            event->accept();
            if (event->type() == QEvent::KeyPress)
                emit(this->*query)();
            return true;
        }
        case QEvent::Paint:
            if (!isVisible())
                break;
            if (editing) {
                QRect caret = editor->cursorRect();
                if (!caret.isEmpty()) {
                    caret.setWidth(caret.width() + 1);
                    caret.setHeight(QFontMetrics(editor->font()).height());
                    QPainter painter(editor);
                    painter.fillRect(caret, textColor);
                }
            }
            return true;
        default:
            break;
    }
    return QLabel::eventFilter(watched, event);
}

void CanvasTextBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (penInProximity || event->button() != Qt::LeftButton)
        return;
    startDrag(event->pos());
}

void CanvasTextBox::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (dragging) {
        dragPosition = mapToParent(event->pos());
        dragTo();
        return;
    }
    if (!penInProximity)
        updateCursor(hitTest(event->pos()));
}

void CanvasTextBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && !penInProximity)
        dragging = false;
}

void CanvasTextBox::tabletEvent(QTabletEvent *event)
{
    switch (event->type()) {
        case QEvent::TabletPress:
            event->accept();
            startDrag(event->pos());
            break;
        case QEvent::TabletMove:
            // The mouse move synthesised from it does the dragging.
            if (dragging) {
                event->ignore();
            } else {
                event->accept();
                updateCursor(hitTest(event->pos()));
            }
            break;
        case QEvent::TabletRelease:
            event->accept();
            dragging = false;
            break;
        default:
            event->ignore();
            break;
    }
}

void CanvasTextBox::paintEvent(QPaintEvent *)
{
    if (!isVisible())
        return;
    QPainter painter(this);
    const QColor border = colorFromName(style.textFrameColor);
    QPen pen(Qt::blue, 2 * zoom, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin);
    if (border.isValid()) {
        pen.setColor(border);
        pen.setStyle(Qt::SolidLine);
    }
    painter.setPen(pen);
    const QColor background = colorFromName(style.textBackColor);
    painter.setBrush(background.isValid() ? QBrush(background) : QBrush(Qt::NoBrush));
    painter.drawRect(editor->geometry());
}
