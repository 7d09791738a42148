// Tool options reaching the item being edited, and the cursor of the current tool. The toolbar
// has already written the option into the shared paint property; each slot rebuilds the shown
// item's style record from it.

#include <QCursor>
#include <QPainter>

#include "canvas/canvas.h"
#include "drawing/colorname.h"
#include "drawing/paintproperty.h"
#include "drawing/stylerecords.h"
#include "drawing/toolcursors.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "drawing/stampstore.h"

namespace {
int toolOf(const PaintProperty *property)
{
    return property ? property->paintTool : 0;
}

// A cursor picture scaled to its size at the zoom, each side rounded, aspect ratio ignored.
QPixmap zoomedCursor(const QPixmap &pixmap, double zoom)
{
    if (pixmap.isNull())
        return pixmap;
    const QSize size(qMax(1, qRound(pixmap.width() * zoom)),
                     qMax(1, qRound(pixmap.height() * zoom)));
    return pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
} // namespace

bool Canvas::marqueeShapeShown() const
{
    return toolOf(property) == PaintTool::Shape && !marquee->isHidden();
}

void Canvas::forwardLineStyle()
{
    if (!line->isHidden())
        line->setLineStyle(LineStyle::fromPaintProperty(property));
}

void Canvas::forwardFigureStyles()
{
    if (!connectedLine->isHidden())
        connectedLine->setPolylineStyle(PolylineStyle::fromPaintProperty(property));
    if (!freeCurve->isHidden())
        freeCurve->setPenStyle(PenStyle::fromPaintProperty(property));
}

// Shape, line and figure options ---------------------------------------------------------------

void Canvas::applyForeColor()
{
    if (!property)
        return;
    const int tool = toolOf(property);
    if (((tool == PaintTool::Pencil || tool == PaintTool::Pen) && property->hasPenLaser) ||
        tool == PaintTool::Highlighter) {
        updateCursor();
        return;
    }
    if (marqueeShapeShown()) {
        ShapeStyle style = marquee->shapeStyle();
        style.color = property->foreColor;
        marquee->setShapeStyle(style);
    } else if (!line->isHidden()) {
        forwardLineStyle();
    } else {
        forwardFigureStyles();
    }
}

void Canvas::applyBackColor()
{
    if (!property)
        return;
    if (marqueeShapeShown()) {
        ShapeStyle style = marquee->shapeStyle();
        style.fillColor = property->isFillBackColor ? property->backColor : QString();
        marquee->setShapeStyle(style);
    } else {
        // The line has no fill.
        forwardFigureStyles();
    }
}

void Canvas::applyFillBackColor()
{
    applyBackColor();
}

void Canvas::applyShapeType()
{
    if (!property || !marqueeShapeShown())
        return;
    ShapeStyle style = marquee->shapeStyle();
    style.shapeType = property->shapeType;
    marquee->setShapeStyle(style);
}

void Canvas::applyLineBoldSize()
{
    if (!property)
        return;
    if (marqueeShapeShown()) {
        ShapeStyle style = marquee->shapeStyle();
        style.lineWidth = property->lineBoldSize;
        marquee->setShapeStyle(style);
    } else if (!line->isHidden()) {
        forwardLineStyle();
    } else {
        forwardFigureStyles();
    }
}

void Canvas::applyLineStyle()
{
    if (!property)
        return;
    if (marqueeShapeShown()) {
        ShapeStyle style = marquee->shapeStyle();
        style.lineStyle = property->lineStyle;
        marquee->setShapeStyle(style);
    } else if (!line->isHidden()) {
        forwardLineStyle();
    } else {
        forwardFigureStyles();
    }
}

void Canvas::applyArrowStyle()
{
    if (property)
        forwardLineStyle();
}

void Canvas::applyLineDegree()
{
    if (!property)
        return;
    if (marqueeShapeShown()) {
        ShapeStyle style = marquee->shapeStyle();
        style.hasLineDegree = property->hasLineDegree;
        marquee->setShapeStyle(style);
    } else {
        forwardLineStyle();
    }
}

void Canvas::applyIncludedAngle()
{
    if (property && !connectedLine->isHidden())
        connectedLine->setPolylineStyle(PolylineStyle::fromPaintProperty(property));
}

void Canvas::applyPolygonSideCount()
{
    if (!property || !marqueeShapeShown())
        return;
    ShapeStyle style = marquee->shapeStyle();
    style.polygonSideCount = property->polygonSideCount;
    marquee->setShapeStyle(style);
}

void Canvas::applyStartAngle()
{
    if (!property || !marqueeShapeShown())
        return;
    ShapeStyle style = marquee->shapeStyle();
    style.startAngle = property->startAngle;
    marquee->setShapeStyle(style);
}

void Canvas::applyAngleSize()
{
    if (!property || !marqueeShapeShown())
        return;
    ShapeStyle style = marquee->shapeStyle();
    style.angleSize = property->angleSize;
    marquee->setShapeStyle(style);
}

void Canvas::applyPenLaser()
{
    const int tool = toolOf(property);
    if (tool == PaintTool::Pencil || tool == PaintTool::Pen)
        updateCursor();
}

void Canvas::applyHighlightSize()
{
    updateCursor();
}

void Canvas::applyEraserSize()
{
    updateCursor();
}

void Canvas::applyEraserShape()
{
    updateCursor();
}

void Canvas::applyStamp()
{
    updateCursor();
}

void Canvas::applyStampPointer()
{
    updateCursor();
}

// Text options: the font operations re-apply the line height, italic, underline and strike-out
// leave it as it is
// --------------------------------------------------------------------------------

void Canvas::setTextFontFamily()
{
    if (property && !textBox->isHidden())
        textBox->setFontFamily(property->fontFamily, true);
}

void Canvas::setTextFontSize()
{
    if (property && !textBox->isHidden())
        textBox->setFontSize(property->fontSize, true);
}

void Canvas::setTextBold()
{
    if (property && !textBox->isHidden())
        textBox->setBold(property->fontBold, true);
}

void Canvas::setTextItalic()
{
    if (property && !textBox->isHidden())
        textBox->setItalic(property->fontItalic, false);
}

void Canvas::setTextUnderline()
{
    if (property && !textBox->isHidden())
        textBox->setUnderline(property->fontUnderline, false);
}

void Canvas::setTextStrikeOut()
{
    if (property && !textBox->isHidden())
        textBox->setStrikeOut(property->fontDeleteline, false);
}

void Canvas::setTextColor()
{
    if (property && !textBox->isHidden())
        textBox->setTextColor(property->fontColor);
}

void Canvas::setTextBackColor()
{
    if (property && !textBox->isHidden())
        textBox->setBackgroundColor(property->textBackColor);
}

void Canvas::setTextFrameColor()
{
    if (property && !textBox->isHidden())
        textBox->setBorderColor(property->textFrameColor);
}

void Canvas::setTextAlign()
{
    if (property && !textBox->isHidden())
        textBox->setTextAlignment(property->textAlign);
}

void Canvas::setTextLineHeight()
{
    if (property && !textBox->isHidden())
        textBox->setLineHeight(property->textLineHeight, true);
}

void Canvas::setTextOrder()
{
    if (property && !textBox->isHidden())
        textBox->setNumbering(property->textOrder, true);
}

// Cursor -----------------------------------------------------------------------------------------

void Canvas::updateCursor()
{
    if (!property) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    const int tool = property->paintTool;
    const QString &pointerName = property->stampTeacherPointer;
    if (!pointerName.isEmpty()) {
        QPixmap pointer = StampStore::pixmap(pointerName);
        if (!pointer.isNull()) {
            if (tool == PaintTool::Stamp && !property->stampName.isEmpty()) {
                setCursor(QCursor(stampCursor(property->stampName, pointerName, zoomFactor), 0, 0));
            } else {
                QPainter painter(&pointer);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(Qt::NoPen);
                painter.setBrush(QColor(Qt::red));
                painter.drawEllipse(QRectF(0, 0, 4, 4));
                painter.end();
                setCursor(QCursor(pointer, 0, 0));
            }
            return;
        }
    }
    switch (tool) {
        case PaintTool::Selection:
        case PaintTool::Line:
        case PaintTool::Shape:
            setCursor(Qt::CrossCursor);
            break;
        case PaintTool::Pencil:
        case PaintTool::Pen: {
            const QPixmap icon(tool == PaintTool::Pencil
                                   ? QStringLiteral(":/icon/cursor/pencil-cursor.png")
                                   : QStringLiteral(":/icon/cursor/pen-cursor.png"));
            int hotSpot = 0;
            const QPixmap picture =
                penCursor(icon, colorFromName(property->foreColor), property->hasPenLaser, hotSpot);
            setCursor(QCursor(picture, hotSpot, hotSpot));
            break;
        }
        case PaintTool::Highlighter:
            setCursor(QCursor(
                zoomedCursor(highlighterCursor(property->highlightSize, property->foreColor),
                             zoomFactor),
                0, 0));
            break;
        case PaintTool::Eraser:
            setCursor(QCursor(
                zoomedCursor(eraserCursor(property->eraserSize, property->eraserShape), zoomFactor),
                0, 0));
            break;
        case PaintTool::Polyline:
        case PaintTool::FreeCurve:
            setCursor(Qt::PointingHandCursor);
            break;
        case PaintTool::TextBox:
            setCursor(Qt::IBeamCursor);
            break;
        case PaintTool::Stamp:
            setCursor(QCursor(stampCursor(property->stampName, QString(), zoomFactor), 0, 0));
            break;
        default:
            setCursor(Qt::ArrowCursor);
            break;
    }
}
