#include "drawing/stampstore.h"

#include "base/filesystem.h"
#include "base/paths.h"

namespace StampStore {

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QChar(0));
}

QPixmap pixmap(const QString &name)
{
    QPixmap picture;
    if (name == QLatin1String("0")) {
        picture.load(QStringLiteral(":/icon/stamp/stamp_correct.png"));
    } else if (name == QLatin1String("1")) {
        picture.load(QStringLiteral(":/icon/stamp/stamp_hcorrect.png"));
    } else if (name == QLatin1String("2")) {
        picture.load(QStringLiteral(":/icon/stamp/stamp_wrong.png"));
    } else if (isPlainFileName(name)) {
        // Stored as PNG data under a ".sps" name, so decode by content.
        picture.loadFromData(FileSystem::readAll(stampDirPath() + QLatin1Char('/') + name));
    }
    if (picture.isNull() || picture.width() < 1 || picture.height() < 1)
        return QPixmap();
    return picture;
}

} // namespace StampStore
