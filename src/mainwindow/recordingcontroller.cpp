#include "mainwindow/recordingcontroller.h"

#include <QDate>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "base/appsettings.h"
#include "base/recordarea.h"
#include "base/waitaside.h"
#include "base/windowsearch.h"
#include "documents/toolbarport.h"
#include "platform/moduleloader.h"
#include "platform/screencapture.h"
#include "recording/avrecordareabox.h"
#include "recording/desktopareaselecter.h"
#include "recording/recordingbackend.h"
#include "recording/recordingengine.h"

RecordingController::RecordingController(RecordingControlHost &host, QObject *parent)
    : QObject(parent)
    , moduleFolders(ModuleLoader::defaultFolders())
    , host(host)
    , recordClock(new QTimer(this))
{
    recordClock->setInterval(1000);
    connect(recordClock, &QTimer::timeout, this, [this] { onRecordClockTick(); });
}

RecordStep RecordingController::stepFromInt(int command)
{
    if (command < static_cast<int>(RecordStep::Start) ||
        command > static_cast<int>(RecordStep::Resume))
        return RecordStep::Idle;
    return static_cast<RecordStep>(command);
}

void RecordingController::recordCommand(RecordStep step)
{
    if (recordStarting) {
        recordPauseHeld = step == RecordStep::Pause;
        return;
    }
    switch (step) {
        case RecordStep::Start:
            start();
            return;
        case RecordStep::Pause:
            if (videoRecorder)
                videoRecorder->pause();
            recordClock->stop();
            return;
        case RecordStep::Resume:
            recordClock->start();
            if (videoRecorder)
                videoRecorder->resume();
            return;
        case RecordStep::Idle:
            return;
    }
}

void RecordingController::start()
{
    const AppSettings &settings = host.recordingSettings();
    recordStarting = true;
    recordPauseHeld = recordStopHeld = false;
    const auto startOver = qScopeGuard([this] {
        recordStarting = false;
        if (recordPauseHeld && recording)
            recordCommand(RecordStep::Pause);
    });
    // A refused start leaves nothing recording, so the button goes back too. A stop pressed
    // while the start waited has put the button back already: nothing is left to refuse.
    const auto refuse = [this](const QString &text) {
        if (recordStopHeld)
            return;
        host.recordingToolBar().resetRecordState();
        host.showRecordingMessage(text);
    };
    const QString folder = settings.avoutpath;
    if (!folderUsable(folder)) {
        refuse(QStringLiteral("不支持的录屏存储路径，请重新设置"));
        return;
    }
    if (recordStopHeld)
        return;
    const QString path = recordingFilePath(
        folder, recordingFileName(QDate::currentDate(), QDateTime::currentSecsSinceEpoch()));
    // On a Wayland desktop the screen is the portal's to give: a refusal is known here, before
    // anything records.
    QString castError;
    if (!ScreenCapture::prepare(&castError)) {
        refuse(castError);
        return;
    }
    // Whatever ends the start from here, the session goes with it unless the recorder took it
    // for its frames (inside start()): else the desktop would go on showing the screen as
    // shared.
    const auto closeUnusedCast = qScopeGuard([] { ScreenCapture::discardPrepared(); });
    // The stored region is in the window system's logical pixels, as the selector showed it;
    // the capture and the encoder work in the screen's own pixels.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    QRect capture;
    if (settings.videoareatype == 1) {
        const int x = settings.avareax, y = settings.avareay;
        const int width = settings.avareaw, height = settings.avareah;
        if (!isRecordAreaValid(x, y, width, height)) {
            refuse(QStringLiteral("录制区域不合法，请重新设置录制区域"));
            return;
        }
        capture = screenPixelArea(QRect(x, y, width, height), ratio);
    } else {
        // On Wayland XWayland's screen gives the size, in the pixels the frames are cut in
        // (a scaled desktop's cast is larger): no second portal session just to learn it.
        const QSize size = ScreenCapture::isWaylandSession()
                               ? (screen ? screen->size() * ratio : QSize())
                               : host.grabDesktop().size();
        if (size.isEmpty()) {
            refuse(screenGrabFailedText());
            return;
        }
        capture = QRect(0, 0, size.width() / 4 * 4, size.height() / 4 * 4);
    }
    if (!loadRecorder()) {
        host.recordingToolBar().resetRecordState();
        return;
    }
    RecordingOptions options;
    options.areaX = capture.x();
    options.areaY = capture.y();
    options.areaWidth = options.outputWidth = capture.width();
    options.areaHeight = options.outputHeight = capture.height();
    options.audioMode = settings.audiorecordtype;
    options.videoQuality = settings.videoqualitytype;
    options.watermarkCorner = settings.watermarktype;
    // On Wayland the picture waits for the cast's frame, with events running.
    options.startSnapshot =
        grabScreenArea(capture.x(), capture.y(), capture.width(), capture.height());
    options.outputFileName = path;
    if (recordStopHeld)
        return;
    recording = true;
    recordClock->start();
    auto *box = new AVRecordAreaBox;
    recordAreaFrame = box;
    const QRectF logical(capture.x() / ratio, capture.y() / ratio, capture.width() / ratio,
                         capture.height() / ratio);
    box->setArea(logical.toAlignedRect());
    // A refusal inside comes back through recorderStopError before start() returns.
    videoRecorder->start(options);
}

