#include <QtTest>

#include "base/appsettings.h"
#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "mainwindow/mainwindow.h"

namespace {

QByteArray line(const QString &text)
{
    return text.toUtf8().toBase64() + "\n";
}

QList<QByteArray> lines(const QStringList &texts)
{
    QList<QByteArray> out;
    for (const QString &t : texts)
        out.append(line(t));
    return out;
}

AppSettings loaded(const QStringList &texts)
{
    AppSettings s;
    settingsfile::apply(s, settingsfile::parseLines(lines(texts)));
    return s;
}

const char *const fileOrder[] = {"winx",
                                 "winy",
                                 "winw",
                                 "winh",
                                 "toolbarpos",
                                 "showpersonal",
                                 "showremark",
                                 "remarkfontsize",
                                 "remarkrospeed",
                                 "showpptstep",
                                 "verticalthumb",
                                 "hascleannotice",
                                 "recentcolors",
                                 "recentfiles",
                                 "brush_1_size",
                                 "brush_1_forecolor",
                                 "brush_1_backcolor",
                                 "brush_2_size",
                                 "brush_2_forecolor",
                                 "brush_2_backcolor",
                                 "brush_3_size",
                                 "brush_3_forecolor",
                                 "brush_3_backcolor",
                                 "brush_4_size",
                                 "brush_4_forecolor",
                                 "brush_4_backcolor",
                                 "avoutpath",
                                 "audiorecordtype",
                                 "videoqualitytype",
                                 "watermarktype",
                                 "videoareatype",
                                 "avareax",
                                 "avareay",
                                 "avareaw",
                                 "avareah",
                                 "timer_h",
                                 "timer_m",
                                 "timer_s"};

} // namespace

class TestAppSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void encodeWritesAllKeysInFileOrder();
    void roundTrip();
    void parsingRules();
    void rangesKeepDefaults();
    void recentColours();
    void brushNeedsAllThreeKeys();
    void recordArea();
    void outputFolderMustBeWritable();
    void badFilesGiveDefaults_data();
    void badFilesGiveDefaults();
    void saveReplacesFileWhole();
    void closingTheWindowWritesTheFile();

private:
    QTemporaryDir dir;
};

void TestAppSettings::initTestCase()
{
    QVERIFY(dir.isValid());
    appDataDir = dir.path();
    QVERIFY(QDir().mkpath(configDirPath()));
}

void TestAppSettings::encodeWritesAllKeysInFileOrder()
{
    const QStringList encoded = settingsfile::encode(AppSettings());
    QCOMPARE(encoded.size(), 38);
    for (int i = 0; i < 38; ++i) {
        const QString text = QString::fromUtf8(QByteArray::fromBase64(encoded.at(i).toLatin1()));
        QVERIFY2(text.startsWith(QLatin1String(fileOrder[i]) + QLatin1Char(':')), qPrintable(text));
        // Standard Base64 with padding, nothing else on the line.
        QCOMPARE(encoded.at(i).toLatin1(), text.toUtf8().toBase64());
    }
}

void TestAppSettings::roundTrip()
{
    AppSettings s;
    s.winx = -20;
    s.winy = 15;
    s.winw = 1000;
    s.winh = 700;
    s.toolbarpos = false;
    s.showremark = false;
    s.remarkfontsize = 12;
    s.remarkrospeed = -3;
    s.hascleannotice = false;
    s.recentcolors = QStringList{"#ff0000", "#00ff00"};
    s.recentfiles = QStringList{"/home/t/课件.pdf", "/tmp/b.png"};
    s.brushes[2] = {"#123456", "#abcdef", 7};
    s.avoutpath = dir.path();
    s.audiorecordtype = 2;
    s.videoqualitytype = 3;
    s.watermarktype = 4;
    s.videoareatype = 1;
    s.avareax = 0;
    s.avareay = 0;
    s.avareaw = 240;
    s.avareah = 480;
    s.timer_h = 24;
    s.timer_m = 59;
    s.timer_s = 1;

    QList<QByteArray> raw;
    const QStringList encoded = settingsfile::encode(s);
    for (const QString &l : encoded)
        raw.append(l.toLatin1() + "\r\n");
    AppSettings back;
    settingsfile::apply(back, settingsfile::parseLines(raw));
    QCOMPARE(settingsfile::encode(back), encoded);
}

