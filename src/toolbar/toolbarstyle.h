#pragma once

#include <QProxyStyle>

// Gives a toolbar no frame or item margin of its own, so that its groups, whose margins and
// rows are sized to the strip, get the strip's whole height.
class ToolBarStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Takes ownership of base; pass a style of the toolbar's own, never the application's.
    explicit ToolBarStyle(QStyle *base);

    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
};
