#include "base/filesystem.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QMimeDatabase>
#include <QUrl>

#include <sys/stat.h>

QString FileSystem::applicationDirPath()
{
    return QCoreApplication::applicationDirPath();
}

bool FileSystem::dirExists(const QString &path)
{
    return !path.isEmpty() && QDir(path).exists();
}

bool FileSystem::makeDir(const QString &path)
{
    QFileInfo info(path);
    return QDir(info.absolutePath()).mkdir(info.fileName());
}

bool FileSystem::isWritableDir(const QString &path)
{
    QFileInfo info(path);
    return dirExists(path) && info.isDir() && info.isWritable();
}

bool FileSystem::fileExists(const QString &path)
{
    QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isFile();
}

QString FileSystem::resolveFilePath(const QString &path)
{
    QString p = path;
    // Only Windows separates with "\\"; elsewhere it is a character of the file name.
#ifdef Q_OS_WIN
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    QFileInfo info(p);
    if (!info.exists() || !info.isFile() || !info.isReadable())
        return QString();
    if (info.isSymLink())
        return info.symLinkTarget();
    return p;
}

QString FileSystem::fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString FileSystem::completeBaseName(const QString &path)
{
    return QFileInfo(path).completeBaseName();
}

QString FileSystem::absolutePath(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

QString FileSystem::lowerSuffix(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

QString FileSystem::toNativeSeparators(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

void FileSystem::clearDir(const QString &path)
{
    QDir dir(path);
    if (path.isEmpty() || !dir.exists())
        return;
    // Hidden entries of the folder itself are not listed, so they stay; broken links go; a
    // removed sub-folder goes with everything in it.
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Dirs | QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            dir.remove(entry.fileName());
    }
}

bool FileSystem::isSameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    struct stat statA = {};
    struct stat statB = {};
    if (::stat(QFile::encodeName(a).constData(), &statA) == 0 &&
        ::stat(QFile::encodeName(b).constData(), &statB) == 0)
        return statA.st_dev == statB.st_dev && statA.st_ino == statB.st_ino;
    const QFileInfo infoA(a);
    const QFileInfo infoB(b);
    const QString canonicalA = infoA.canonicalFilePath();
    return infoA.absoluteFilePath() == infoB.absoluteFilePath() ||
           (!canonicalA.isEmpty() && canonicalA == infoB.canonicalFilePath());
}

static const QMimeData *systemClipboardMime()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return nullptr;
    return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
}

static bool isImageFile(const QString &localPath)
{
    static const QMimeDatabase db;
    return db.mimeTypeForFile(localPath).name().startsWith(QLatin1String("image/"));
}

bool FileSystem::mimeHasOpenableFile(const QMimeData *mime, const QStringList &suffixes)
{
    if (!mime)
        return false;
    if (mime->hasImage())
        return true;
    if (!mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls) {
        if (!url.isValid() || !url.isLocalFile())
            continue;
        if (suffixes.contains(lowerSuffix(url.toLocalFile()), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool FileSystem::mimeHasImage(const QMimeData *mime)
{
    if (!mime)
        return false;
    if (mime->hasImage())
        return true;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls) {
        if (url.isValid() && url.isLocalFile() && isImageFile(url.toLocalFile()))
            return true;
    }
    return false;
}

QImage FileSystem::mimeImage(const QMimeData *mime)
{
    if (!mime)
        return QImage();
    if (mime->hasImage())
        return qvariant_cast<QImage>(mime->imageData());
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls) {
        if (url.isValid() && url.isLocalFile() && isImageFile(url.toLocalFile()))
            return QImage(url.toLocalFile());
    }
    return QImage();
}

bool FileSystem::clipboardHasOpenableFile(const QStringList &suffixes)
{
    return mimeHasOpenableFile(systemClipboardMime(), suffixes);
}

QImage FileSystem::clipboardImage()
{
    return mimeImage(systemClipboardMime());
}

bool FileSystem::clipboardHasImage()
{
    return mimeHasImage(systemClipboardMime());
}

void FileSystem::removeFile(const QString &path)
{
    if (fileExists(path))
        QFile::remove(path);
}

// Copies beside the target first and renames over it, so a failed copy never loses the old
// file, and a copy onto itself leaves the file alone.
static bool copyReplacing(const QString &source, const QString &target)
{
    const QFileInfo src(source);
    const QFileInfo dst(target);
    if (dst.exists() && src.canonicalFilePath() == dst.canonicalFilePath())
        return true;
    QString temp = target + QStringLiteral(".part");
    for (int i = 1; QFileInfo::exists(temp); ++i)
        temp = target + QStringLiteral(".part%1").arg(i);
    if (!QFile::copy(source, temp))
        return false;
    if (dst.exists() && !QFile::remove(target)) {
        QFile::remove(temp);
        return false;
    }
    if (!QFile::rename(temp, target)) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

QString FileSystem::copyFileAs(const QString &source, const QString &folder,
                               const QString &baseName)
{
    if (!fileExists(source))
        return QString();
    const QString suffix = lowerSuffix(source);
    const QString target = folder + QLatin1Char('/') + baseName + QLatin1Char('.') + suffix;
    return copyReplacing(source, target) ? suffix : QString();
}

bool FileSystem::copyFileWithSuffix(const QString &source, const QString &folder,
                                    const QString &baseName, const QString &suffix)
{
    if (!fileExists(source))
        return false;
    return copyReplacing(source, folder + QLatin1Char('/') + baseName + QLatin1Char('.') + suffix);
}

QByteArray FileSystem::readAll(const QString &path)
{
    QFile file(path);
    if (!fileExists(path) || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool FileSystem::writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // A full disk shows as a short write, often only when the buffer is flushed.
    return file.write(bytes) == bytes.size() && file.flush();
}

bool FileSystem::writeLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + '\n';
    return file.write(bytes) == bytes.size() && file.flush();
}

QList<QByteArray> FileSystem::readLines(const QString &path)
{
    QList<QByteArray> lines;
    QFile file(path);
    if (!fileExists(path) || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.isEmpty())
            continue;
        // Text mode only drops the CR of a CR LF on Windows; do the same everywhere.
        if (line.endsWith("\r\n"))
            line.remove(line.size() - 2, 1);
        lines.append(line);
    }
    return lines;
}

QStringList FileSystem::readTrimmedLines(const QString &path)
{
    QStringList result;
    const QList<QByteArray> lines = readLines(path);
    for (const QByteArray &line : lines) {
        const int nul = line.indexOf('\0');
        const QString text = QString::fromUtf8(nul < 0 ? line : line.left(nul)).trimmed();
        if (!text.isEmpty())
            result.append(text);
    }
    return result;
}

void FileSystem::base64EncodeFile(const QString &path)
{
    if (!fileExists(path))
        return;
    writeBytes(path, readAll(path).toBase64());
}

QImage FileSystem::loadBase64Image(const QString &path)
{
    return QImage::fromData(QByteArray::fromBase64(readAll(path)));
}

bool FileSystem::savePicture(const QImage &image, const QString &path, const char *format)
{
    // For PNG the quality is the zlib level: 100 would store the pixels uncompressed.
    const bool jpeg = qstrcmp(format, "JPG") == 0;
    return !image.isNull() && image.save(path, format, jpeg ? 100 : -1);
}

bool FileSystem::savePictureBySuffix(const QImage &image, const QString &path)
{
    const QString suffix = lowerSuffix(path);
    const bool jpeg = suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
    return savePicture(image, path, jpeg ? "JPG" : "PNG");
}
