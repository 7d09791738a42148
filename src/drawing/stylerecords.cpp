#include "drawing/stylerecords.h"

#include "drawing/colorname.h"
#include "drawing/paintproperty.h"

namespace {
// Optional colours are kept empty when they stand for no colour, so that every reader of a
// record sees one form of "none".
QString optionalColor(const QString &name)
{
    return isNoColor(name) ? QString() : name;
}

QString fillColorOf(const PaintProperty *property)
{
    return property->isFillBackColor ? optionalColor(property->backColor) : QString();
}

// What every stroke record takes from the tool options: colour, width, line style and, where
// the record has one, the fill; the record's defaults without options.
template <typename Style, bool filled>
Style strokeOf(const PaintProperty *property)
{
    Style style;
    if (!property)
        return style;
    style.color = property->foreColor;
    style.lineWidth = property->lineBoldSize;
    style.lineStyle = property->lineStyle;
    if constexpr (filled)
        style.fillColor = fillColorOf(property);
    return style;
}
} // namespace

ShapeStyle ShapeStyle::fromPaintProperty(const PaintProperty *property)
{
    ShapeStyle style = strokeOf<ShapeStyle, true>(property);
    if (property) {
        style.shapeType = property->shapeType;
        style.hasLineDegree = property->hasLineDegree;
        style.polygonSideCount = property->polygonSideCount;
        style.startAngle = property->startAngle;
        style.angleSize = property->angleSize;
    }
    return style;
}

LineStyle LineStyle::fromPaintProperty(const PaintProperty *property)
{
    LineStyle style = strokeOf<LineStyle, false>(property);
    if (!property)
        return style;
    style.arrowStyle = property->arrowStyle;
    style.hasLineDegree = property->hasLineDegree;
    return style;
}

PolylineStyle PolylineStyle::fromPaintProperty(const PaintProperty *property)
{
    PolylineStyle style = strokeOf<PolylineStyle, true>(property);
    if (property)
        style.hasIncludedAngle = property->hasIncludedAngle;
    return style;
}

PenStyle PenStyle::fromPaintProperty(const PaintProperty *property)
{
    return strokeOf<PenStyle, true>(property);
}

TextStyle TextStyle::fromPaintProperty(const PaintProperty *property)
{
    if (!property)
        return TextStyle();
    TextStyle style = *property;
    style.textBackColor = optionalColor(style.textBackColor);
    style.textFrameColor = optionalColor(style.textFrameColor);
    return style;
}

int clampLineStyle(int lineStyle)
{
    return (lineStyle >= 2 && lineStyle <= 5) ? lineStyle : 1;
}

Qt::PenStyle penStyleOf(int lineStyle)
{
    return static_cast<Qt::PenStyle>(clampLineStyle(lineStyle));
}

double penWidthFactor(int kind)
{
    if (kind == 1)
        return 1.5;
    if (kind == 2)
        return 2.0;
    return 1.0;
}

QFont textStyleFont(const PaintProperty *property)
{
    QFont font;
    if (!property)
        return font;
    font.setFamily(property->fontFamily);
    if (property->fontSize > 0)
        font.setPointSize(property->fontSize);
    font.setWeight(property->fontBold ? 75 : 50);
    font.setItalic(property->fontItalic);
    font.setUnderline(property->fontUnderline);
    font.setStrikeOut(property->fontDeleteline);
    return font;
}
