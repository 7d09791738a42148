#pragma once

#include <QtTest>

#include "platform/childprocess.h"

#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

// The programs a test starts are named, with their packages, in scripts/programs.txt; a test
// whose program is missing fails naming it and its package, never skips.

inline QString packageOf(const QString &program)
{
    QFile list(QStringLiteral(QB_PROGRAM_LIST));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream lines(&list);
    while (!lines.atEnd()) {
        const QStringList words = lines.readLine().simplified().split(' ');
        if (words.size() >= 2 && !words.first().startsWith('#') && words.first() == program)
            return words.at(1);
    }
    return QString();
}

// Empty when program is on the path, else what the failure says.
inline QString missingProgram(const QString &program)
{
    if (!QStandardPaths::findExecutable(program).isEmpty())
        return QString();
    const QString package = packageOf(program);
    return package.isEmpty()
               ? QStringLiteral("needs the program %1, which scripts/programs.txt does not name")
                     .arg(program)
               : QStringLiteral("needs the program %1 (Debian package %2)").arg(program, package);
}

inline QString missingPrograms(const QStringList &programs)
{
    QStringList missing;
    for (const QString &program : programs) {
        const QString text = missingProgram(program);
        if (!text.isEmpty())
            missing << text;
    }
    return missing.join(QStringLiteral("; "));
}

#define QB_REQUIRE_PROGRAMS(...)                                             \
    do {                                                                     \
        const QString qbMissing = missingPrograms(QStringList(__VA_ARGS__)); \
        if (!qbMissing.isEmpty())                                            \
            QFAIL(qPrintable(qbMissing));                                    \
    } while (false)
#define QB_REQUIRE_PROGRAM(program) QB_REQUIRE_PROGRAMS({QStringLiteral(program)})

// Starts a program the test needs as its child; empty when it runs, else what the failure says.
inline QString startRequired(ChildProcess &process, const QString &program,
                             const QStringList &arguments = {})
{
    const QString missing = missingProgram(program);
    if (!missing.isEmpty())
        return missing;
    process.start(program, arguments);
    return process.waitForStarted(5000)
               ? QString()
               : QStringLiteral("%1 does not start: %2").arg(program, process.errorString());
}

// Runs a program the test needs to its end, its output dropped, until it succeeds or ms have
// passed: a tool that is there but cannot work fails the first row too, not each later one
// after its wait. Empty when it succeeded, else what the failure says.
inline QString failsToRun(const QString &program, const QStringList &arguments, int ms)
{
    QDeadlineTimer deadline(ms);
    QString failed;
    do {
        ChildProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        failed = startRequired(process, program, arguments);
        if (!failed.isEmpty())
            return failed;
        if (process.waitForFinished(int(qMax<qint64>(deadline.remainingTime(), 1000))) &&
            process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return QString();
        failed = QStringLiteral("%1 fails (package %2): %3")
                     .arg(program, packageOf(program),
                          QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        QTest::qWait(100);
    } while (!deadline.hasExpired());
    return failed;
}
