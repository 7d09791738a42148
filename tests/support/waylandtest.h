#pragma once

#include <QtTest>

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>

#include "canvas/canvas.h"
#include "documents/tabitem.h"
#include "platform/screencapture.h"
#include "recording/desktopareaselecter.h"

extern "C" {
#include <libavutil/log.h>
}

#include "boxanswerer.h"
#include "userinput.h"
#include "x11window.h"

// What the tests run inside a Wayland session of their own (tests/support/waylandsession.sh) share.

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

// Alt+A's selector: drags from one point of the screen to another and saves the area into path.
// Empty when it was saved, else what went wrong.
inline QString saveDesktopArea(MainWindow &window, const QPoint &from, const QPoint &to,
                               const QString &path)
{
    QAction *shot = nullptr;
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->shortcut() == QKeySequence(Qt::ALT | Qt::Key_A))
            shot = action;
    }
    if (!shot)
        return QStringLiteral("no Alt+A action");
    shot->trigger();
    DesktopAreaSelecter *selecter = nullptr;
    // The desktop may ask first.
    if (!QTest::qWaitFor(
            [&] {
                return (selecter = window.findChild<DesktopAreaSelecter *>()) &&
                       selecter->isVisible();
            },
            15000))
        return QStringLiteral("the selector did not show");
    selecter->saveFileChooser = [path] { return path; };
    const QPoint a = selecter->mapFromGlobal(from), b = selecter->mapFromGlobal(to);
    sendMouse(selecter, QEvent::MouseButtonPress, a);
    sendMouse(selecter, QEvent::MouseMove, (a + b) / 2);
    sendMouse(selecter, QEvent::MouseMove, b);
    sendMouse(selecter, QEvent::MouseButtonRelease, b);
    QTest::qWait(200);
    auto *save = visibleChild<QPushButton>(
        selecter, [](QPushButton *button) { return button->text() == QStringLiteral("保存"); });
    if (!save)
        return QStringLiteral("no save button");
    // A failed save is told in a box, which would hold the click.
    BoxAnswerer boxes(QStringLiteral("OK"));
    save->click();
    return boxes.awaited([&] { return QFileInfo::exists(path); }, 5000);
}
