#include "base/appsettings.h"

#include <QColor>
#include <QSaveFile>

#include "base/filesystem.h"
#include "base/recordarea.h"
#include "base/uimetrics.h"

AppSettings::AppSettings()
    : winw(availableScreenWidth())
    , winh(availableScreenHeight())
{}

namespace settingsfile {

namespace {

int base64Length(const QByteArray &line)
{
    int count = 0;
    for (char c : line) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '+' || c == '/' || c == '=')
            ++count;
    }
    return count;
}

} // namespace

QMap<QString, QString> parseLines(const QList<QByteArray> &lines)
{
    QMap<QString, QString> values;
    for (const QByteArray &line : lines) {
        // Characters outside the Base64 alphabet (the line end) are ignored, but a line cut
        // short is not Base64: its tail would decode to a plausible, wrong value.
        if (base64Length(line) % 4 != 0)
            continue;
        QByteArray bytes = QByteArray::fromBase64(line);
        const int nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
        const QString text = QString::fromUtf8(bytes);
        const int colon = text.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QString key = text.left(colon).trimmed();
        const QString value = text.mid(colon + 1).trimmed();
        if (!key.isEmpty() && !value.isEmpty())
            values.insert(key, value);
    }
    return values;
}

namespace {

int toInt(const QString &text)
{
    return text.toInt();
} // not a number counts as 0

void readInt(const QMap<QString, QString> &values, const char *key, int &field)
{
    const auto it = values.constFind(QLatin1String(key));
    if (it != values.constEnd())
        field = toInt(*it);
}

void readBool(const QMap<QString, QString> &values, const char *key, bool &field)
{
    const auto it = values.constFind(QLatin1String(key));
    if (it != values.constEnd())
        field = toInt(*it) != 0;
}

void readRange(const QMap<QString, QString> &values, const char *key, int low, int high, int &field)
{
    const auto it = values.constFind(QLatin1String(key));
    if (it == values.constEnd())
        return;
    const int v = toInt(*it);
    if (v >= low && v <= high)
        field = v;
}

QStringList readColorList(const QString &value)
{
    QStringList colors;
    const QStringList parts = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        QColor color;
        color.setNamedColor(part);
        if (!color.isValid())
            return QStringList();
        colors.append(color.name());
    }
    return colors;
}

QString brushKey(int n, const char *what)
{
    return QStringLiteral("brush_%1_%2").arg(n).arg(QLatin1String(what));
}

} // namespace

void apply(AppSettings &s, const QMap<QString, QString> &values)
{
    if (values.isEmpty())
        return;
    readInt(values, "winx", s.winx);
    readInt(values, "winy", s.winy);
    readInt(values, "winw", s.winw);
    readInt(values, "winh", s.winh);
    readBool(values, "toolbarpos", s.toolbarpos);
    readBool(values, "showpersonal", s.showpersonal);
    readBool(values, "showremark", s.showremark);
    if (values.contains(QStringLiteral("remarkfontsize"))) {
        const int size = toInt(values.value(QStringLiteral("remarkfontsize")));
        s.remarkfontsize = (size >= 8 && size <= 14) ? size : 8;
    }
    readInt(values, "remarkrospeed", s.remarkrospeed);
    readBool(values, "showpptstep", s.showpptstep);
    readBool(values, "verticalthumb", s.verticalthumb);
    readBool(values, "hascleannotice", s.hascleannotice);
    if (values.contains(QStringLiteral("recentcolors")))
        s.recentcolors = readColorList(values.value(QStringLiteral("recentcolors")));
    if (values.contains(QStringLiteral("recentfiles")))
        s.recentfiles =
            values.value(QStringLiteral("recentfiles")).split(QLatin1Char(','), Qt::SkipEmptyParts);

    for (int n = 1; n <= 4; ++n) {
        const QString sizeKey = brushKey(n, "size");
        const QString foreKey = brushKey(n, "forecolor");
        const QString backKey = brushKey(n, "backcolor");
        if (!values.contains(sizeKey) || !values.contains(foreKey) || !values.contains(backKey))
            continue;
        PresetBrush &brush = s.brushes[n - 1];
        const int size = toInt(values.value(sizeKey));
        if (size >= 2 && size <= 9)
            brush.size = size;
        if (QColor::isValidColor(values.value(foreKey)))
            brush.forecolor = values.value(foreKey);
        if (QColor::isValidColor(values.value(backKey)))
            brush.backcolor = values.value(backKey);
    }

    if (values.contains(QStringLiteral("avoutpath"))) {
        const QString path = values.value(QStringLiteral("avoutpath")).trimmed();
        if (!path.isEmpty() && FileSystem::isWritableDir(path))
            s.avoutpath = path;
    }
    readRange(values, "audiorecordtype", 0, 3, s.audiorecordtype);
    readRange(values, "videoqualitytype", 0, 3, s.videoqualitytype);
    readRange(values, "watermarktype", 0, 4, s.watermarktype);

    int areaType = toInt(values.value(QStringLiteral("videoareatype")));
    if (areaType != 0 && areaType != 1)
        areaType = 0;
    int x = 0, y = 0, w = 0, h = 0;
    readInt(values, "avareax", x);
    readInt(values, "avareay", y);
    readInt(values, "avareaw", w);
    readInt(values, "avareah", h);
    if (!isRecordAreaValid(x, y, w, h))
        areaType = x = y = w = h = 0;
    s.videoareatype = areaType;
    s.avareax = x;
    s.avareay = y;
    s.avareaw = w;
    s.avareah = h;

    readRange(values, "timer_h", 0, 24, s.timer_h);
    readRange(values, "timer_m", 0, 59, s.timer_m);
    readRange(values, "timer_s", 0, 59, s.timer_s);
}

