#pragma once

#include <QProcess>
#include <QTimer>

#include <csignal>

// Every process of ours is started as a ChildProcess: in a process group of its own (checked
// once it runs), with a parent-death signal armed in the child before its exec, so that
// nothing of ours outlives the program, not even after a crash or a SIGKILL. Start it from
// the thread that lives as long as it should (the kernel watches the forking thread).
//
// end() never waits: TERM to the group, KILL to the group after a grace time, and whatever the
// leader leaves behind is killed when finished() comes. The group id stays known after the
// leader ends (QProcess resets processId() to 0).
class ChildProcess : public QProcess
{
    Q_OBJECT
public:
    static constexpr int defaultGraceMs = 2000;

    explicit ChildProcess(QObject *parent = nullptr);
    // A child still running is killed with its whole group.
    ~ChildProcess() override;

    // The signal the child gets when this process ends; 0 for none (a process that must
    // outlive us). SIGKILL unless set; takes effect at the next start.
    void setParentDeathSignal(int signal) { m_deathSignal = signal; }

    // The child's process group (its pid); 0 before the first start.
    qint64 group() const { return m_group; }
    // False when the started child is not the leader of a group of its own: then it has been
    // killed, and finished() follows.
    bool hasOwnGroup() const { return m_ownGroup; }

    // Ends the child and its group without waiting; with deleteWhenDone the object deletes
    // itself once the child is reaped.
    void end(int graceMs = defaultGraceMs, bool deleteWhenDone = false);
    // Kills the whole group at once (what a leader that already ended left behind included).
    void killGroup();

protected:
    void setupChildProcess() override;

private:
    void onStarted();
    void onFinished();

    pid_t m_parentPid = 0;
    int m_deathSignal = SIGKILL;
    qint64 m_group = 0;
    bool m_ownGroup = false;
    bool m_deleteWhenDone = false;
    QTimer m_killTimer;
};
