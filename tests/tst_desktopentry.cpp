#include <QSvgRenderer>
#include <QtTest>

#include "app/globals.h"
#include "mainwindow/mainwindow.h"
#include "platform/desktopentry.h"

#include "boxanswerer.h"

namespace {

// Runs a tool to its end; its exit code, or -1 when it did not finish.
int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // What a launcher starts outlives it: it must not write into a closed pipe.
    if (!output)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = process.readAll();
    return process.exitCode();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The value of one key of the entry.
QString entryValue(const QString &path, const QString &key)
{
    const QStringList lines = QString::fromUtf8(readFile(path)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QString();
}

} // namespace

class DesktopEntryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void registeredEntryStartsTheProgramFromAnOddFolder();
    void entryOffersEverySuffix_data();
    void entryOffersEverySuffix();
    void answerNoWritesNothing();
    void existingEntryIsNotAskedAgain();
    void unregistrationRemovesEntryAndIcon();
    void unwritableFolderIsReported();
    void installIntoPrefixHoldsProgramEntryAndIcons();

private:
    QString dataHome() const { return m_home.path() + "/data"; }
    QString mimeCache() const { return dataHome() + "/applications/mimeinfo.cache"; }
    void registerAnswering(const QString &button, QStringList *asked = nullptr);
    static bool isValid(const QString &entry);

    QTemporaryDir m_home;
};

void DesktopEntryTest::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Never the user's own folders: the children started here inherit these.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path() + "/config"));
    appDataDir = m_home.path() + "/appdata";
    QVERIFY(!QStandardPaths::findExecutable("desktop-file-validate").isEmpty());
    QVERIFY(!QStandardPaths::findExecutable("gio").isEmpty());
}

void DesktopEntryTest::init()
{
    QDir(dataHome()).removeRecursively();
}

void DesktopEntryTest::registerAnswering(const QString &button, QStringList *asked)
{
    MainWindow window;
    window.openWithProgram = QB_APP_PATH;
    BoxAnswerer answerer(button);
    window.registerOpenWith();
    if (asked)
        *asked = answerer.texts;
}

// Accepted by the validator; its hints (two main categories) are no faults.
bool DesktopEntryTest::isValid(const QString &entry)
{
    QByteArray output;
    const int code = run("desktop-file-validate", {entry}, &output);
    if (code != 0 || output.contains("error:") || output.contains("warning:")) {
        qWarning("%s", output.constData());
        return false;
    }
    return true;
}

void DesktopEntryTest::registeredEntryStartsTheProgramFromAnOddFolder()
{
    // The characters the Exec quoting escapes, in the folder of the program. ("%" is left
    // out: GLib looks for the program before it undoes the "%%" of the format.)
    const QString folder = m_home.path() + "/my 'lessons' \"$HOME\" `x` a\\b";
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + "/quillboard";
    QVERIFY(QFile::link(QB_APP_PATH, program));

    MainWindow window;
    window.openWithProgram = program;
    BoxAnswerer answerer("确定");
    window.registerOpenWith();
    QCOMPARE(answerer.texts, QStringList{"是否注册右键打开方式？"});
    const QString entry = desktopentry::userEntryPath();
    QCOMPARE(entry, dataHome() + "/applications/quillboard.desktop");
    QVERIFY(isValid(entry));
    QCOMPARE(entryValue(entry, "Name"), QStringLiteral("墨岚白板"));
    QCOMPARE(entryValue(entry, "Categories"), QStringLiteral("Education;Office;"));
    QCOMPARE(QImage(desktopentry::userIconPath()).size(), QSize(256, 256));
    QCOMPARE(entryValue(entry, "Icon"), QFileInfo(desktopentry::userIconPath()).baseName());

    // The desktop starts the program with the file; while an instance holds the lock the
    // program hands the file over and exits, which shows it got the path whole.
    QVERIFY(QDir().mkpath(m_home.path() + "/config/quillboard"));
    QLockFile lock(m_home.path() + "/config/quillboard/lock");
    QVERIFY(lock.tryLock(0));
    const QString lesson = m_home.path() + "/a lesson.pdf";
    QCOMPARE(run("gio", {"launch", entry, lesson}), 0);
    const QString handOver = dataHome() + "/quillboard/opflist.dll";
    QTRY_COMPARE_WITH_TIMEOUT(readFile(handOver), lesson.toUtf8(), 20000);
}

