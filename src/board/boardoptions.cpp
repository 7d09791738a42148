// Tool options reaching the item being edited. The toolbar has already written the option into
// the shared paint property; each slot rebuilds the shown item's style record from it.

#include <QHash>

#include "board/boardediting.h"
#include "drawing/paintproperty.h"
#include "drawing/stylerecords.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"

bool BoardEditing::marqueeShapeShown() const
{
    const PaintProperty *property = editProperty();
    return property && property->paintTool == PaintTool::Shape && !items.marquee->isHidden();
}

void BoardEditing::forwardLineStyle()
{
    if (!items.line->isHidden())
        items.line->setLineStyle(LineStyle::fromPaintProperty(editProperty()));
}

void BoardEditing::forwardFigureStyles()
{
    if (!items.connectedLine->isHidden())
        items.connectedLine->setPolylineStyle(PolylineStyle::fromPaintProperty(editProperty()));
    if (!items.freeCurve->isHidden())
        items.freeCurve->setPenStyle(PenStyle::fromPaintProperty(editProperty()));
}

bool BoardEditing::changeShownShape(const std::function<void(ShapeStyle &)> &change)
{
    if (!marqueeShapeShown())
        return false;
    ShapeStyle style = items.marquee->shapeStyle();
    change(style);
    items.marquee->setShapeStyle(style);
    return true;
}

// Shape, line and figure options ---------------------------------------------------------------

void BoardEditing::applyForeColor()
{
    const PaintProperty *property = editProperty();
    if (!property)
        return;
    const int tool = property->paintTool;
    if (((tool == PaintTool::Pencil || tool == PaintTool::Pen) && property->hasPenLaser) ||
        tool == PaintTool::Highlighter) {
        updateCursor();
        return;
    }
    if (changeShownShape([property](ShapeStyle &style) { style.color = property->foreColor; }))
        return;
    if (!items.line->isHidden())
        forwardLineStyle();
    else
        forwardFigureStyles();
}

void BoardEditing::applyBackColor()
{
    const PaintProperty *property = editProperty();
    if (!property)
        return;
    // The line has no fill.
    if (!changeShownShape([property](ShapeStyle &style) {
            style.fillColor = property->isFillBackColor ? property->backColor : QString();
        }))
        forwardFigureStyles();
}

void BoardEditing::applyFillBackColor()
{
    applyBackColor();
}

void BoardEditing::applyShapeType()
{
    if (const PaintProperty *property = editProperty())
        changeShownShape([property](ShapeStyle &style) { style.shapeType = property->shapeType; });
}

void BoardEditing::applyLineBoldSize()
{
    const PaintProperty *property = editProperty();
    if (!property || changeShownShape([property](ShapeStyle &style) {
            style.lineWidth = property->lineBoldSize;
        }))
        return;
    if (!items.line->isHidden())
        forwardLineStyle();
    else
        forwardFigureStyles();
}

void BoardEditing::applyLineStyle()
{
    const PaintProperty *property = editProperty();
    if (!property ||
        changeShownShape([property](ShapeStyle &style) { style.lineStyle = property->lineStyle; }))
        return;
    if (!items.line->isHidden())
        forwardLineStyle();
    else
        forwardFigureStyles();
}

void BoardEditing::applyArrowStyle()
{
    if (editProperty())
        forwardLineStyle();
}

void BoardEditing::applyLineDegree()
{
    const PaintProperty *property = editProperty();
    if (!property)
        return;
    if (!changeShownShape(
            [property](ShapeStyle &style) { style.hasLineDegree = property->hasLineDegree; }))
        forwardLineStyle();
}

void BoardEditing::applyIncludedAngle()
{
    if (editProperty() && !items.connectedLine->isHidden())
        items.connectedLine->setPolylineStyle(PolylineStyle::fromPaintProperty(editProperty()));
}

void BoardEditing::applyPolygonSideCount()
{
    if (const PaintProperty *property = editProperty())
        changeShownShape(
            [property](ShapeStyle &style) { style.polygonSideCount = property->polygonSideCount; });
}

void BoardEditing::applyStartAngle()
{
    if (const PaintProperty *property = editProperty())
        changeShownShape(
            [property](ShapeStyle &style) { style.startAngle = property->startAngle; });
}

void BoardEditing::applyAngleSize()
{
    if (const PaintProperty *property = editProperty())
        changeShownShape([property](ShapeStyle &style) { style.angleSize = property->angleSize; });
}

void BoardEditing::applyPenLaser()
{
    const PaintProperty *property = editProperty();
    const int tool = property ? property->paintTool : 0;
    if (tool == PaintTool::Pencil || tool == PaintTool::Pen)
        updateCursor();
}

void BoardEditing::applyHighlightSize()
{
    updateCursor();
}

void BoardEditing::applyEraserSize()
{
    updateCursor();
}

void BoardEditing::applyEraserShape()
{
    updateCursor();
}

void BoardEditing::applyStamp()
{
    updateCursor();
}

void BoardEditing::applyStampPointer()
{
    updateCursor();
}

// Text options: the font operations re-apply the line height, italic, underline and strike-out
// leave it as it is ----------------------------------------------------------------------------

void BoardEditing::setTextFontFamily()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setFontFamily(editProperty()->fontFamily, true);
}

void BoardEditing::setTextFontSize()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setFontSize(editProperty()->fontSize, true);
}

void BoardEditing::setTextBold()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setBold(editProperty()->fontBold, true);
}

void BoardEditing::setTextItalic()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setItalic(editProperty()->fontItalic, false);
}

void BoardEditing::setTextUnderline()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setUnderline(editProperty()->fontUnderline, false);
}

void BoardEditing::setTextStrikeOut()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setStrikeOut(editProperty()->fontDeleteline, false);
}

