#include "base/appattributes.h"

#include <QCoreApplication>

void setApplicationAttributes()
{
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, true);
    QCoreApplication::setAttribute(Qt::AA_NativeWindows, false);
    // No widget of ours draws with OpenGL: without this every window is made ready for GL
    // children, which loads Mesa (and LLVM) before the first window shows.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, true);
}
