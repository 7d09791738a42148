#include "app/singleinstance.h"

#include <QFile>

#include "app/windowsearch.h"

bool handOverToRunningInstance(const QString &handOverFile, const QStringList &files,
                               WindowTree &tree, const QString &title)
{
    // Written in place: the running instance watches this very file.
    QFile file(handOverFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (!files.isEmpty())
        file.write(files.join(QLatin1Char(';')).toUtf8());
    file.close();
    WindowHandle window = 0;
    if (findTopLevelWindowByTitle(tree, title, window))
        tree.activateWindow(window);
    return true;
}