void BoardEditing::setTextColor()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setTextColor(editProperty()->fontColor);
}

void BoardEditing::setTextBackColor()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setBackgroundColor(editProperty()->textBackColor);
}

void BoardEditing::setTextFrameColor()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setBorderColor(editProperty()->textFrameColor);
}

void BoardEditing::setTextAlign()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setTextAlignment(editProperty()->textAlign);
}

void BoardEditing::setTextLineHeight()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setLineHeight(editProperty()->textLineHeight, true);
}

void BoardEditing::setTextOrder()
{
    if (editProperty() && !items.textBox->isHidden())
        items.textBox->setNumbering(editProperty()->textOrder, true);
}

// Commands by number -----------------------------------------------------------------------------

bool BoardEditing::runEditingCommand(BoardCommand command, int argument)
{
    static const QHash<int, void (BoardEditing::*)()> plain = {
        {int(BoardCommand::Undo), &BoardEditing::undo},
        {int(BoardCommand::Redo), &BoardEditing::redo},
        {int(BoardCommand::Cut), &BoardEditing::cut},
        {int(BoardCommand::Copy), &BoardEditing::copy},
        {int(BoardCommand::Cancel), &BoardEditing::cancel},
        {int(BoardCommand::DeleteSelection), &BoardEditing::deleteSelection},
        {int(BoardCommand::ApplyForeColor), &BoardEditing::applyForeColor},
        {int(BoardCommand::ApplyBackColor), &BoardEditing::applyBackColor},
        {int(BoardCommand::ApplyShapeType), &BoardEditing::applyShapeType},
        {int(BoardCommand::ApplyLineBoldSize), &BoardEditing::applyLineBoldSize},
        {int(BoardCommand::ApplyLineStyle), &BoardEditing::applyLineStyle},
        {int(BoardCommand::ApplyArrowStyle), &BoardEditing::applyArrowStyle},
        {int(BoardCommand::ApplyHighlightSize), &BoardEditing::applyHighlightSize},
        {int(BoardCommand::ApplyEraserSize), &BoardEditing::applyEraserSize},
        {int(BoardCommand::ApplyEraserShape), &BoardEditing::applyEraserShape},
        {int(BoardCommand::ApplyPenLaser), &BoardEditing::applyPenLaser},
        {int(BoardCommand::ApplyLineDegree), &BoardEditing::applyLineDegree},
        {int(BoardCommand::ApplyFillBackColor), &BoardEditing::applyFillBackColor},
        {int(BoardCommand::ApplyIncludedAngle), &BoardEditing::applyIncludedAngle},
        {int(BoardCommand::ApplyPolygonSideCount), &BoardEditing::applyPolygonSideCount},
        {int(BoardCommand::ApplyStartAngle), &BoardEditing::applyStartAngle},
        {int(BoardCommand::ApplyAngleSize), &BoardEditing::applyAngleSize},
        {int(BoardCommand::SetTextFontFamily), &BoardEditing::setTextFontFamily},
        {int(BoardCommand::SetTextFontSize), &BoardEditing::setTextFontSize},
        {int(BoardCommand::SetTextBold), &BoardEditing::setTextBold},
        {int(BoardCommand::SetTextItalic), &BoardEditing::setTextItalic},
        {int(BoardCommand::SetTextUnderline), &BoardEditing::setTextUnderline},
        {int(BoardCommand::SetTextStrikeOut), &BoardEditing::setTextStrikeOut},
        {int(BoardCommand::SetTextColor), &BoardEditing::setTextColor},
        {int(BoardCommand::SetTextBackColor), &BoardEditing::setTextBackColor},
        {int(BoardCommand::SetTextFrameColor), &BoardEditing::setTextFrameColor},
        {int(BoardCommand::SetTextAlign), &BoardEditing::setTextAlign},
        {int(BoardCommand::SetTextLineHeight), &BoardEditing::setTextLineHeight},
        {int(BoardCommand::SetTextOrder), &BoardEditing::setTextOrder},
        {int(BoardCommand::CommitShownItems), &BoardEditing::commitAllShownItems},
        {int(BoardCommand::ExportImage), &BoardEditing::exportImage},
        {int(BoardCommand::Paste), &BoardEditing::paste},
        {int(BoardCommand::SelectAll), &BoardEditing::selectAll},
        {int(BoardCommand::ConfirmClearScreen), &BoardEditing::confirmClearScreen},
        {int(BoardCommand::ClearScreen), &BoardEditing::clearScreen},
        {int(BoardCommand::CleanImpureImage), &BoardEditing::cleanImpureImage},
        {int(BoardCommand::ApplyPaintTool), &BoardEditing::applyPaintTool},
        {int(BoardCommand::FinishEditing), &BoardEditing::finishEditing},
        {int(BoardCommand::ResetKeyState), &BoardEditing::resetKeyState},
    };
    static const QHash<int, void (BoardEditing::*)(int)> withArgument = {
        {int(BoardCommand::ZoomStep), &BoardEditing::zoomStep},
        {int(BoardCommand::SetRotateType), &BoardEditing::setRotateType},
        {int(BoardCommand::HandleDirectionKey), &BoardEditing::handleDirectionKey},
    };
    if (command == BoardCommand::SetCtrlPressed || command == BoardCommand::SetShiftPressed) {
        (command == BoardCommand::SetCtrlPressed ? setCtrlPressed(argument != 0)
                                                 : setShiftPressed(argument != 0));
        return true;
    }
    const auto found = plain.constFind(int(command));
    if (found != plain.constEnd()) {
        (this->*found.value())();
        return true;
    }
    const auto takes = withArgument.constFind(int(command));
    if (takes == withArgument.constEnd())
        return false;
    (this->*takes.value())(argument);
    return true;
}