void TestAppSettings::parsingRules()
{
    const AppSettings s =
        loaded({"winx:10", "winx:20", "avoutpath: C:/a:b ", ":nokey", "remarkfontsize:20",
                "recentfiles:/a,b.png,,/c", "   winy   :  7 ", "unknown:1", "winw:abc", "winh:"});
    QCOMPARE(s.winx, 20);                 // a later line wins
    QCOMPARE(s.winy, 7);                  // key and value are trimmed
    QCOMPARE(s.winw, 0);                  // not a number counts as 0 for the geometry
    QCOMPARE(s.winh, AppSettings().winh); // an empty value is skipped
    QCOMPARE(s.remarkfontsize, 8);
    QCOMPARE(s.recentfiles, (QStringList{"/a", "b.png", "/c"}));

    const QMap<QString, QString> map =
        settingsfile::parseLines(lines({"avoutpath:C:/x:y", ":lead", "nocolon"}));
    QCOMPARE(map.value("avoutpath"), QStringLiteral("C:/x:y"));
    QCOMPARE(map.size(), 1);

    // A NUL ends the text; bytes after it do not count.
    QList<QByteArray> withNul{QByteArray("timer_m:5\0junk", 14).toBase64()};
    QCOMPARE(settingsfile::parseLines(withNul).value("timer_m"), QStringLiteral("5"));

    QCOMPARE(AppSettings().remarkfontsize, 0); // without the key the panel keeps its own size
}

void TestAppSettings::rangesKeepDefaults()
{
    const AppSettings s =
        loaded({"audiorecordtype:4", "videoqualitytype:-1", "watermarktype:3", "timer_h:25",
                "timer_m:59", "timer_s:60", "showpersonal:0", "verticalthumb:2"});
    QCOMPARE(s.audiorecordtype, 0);
    QCOMPARE(s.videoqualitytype, 0);
    QCOMPARE(s.watermarktype, 3);
    QCOMPARE(s.timer_h, 0);
    QCOMPARE(s.timer_m, 59);
    QCOMPARE(s.timer_s, 0);
    QCOMPARE(s.showpersonal, false);
    QCOMPARE(s.verticalthumb, true);
}

void TestAppSettings::recentColours()
{
    QCOMPARE(loaded({"recentcolors:#FF0000,,blue"}).recentcolors,
             (QStringList{"#ff0000", "#0000ff"}));
    QCOMPARE(loaded({"recentcolors:nocolour"}).recentcolors, QStringList());
    QCOMPARE(loaded({"recentcolors:#00ff00,bad,#0000ff"}).recentcolors, QStringList());
}

void TestAppSettings::brushNeedsAllThreeKeys()
{
    AppSettings s;
    s.brushes[0] = {"#000000", "#ffffff", 2};
    s.brushes[1] = {"#ff0000", "#ffffff", 3};
    settingsfile::apply(s, settingsfile::parseLines(lines(
                               {"brush_1_size:5", "brush_1_forecolor:#00ff00", "brush_2_size:12",
                                "brush_2_forecolor:#0000ff", "brush_2_backcolor:notacolour"})));
    QCOMPARE(s.brushes[0].size, 2); // brush 1 lacks its back colour
    QCOMPARE(s.brushes[0].forecolor, QStringLiteral("#000000"));
    QCOMPARE(s.brushes[1].size, 3); // 12 is out of range
    QCOMPARE(s.brushes[1].forecolor, QStringLiteral("#0000ff"));
    QCOMPARE(s.brushes[1].backcolor, QStringLiteral("#ffffff"));
}

