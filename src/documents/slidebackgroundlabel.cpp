#include "documents/slidebackgroundlabel.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include "drawing/slidecommand.h"

SlideBackgroundLabel::SlideBackgroundLabel(QWidget *parent, SlideBackgroundHost *host)
    : QLabel(parent)
    , ownerWindow(parent)
    , host(host ? host : dynamic_cast<SlideBackgroundHost *>(parent))
{
    setFocusPolicy(Qt::NoFocus);
}

void SlideBackgroundLabel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (!host || event->button() != Qt::LeftButton)
        return;
    if (host->isSlideShowLost())
        host->navigateSlideShow(int(SlideCommand::NextStep));
    else
        host->slideBackgroundStep();
}

void SlideBackgroundLabel::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (!host)
        return;
    const int delta = event->angleDelta().y();
    if (delta > 0)
        host->navigateSlideShow(int(SlideCommand::PreviousStep));
    else if (delta < 0)
        host->navigateSlideShow(int(SlideCommand::NextStep));
}
