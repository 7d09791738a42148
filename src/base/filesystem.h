#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QStringList>

class QMimeData;

// Small static file, folder and clipboard helpers. Failures show as false, an empty string,
// an empty list or a null image; nothing throws.
class FileSystem : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    static QString applicationDirPath();
    static bool dirExists(const QString &path);
    static bool makeDir(const QString &path);
    static bool isWritableDir(const QString &path);
    static bool fileExists(const QString &path);
    static QString resolveFilePath(const QString &path);
    static QString fileName(const QString &path);
    static QString completeBaseName(const QString &path);
    static QString absolutePath(const QString &path);
    static QString lowerSuffix(const QString &path);
    static QString toNativeSeparators(const QString &path);
    // Removes the folder's entries with all their content; its own hidden entries and the
    // folder itself stay.
    static void clearDir(const QString &path);
    // Whether both paths name one file: device and inode when both exist (so a second name on
    // a case-blind stick or a hard link counts), else the absolute or canonical paths.
    static bool isSameFile(const QString &a, const QString &b);

    static bool clipboardHasOpenableFile(const QStringList &suffixes);
    static QImage clipboardImage();
    static bool clipboardHasImage();
    // The same tests on given mime data, so that callers and tests need no system clipboard.
    static bool mimeHasOpenableFile(const QMimeData *mime, const QStringList &suffixes);
    static bool mimeHasImage(const QMimeData *mime);
    static QImage mimeImage(const QMimeData *mime);

    static void removeFile(const QString &path);
    static QString copyFileAs(const QString &source, const QString &folder,
                              const QString &baseName);
    static bool copyFileWithSuffix(const QString &source, const QString &folder,
                                   const QString &baseName, const QString &suffix);
    static QByteArray readAll(const QString &path);
    // Both tell whether every byte reached the file.
    static bool writeBytes(const QString &path, const QByteArray &bytes);
    static bool writeLines(const QString &path, const QStringList &lines);
    static QList<QByteArray> readLines(const QString &path);
    static QStringList readTrimmedLines(const QString &path);
    static void base64EncodeFile(const QString &path);
    static QImage loadBase64Image(const QString &path);
    // Saves a picture as "PNG" (lossless, with the default compression) or "JPG" (quality 100).
    static bool savePicture(const QImage &image, const QString &path, const char *format);
    // JPG data for the suffixes jpg and jpeg, else PNG.
    static bool savePictureBySuffix(const QImage &image, const QString &path);
};
