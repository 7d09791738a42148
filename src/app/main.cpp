#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextCodec>
#include <QTimer>
#include <QTranslator>

#include "app/anativeeventfilter.h"
#include "app/application.h"
#include "app/crashhandler.h"
#include "app/singleinstance.h"
#include "base/appattributes.h"
#include "base/filesystem.h"
#include "base/globals.h"
#include "base/messagebox.h"
#include "base/paths.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/windowstartup.h"
#include "platform/suspendwatcher.h"
#include "platform/windowtree.h"

namespace {

int startupError(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("墨岚白板启动错误"), QString());
    setMessageBoxText(box, text);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    fitTitle(&box);
    box.exec();
    return 0;
}

// An existing folder, or one created with its missing parents (a new account may lack
// ~/.local/share); empty when neither works.
QString usableFolder(QStandardPaths::StandardLocation location, const QString &missingText,
                     const QString &createText, int &error)
{
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty()) {
        error = startupError(missingText);
        return QString();
    }
    if (!FileSystem::dirExists(path) && !QDir().mkpath(path)) {
        error = startupError(createText);
        return QString();
    }
    return path;
}

int runFirstInstance(Application &app, const QStringList &files)
{
    installCrashHandler(QApplication::applicationFilePath(),
                        {QLatin1String(crashReportOption()), QLatin1String(crashCleanUpOption())});
    MainWindow *window = new MainWindow;
    mainWindow = window;
    runStartUpSteps(*window);
    ANativeEventFilter filter(&app);
    app.installNativeEventFilter(&filter);
    SuspendWatcher suspendWatcher;
    QObject::connect(&suspendWatcher, &SuspendWatcher::suspending, &app,
                     &Application::systemSuspended);
    if (!files.isEmpty())
        QTimer::singleShot(500, window, [window, files] { window->openFilesFromArguments(files); });
    QObject::connect(&app, &Application::systemSuspended, window,
                     [window] { window->onSystemSuspended(); });
    QObject::connect(&app, &Application::systemHotKey, window,
                     [window](int mods, int key) { window->onSystemHotKey(mods, key); });
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, window,
                     [window](Qt::ApplicationState s) { window->onApplicationStateChanged(s); });
    const int result = window->isClosing() ? 0 : app.exec();
    app.removeNativeEventFilter(&filter);
    mainWindow = nullptr;
    delete window;
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    prepareApplication();
    Application app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("utf-8"));
    QFont font = QApplication::font();
    font.setPointSize(8);
    font.setFamily(QStringLiteral("SimHei"));
    QApplication::setFont(font);
    QTranslator translator;
    (void)translator.load(QStringLiteral(":/qt_zh_CN.qm"));
    QApplication::installTranslator(&translator);

    QStringList arguments = QApplication::arguments();
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String(crashReportOption()))
        return runCrashReport(arguments.size() >= 3 &&
                              arguments.at(2) == QLatin1String(crashCleanUpOption()));
    // A crash only apologises until this process runs the window: never a restart (which could
    // crash again), never a clean-up of another instance's files.
    installCrashHandler(QApplication::applicationFilePath(), {QLatin1String(crashReportOption())});

    int error = 0;
    appDataDir = usableFolder(
        QStandardPaths::AppDataLocation,
        QStringLiteral("启动失败：无法获取应用程序数据存储路径，点击“确定”退出"),
        QStringLiteral("启动失败：尝试创建应用程序数据存储文件夹失败，点击“确定”退出"), error);
    if (appDataDir.isEmpty())
        return error;
    arguments.removeFirst();

    const QString configDir = usableFolder(
        QStandardPaths::AppConfigLocation,
        QStringLiteral("启动失败：无法获取当前用户的应用程序配置路径，点击“确定”退出"),
        QStringLiteral("启动失败：尝试创建当前用户的应用程序配置文件夹失败，点击“确定”退出"),
        error);
    if (configDir.isEmpty())
        return error;
    // The data folder must take our files, or nothing the user makes could be kept.
    if (!FileSystem::isWritableDir(appDataDir))
        return startupError(
            QStringLiteral("启动失败：尝试创建应用程序数据存储文件夹失败，点击“确定”退出"));

    QLockFile lock(configDir + QStringLiteral("/lock"));
    if (lock.tryLock(500))
        return runFirstInstance(app, arguments);

    X11WindowTree tree;
    handOverToRunningInstance(handOverFilePath(), arguments, tree, appTitle);
    return 0;
}