void DesktopEntryTest::entryOffersEverySuffix_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("type");
    const char *const rows[][2] = {
        {"ppt", "application/vnd.ms-powerpoint"},
        {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
        {"pdf", "application/pdf"},
        {"doc", "application/msword"},
        {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"png", "image/png"},
        {"bmp", "image/bmp"},
        {"gif", "image/gif"},
        {"tif", "image/tiff"},
        {"tiff", "image/tiff"},
        {"webp", "image/webp"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString(row[0]) << QString(row[1]);
}

void DesktopEntryTest::entryOffersEverySuffix()
{
    QFETCH(QString, suffix);
    QFETCH(QString, type);
    registerAnswering("确定");
    const QStringList types = entryValue(desktopentry::userEntryPath(), "MimeType").split(';');
    QVERIFY2(types.contains(type), qPrintable(types.join(' ')));
    // The desktop's own view: the type lists the program, and the refreshed cache has it.
    QByteArray output;
    QCOMPARE(run("gio", {"mime", type}, &output), 0);
    QVERIFY2(output.contains("quillboard.desktop"), output.constData());
    QVERIFY(readFile(mimeCache()).contains(type.toUtf8() + "=quillboard.desktop;"));
}

void DesktopEntryTest::answerNoWritesNothing()
{
    QStringList asked;
    registerAnswering("取消", &asked);
    QCOMPARE(asked, QStringList{"是否注册右键打开方式？"});
    QVERIFY(!QFileInfo::exists(desktopentry::userEntryPath()));
    QVERIFY(!QFileInfo::exists(desktopentry::userIconPath()));
    QVERIFY(!QFileInfo::exists(mimeCache()));
}

void DesktopEntryTest::existingEntryIsNotAskedAgain()
{
    const QByteArray own = "[Desktop Entry]\nType=Application\nName=mine\nExec=true\n";
    QVERIFY(desktopentry::writeFile(desktopentry::userEntryPath(), own));
    QStringList asked;
    registerAnswering("确定", &asked);
    QVERIFY(asked.isEmpty());
    QCOMPARE(readFile(desktopentry::userEntryPath()), own);
}

void DesktopEntryTest::unregistrationRemovesEntryAndIcon()
{
    registerAnswering("确定");
    QVERIFY(QFileInfo::exists(desktopentry::userEntryPath()));
    QVERIFY(readFile(mimeCache()).contains("quillboard.desktop"));

    MainWindow window;
    BoxAnswerer answerer("确定");
    window.unregisterOpenWith();
    QCOMPARE(answerer.boxes, 0);
    QVERIFY(!QFileInfo::exists(desktopentry::userEntryPath()));
    QVERIFY(!QFileInfo::exists(desktopentry::userIconPath()));
    QVERIFY(!readFile(mimeCache()).contains("quillboard.desktop"));
}

void DesktopEntryTest::unwritableFolderIsReported()
{
    // A file where the applications folder belongs.
    QVERIFY(desktopentry::writeFile(dataHome() + "/applications", "not a folder"));
    QStringList asked;
    registerAnswering("确定", &asked);
    QCOMPARE(asked.size(), 2);
    QVERIFY2(asked.at(1).startsWith(QStringLiteral("注册右键打开方式失败")),
             qPrintable(asked.at(1)));
    QVERIFY(!QFileInfo::exists(desktopentry::userIconPath()));
}

void DesktopEntryTest::installIntoPrefixHoldsProgramEntryAndIcons()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QByteArray output;
    const QStringList install = {"--install", QB_BUILD_DIR, "--prefix", prefix.path()};
    QCOMPARE(run(QB_CMAKE_COMMAND, install, &output), 0);
    const QString program = prefix.path() + "/bin/quillboard";
    QVERIFY2(QFileInfo(program).isExecutable(), output.constData());
    const QString entry = prefix.path() + "/share/applications/quillboard.desktop";
    QVERIFY(isValid(entry));
    QCOMPARE(entryValue(entry, "Exec"), program + " %F");
    QCOMPARE(entryValue(entry, "MimeType").count(';'), 11);
    QVERIFY(readFile(prefix.path() + "/share/applications/mimeinfo.cache")
                .contains("application/pdf=quillboard.desktop;"));
    const QString icons = prefix.path() + "/share/icons/hicolor/";
    QVERIFY(QSvgRenderer(icons + "scalable/apps/quillboard.svg").isValid());
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString png = icons + QStringLiteral("%1x%1/apps/quillboard.png").arg(size);
        QCOMPARE(QImage(png).size(), QSize(size, size));
    }
}

QTEST_MAIN(DesktopEntryTest)
#include "tst_desktopentry.moc"
