#pragma once

#include <QtTest>

#include <QAbstractButton>
#include <QProcess>
#include <QScreen>

#include <functional>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "mainwindow/mainwindow.h"

#include "requiredprograms.h"
#include "windowsetup.h"

// What the X tests share: xdotool driving the real window, started as the program starts it.

#define QB_SKIP_WITHOUT_XDOTOOL()                                    \
    do {                                                             \
        if (QGuiApplication::platformName() != QLatin1String("xcb")) \
            QSKIP("needs an X server");                              \
        QB_REQUIRE_PROGRAM("xdotool");                               \
    } while (false)

inline void xdo(const QStringList &arguments)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

// The X server counts in screen pixels, Qt in logical ones.
inline QPoint screenPixels(const QPoint &global)
{
    return global * QGuiApplication::primaryScreen()->devicePixelRatio();
}

inline void moveTo(const QPoint &global)
{
    // With --sync xdotool waits for the pointer to move, which it never does if it is there.
    const QPoint to = screenPixels(global);
    if (QCursor::pos() != global)
        xdo({"mousemove", "--sync", QString::number(to.x()), QString::number(to.y())});
    QTest::qWait(50);
}

inline void click(QWidget *widget)
{
    QVERIFY(widget && widget->isVisible());
    moveTo(widget->mapToGlobal(widget->rect().center()));
    xdo({"click", "1"});
    QTest::qWait(200);
}

template <class T>
T *visibleChild(QWidget *parent, const std::function<bool(T *)> &match)
{
    for (T *child : parent->findChildren<T *>()) {
        if (child->isVisible() && match(child))
            return child;
    }
    return nullptr;
}

inline QAbstractButton *buttonWithTip(QWidget *window, const QString &tipStart)
{
    return visibleChild<QAbstractButton>(
        window, [&](QAbstractButton *b) { return b->toolTip().startsWith(tipStart); });
}

// The main window in its own size, its data in a fresh folder; check shown() first.
struct X11Window
{
    X11Window()
    {
        mainWindow = &window;
        // A first start on a Wayland desktop without global keys says so in a box: this one
        // starts as a window that has told it.
        QDir().mkpath(configDirPath());
        FileSystem::writeBytes(hotKeyNoticeFilePath(), QByteArray());
        runStartUpSteps(window, [](MainWindow &m) { m.settings.winw = 0; });
    }
    ~X11Window() { mainWindow = nullptr; }
    bool shown()
    {
        const bool exposed = QTest::qWaitForWindowExposed(&window);
        QTest::qWait(300);
        return exposed;
    }

    QTemporaryDir data;
    // Set before the window exists: all it reads and writes lives below appDataDir.
    const QString dataDir = appDataDir = data.path();
    MainWindow window;
};
