#include "platform/documentconverter.h"

#include <sys/types.h>
#include <unistd.h>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPdfDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <csignal>

namespace {

// Conversions running at once in this process (nested event loops); each gets its own
// profile, since two converters on one profile hand their jobs to each other.
int activeConversions = 0;

// The converter and everything it starts form one process group that can be killed whole.
class GroupProcess : public QProcess
{
public:
    using QProcess::QProcess;

protected:
    void setupChildProcess() override { ::setpgid(0, 0); }
};

// Counts a conversion as running for as long as it is in scope.
class RunningGuard
{
public:
    explicit RunningGuard(int &own)
        : m_own(own)
    {
        ++activeConversions;
        ++m_own;
    }
    ~RunningGuard()
    {
        --activeConversions;
        --m_own;
    }
    RunningGuard(const RunningGuard &) = delete;
    RunningGuard &operator=(const RunningGuard &) = delete;

private:
    int &m_own;
};

void killGroup(qint64 pid)
{
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
}

// A usable result: a non-empty file, and for PDF one that loads with at least one page.
bool isUsableOutput(const QString &path, const QString &suffix)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() <= 0)
        return false;
    if (suffix != QLatin1String("pdf"))
        return true;
    QPdfDocument document;
    return document.load(path) == QPdfDocument::NoError && document.pageCount() > 0;
}

} // namespace

DocumentConverter::DocumentConverter(QObject *parent)
    : QObject(parent)
{}

QString DocumentConverter::program()
{
    const QString configured = qEnvironmentVariable("QB_SOFFICE").trimmed();
    if (!configured.isEmpty())
        return configured;
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

DocumentConverter::Result DocumentConverter::convert(const QString &source, const QString &format,
                                                     const QString &target)
{
    const QString converter = program();
    if (converter.isEmpty())
        return NotStarted;
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() || !QDir().mkpath(targetInfo.absolutePath()))
        return NoOutput;
    QTemporaryDir work(targetInfo.absolutePath() + QStringLiteral("/convert-XXXXXX"));
    if (!work.isValid())
        return NoOutput;

    const QString profile = QDir(m_profileDir).filePath(QString::number(activeConversions));
    // Absolute paths never start with "-", so no argument is taken for an option.
    const QStringList arguments = {QStringLiteral("-env:UserInstallation=") +
                                       QString::fromUtf8(QUrl::fromLocalFile(profile).toEncoded()),
                                   QStringLiteral("--headless"),
                                   QStringLiteral("--norestore"),
                                   QStringLiteral("--convert-to"),
                                   format,
                                   QStringLiteral("--outdir"),
                                   work.path(),
                                   QFileInfo(source).absoluteFilePath()};

    GroupProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProgram(converter);
    process.setArguments(arguments);

    RunningGuard running(m_running);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(10000)) {
        killGroup(process.processId());
        process.kill();
        process.waitForFinished(3000);
        return NotStarted;
    }
    const qint64 pid = process.processId();
    emit converting();

    bool timedOut = false;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        killGroup(pid);
    });
    // A second conversion started meanwhile runs its loop inside this one, so this one's loop
    // may return long after its converter ended: the limit stops with the converter.
    connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &limit,
            &QTimer::stop);
    connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
            &QEventLoop::quit);
    limit.start(m_timeLimitMs);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    limit.stop();
    // The loop also ends when the application quits: nothing of the converter may outlive it.
    if (process.state() != QProcess::NotRunning) {
        timedOut = true;
        killGroup(pid);
        process.waitForFinished(3000);
    }
    // Helpers the converter left behind go with it.
    killGroup(pid);

    const QString text = QString::fromLocal8Bit(process.readAll());
    const QString suffix = format.section(QLatin1Char(':'), 0, 0);
    const QString output = work.path() + QStringLiteral("/") +
                           QFileInfo(source).completeBaseName() + QStringLiteral(".") + suffix;
    if (timedOut)
        return NoOutput;
    if (isUsableOutput(output, suffix))
        return QFile::rename(output, target) ? Converted : NoOutput;
    if (process.exitStatus() == QProcess::CrashExit)
        return Crashed;
    if (text.contains(QLatin1String("could not be loaded")))
        return NotLoaded;
    if (text.contains(QLatin1String("no export filter")))
        return NoFilter;
    return NoOutput;
}
