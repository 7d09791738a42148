#pragma once

// A PulseAudio daemon of the caller's own: a private runtime folder and home, a null sink whose
// monitor is the default input, no real device. It ends with the object, a failed test
// included, and with this process should that die first. Also the marks that measureAvSync()
// finds: a full-black window on the screen and a beep played into the sink at the same moment.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QX11Info>

#include <xcb/xcb.h>
#include <cmath>
#include <csignal>

#include "platform/childprocess.h"

class PulseServer
{
public:
    static bool installed() { return !QStandardPaths::findExecutable("pulseaudio").isEmpty(); }

    // Starts the daemon and points this process's sound (Qt Multimedia, pactl, pacat) at it;
    // the reason when it could not.
    QString start()
    {
        const QString run = dir.path() + "/run", home = dir.path() + "/home";
        if (!QDir().mkpath(run) || !QDir().mkpath(home) ||
            !QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return "no private folders";
        const QString socket = run + "/native";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", run);
        env.insert("HOME", home);
        env.remove("PULSE_SERVER");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        daemon.setProcessEnvironment(env);
        daemon.setParentDeathSignal(SIGTERM);
        player.setParentDeathSignal(SIGTERM);
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        // As root (CI) the daemon warns that it is meant for a user session and runs on.
        daemon.start("pulseaudio",
                     {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                      "--realtime=no", "--high-priority=no", "--log-target=stderr",
                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                      "--load=module-null-sink sink_name=" + sink() + " rate=44100 channels=2"});
        if (!daemon.waitForStarted(5000))
            return "pulseaudio does not start: " + daemon.errorString();
        qputenv("PULSE_SERVER", "unix:" + socket.toUtf8());
        QElapsedTimer waited;
        waited.start();
        while (!pactl({"info"})) {
            if (daemon.state() != QProcess::Running || waited.elapsed() > 15000)
                return "pulseaudio is not answering: " + QString::fromLocal8Bit(daemon.readAll());
            QThread::msleep(50);
        }
        if (!pactl({"set-default-sink", sink()}) ||
            !pactl({"set-default-source", sink() + ".monitor"}))
            return "no default devices";
        // A player connected ahead, with a short buffer, plays what it is given at once.
        player.start("pacat", {"--playback", "--raw", "--format=s16le", "--rate=44100",
                               "--channels=1", "--latency-msec=20", "--device=" + sink()});
        if (!player.waitForStarted(5000))
            return "pacat does not start: " + player.errorString();
        return QString();
    }
    ~PulseServer()
    {
        // This process's sound stays pointed at the ended server, never at a real one.
        for (ChildProcess *child : {&player, &daemon}) {
            if (child->state() == QProcess::NotRunning)
                continue;
            child->closeWriteChannel();
            child->terminate();
            if (!child->waitForFinished(3000)) {
                child->kill();
                child->waitForFinished(3000);
            }
        }
    }
    static QString sink() { return QStringLiteral("quillboard_test"); }
    qint64 daemonPid() const { return daemon.processId(); }

    // The daemon crashes: killed at once, no goodbye to its clients.
    void crash()
    {
        ::kill(pid_t(daemon.processId()), SIGKILL);
        daemon.waitForFinished(3000);
    }

    // A 1 kHz tone at 0.8 of full scale, played into the sink now.
    bool beep(int ms)
    {
        QByteArray pcm(44100 * ms / 1000 * 2, '\0');
        auto *samples = reinterpret_cast<qint16 *>(pcm.data());
        for (int i = 0; i < pcm.size() / 2; ++i)
            samples[i] = qint16(std::lround(0.8 * 32767 * std::sin(2 * M_PI * 1000.0 * i / 44100)));
        return player.write(pcm) == pcm.size() && player.waitForBytesWritten(1000);
    }

    // A full-black window over the screen and, the moment the screen shows it, a beep; both
    // last holdMs. False when either could not be made. The X server paints the window's
    // background itself on mapping it: no picture of screen size goes to it that a capture
    // would wait behind.
    bool markScreenAndSound(int holdMs = 500)
    {
        xcb_connection_t *x = QX11Info::connection();
        if (!x || !QGuiApplication::primaryScreen())
            return false;
        const xcb_screen_t *root = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
        if (!root)
            return false;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const xcb_window_t mark = xcb_generate_id(x);
        const uint32_t values[] = {root->black_pixel, 1};
        xcb_create_window(x, XCB_COPY_FROM_PARENT, mark, root->root, int16_t(screen.x()),
                          int16_t(screen.y()), uint16_t(screen.width()), uint16_t(screen.height()),
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(x, mark);
        xcb_flush(x);
        // The pointer is no part of the screen's picture: one point tells.
        const QPoint probe = screen.center() - screen.topLeft();
        QElapsedTimer waited;
        waited.start();
        bool shown = true;
        while (QGuiApplication::primaryScreen()
                   ->grabWindow(0, probe.x(), probe.y(), 1, 1)
                   .toImage()
                   .pixel(0, 0) != qRgb(0, 0, 0)) {
            if ((shown = waited.elapsed() < 3000) == false)
                break;
        }
        const bool played = shown && beep(holdMs);
        QEventLoop loop;
        QTimer::singleShot(shown ? holdMs : 0, &loop, &QEventLoop::quit);
        loop.exec();
        xcb_destroy_window(x, mark);
        xcb_flush(x);
        return played;
    }

    static bool pactl(const QStringList &arguments)
    {
        QProcess command;
        command.start("pactl", arguments);
        return command.waitForFinished(5000) && command.exitStatus() == QProcess::NormalExit &&
               command.exitCode() == 0;
    }

private:
    QTemporaryDir dir;
    ChildProcess daemon;
    ChildProcess player;
};
