#pragma once

#include <QObject>
#include <QString>

#include "drawing/stylerecords.h"

// The eraser's shapes, in the order of the tool bar's list.
namespace EraserShape {
enum : int {
    Square = 0,
    Circle = 1,
};
} // namespace EraserShape

// The one shared record of the current paint tool and every tool option. The toolbar writes the
// fields and then emits its own signal; canvases and items read them when they need them. The
// text box options are those of the text style record.
class PaintProperty : public QObject, public TextStyle
{
    Q_OBJECT
public:
    explicit PaintProperty(QObject *parent = nullptr);

    int paintTool = 0;
    QString foreColor = QStringLiteral("#000000");
    QString backColor = QStringLiteral("#ffffff");
    int shapeType = ShapeType::Ellipse;
    int lineBoldSize = 2;
    int lineStyle = 1;
    int arrowStyle = 0;
    int highlightSize = 2;
    int eraserSize = 2;
    int eraserShape = EraserShape::Square;
    bool isFillBackColor = false;
    bool hasPenLaser = false;
    bool hasLineDegree = false;
    bool hasIncludedAngle = false;
    int polygonSideCount = 3;
    int startAngle = 60;
    int angleSize = 60;
    QString stampName;
    QString stampTeacherPointer;
};

// Tool numbers held in paintTool; also the type of the action a tool records.
namespace PaintTool {
enum : int {
    Mouse = 0,
    Selection = 1,
    Pencil = 2,
    Pen = 3,
    Highlighter = 4,
    Eraser = 5,
    Line = 6,
    Shape = 7,
    Polyline = 8,
    FreeCurve = 9,
    TextBox = 10,
    Stamp = 11,
};
} // namespace PaintTool