QStringList encode(const AppSettings &s)
{
    QList<QPair<QString, QString>> pairs;
    auto add = [&pairs](const QString &key, const QString &value) { pairs.append({key, value}); };
    auto num = [](int v) { return QString::number(v); };
    auto flag = [](bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); };
    const QString comma = QStringLiteral(",");

    add(QStringLiteral("winx"), num(s.winx));
    add(QStringLiteral("winy"), num(s.winy));
    add(QStringLiteral("winw"), num(s.winw));
    add(QStringLiteral("winh"), num(s.winh));
    add(QStringLiteral("toolbarpos"), flag(s.toolbarpos));
    add(QStringLiteral("showpersonal"), flag(s.showpersonal));
    add(QStringLiteral("showremark"), flag(s.showremark));
    add(QStringLiteral("remarkfontsize"), num(s.remarkfontsize));
    add(QStringLiteral("remarkrospeed"), num(s.remarkrospeed));
    add(QStringLiteral("showpptstep"), flag(s.showpptstep));
    add(QStringLiteral("verticalthumb"), flag(s.verticalthumb));
    add(QStringLiteral("hascleannotice"), flag(s.hascleannotice));
    add(QStringLiteral("recentcolors"), s.recentcolors.join(comma));
    add(QStringLiteral("recentfiles"), s.recentfiles.join(comma));
    for (int n = 1; n <= 4; ++n) {
        const PresetBrush &brush = s.brushes[n - 1];
        add(brushKey(n, "size"), num(brush.size));
        add(brushKey(n, "forecolor"), brush.forecolor);
        add(brushKey(n, "backcolor"), brush.backcolor);
    }
    add(QStringLiteral("avoutpath"), s.avoutpath);
    add(QStringLiteral("audiorecordtype"), num(s.audiorecordtype));
    add(QStringLiteral("videoqualitytype"), num(s.videoqualitytype));
    add(QStringLiteral("watermarktype"), num(s.watermarktype));
    add(QStringLiteral("videoareatype"), num(s.videoareatype));
    add(QStringLiteral("avareax"), num(s.avareax));
    add(QStringLiteral("avareay"), num(s.avareay));
    add(QStringLiteral("avareaw"), num(s.avareaw));
    add(QStringLiteral("avareah"), num(s.avareah));
    add(QStringLiteral("timer_h"), num(s.timer_h));
    add(QStringLiteral("timer_m"), num(s.timer_m));
    add(QStringLiteral("timer_s"), num(s.timer_s));

    QStringList lines;
    for (const auto &pair : qAsConst(pairs)) {
        const QString text = pair.first + QLatin1Char(':') + pair.second;
        lines.append(QString::fromLatin1(text.toUtf8().toBase64()));
    }
    return lines;
}

void load(AppSettings &settings, const QString &path)
{
    apply(settings, parseLines(FileSystem::readLines(path)));
}

bool save(const AppSettings &settings, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QStringList lines = encode(settings);
    for (const QString &line : lines) {
        file.write(line.toUtf8());
        file.write("\n");
    }
    return file.commit();
}

} // namespace settingsfile
