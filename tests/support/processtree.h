#pragma once

// The processes /proc shows, for tests that check what a program leaves behind. A zombie
// counts as gone: it only waits for a parent (perhaps an init that never reaps) to read it.

#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

struct ProcessEntry
{
    qint64 pid = 0;
    qint64 parent = 0;
    qint64 group = 0;
    QString name;        // the command's name as the kernel keeps it (15 characters at most)
    QString commandLine; // arguments joined by blanks
};

// Every process that is not a zombie.
inline QList<ProcessEntry> liveProcesses()
{
    QList<ProcessEntry> result;
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        QFile stat("/proc/" + entry + "/stat");
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // pid (comm) state ppid pgrp ...
        const int open = text.indexOf('('), close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (open < 0 || fields.size() < 3 || fields.at(0) == "Z")
            continue;
        ProcessEntry process;
        process.pid = pid;
        process.parent = fields.at(1).toLongLong();
        process.group = fields.at(2).toLongLong();
        process.name = QString::fromUtf8(text.mid(open + 1, close - open - 1));
        QFile cmdline("/proc/" + entry + "/cmdline");
        if (cmdline.open(QIODevice::ReadOnly))
            process.commandLine = QString::fromUtf8(cmdline.readAll().replace('\0', ' ')).trimmed();
        result << process;
    }
    return result;
}

// The live descendants of pid, children before grandchildren.
inline QList<ProcessEntry> liveDescendants(qint64 pid)
{
    const QList<ProcessEntry> all = liveProcesses();
    QList<ProcessEntry> found;
    QList<qint64> parents{pid};
    for (int i = 0; i < parents.size(); ++i) {
        for (const ProcessEntry &process : all) {
            if (process.parent == parents.at(i)) {
                found << process;
                parents << process.pid;
            }
        }
    }
    return found;
}

// The pids of live processes among pids or in one of groups.
inline QList<qint64> stillLive(const QList<qint64> &pids, const QList<qint64> &groups)
{
    QList<qint64> live;
    for (const ProcessEntry &process : liveProcesses()) {
        if (pids.contains(process.pid) || groups.contains(process.group))
            live << process.pid;
    }
    return live;
}
