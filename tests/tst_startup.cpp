#include <QtTest>

#include <csignal>

#include <signal.h>

#include "app/crashhandler.h"
#include "app/singleinstance.h"
#include "base/filesystem.h"
#include "platform/childprocess.h"
#include "platform/windowtree.h"

namespace {

// A window tree with one window, recording which window was brought to the front.
class OneWindowTree : public WindowTree
{
public:
    QList<WindowHandle> topLevelWindows() const override { return {7}; }
    QList<WindowHandle> childWindows(WindowHandle) const override { return {}; }
    QString windowTitle(WindowHandle) const override { return title; }
    bool activateWindow(WindowHandle window) override
    {
        activated = window;
        return true;
    }
    QString title;
    WindowHandle activated = 0;
};

QProcessEnvironment environmentFor(const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", root + "/data");
    env.insert("XDG_CONFIG_HOME", root + "/config");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

bool waitFor(const std::function<bool()> &condition, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void handOverFileFormat();
    void secondInstanceHandsOverAndExits();
    void crashStartsApologyAndEndsBySignal_data();
    void crashStartsApologyAndEndsBySignal();
    void crashReportClearsItsClipboardAndStartsTheUpdater();
    void crashBeforeDataFolderDoesNotRestart();
};

void TestStartup::handOverFileFormat()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("opflist.dll");
    OneWindowTree tree;
    tree.title = "  墨岚白板(Quillboard) ";
    QVERIFY(
        handOverToRunningInstance(file, {"/t/甲.pdf", "/t/b.png"}, tree, "墨岚白板(Quillboard)"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QString("/t/甲.pdf;/t/b.png").toUtf8());
    QCOMPARE(tree.activated, WindowHandle(7));

    // No files: the file is emptied and the window still raised; the exact title matters.
    tree.activated = 0;
    tree.title = "墨岚白板(quillboard)";
    QVERIFY(handOverToRunningInstance(file, {}, tree, "墨岚白板(Quillboard)"));
    QCOMPARE(QFileInfo(file).size(), 0);
    QCOMPARE(tree.activated, WindowHandle(0));
    QVERIFY(!handOverToRunningInstance(dir.filePath("none/opflist.dll"), {"a"}, tree, "x"));
}

void TestStartup::secondInstanceHandsOverAndExits()
{
    QTemporaryDir dir;
    const QProcessEnvironment env = environmentFor(dir.path());
    ChildProcess first;
    first.setProcessEnvironment(env);
    first.start(QB_APP_PATH, QStringList());
    QVERIFY(first.waitForStarted());
    const QString lock = dir.path() + "/config/quillboard/lock";
    QVERIFY(waitFor([&] { return QFileInfo::exists(lock); }, 15000));

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(dir.path());
    second.start(QB_APP_PATH, {"a", "sub/b", "/t/c.png"});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QFile handOver(dir.path() + "/data/quillboard/opflist.dll");
    QVERIFY(handOver.open(QIODevice::ReadOnly));
    // Relative paths are handed over absolute: the first instance has its own working folder.
    const QString here = QFileInfo(dir.path()).absoluteFilePath();
    QCOMPARE(QString::fromUtf8(handOver.readAll()), here + "/a;" + here + "/sub/b;/t/c.png");
    QCOMPARE(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished();
}

void TestStartup::crashStartsApologyAndEndsBySignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGSEGV") << int(SIGSEGV);
    QTest::newRow("SIGABRT") << int(SIGABRT);
    QTest::newRow("SIGFPE") << int(SIGFPE);
}

void TestStartup::crashStartsApologyAndEndsBySignal()
{
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    const QString marker = dir.filePath("apology-started");
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {"--crash-child", QString::number(signalNumber), marker});
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    // The shell creates the file before it writes to it: wait for the words, not the name.
    waitFor([&] { return FileSystem::readAll(marker).trimmed() == "apology"; }, 5000);
    QCOMPARE(FileSystem::readAll(marker).trimmed(), QByteArray("apology"));
}

void TestStartup::crashReportClearsItsClipboardAndStartsTheUpdater()
{
    QTemporaryDir dir;
    const QString clip = dir.filePath("data/quillboard/clipboard");
    QVERIFY(QDir().mkpath(clip + "/sub"));
    FileSystem::writeBytes(clip + "/截图_1.png", "x");
    // A folder named on the command line is never touched.
    const QString other = dir.filePath("lesson");
    QVERIFY(QDir().mkpath(other));
    FileSystem::writeBytes(other + "/plan.txt", "keep");
    // A waiting upgrade goes to the updater, as at a quit.
    const QString upgrade = dir.filePath("data/quillboard/upgrade"), updater = dir.filePath("up");
    QVERIFY(QDir().mkpath(upgrade) && FileSystem::writeBytes(upgrade + "/upgrade.ini", "|a"));
    QVERIFY(FileSystem::writeBytes(updater, "#!/bin/sh\necho \"$1\" > \"$0.ran\"\n"));
    QFile::setPermissions(updater, QFile::ReadOwner | QFile::ExeOwner);
    QProcessEnvironment env = environmentFor(dir.path());
    env.insert("QB_UPDATER_PROGRAM", updater);
    ChildProcess report;
    report.setProcessEnvironment(env);
    report.start(QB_APP_PATH, {"--crash-report", "--clean-up", other});
    QVERIFY(report.waitForStarted());
    QVERIFY(waitFor([&] { return QDir(clip).isEmpty(); }, 10000));
    QVERIFY(QFileInfo(clip).isDir());
    QCOMPARE(FileSystem::readAll(other + "/plan.txt"), QByteArray("keep"));
    QVERIFY(waitFor(
        [&] { return FileSystem::readAll(updater + ".ran") == upgrade.toUtf8() + "\n"; }, 5000));
    // The apology box waits for the user.
    QCOMPARE(report.state(), QProcess::Running);
    report.kill();
    report.waitForFinished();
    qputenv("QB_SERVER_URL", "https://lessons.example");
    QVERIFY(crashMessageText().startsWith("墨岚白板遇到未知错误"));
    QVERIFY(crashMessageText().contains("您到lessons.example提交"));
    QVERIFY(crashMessageText().endsWith("https://lessons.example查看。"));
    // Without a server the apology names no empty address.
    qputenv("QB_SERVER_URL", QByteArray());
    QCOMPARE(crashMessageText(), QStringLiteral("墨岚白板遇到未知错误，对此引起的不便表示抱歉！"));
    qunsetenv("QB_SERVER_URL");
}

void TestStartup::crashBeforeDataFolderDoesNotRestart()
{
    QTemporaryDir dir;
    FileSystem::writeBytes(dir.filePath("file"), QByteArray());
    // A data folder below a plain file: the start stops at its error box.
    QProcessEnvironment env = environmentFor(dir.path());
    const QString marker = dir.filePath("file/data");
    env.insert("XDG_DATA_HOME", marker);
    QProcess app;
    app.setProcessEnvironment(env);
    // What it starts outlives it: no pipe of ours that closes under its output.
    app.setStandardOutputFile(QProcess::nullDevice());
    app.setStandardErrorFile(QProcess::nullDevice());
    app.start(QB_APP_PATH, QStringList());
    QVERIFY(app.waitForStarted());
    const QString status = QString("/proc/%1/status").arg(app.processId());
    // Crash once our handler is in place: it catches all five fatal signals at once.
    quint64 fatal = 0;
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        fatal |= quint64(1) << (sig - 1);
    QVERIFY(waitFor(
        [&] {
            const QByteArray text = FileSystem::readAll(status);
            const int at = text.indexOf("SigCgt:") + 7;
            return at > 6 && (text.mid(at, 17).trimmed().toULongLong(nullptr, 16) & fatal) == fatal;
        },
        10000));
    ::kill(pid_t(app.processId()), SIGSEGV);
    QVERIFY(app.waitForFinished(10000));
    QCOMPARE(app.exitStatus(), QProcess::CrashExit);

    // The one process started by the handler is the apology, not the program again.
    auto started = [&marker] {
        QMap<int, QStringList> commands;
        for (const QString &pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
            const QByteArray environ = FileSystem::readAll("/proc/" + pid + "/environ");
            if (!environ.split('\0').contains("XDG_DATA_HOME=" + marker.toUtf8()))
                continue;
            for (const QByteArray &arg :
                 FileSystem::readAll("/proc/" + pid + "/cmdline").split('\0'))
                commands[pid.toInt()] << QString::fromUtf8(arg);
            commands[pid.toInt()].removeAll(QString());
        }
        return commands;
    };
    // Until its exec the new process still shows our command line: give it a moment.
    waitFor([&] { return started().values().contains({QB_APP_PATH, "--crash-report"}); }, 3000);
    const QMap<int, QStringList> commands = started();
    for (int pid : commands.keys())
        ::kill(pid, SIGKILL);
    QCOMPARE(commands.values(), (QList<QStringList>{{QB_APP_PATH, "--crash-report"}}));
}

int main(int argc, char *argv[])
{
    // The crashing child: our handler starts a stand-in apology process, then the signal ends us.
    if (argc == 4 && qstrcmp(argv[1], "--crash-child") == 0) {
        installCrashHandler("/bin/sh",
                            {"-c", QString("echo apology > '%1'").arg(QFile::decodeName(argv[3]))});
        raise(atoi(argv[2]));
        return 0;
    }
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QGuiApplication app(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
