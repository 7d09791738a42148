#pragma once

#include <QFunctionPointer>
#include <QString>
#include <QStringList>

// Finds the program's optional modules (parts kept out of the start for their libraries) and
// loads them on first use. A loaded module stays loaded for the life of the process.
class ModuleLoader
{
public:
    // Beside the program (a build tree), then the installed module folder relative to the
    // program and as configured.
    static QStringList defaultFolders();
    static QStringList foldersFor(const QString &programDir);
    // The entry point of the first module of that name in the folders; null with the reason
    // in error when none loads or it lacks the entry.
    static QFunctionPointer resolve(const QStringList &folders, const QString &fileName,
                                    const char *entry, QString *error);
};
