// Open-with registration: on Linux the user's desktop entry, with the icon in the user's icon
// theme so that the entry shows it without a system-wide install.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "base/uimetrics.h"
#include "mainwindow/mainwindow.h"
#include "platform/desktopentry.h"

void MainWindow::registerOpenWith()
{
    const QString entry = desktopentry::userEntryPath();
    if (QFileInfo::exists(entry))
        return;
    if (!askQuestion(QStringLiteral("是否注册右键打开方式？")))
        return;
    const QString program =
        openWithProgram.isEmpty() ? QCoreApplication::applicationFilePath() : openWithProgram;
    QFile icon(QStringLiteral(":/icon/app/quillboard.png"));
    const QByteArray iconData = icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray();
    const QString iconPath = desktopentry::userIconPath();
    if (iconData.isEmpty() || !desktopentry::writeFile(iconPath, iconData)) {
        showMessage(QStringLiteral("注册右键打开方式失败：无法写入") + iconPath);
        return;
    }
    const QByteArray contents = desktopentry::contents(program, supportedFileSuffixes());
    if (!desktopentry::writeFile(entry, contents)) {
        QFile::remove(iconPath);
        showMessage(QStringLiteral("注册右键打开方式失败：无法写入") + entry);
        return;
    }
    desktopentry::refreshDatabase(QFileInfo(entry).absolutePath());
}

void MainWindow::unregisterOpenWith()
{
    const QString entry = desktopentry::userEntryPath();
    for (const QString &path : {entry, desktopentry::userIconPath()}) {
        if (QFileInfo::exists(path) && !QFile::remove(path)) {
            showMessage(QStringLiteral("取消右键打开方式失败：无法删除") + path);
            return;
        }
    }
    desktopentry::refreshDatabase(QFileInfo(entry).absolutePath());
}
