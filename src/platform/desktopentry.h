#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The freedesktop.org desktop entry "quillboard.desktop" that puts the program into the
// application menu and offers it as an "open with" choice for the files it opens.
namespace desktopentry {
QString fileName();
// The icon's name in the icon theme.
QString iconName();
// The user's own entry and icon, below the user's data folder (XDG_DATA_HOME).
QString userEntryPath();
QString userIconPath();
// The media types of the suffixes, as the shared MIME database names them; suffixes it does
// not know are left out.
QStringList mimeTypes(const QStringList &suffixes);
// The program as the first word of an Exec value: quoted where the format requires it.
QString execProgram(const QString &program);
// The whole entry for a program that opens files of the given suffixes.
QByteArray contents(const QString &program, const QStringList &suffixes);
// Writes the file whole or not at all; creates the folder.
bool writeFile(const QString &path, const QByteArray &data);
// Rebuilds the applications folder's MIME cache when update-desktop-database is installed.
// Waits at most a few seconds; its failure only delays what the menu shows.
void refreshDatabase(const QString &applicationsDir);
} // namespace desktopentry
