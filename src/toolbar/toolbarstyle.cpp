#include "toolbar/toolbarstyle.h"

ToolBarStyle::ToolBarStyle(QStyle *base)
    : QProxyStyle(base)
{}

int ToolBarStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                              const QWidget *widget) const
{
    if (metric == QStyle::PM_ToolBarFrameWidth || metric == QStyle::PM_ToolBarItemMargin)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
