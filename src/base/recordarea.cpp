#include "base/recordarea.h"

#include <QDate>
#include <QRect>
#include <QString>

#include "base/uimetrics.h"

bool isRecordAreaValid(int x, int y, int w, int h, int screenWidth, int screenHeight)
{
    // 64-bit sums: stored values are read unchecked and may be huge.
    return x >= 0 && y >= 0 && w >= 240 && h >= 240 && qint64(x) + w <= screenWidth &&
           qint64(y) + h <= screenHeight && w % 4 == 0 && h % 4 == 0;
}

bool isRecordAreaValid(int x, int y, int w, int h)
{
    return isRecordAreaValid(x, y, w, h, availableScreenWidth(), availableScreenHeight());
}

void adjustRecordArea(int &x, int &y, int &w, int &h, int screenWidth, int screenHeight)
{
    w = qMin(qMax(w, 240), screenWidth) / 4 * 4;
    h = qMin(qMax(h, 240), screenHeight) / 4 * 4;
    x = qMax(x, 0);
    y = qMax(y, 0);
    if (qint64(x) + w > screenWidth)
        x = screenWidth - w;
    if (qint64(y) + h > screenHeight)
        y = screenHeight - h;
}

void adjustRecordArea(int &x, int &y, int &w, int &h)
{
    adjustRecordArea(x, y, w, h, availableScreenWidth(), availableScreenHeight());
}

void adjustScreenshotArea(int &x, int &y, int &w, int &h, int screenWidth, int screenHeight)
{
    w = qBound(10, w, qMax(10, screenWidth));
    h = qBound(10, h, qMax(10, screenHeight));
    x = qMax(x, 0);
    y = qMax(y, 0);
    if (qint64(x) + w > screenWidth)
        x = qMax(0, screenWidth - w);
    if (qint64(y) + h > screenHeight)
        y = qMax(0, screenHeight - h);
}

void adjustScreenshotArea(int &x, int &y, int &w, int &h)
{
    adjustScreenshotArea(x, y, w, h, availableScreenWidth(), availableScreenHeight());
}

QRect screenPixelArea(const QRect &logical, qreal ratio)
{
    const int x = qRound(logical.x() * ratio), y = qRound(logical.y() * ratio);
    const int w = int(logical.width() * ratio) / 4 * 4, h = int(logical.height() * ratio) / 4 * 4;
    return QRect(x, y, w, h);
}

QString recordingFileName(const QDate &date, qint64 secondsSinceEpoch)
{
    return QStringLiteral("%1_%2_%3_%4.mp4")
        .arg(date.year())
        .arg(date.month())
        .arg(date.day())
        .arg(secondsSinceEpoch);
}

QString recordingFilePath(const QString &folder, const QString &fileName)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + fileName
                                             : folder + QLatin1Char('/') + fileName;
}
