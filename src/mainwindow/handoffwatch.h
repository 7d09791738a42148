#pragma once

#include <QObject>
#include <QStringList>

class QFileSystemWatcher;

// Watches the hand-over file that a second start writes its files into. What the file holds
// at the start and after each change is read, the file emptied when it held text, and the files
// announced.
class HandOffWatch : public QObject
{
    Q_OBJECT
public:
    explicit HandOffWatch(QObject *parent = nullptr);

    void start(const QString &path);
    // Reads the file, empties it when not empty, and returns its paths (";"-separated UTF-8).
    QStringList takeFiles();
    QString path() const { return m_path; }
    QFileSystemWatcher *watcher() const { return m_watcher; }

signals:
    void filesHandedOver(QStringList files);

private:
    void onFileChanged();
    void readNow();

    QFileSystemWatcher *m_watcher = nullptr;
    QString m_path;
    bool m_readPending = false;
};
