#include "platform/childprocess.h"

#include <sys/types.h>
#include <unistd.h>
#include <cerrno>

#include "platform/childsetup.h"

ChildProcess::ChildProcess(QObject *parent)
    : QProcess(parent)
    , m_parentPid(::getpid())
{
    m_killTimer.setSingleShot(true);
    connect(&m_killTimer, &QTimer::timeout, this, &ChildProcess::killGroup);
    // Connected first: the group is known before any other slot hears of the start.
    connect(this, &QProcess::started, this, &ChildProcess::onStarted);
    connect(this, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &ChildProcess::onFinished);
}

ChildProcess::~ChildProcess()
{
    if (state() != NotRunning)
        killGroup();
    // QProcess reaps the leader, which has just been sent KILL, and says finished() from its own
    // destructor, when this object is only a QProcess: our slots must not hear it.
    disconnect(this, nullptr, this, nullptr);
}

void ChildProcess::setupChildProcess()
{
    prepareChildOrExit(m_parentPid, m_deathSignal);
}

void ChildProcess::onStarted()
{
    const pid_t pid = pid_t(processId());
    m_group = pid;
    const pid_t group = pid > 0 ? ::getpgid(pid) : -1;
    // A leader already ended and reaped is no longer there to ask; it reached exec only after
    // making the group its own, and its helpers may still be in it.
    m_ownGroup = pid > 0 && (group == pid || (group < 0 && errno == ESRCH));
    // Killing a group that is not the child's own would hit others: only the child goes.
    if (!m_ownGroup && pid > 0)
        ::kill(pid, SIGKILL);
}

void ChildProcess::onFinished()
{
    m_killTimer.stop();
    // Helpers the leader left behind go with it.
    killGroup();
    if (m_deleteWhenDone)
        deleteLater();
}

void ChildProcess::killGroup()
{
    // Never our own group, never "every process" (-1); a child not yet known to lead its group
    // goes alone.
    if (m_ownGroup && m_group > 1 && pid_t(m_group) != ::getpgrp())
        ::kill(-pid_t(m_group), SIGKILL);
    else if (state() != NotRunning && processId() > 0)
        ::kill(pid_t(processId()), SIGKILL);
}

void ChildProcess::end(int graceMs, bool deleteWhenDone)
{
    m_deleteWhenDone = m_deleteWhenDone || deleteWhenDone;
    if (state() == NotRunning) {
        if (m_deleteWhenDone)
            deleteLater();
        return;
    }
    if (m_killTimer.isActive())
        return;
    if (m_ownGroup)
        ::kill(-pid_t(m_group), SIGTERM);
    else if (processId() > 0)
        ::kill(pid_t(processId()), SIGTERM);
    m_killTimer.start(graceMs);
}
