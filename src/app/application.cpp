#include "app/application.h"

#include "base/globals.h"

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{}

bool Application::event(QEvent *event)
{
    // Pen proximity tells the canvases to ignore the mouse events synthesised from the pen.
    switch (event->type()) {
        case QEvent::TabletEnterProximity:
            penInProximity = true;
            event->accept();
            return true;
        case QEvent::TabletLeaveProximity:
            penInProximity = false;
            event->accept();
            return true;
        default:
            return QApplication::event(event);
    }
}
