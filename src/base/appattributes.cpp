#include "base/appattributes.h"

#include <QCoreApplication>

void prepareApplication()
{
    // Global keys, window search and capture need X11: prefer it (XWayland on Wayland), or Qt
    // picks its Wayland plugin where one is installed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, true);
    QCoreApplication::setAttribute(Qt::AA_NativeWindows, false);
    // No widget of ours draws with OpenGL: without this every window is made ready for GL
    // children, which loads Mesa (and LLVM) before the first window shows.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, true);
}
