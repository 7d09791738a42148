#include "platform/documentconverter.h"

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

#include <memory>

#include "platform/childprocess.h"

namespace {

// Conversions running at once in this process (nested event loops); each gets its own
// profile, since two converters on one profile hand their jobs to each other.
int activeConversions = 0;

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

// The office's own binary beside its launcher script: the launcher hands the work to a child
// that would outlive our parent-death signal, the binary itself receives it.
QString officeBinary(const QString &program)
{
    const QString launcher = QFileInfo(program).canonicalFilePath();
    if (launcher.isEmpty())
        return program;
    const QString binary = QFileInfo(launcher).absolutePath() + QStringLiteral("/soffice.bin");
    return QFileInfo(binary).isExecutable() ? binary : program;
}

// What the office's binary answers on a first start with a new profile, or after an update:
// start me again (its launcher does so).
bool asksForRestart(const QProcess &process)
{
    return process.exitStatus() == QProcess::NormalExit &&
           (process.exitCode() == 79 || process.exitCode() == 81);
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

    RunningGuard running(m_running);
    bool timedOut = false;
    bool started = false;
    QTimer limit;
    limit.setSingleShot(true);
    QString text;
    std::unique_ptr<ChildProcess> process;
    for (int attempt = 0; attempt < 3; ++attempt) {
        process = std::make_unique<ChildProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SAL_ENABLE_FILE_LOCKING"), QStringLiteral("1"));
        process->setProcessEnvironment(env);
        process->setProgram(officeBinary(converter));
        process->setArguments(arguments);

        QEventLoop loop;
        connect(process.get(), &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                loop.quit();
        });
        connect(process.get(), &QProcess::started, this, [&] {
            if (!started)
                emit converting();
            started = true;
        });
        // A second conversion started meanwhile runs its loop inside this one, so this one's
        // loop may return long after its converter ended: the limit stops with the converter.
        ChildProcess *own = process.get();
        const QMetaObject::Connection expiry = connect(&limit, &QTimer::timeout, own, [&, own] {
            timedOut = true;
            own->end();
        });
        connect(own, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &limit,
                &QTimer::stop);
        connect(own, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                &QEventLoop::quit);
        limit.start(m_timeLimitMs);
        process->start(QIODevice::ReadOnly);
        if (process->state() != QProcess::NotRunning)
            loop.exec();
        disconnect(expiry);
        if (process->error() == QProcess::FailedToStart)
            return NotStarted;
        // The loop also ends when the application quits: the converter goes with its object.
        if (process->state() != QProcess::NotRunning) {
            timedOut = true;
            break;
        }
        text += QString::fromLocal8Bit(process->readAll());
        if (timedOut || !asksForRestart(*process))
            break;
    }
    limit.stop();

    const QString suffix = format.section(QLatin1Char(':'), 0, 0);
    const QString output = work.path() + QStringLiteral("/") +
                           QFileInfo(source).completeBaseName() + QStringLiteral(".") + suffix;
    if (timedOut)
        return NoOutput;
    if (isUsableOutput(output, suffix))
        return QFile::rename(output, target) ? Converted : NoOutput;
    if (process->exitStatus() == QProcess::CrashExit)
        return Crashed;
    if (text.contains(QLatin1String("could not be loaded")))
        return NotLoaded;
    if (text.contains(QLatin1String("no export filter")))
        return NoFilter;
    return NoOutput;
}
