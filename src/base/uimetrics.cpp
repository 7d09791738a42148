#include "base/uimetrics.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

#include <X11/Xlib.h>
#include <algorithm>
#include <cmath>

const QPoint invalidPoint(-9999, -9999);
const QPointF invalidPointF(-9999.0, -9999.0);

namespace {

QScreen *primary()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

QRect availableGeometry()
{
    QScreen *screen = primary();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
}

int smallerSide(int w, int h)
{
    return std::min(w, h);
}

} // namespace

namespace metrics {

double pixelsPerMillimetre(int widthPixels, double physicalWidthMm)
{
    const int mm = static_cast<int>(physicalWidthMm);
    // Some screens report no physical size: assume 96 dots per inch.
    if (mm < 1 || widthPixels <= 0)
        return 96.0 / 25.4;
    return double(widthPixels) / mm;
}

int minimumWindowWidth(int availableWidth)
{
    return std::min(availableWidth / 2, 800);
}
int minimumWindowHeight(int availableHeight)
{
    return std::min(availableHeight / 2, 600);
}
int narrowPanelWidth(int availableWidth)
{
    return int(std::ceil(availableWidth * 40 / 1000.0));
}

int titleBarHeight(int availableWidth, int availableHeight)
{
    return int(std::ceil(smallerSide(availableWidth, availableHeight) * 0.05));
}

int sidePanelWidth(int availableWidth)
{
    return int(std::ceil(availableWidth * 180 / 1000.0));
}

int spacingUnit(int availableWidth, int availableHeight)
{
    return int(std::ceil(smallerSide(availableWidth, availableHeight) * 0.00425));
}

int toolStripHeight(int availableWidth, int availableHeight)
{
    return 2 * titleBarHeight(availableWidth, availableHeight) -
           spacingUnit(availableWidth, availableHeight);
}

int titleBarButtonSize(int availableWidth, int availableHeight)
{
    return titleBarHeight(availableWidth, availableHeight) -
           2 * spacingUnit(availableWidth, availableHeight);
}

int cursorSize(int titleBarButtonSize, int base)
{
    const int c = int(std::ceil(0.75 * titleBarButtonSize));
    const int s = int(std::ceil(c * double(std::max(base, 0)) / 24.0));
    return std::min(std::max(s, c), 64);
}

} // namespace metrics

double pixelsPerMillimetre()
{
    QScreen *screen = primary();
    if (!screen)
        return metrics::pixelsPerMillimetre(0, 0);
    return metrics::pixelsPerMillimetre(screen->geometry().width(), screen->physicalSize().width());
}

double pointsToMillimetres(double points)
{
    return points * 25.4 / 72.0;
}

QRect screenGeometry()
{
    QScreen *screen = primary();
    return screen ? screen->geometry() : QRect(0, 0, 1920, 1080);
}

int availableScreenWidth()
{
    return availableGeometry().width();
}
int availableScreenHeight()
{
    return availableGeometry().height();
}
int minimumWindowWidth()
{
    return metrics::minimumWindowWidth(availableScreenWidth());
}
int minimumWindowHeight()
{
    return metrics::minimumWindowHeight(availableScreenHeight());
}
int narrowPanelWidth()
{
    return metrics::narrowPanelWidth(availableScreenWidth());
}

int titleBarHeight()
{
    return metrics::titleBarHeight(availableScreenWidth(), availableScreenHeight());
}

int sidePanelWidth()
{
    return metrics::sidePanelWidth(availableScreenWidth());
}
int barHeight()
{
    return titleBarHeight();
}

int spacingUnit()
{
    return metrics::spacingUnit(availableScreenWidth(), availableScreenHeight());
}

int toolStripHeight()
{
    return metrics::toolStripHeight(availableScreenWidth(), availableScreenHeight());
}

int titleBarButtonSize()
{
    return metrics::titleBarButtonSize(availableScreenWidth(), availableScreenHeight());
}

int borderRadius()
{
    return 2;
}
double fiveMillimetresInPixels()
{
    return 5.0 * pixelsPerMillimetre();
}

int systemCursorBaseSize()
{
    bool ok = false;
    const int fromEnv = qEnvironmentVariableIntValue("XCURSOR_SIZE", &ok);
    if (ok && fromEnv > 0)
        return fromEnv;
    static int fromResource = -1;
    if (fromResource < 0) {
        fromResource = 0;
        if (Display *display = XOpenDisplay(nullptr)) {
            if (const char *value = XGetDefault(display, "Xcursor", "size"))
                fromResource = std::max(0, QByteArray(value).toInt());
            XCloseDisplay(display);
        }
    }
    return fromResource;
}

int cursorSize()
{
    return metrics::cursorSize(titleBarButtonSize(), systemCursorBaseSize());
}

QColor menuBackgroundColor()
{
    return QColor(248, 248, 248);
}
QColor whiteColor()
{
    return QColor(Qt::white);
}
QColor tabItemColorA()
{
    return QColor(242, 242, 242);
}
QColor tabItemColorB()
{
    return QColor(245, 245, 245);
}
QColor tabItemColorC()
{
    return QColor(248, 248, 248);
}
QColor tabItemColorD()
{
    return QColor(242, 242, 242);
}
QColor panelBackgroundColor()
{
    return QColor(248, 248, 248);
}
QColor stripBackgroundColor()
{
    return QColor(240, 241, 242);
}
QColor hoverBackgroundColor()
{
    return QColor(232, 235, 239);
}
QColor checkedBackgroundColor()
{
    return QColor(221, 226, 230);
}
QColor borderColor()
{
    return QColor(220, 220, 220);
}
QColor documentBackgroundColor()
{
    return QColor(236, 236, 236);
}
QColor lightPanelColor()
{
    return QColor(244, 244, 244);
}

QStringList supportedFileSuffixes()
{
    return {QStringLiteral("ppt"),  QStringLiteral("pptx"), QStringLiteral("pdf"),
            QStringLiteral("doc"),  QStringLiteral("docx"), QStringLiteral("jpg"),
            QStringLiteral("jpeg"), QStringLiteral("png"),  QStringLiteral("bmp"),
            QStringLiteral("gif"),  QStringLiteral("tif"),  QStringLiteral("tiff"),
            QStringLiteral("webp")};
}
