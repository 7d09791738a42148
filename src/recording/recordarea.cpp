#include "recording/recordarea.h"

#include "app/uimetrics.h"

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
