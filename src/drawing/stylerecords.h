#pragma once

#include <QFont>
#include <QString>

class PaintProperty;

// Plain value records that the items hold instead of reading PaintProperty themselves. Each
// builder starts from the default record; the fill colour is the only conditional field: it is
// backColor only while isFillBackColor is set, else empty (no fill).

// The figures of the shape tool. Up to the cone they are outlined figures with a line style;
// the rest are teaching aids drawn in their own way.
namespace ShapeType {
enum : int {
    Ellipse = 1,
    Rectangle = 2,
    Parallelogram = 3,
    Diamond = 4,
    RightTriangle = 5,
    RegularPolygon = 6,
    Sector = 7,
    Arc = 8, // drawn as the segment a chord cuts off
    Cuboid = 9,
    Cylinder = 10,
    Sphere = 11,
    Cone = 12,
    PlaneAxes = 21,
    SpaceAxes = 22,
    FourLineGrid = 23,
    FiveLineGrid = 24,
    Ruler = 25,
    Protractor = 26,
    Parabola = 27,
    WavyLine = 28,
    Tick = 29,
    HalfTick = 30,
};
} // namespace ShapeType

struct ShapeStyle
{
    QString color = QStringLiteral("#000000");
    QString fillColor = QStringLiteral("#ffffff");
    int shapeType = ShapeType::Ellipse;
    int lineWidth = 2;
    int lineStyle = 1;
    bool hasLineDegree = false;
    int polygonSideCount = 3;
    int startAngle = 60;
    int angleSize = 60;
    bool cuboidDepthSet = false;
    double cuboidDepth = 0.0;
    double cuboidFrontWidth = 0.0;
    bool isShape = false;

    static ShapeStyle fromPaintProperty(const PaintProperty *property);
};

struct LineStyle
{
    int lineWidth = 2;
    int lineStyle = 1;
    int arrowStyle = 0;
    bool hasLineDegree = false;
    QString color = QStringLiteral("#000000");

    static LineStyle fromPaintProperty(const PaintProperty *property);
};

struct PenStyle
{
    QString color = QStringLiteral("#000000");
    QString fillColor = QStringLiteral("#ffffff");
    int lineWidth = 2;
    int lineStyle = 1;

    static PenStyle fromPaintProperty(const PaintProperty *property);
};

// The pen of a connected line, with its joint angles shown or not.
struct PolylineStyle : PenStyle
{
    bool hasIncludedAngle = false;

    static PolylineStyle fromPaintProperty(const PaintProperty *property);
};

struct TextStyle
{
    QString fontFamily;
    int fontSize = 14;
    bool fontBold = false;
    bool fontItalic = false;
    bool fontUnderline = false;
    bool fontDeleteline = false;
    QString fontColor = QStringLiteral("#000000");
    QString textBackColor;
    QString textFrameColor;
    int textAlign = 0;
    int textLineHeight = 0;
    int textOrder = 0;

    static TextStyle fromPaintProperty(const PaintProperty *property);
};

// The Qt pen style number for a recorded line style: 2 to 5 as they are, anything else solid (1).
int clampLineStyle(int lineStyle);
// Qt::PenStyle form of clampLineStyle, for painters.
Qt::PenStyle penStyleOf(int lineStyle);

// Width factor of a pen kind: 1 gives 1.5, 2 gives 2.0, anything else 1.0.
double penWidthFactor(int kind);
// The text box font of the current options.
QFont textStyleFont(const PaintProperty *property);
