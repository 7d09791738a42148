#include "platform/desktopentry.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/childprocess.h"

namespace desktopentry {

QString fileName()
{
    return QStringLiteral("quillboard.desktop");
}

QString iconName()
{
    return QStringLiteral("quillboard");
}

QString userEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) +
           QLatin1Char('/') + fileName();
}

QString userIconPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/icons/hicolor/256x256/apps/") + iconName() + QStringLiteral(".png");
}

QStringList mimeTypes(const QStringList &suffixes)
{
    const QMimeDatabase database;
    QStringList types;
    for (const QString &suffix : suffixes) {
        const QMimeType type =
            database.mimeTypeForFile(QStringLiteral("a.") + suffix, QMimeDatabase::MatchExtension);
        // The default type would claim every file.
        if (type.isValid() && !type.isDefault() && !types.contains(type.name()))
            types << type.name();
    }
    return types;
}

QString execProgram(const QString &program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (const QChar c : program)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString word;
    if (needsQuotes) {
        word = QStringLiteral("\"");
        for (const QChar c : program) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                word += QLatin1Char('\\');
            word += c;
        }
        word += QLatin1Char('"');
    } else {
        word = program;
    }
    word.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The string escapes of the file format apply on top of the quoting.
    word.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    word.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    word.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    word.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return word;
}

QByteArray contents(const QString &program, const QStringList &suffixes)
{
    QString text = QStringLiteral(
                       "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=墨岚白板\n"
                       "Exec=%1 %F\n"
                       "Icon=%2\n"
                       "Terminal=false\n"
                       "Categories=Education;Office;\n")
                       .arg(execProgram(program), iconName());
    const QStringList types = mimeTypes(suffixes);
    if (!types.isEmpty())
        text += QStringLiteral("MimeType=") + types.join(QLatin1Char(';')) + QStringLiteral(";\n");
    return text.toUtf8();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void refreshDatabase(const QString &applicationsDir)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (tool.isEmpty())
        return;
    ChildProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(tool, {QStringLiteral("--quiet"), applicationsDir});
    if (process.waitForStarted(2000) && !process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
    }
}

} // namespace desktopentry
