#include "mainwindow/handoffwatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "base/filesystem.h"

HandOffWatch::HandOffWatch(QObject *parent)
    : QObject(parent)
    , m_watcher(new QFileSystemWatcher(this))
{
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { onFileChanged(); });
}

void HandOffWatch::start(const QString &path)
{
    m_path = path;
    // A second start may have written before this watch began: take that too.
    const QStringList early = takeFiles();
    if (!FileSystem::fileExists(m_path))
        FileSystem::writeBytes(m_path, QByteArray());
    m_watcher->addPath(m_path);
    if (!early.isEmpty())
        QTimer::singleShot(0, this, [this, early] { emit filesHandedOver(early); });
}

QStringList HandOffWatch::takeFiles()
{
    const QByteArray bytes = FileSystem::readAll(m_path);
    // Emptying an empty file would only wake the watch again.
    if (!bytes.isEmpty())
        FileSystem::writeBytes(m_path, QByteArray());
    QStringList files;
    const QStringList parts = QString::fromUtf8(bytes).split(QLatin1Char(';'));
    for (const QString &part : parts) {
        const QString file = part.trimmed();
        if (!file.isEmpty())
            files.append(file);
    }
    return files;
}

void HandOffWatch::onFileChanged()
{
    // A replaced file drops out of the watch: add it again each time.
    if (!m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);
    // An empty file holds nothing to open: our own emptying, or a start without files.
    if (m_readPending || QFileInfo(m_path).size() == 0)
        return;
    m_readPending = true;
    QTimer::singleShot(300, this, [this] { readNow(); });
}

void HandOffWatch::readNow()
{
    m_readPending = false;
    if (!m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);
    const QStringList files = takeFiles();
    if (!files.isEmpty())
        emit filesHandedOver(files);
}
