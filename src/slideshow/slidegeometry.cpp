#include "slideshow/slidegeometry.h"

#include <QtMath>

namespace SlideGeometry {

QSize fitToScreen(const QSize &slide, const QSize &free)
{
    const double w = slide.width();
    const double h = slide.height();
    if (w <= 0 || h <= 0 || free.width() <= 0 || free.height() <= 0)
        return QSize();
    const double m = free.width();
    const double o = free.height();
    if (w / h >= m / o)
        return QSize(free.width(), qCeil(m * h / w));
    return QSize(qCeil(o * w / h), free.height());
}

QRect placeInArea(const QSize &slide, const QSize &area)
{
    const double w = slide.width();
    const double h = slide.height();
    const double f = area.width();
    const double g = area.height();
    if (w <= 0 || h <= 0 || f <= 0 || g <= 0)
        return QRect();
    if (w / h >= f / g) {
        const int height = qCeil(h * f / w);
        return QRect(0, qCeil((g - height) * 0.5), area.width(), height);
    }
    const int width = qCeil(w * g / h);
    return QRect(qCeil((f - width) * 0.5), 0, width, area.height());
}

int pageAfterCommand(SlideCommand command, int current, int count)
{
    if (count <= 0)
        return 0;
    switch (command) {
        case SlideCommand::Stay:
            return current;
        case SlideCommand::PreviousStep:
        case SlideCommand::PreviousPage:
            return current < 2 ? count : current - 1;
        case SlideCommand::NextStep:
        case SlideCommand::NextPage:
        case SlideCommand::NextPageInPictureMode:
            return current < count ? current + 1 : 1;
    }
    return 0;
}

SlideCommand commandForArrow(ArrowDirection direction)
{
    switch (direction) {
        case ArrowDirection::Up:
            return SlideCommand::PreviousStep;
        case ArrowDirection::Down:
            return SlideCommand::NextStep;
        case ArrowDirection::Left:
            return SlideCommand::PreviousPage;
        case ArrowDirection::Right:
            return SlideCommand::NextPage;
    }
    return SlideCommand::Stay;
}

std::optional<SlideCommand> slideCommandFromInt(int command)
{
    if (command < int(SlideCommand::Stay) || command > int(SlideCommand::NextPageInPictureMode))
        return std::nullopt;
    return SlideCommand(command);
}

} // namespace SlideGeometry
