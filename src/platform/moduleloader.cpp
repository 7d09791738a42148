#include "platform/moduleloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

QStringList ModuleLoader::defaultFolders()
{
    return foldersFor(QCoreApplication::applicationDirPath());
}

QStringList ModuleLoader::foldersFor(const QString &programDir)
{
    QStringList folders{programDir,
                        QDir::cleanPath(programDir + QStringLiteral("/" QB_MODULE_RELATIVE_DIR)),
                        QStringLiteral(QB_MODULE_INSTALL_DIR)};
    folders.removeDuplicates();
    return folders;
}

QFunctionPointer ModuleLoader::resolve(const QStringList &folders, const QString &fileName,
                                       const char *entry, QString *error)
{
    QStringList reasons;
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(fileName);
        if (!QFileInfo::exists(path))
            continue;
        QLibrary library(path);
        // Every symbol now: a module that does not fit this program fails here, not later.
        library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (!library.load()) {
            reasons << library.errorString();
            continue;
        }
        if (QFunctionPointer function = library.resolve(entry))
            return function;
        reasons << library.errorString();
    }
    if (reasons.isEmpty())
        reasons << QStringLiteral("%1 is not in %2").arg(fileName, folders.join(", "));
    if (error)
        *error = reasons.join('\n');
    return nullptr;
}
