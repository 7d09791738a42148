#include "drawing/colorname.h"

bool isNoColor(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(QLatin1String("NONE"), Qt::CaseInsensitive) == 0)
        return true;
    return !QColor::isValidColor(trimmed);
}

QColor colorFromName(const QString &name)
{
    if (isNoColor(name))
        return QColor();
    return QColor(name.trimmed());
}
