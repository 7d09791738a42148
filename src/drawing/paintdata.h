#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <QVector>

// One recorded drawing action of a page. The type is the number of the tool that made it; what
// the numbered and string fields hold depends on the type. Points are page coordinates.
class PaintData : public QObject
{
    Q_OBJECT
public:
    explicit PaintData(QObject *parent = nullptr);

    // Back to the defaults: numbers zero, strings and vectors empty, flags false.
    void clear();

    bool active = false;
    int type = 0;
    int value1 = 0;
    int value2 = 0;
    int width = 0;
    int style = 0;
    QString color;
    QString color2;
    QString text;
    QVector<QPointF> points;
    QVector<double> values;
    bool sourceFixed = false;
    bool closed = false;
};

// Kinds held in value2 of a selection action.
namespace SelectionKind {
enum : int {
    MovedRegion = 0,
    DeletedRegion = 1,
    PastedImage = 2,
};
} // namespace SelectionKind
