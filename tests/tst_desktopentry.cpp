#include <QSvgRenderer>
#include <QtTest>

#include "base/filesystem.h"
#include "base/globals.h"
#include "mainwindow/mainwindow.h"
#include "platform/desktopentry.h"
#include "platform/moduleloader.h"

#include "boxanswerer.h"
#include "requiredprograms.h"

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
    const bool done = process.waitForFinished(120000);
    if (output)
        *output = process.readAll();
    return done && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString entryValue(const QString &path, const QString &key)
{
    const QRegularExpression line("^" + key + "=(.*)$", QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(FileSystem::readAll(path))).captured(1);
}

// Accepted by the validator; its hints (two main categories) are no faults.
bool isValid(const QString &entry)
{
    QByteArray output;
    const int code = run("desktop-file-validate", {entry}, &output);
    const bool valid = code == 0 && !output.contains("error:") && !output.contains("warning:");
    if (!valid)
        qWarning("%s", output.constData());
    return valid;
}

} // namespace

class DesktopEntryTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    const QString dataHome = m_home.path() + "/data";

private slots:
    void initTestCase()
    {
        QB_REQUIRE_PROGRAMS({"desktop-file-validate", "gio", "ldd"});
        QVERIFY(m_home.isValid());
        // Never the user's own folders: the children started here inherit these.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path() + "/config"));
        appDataDir = m_home.path() + "/appdata";
    }

    void registerStartUnregister()
    {
        const QString entry = desktopentry::userEntryPath();
        const QString cache = dataHome + "/applications/mimeinfo.cache";

        // The characters the Exec quoting escapes, in the folder of the program. ("%" is left
        // out: GLib looks for the program before it undoes the "%%" of the format.)
        const QString folder = m_home.path() + "/my 'lessons' \"$HOME\" `x` a\\b";
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::link(QB_APP_PATH, folder + "/quillboard"));
        MainWindow window;
        window.openWithProgram = folder + "/quillboard";
        BoxAnswerer answerer("确定");
        window.registerOpenWith();
        QCOMPARE(answerer.texts, QStringList{"是否注册右键打开方式？"});
        QVERIFY(isValid(entry));
        // The types of all 13 suffixes (jpg and jpeg, tif and tiff share one), in the entry and
        // in the refreshed cache.
        const QStringList types = entryValue(entry, "MimeType").split(';');
        const QByteArray cached = FileSystem::readAll(cache);
        for (const char *type :
             {"application/vnd.ms-powerpoint",
              "application/vnd.openxmlformats-officedocument.presentationml.presentation",
              "application/pdf", "application/msword",
              "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
              "image/jpeg", "image/png", "image/bmp", "image/gif", "image/tiff", "image/webp"}) {
            QVERIFY2(types.contains(type), qPrintable(types.join(' ')));
            QVERIFY2(cached.contains(QByteArray(type) + "=quillboard.desktop;"), type);
        }

        // The desktop starts the program with the file; while an instance holds the lock the
        // program hands the file over and exits, which shows it got the path whole.
        QVERIFY(QDir().mkpath(m_home.path() + "/config/quillboard"));
        QLockFile lock(m_home.path() + "/config/quillboard/lock");
        QVERIFY(lock.tryLock(0));
        const QString lesson = m_home.path() + "/a lesson.pdf";
        QCOMPARE(run("gio", {"launch", entry, lesson}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(FileSystem::readAll(dataHome + "/quillboard/opflist.dll"),
                                  lesson.toUtf8(), 20000);

        window.unregisterOpenWith();
        QCOMPARE(answerer.boxes, 1);
        QVERIFY(!QFileInfo::exists(entry));
        QVERIFY(!FileSystem::readAll(cache).contains("quillboard.desktop"));
    }

    void installIntoPrefixHoldsProgramEntryAndIcon()
    {
        QTemporaryDir prefix;
        QByteArray output;
        const QStringList install = {"--install", QB_BUILD_DIR, "--prefix", prefix.path()};
        QCOMPARE(run(QB_CMAKE_COMMAND, install, &output), 0);
        const QString program = prefix.path() + "/bin/quillboard";
        QVERIFY2(QFileInfo(program).isExecutable(), output.constData());
        const QString entry = prefix.path() + "/share/applications/quillboard.desktop";
        QVERIFY(isValid(entry));
        QCOMPARE(entryValue(entry, "Exec"), program + " %F");
        QVERIFY(FileSystem::readAll(prefix.path() + "/share/applications/mimeinfo.cache")
                    .contains("application/pdf=quillboard.desktop;"));
        QVERIFY(QSvgRenderer(prefix.path() + "/share/icons/hicolor/scalable/apps/quillboard.svg")
                    .isValid());
        // The modules lie where the installed program looks for them, and the program and
        // they find the core library there.
        const QStringList folders = ModuleLoader::foldersFor(prefix.path() + "/bin");
        for (const char *module : {"quillboard-recording.so", "quillboard-pipewire.so"}) {
            const auto found =
                std::find_if(folders.begin(), folders.end(), [module](const QString &folder) {
                    return QFileInfo::exists(folder + "/" + module);
                });
            QVERIFY2(found != folders.end(), qPrintable(folders.join(' ')));
            QByteArray libraries;
            QCOMPARE(run("ldd", {*found + "/" + module}, &libraries), 0);
            QVERIFY2(!libraries.contains("not found"), libraries.constData());
            // The prefix itself may lie below the build folder (the tests' TMPDIR).
            QVERIFY2(!libraries.replace(prefix.path().toUtf8(), "<prefix>").contains(QB_BUILD_DIR),
                     libraries.constData());
        }
        QByteArray libraries;
        QCOMPARE(run("ldd", {program}, &libraries), 0);
        QVERIFY2(libraries.contains("libquillboard-core.so => " + prefix.path().toUtf8()),
                 libraries.constData());
    }
};

QTEST_MAIN(DesktopEntryTest)
#include "tst_desktopentry.moc"
