#pragma once

#include <QtTest>

#include <QProcess>

#include "platform/childprocess.h"
#include "requiredprograms.h"

// Runs test functions of this program again on an Xvfb of its own ("1366x768x24"), with extra
// environment; the calling test fails with their output when they fail.
inline void runOnOwnXvfb(const QString &screen, const QStringList &functions,
                         const QList<QPair<QString, QString>> &extra = {})
{
    ChildProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"});
    QVERIFY2(server.waitForReadyRead(20000), "Xvfb does not start");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", ":" + QString::fromLatin1(server.readLine().trimmed()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    for (const auto &pair : extra)
        env.insert(pair.first, pair.second);
    ChildProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), functions);
    const bool finished = child.waitForFinished(240000);
    const QByteArray output = child.readAll();
    server.terminate();
    server.waitForFinished(5000);
    qInfo("%s", output.constData());
    QVERIFY2(finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             output.constData());
}
