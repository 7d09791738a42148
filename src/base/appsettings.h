#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

struct PresetBrush
{
    QString forecolor;
    QString backcolor;
    int size = 0;
};

// The user's settings, loaded at start and saved at quit.
struct AppSettings
{
    AppSettings();

    int winx = 0;
    int winy = 0;
    int winw = 0;
    int winh = 0;
    bool toolbarpos = true;
    bool showpersonal = true;
    bool showremark = true;
    int remarkfontsize = 0;
    int remarkrospeed = 0;
    bool showpptstep = true;
    bool verticalthumb = true;
    bool hascleannotice = true;
    QStringList recentcolors;
    QStringList recentfiles;
    PresetBrush brushes[4];
    QString avoutpath;
    int audiorecordtype = 0;
    int videoqualitytype = 0;
    int videoareatype = 0;
    int avareax = 0;
    int avareay = 0;
    int avareaw = 0;
    int avareah = 0;
    int watermarktype = 0;
    int timer_h = 0;
    int timer_m = 0;
    int timer_s = 0;
};

// The settings file: one Base64 line per "key:value", 38 keys in a fixed order.
namespace settingsfile {
// Decodes the raw lines into key/value pairs; unreadable lines are skipped, a later key wins.
QMap<QString, QString> parseLines(const QList<QByteArray> &lines);
// Applies the known keys onto the defaults held by settings; bad values keep the defaults.
void apply(AppSettings &settings, const QMap<QString, QString> &values);
// The 38 lines "key:value" as Base64 text, in file order.
QStringList encode(const AppSettings &settings);
// Reads the file into settings (already holding the defaults).
void load(AppSettings &settings, const QString &path);
// Replaces the file atomically, so a failed write leaves the old file whole.
bool save(const AppSettings &settings, const QString &path);
} // namespace settingsfile
