#include "mainwindow/recentfilescontroler.h"

#include <QAction>
#include <QMenu>

#include "base/filesystem.h"
#include "base/uimetrics.h"

RecentFilesControler::RecentFilesControler(QMenu *menu, QObject *parent)
    : QObject(parent)
    , menu(menu)
{
    const int u = spacingUnit();
    menu->setStyleSheet(QStringLiteral("QMenu{padding:%1;background-color:%2;border:1 solid %3;}"
                                       "QMenu::item{padding:%4;;height:%5;}"
                                       "QMenu::item:selected{background-color:%6;}")
                            .arg(u)
                            .arg(menuBackgroundColor().name(), borderColor().name())
                            .arg(2 * u)
                            .arg(titleBarButtonSize() - 4 * u)
                            .arg(hoverBackgroundColor().name()));
}

QString RecentFilesControler::actionText(const QString &path)
{
    QString escaped = path;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("» | ") + escaped;
}

void RecentFilesControler::addFileAction(const QString &path)
{
    QAction *action = menu->addAction(actionText(path));
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, path] { emit openFileClicked(path); });
}

void RecentFilesControler::load(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    for (const QString &path : paths) {
        if (!FileSystem::fileExists(path))
            continue;
        addFileAction(path);
        list.append(path);
    }
    addClearAction();
}

void RecentFilesControler::addFile(const QString &path)
{
    if (!FileSystem::fileExists(path))
        return;
    const int at = list.indexOf(path);
    if (at >= 0) {
        list.removeAt(at);
        list.prepend(path);
    } else {
        list.prepend(path);
        if (list.size() > maximumCount)
            list.removeLast();
    }
    clearMenu();
    for (const QString &file : qAsConst(list)) {
        if (FileSystem::fileExists(file))
            addFileAction(file);
    }
    addClearAction();
}

void RecentFilesControler::addClearAction()
{
    if (list.isEmpty())
        return;
    QAction *action = menu->addAction(QStringLiteral("清空列表"));
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, &RecentFilesControler::clear);
}

void RecentFilesControler::clearMenu()
{
    // The menu is rebuilt from inside an action's own signal: delete the actions later.
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        menu->removeAction(action);
        action->deleteLater();
    }
}

void RecentFilesControler::clear()
{
    clearMenu();
    list.clear();
}
