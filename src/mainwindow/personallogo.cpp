#include "mainwindow/personallogo.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "base/filesystem.h"

namespace personallogo {

QString currentFile(const QString &configDir)
{
    for (const char *name : {"/mylogo.png", "/mylogo.jpg"}) {
        const QString path = configDir + QLatin1String(name);
        if (FileSystem::fileExists(path))
            return path;
    }
    return QString();
}

bool replace(const QString &chosen, const QString &configDir)
{
    QString suffix = FileSystem::lowerSuffix(chosen);
    if (suffix == QLatin1String("jpeg"))
        suffix = QStringLiteral("jpg");
    if (suffix != QLatin1String("png") && suffix != QLatin1String("jpg"))
        return false;
    const QString target = configDir + QStringLiteral("/mylogo.") + suffix;
    const QString partial = configDir + QStringLiteral("/mylogo.part");
    QFile::remove(partial);
    if (!FileSystem::fileExists(chosen) || !QFile::copy(chosen, partial)) {
        QFile::remove(partial);
        return false;
    }
    const QString other =
        configDir + (suffix == QLatin1String("png") ? QStringLiteral("/mylogo.jpg")
                                                    : QStringLiteral("/mylogo.png"));
    // Only now, with the new picture whole on disk, does the old logo go.
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        QFile::remove(partial);
        return false;
    }
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        return false;
    }
    QFile::remove(other);
    return true;
}

QImage readScaled(const QString &path, const QSize &box)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize full = reader.size();
    if (full.isValid() && !full.isEmpty() && !box.isEmpty())
        reader.setScaledSize(full.scaled(box, Qt::KeepAspectRatio));
    return reader.read();
}

} // namespace personallogo
