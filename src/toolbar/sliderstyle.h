#pragma once

#include <QProxyStyle>

// Makes a left click on a slider's groove move the handle straight to the click.
class SliderStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Takes ownership of base; pass a style of the slider's own, never the application's.
    explicit SliderStyle(QStyle *base);

    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
                  const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
};
