#pragma once

#include <QObject>
#include <QStringList>

class QMenu;

// Fills the recent-files menu: the ten files opened last, most recent first, and an entry that
// empties the list.
class RecentFilesControler : public QObject
{
    Q_OBJECT
public:
    static constexpr int maximumCount = 10;

    RecentFilesControler(QMenu *menu, QObject *parent = nullptr);

    void load(const QStringList &paths);
    void addFile(const QString &path);
    QStringList files() const { return list; }
    void clear();
    void addClearAction();

    // The menu text of a path: "&" is doubled so that it shows as itself, not as a mnemonic.
    static QString actionText(const QString &path);

signals:
    void openFileClicked(QString filepathname);

private:
    void addFileAction(const QString &path);
    void clearMenu();

    QMenu *menu = nullptr;
    QStringList list;
};
