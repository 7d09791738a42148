#include "app/singleinstance.h"

#include <QFile>
#include <QFileInfo>

#include "base/windowsearch.h"

bool handOverToRunningInstance(const QString &handOverFile, const QStringList &files,
                               WindowTree &tree, const QString &title)
{
    // Written in place: the running instance watches this very file.
    QFile file(handOverFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // The running instance has a working folder of its own: hand over absolute paths.
    QStringList absolute;
    for (const QString &path : files)
        absolute.append(path.isEmpty() ? path : QFileInfo(path).absoluteFilePath());
    if (!absolute.isEmpty())
        file.write(absolute.join(QLatin1Char(';')).toUtf8());
    file.close();
    WindowHandle window = 0;
    if (findTopLevelWindowByTitle(tree, title, window))
        tree.activateWindow(window);
    return true;
}
