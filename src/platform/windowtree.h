#pragma once

#include <QList>
#include <QString>

using WindowHandle = unsigned long;

// The desktop's window tree, as the window-search helpers see it.
class WindowTree
{
public:
    virtual ~WindowTree() = default;
    virtual QList<WindowHandle> topLevelWindows() const = 0;
    virtual QList<WindowHandle> childWindows(WindowHandle window) const = 0;
    virtual QString windowTitle(WindowHandle window) const = 0;
    // Brings the window to the front and gives it the focus.
    virtual bool activateWindow(WindowHandle window) = 0;
};

// The tree of the X server named by DISPLAY, through EWMH where a window manager runs.
class X11WindowTree : public WindowTree
{
public:
    X11WindowTree();
    ~X11WindowTree() override;
    X11WindowTree(const X11WindowTree &) = delete;
    X11WindowTree &operator=(const X11WindowTree &) = delete;

    bool isConnected() const { return m_display != nullptr; }
    QList<WindowHandle> topLevelWindows() const override;
    QList<WindowHandle> childWindows(WindowHandle window) const override;
    QString windowTitle(WindowHandle window) const override;
    bool activateWindow(WindowHandle window) override;

private:
    struct _XDisplay *m_display = nullptr;
};

// A window manager has announced itself on the root window of our display (EWMH), and the
// window it named there still exists.
bool windowManagerRunning();
