#pragma once

#include <QtTest>

#include <QDir>
#include <QGuiApplication>

#include "canvas/canvas.h"
#include "mainwindow/tabitem.h"
#include "platform/screencapture.h"

extern "C" {
#include <libavutil/log.h>
}

#include "x11window.h"

// What the tests run inside a Wayland session of their own (tests/waylandsession.sh) share.

// Outside its session the test is skipped; a session that could not start fails under CI,
// where everything it needs is installed. Inside, the program runs on XWayland.
#define QB_REQUIRE_WAYLAND_SESSION(how)                                             \
    do {                                                                            \
        if (qEnvironmentVariableIsEmpty("QB_WAYLAND_BASE"))                         \
            QSKIP("runs inside its own Wayland session: " how);                     \
        const QString unavailable = qEnvironmentVariable("QB_WAYLAND_UNAVAILABLE"); \
        if (!unavailable.isEmpty() && !qEnvironmentVariableIsEmpty("CI"))           \
            QFAIL(qPrintable(unavailable));                                         \
        if (!unavailable.isEmpty())                                                 \
            QSKIP(qPrintable(unavailable));                                         \
        QVERIFY(ScreenCapture::isWaylandSession());                                 \
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));           \
        av_log_set_level(AV_LOG_ERROR);                                             \
    } while (false)

// The window's board, a new one when no tab is open.
inline Canvas *waylandBoard(MainWindow &window)
{
    if (!window.currentTabItem())
        window.newWhiteboardTab(QStringLiteral("#ffffff"));
    return window.currentTabItem() ? window.currentTabItem()->canvas : nullptr;
}

// Shows the window floating over part of the desktop, recording into a folder of its own.
inline bool showOverDesktop(X11Window &x)
{
    MainWindow &window = x.window;
    window.settings.avoutpath = x.dataDir + "/videos";
    if (!QDir().mkpath(window.settings.avoutpath))
        return false;
    window.show();
    if (!x.shown())
        return false;
    window.showNormal();
    window.setGeometry(160, 120, 1200, 800);
    QTest::qWait(500);
    return true;
}
