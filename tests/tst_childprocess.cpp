#include <QtTest>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>

#include "platform/childprocess.h"
#include "platform/childsetup.h"
#include "processtree.h"
#include "requiredprograms.h"

namespace {

// A child whose own start-up step is held up, so that its parent can die before its exec.
class SlowChild : public ChildProcess
{
public:
    int delayMs = 0;

protected:
    void setupChildProcess() override
    {
        ::usleep(useconds_t(delayMs) * 1000);
        ChildProcess::setupChildProcess();
    }
};

// The parent in between: starts "sleep 30", prints its pid, then dies at once when the child
// is held up (before its exec), else waits to be killed.
int runParent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SlowChild child;
    child.delayMs = atoi(argv[2]);
    child.start("sleep", {"30"});
    if (child.delayMs == 0 && !child.waitForStarted(5000))
        return 1;
    std::printf("%lld\n", child.processId());
    std::fflush(stdout);
    if (child.delayMs > 0)
        ::_exit(0);
    for (;;)
        ::pause();
}

} // namespace

class TestChildProcess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void endReachesTheWholeGroup_data();
    void endReachesTheWholeGroup();
    void destroyedWhileRunningEndsTheGroup();
    void childEndsWithItsParent_data();
    void childEndsWithItsParent();
};

void TestChildProcess::initTestCase()
{
    QB_REQUIRE_PROGRAMS({"sh", "sleep"});
    // Orphans of our children come to us, as under systemd --user: a parent check against 1
    // would miss them.
    QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
}

void TestChildProcess::endReachesTheWholeGroup_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("graceMs");
    QTest::addColumn<bool>("callEnd");
    QTest::newRow("ends on TERM") << "sleep 30 & wait" << 60000 << true;
    QTest::newRow("ignores TERM: KILL after the grace")
        << "trap '' TERM; sleep 30 & wait" << 300 << true;
    QTest::newRow("leader gone, helper left") << "sleep 30 & exit 0" << 0 << false;
}

void TestChildProcess::endReachesTheWholeGroup()
{
    QFETCH(QString, script);
    QFETCH(int, graceMs);
    QFETCH(bool, callEnd);
    QPointer<ChildProcess> process = new ChildProcess;
    process->start("sh", {"-c", script});
    QVERIFY(process->waitForStarted(5000));
    QVERIFY(process->hasOwnGroup());
    const qint64 group = process->group();
    QCOMPARE(group, process->processId());
    if (callEnd) {
        QTRY_COMPARE(stillLive({}, {group}).size(), 2);
        process->end(graceMs, true);
        // Nothing waited: the shell is still there to be reaped later.
        QVERIFY(process);
    } else {
        QTRY_COMPARE(process->state(), QProcess::NotRunning);
    }
    QTRY_COMPARE_WITH_TIMEOUT(stillLive({}, {group}), QList<qint64>(), 5000);
    if (callEnd)
        QTRY_VERIFY(!process);
    delete process;
}

void TestChildProcess::destroyedWhileRunningEndsTheGroup()
{
    auto *process = new ChildProcess;
    process->start("sh", {"-c", "sleep 30 & wait"});
    QVERIFY(process->waitForStarted(5000));
    const qint64 group = process->group();
    QTRY_COMPARE(stillLive({}, {group}).size(), 2);
    // The base class says finished() while it goes: nothing of the derived object may run then.
    delete process;
    QTRY_COMPARE_WITH_TIMEOUT(stillLive({}, {group}), QList<qint64>(), 5000);
}

void TestChildProcess::childEndsWithItsParent_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("parent killed while the child runs") << 0;
    QTest::newRow("parent died before the child's exec") << 500;
}

void TestChildProcess::childEndsWithItsParent()
{
    QFETCH(int, delayMs);
    // Not a ChildProcess: when the parent ended, that would kill its group, with the child
    // still in it while held up, before the child's own check could show.
    QProcess parent;
    parent.start(QCoreApplication::applicationFilePath(), {"--parent", QString::number(delayMs)});
    QVERIFY(parent.waitForReadyRead(10000));
    const pid_t child = pid_t(parent.readLine().trimmed().toLongLong());
    QVERIFY(child > 0);
    if (delayMs == 0)
        ::kill(pid_t(parent.processId()), SIGKILL);
    QVERIFY(parent.waitForFinished(5000));

    // The orphan is ours now: it must end within moments, and never as "sleep 30".
    int status = 0;
    QElapsedTimer waited;
    waited.start();
    while (::waitpid(child, &status, WNOHANG) != child && waited.elapsed() < 3000)
        QTest::qWait(20);
    QVERIFY2(waited.elapsed() < 3000, "the child outlived its parent");
    if (delayMs == 0)
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    else
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == childSetupFailedExitCode);
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--parent") == 0)
        return runParent(argc, argv);
    QCoreApplication app(argc, argv);
    TestChildProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_childprocess.moc"
