#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/filesystem.h"
#include "app/globals.h"
#include "app/paths.h"
#include "app/uimetrics.h"

namespace {

// The preset brushes a new user starts with.
void setDefaultBrushes(PresetBrush brushes[4])
{
    const PresetBrush defaults[4] = {{QStringLiteral("#000000"), QStringLiteral("#ffffff"), 2},
                                     {QStringLiteral("#ff0000"), QStringLiteral("#ffffff"), 3},
                                     {QStringLiteral("#3f48cc"), QStringLiteral("#ffffff"), 2},
                                     {QStringLiteral("#22b14c"), QStringLiteral("#ffffff"), 3}};
    for (int i = 0; i < 4; ++i)
        brushes[i] = defaults[i];
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(appTitle);
    setMinimumSize(minimumWindowWidth(), minimumWindowHeight());
    createDataFolders();
}

void MainWindow::createDataFolders()
{
    const QString folders[] = {clipboardDirPath(),  configDirPath(), pptCacheDirPath(),
                               slideCacheDirPath(), stampDirPath(),  upgradeDirPath()};
    for (const QString &folder : folders) {
        if (!FileSystem::dirExists(folder))
            FileSystem::makeDir(folder);
    }
}

void MainWindow::loadSettings()
{
    setDefaultBrushes(settings.brushes);
    settings.avoutpath = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    settingsfile::load(settings, appSettingsFilePath());
}

void MainWindow::saveSettings()
{
    const QRect frame = geometry();
    settings.winx = frame.x();
    settings.winy = frame.y();
    settings.winw = frame.width();
    settings.winh = frame.height();
    settingsfile::save(settings, appSettingsFilePath());
}

void MainWindow::setupDocumentArea() {}

void MainWindow::setupMainLayout()
{
    auto *layout = new QVBoxLayout(this);
    titleLabel = new QLabel(appTitle, this);
    titleLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(titleLabel);
}

void MainWindow::setupMenuAndPanels() {}
void MainWindow::connectSignals() {}

void MainWindow::disableFocusInChildren()
{
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->setFocusPolicy(Qt::NoFocus);
}

void MainWindow::finishInit()
{
    restoreGeometry();
}

void MainWindow::restoreGeometry()
{
    const QRect available = QGuiApplication::primaryScreen()
                                ? QGuiApplication::primaryScreen()->availableGeometry()
                                : QRect(0, 0, 1920, 1080);
    const QRect stored(settings.winx, settings.winy, settings.winw, settings.winh);
    if (stored.width() <= 0 || stored.height() <= 0 || stored.width() > available.width() ||
        stored.height() > available.height()) {
        setGeometry(available);
        showMaximized();
        return;
    }
    QRect placed = stored;
    if (!available.intersects(stored))
        placed.moveCenter(available.center());
    setGeometry(placed);
    show();
}

void MainWindow::openFilesFromArguments(const QStringList &) {}
void MainWindow::onSystemSuspended() {}
void MainWindow::onSystemHotKey(int, int) {}
void MainWindow::onApplicationStateChanged(Qt::ApplicationState) {}

void MainWindow::cleanUpAfterCrash()
{
    FileSystem::clearDir(clipboardDirPath());
}

void MainWindow::quit()
{
    if (closing)
        return;
    closing = true;
    FileSystem::clearDir(clipboardDirPath());
    saveSettings();
    QApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    quit();
    event->accept();
}