void TestAppSettings::recordArea()
{
    const int w = availableScreenWidth();
    const int h = availableScreenHeight();
    const AppSettings good =
        loaded({"videoareatype:1", "avareax:4", "avareay:8", "avareaw:240", "avareah:244"});
    QCOMPARE(good.videoareatype, 1);
    QCOMPARE(QRect(good.avareax, good.avareay, good.avareaw, good.avareah), QRect(4, 8, 240, 244));

    const QStringList bad[] = {
        {"videoareatype:1", "avareaw:241", "avareah:240"},
        {"videoareatype:1", "avareax:-4", "avareaw:240", "avareah:240"},
        {"videoareatype:1", QString("avareax:%1").arg(w - 236), "avareaw:240", "avareah:240"},
        {"videoareatype:1", "avareaw:240", QString("avareah:%1").arg(h + 4)},
        {"videoareatype:1", "avareax:2147483647", "avareaw:240", "avareah:240"}};
    for (const QStringList &b : bad) {
        const AppSettings s = loaded(b);
        QCOMPARE(s.videoareatype, 0);
        QCOMPARE(QRect(s.avareax, s.avareay, s.avareaw, s.avareah), QRect(0, 0, 0, 0));
    }
    // An unknown type falls back to full screen but a valid area is kept.
    const AppSettings other = loaded({"videoareatype:2", "avareaw:240", "avareah:240"});
    QCOMPARE(other.videoareatype, 0);
    QCOMPARE(other.avareaw, 240);
}

void TestAppSettings::outputFolderMustBeWritable()
{
    AppSettings s;
    s.avoutpath = "/default";
    settingsfile::apply(s, settingsfile::parseLines(lines({"avoutpath:/no/such/folder"})));
    QCOMPARE(s.avoutpath, QStringLiteral("/default"));
    settingsfile::apply(s, settingsfile::parseLines(lines({"avoutpath:  " + dir.path() + " "})));
    QCOMPARE(s.avoutpath, dir.path());
}

void TestAppSettings::badFilesGiveDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QByteArray random;
    quint32 seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245u + 12345u;
        random.append(char(seed >> 16));
    }
    QTest::newRow("random bytes") << random;
    QTest::newRow("truncated base64") << QByteArray("d2lueDoxMD").append("\nd2lu");
    QTest::newRow("one 10 MB line") << QByteArray(10 * 1024 * 1024, 'A');
    QTest::newRow("empty") << QByteArray();
}

void TestAppSettings::badFilesGiveDefaults()
{
    QFETCH(QByteArray, content);
    const QString path = dir.filePath("bad.dll");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    AppSettings s;
    s.avoutpath = "/docs";
    settingsfile::load(s, path);
    AppSettings defaults;
    defaults.avoutpath = "/docs";
    QCOMPARE(settingsfile::encode(s), settingsfile::encode(defaults));
}

void TestAppSettings::saveReplacesFileWhole()
{
    const QString path = dir.filePath("appset.dll");
    AppSettings s;
    s.timer_m = 42;
    QVERIFY(settingsfile::save(s, path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> raw = file.readAll().split('\n');
    QCOMPARE(raw.size(), 39); // 38 lines, each ended by a line feed
    QVERIFY(raw.last().isEmpty());
    AppSettings back;
    settingsfile::load(back, path);
    QCOMPARE(back.timer_m, 42);
    // A folder that cannot take the file reports failure and writes nothing.
    QVERIFY(!settingsfile::save(s, dir.filePath("missing/appset.dll")));
}

void TestAppSettings::closingTheWindowWritesTheFile()
{
    QFile::remove(appSettingsFilePath());
    {
        MainWindow window;
        window.loadSettings();
        QCOMPARE(window.settings.brushes[3].forecolor, QStringLiteral("#22b14c"));
        window.settings.timer_s = 33;
        window.show();
        QVERIFY(window.close());
    }
    const QList<QByteArray> raw = FileSystem::readLines(appSettingsFilePath());
    QCOMPARE(raw.size(), 38);
    AppSettings back;
    settingsfile::load(back, appSettingsFilePath());
    QCOMPARE(back.timer_s, 33);
}

QTEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
