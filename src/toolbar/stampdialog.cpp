#include "toolbar/stampdialog.h"

#include <QFileInfo>

#include "app/paths.h"

StampDialog::StampDialog(QWidget *parent)
    : QWidget(parent)
{}

QPixmap StampDialog::stampPixmap(const QString &name)
{
    QString path;
    if (name == QLatin1String("0")) {
        path = QStringLiteral(":/icon/stamp/stamp_correct.png");
    } else if (name == QLatin1String("1")) {
        path = QStringLiteral(":/icon/stamp/stamp_hcorrect.png");
    } else if (name == QLatin1String("2")) {
        path = QStringLiteral(":/icon/stamp/stamp_wrong.png");
    } else {
        // A plain file name inside the stamp folder; anything that could leave it has no picture.
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
            name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
            return QPixmap();
        path = stampDirPath() + QLatin1Char('/') + name;
        if (!QFileInfo(path).isFile())
            return QPixmap();
    }
    QPixmap pixmap(path);
    if (pixmap.isNull() || pixmap.width() < 1 || pixmap.height() < 1)
        return QPixmap();
    return pixmap;
}
