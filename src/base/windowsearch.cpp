#include "base/windowsearch.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/screencapture.h"

namespace {

// Titles are compared as the desktop reports them, at most 254 characters.
QString clippedTitle(const WindowTree &tree, WindowHandle window)
{
    return tree.windowTitle(window).left(254);
}

void collectDescendants(const WindowTree &tree, WindowHandle window, QList<WindowHandle> &out)
{
    const QList<WindowHandle> children = tree.childWindows(window);
    for (WindowHandle child : children) {
        out.append(child);
        collectDescendants(tree, child, out);
    }
}

} // namespace

bool findTopLevelWindowByTitle(const WindowTree &tree, const QString &title, WindowHandle &found)
{
    found = 0;
    const QList<WindowHandle> windows = tree.topLevelWindows();
    for (WindowHandle window : windows) {
        if (clippedTitle(tree, window).trimmed() == title) {
            found = window;
            return true;
        }
    }
    return false;
}

bool findWindowsByTitleText(const WindowTree &tree, const QString &text, QList<WindowHandle> &found)
{
    found.clear();
    const QList<WindowHandle> windows = tree.topLevelWindows();
    for (WindowHandle window : windows) {
        if (clippedTitle(tree, window).contains(text, Qt::CaseInsensitive))
            found.append(window);
        QList<WindowHandle> descendants;
        collectDescendants(tree, window, descendants);
        for (WindowHandle child : qAsConst(descendants)) {
            if (clippedTitle(tree, child).contains(text, Qt::CaseInsensitive))
                found.append(window);
        }
    }
    return !found.isEmpty();
}

int countChildWindows(const WindowTree &tree, WindowHandle window)
{
    QList<WindowHandle> descendants;
    collectDescendants(tree, window, descendants);
    return descendants.size();
}

QString screenGrabFailedText()
{
    return QStringLiteral("获取屏幕位置信息失败，请重试");
}

QPixmap grabPrimaryScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QPixmap();
    if (!ScreenCapture::isWaylandSession())
        return screen->grabWindow(0);
    // Under XWayland the root window has no contents: the desktop's portal gives the screen.
    QPixmap picture = ScreenCapture::grabScreen(screen->size() * screen->devicePixelRatio());
    picture.setDevicePixelRatio(screen->devicePixelRatio());
    return picture;
}