// Checked now, not when chosen: the folder may have gone since. On a thread of its own, within
// the disk's limit: a network folder that stopped answering holds up no window.
bool RecordingController::folderUsable(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    std::shared_ptr<RecordingBackend> disk = recordingBackend;
    if (!disk)
        disk = std::make_shared<SystemRecordingBackend>();
    const auto check = [disk, folder, documents] {
        // A new account has no Documents folder until a desktop's first login makes one.
        if (folder == documents && !QFileInfo::exists(folder))
            QDir().mkpath(folder);
        return disk->folderWritable(folder);
    };
    return waitAside<bool>(diskAnswerLimitMs, check).value_or(false);
}

bool RecordingController::loadRecorder()
{
    if (videoRecorder)
        return true;
    QString error;
    const auto create = reinterpret_cast<RecordingEngineEntry>(ModuleLoader::resolve(
        moduleFolders, QStringLiteral(QB_RECORDING_MODULE), QB_RECORDING_ENTRY, &error));
    videoRecorder = create ? create(this) : nullptr;
    if (!videoRecorder) {
        host.showRecordingMessage(
            QStringLiteral("录屏组件无法加载，不能录屏，请重新安装墨岚白板。\n") + error);
        return false;
    }
    if (recordingBackend)
        videoRecorder->setBackend(recordingBackend);
    connect(videoRecorder, &RecordingEngine::recorderStopError, this,
            [this](const QString &text) { onRecorderStopError(text); });
    connect(videoRecorder, &RecordingEngine::recorderTipError, this,
            [this](const QString &text) { onRecorderTipError(text); });
    // Leaves the controls alone: they may belong to the next recording by then.
    connect(videoRecorder, &RecordingEngine::recorderFileNotice, this,
            [this](const QString &text) { host.showRecordingMessageLater(text); });
    return true;
}

void RecordingController::setRecordingBackend(std::shared_ptr<RecordingBackend> backend)
{
    recordingBackend = std::move(backend);
    if (videoRecorder)
        videoRecorder->setBackend(recordingBackend);
}

QPixmap RecordingController::grabScreenArea(int x, int y, int w, int h)
{
    QPixmap result(w, h);
    result.fill(Qt::black);
    QScreen *screen = QGuiApplication::primaryScreen();
    // Asked for in screen pixels; the grab takes logical ones and gives screen pixels back.
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    const QRect logical = QRectF(x / ratio, y / ratio, w / ratio, h / ratio).toAlignedRect();
    QPixmap grabbed;
    // XWayland's root is empty: on Wayland the prepared session's frame shows the screen.
    if (ScreenCapture::isWaylandSession())
        grabbed = ScreenCapture::grabPrepared(QRect(x, y, w, h),
                                              screen ? screen->size() * ratio : QSize());
    else if (screen)
        grabbed =
            screen->grabWindow(0, logical.x(), logical.y(), logical.width(), logical.height());
    grabbed.setDevicePixelRatio(1);
    if (!grabbed.isNull() && grabbed.size() == QSize(w, h)) {
        QPainter painter(&result);
        painter.drawPixmap(0, 0, grabbed);
    }
    return result;
}

void RecordingController::onRecordStopClicked()
{
    // A start still waiting ends before anything is recorded: no folder to show then.
    const bool recorded = !recordStarting;
    recordStopHeld = recordStarting;
    recordClock->stop();
    recordSeconds = 0;
    if (videoRecorder)
        videoRecorder->stop();
    recording = false;
    closeAreaFrame();
    const QString folder = host.recordingSettings().avoutpath;
    if (recorded && !folder.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void RecordingController::onRecorderStopError(const QString &text)
{
    recordClock->stop();
    recordSeconds = 0;
    recording = false;
    closeAreaFrame();
    host.recordingToolBar().resetRecordState();
    QWidget *window = host.recordingWindow();
    if (!window->isActiveWindow()) {
        window->activateWindow();
        window->raise();
    }
    host.showRecordingMessageLater(text);
}

void RecordingController::closeAreaFrame()
{
    if (recordAreaFrame) {
        recordAreaFrame->close();
        recordAreaFrame = nullptr;
    }
}

void RecordingController::onRecordClockTick()
{
    recordSeconds += 1;
    host.recordingToolBar().setRecordTime(static_cast<int>(recordSeconds));
}

void RecordingController::startAreaScreenshot()
{
    // One selector at a time: a second request while it is open is ignored.
    if (areaSelecter)
        return;
    areaSelecter = new DesktopAreaSelecter(host.recordingWindow());
    // No picture (the share refused, the grab failed): told, and the next request starts over.
    const QPixmap desktop = host.grabDesktop();
    if (desktop.isNull()) {
        delete areaSelecter;
        areaSelecter = nullptr;
        host.showRecordingMessageLater(screenGrabFailedText());
        return;
    }
    areaSelecter->setDesktopPixmap(desktop);
    areaSelecter->setAreaAdjuster(
        [](int &x, int &y, int &w, int &h) { adjustScreenshotArea(x, y, w, h); });
    areaSelecter->setSaveButtonVisible(true);
    DesktopAreaSelecter *selecter = areaSelecter;
    connect(selecter, &DesktopAreaSelecter::selectedOver, this, [this, selecter] {
        selecter->disconnect();
        selecter->deleteLater();
        if (areaSelecter == selecter)
            areaSelecter = nullptr;
    });
    selecter->startSelection(QRect());
}

void RecordingController::notifyWindowMoved()
{
    if (videoRecorder)
        videoRecorder->notifyWindowMoved();
}

void RecordingController::notifyApplicationState(int state)
{
    if (videoRecorder)
        videoRecorder->notifyApplicationState(state);
}

void RecordingController::shutDown()
{
    recordClock->stop();
    delete recordAreaFrame;
    recordAreaFrame = nullptr;
}
