// Connections, start-up end, window behaviour, keys and the quit sequences of MainWindow.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cmath>

#include "base/filesystem.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "base/unavailable.h"
#include "base/windowsearch.h"
#include "camera/camerawidget.h"
#include "camera/floatcameradialog.h"
#include "canvas/canvas.h"
#include "documents/scrollarea.h"
#include "documents/slideoutlinecombo.h"
#include "documents/tabitem.h"
#include "drawing/paintproperty.h"
#include "mainwindow/aboutusdialog.h"
#include "mainwindow/handoffwatch.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/recentfilescontroler.h"
#include "mainwindow/shortcutkeys.h"
#include "online/upgradewidget.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfwriter.h"
#include "platform/hotkeys.h"
#include "timer/timerwidget.h"
#include "toolbar/maintoolbar.h"

namespace {

QSize availableSize()
{
    return QSize(availableScreenWidth(), availableScreenHeight());
}

// The board of the tab that options apply to at once, null when it has none.
BoardEditing *editedBoard(const TabItem *tab)
{
    if (!tab)
        return nullptr;
    if (tab->kind == DocumentKind::Pdf)
        return tab->pdfCanvas;
    return tab->canvas;
}

} // namespace

void MainWindow::connectSignals()
{
    connectTitleBarAndMenu();
    connectToolBarSignals();
    connectPageNavigation();
    connectPersonalPanel();
    connectAdvertise();
}

void MainWindow::connectTitleBarAndMenu()
{
    connect(ui.ratio16x9Action, &QAction::triggered, this, [this] { resizeToRatio(16, 9); });
    connect(ui.ratio4x3Action, &QAction::triggered, this, [this] { resizeToRatio(4, 3); });
    connect(ui.screenshotAction, &QAction::triggered, this, [this] { startAreaScreenshot(); });
    connect(ui.aboutAction, &QAction::triggered, this, [this] { showAboutDialog(); });
    connect(ui.tutorialAction, &QAction::triggered, this, [this] { openTutorialPage(); });
    connect(ui.exitAction, &QAction::triggered, this, [this] { close(); });
    connect(ui.foldPanelButton, &QPushButton::clicked, this,
            [this] { setPersonalPanelFolded(!ui.sidePanel->isHidden()); });
    connect(ui.upgradeButton, &QPushButton::clicked, this, [this] { onUpgradeClicked(); });
    connect(ui.minimizeButton, &QPushButton::clicked, this, [this] { showMinimized(); });
    connect(ui.maximizeButton, &QPushButton::clicked, this, [this] { toggleMaximized(); });
    connect(ui.closeButton, &QPushButton::clicked, this, [this] { close(); });
    ui.titleBar->installEventFilter(this);
}

void MainWindow::connectToolBarSignals()
{
    QScrollBar *strip = ui.toolBarScrollArea->horizontalScrollBar();
    connect(strip, &QScrollBar::rangeChanged, this,
            [this](int min, int max) { onToolBarStripRangeChanged(min, max); });
    connect(ui.scrollLeftButton, &QPushButton::clicked, this,
            [strip] { strip->triggerAction(QAbstractSlider::SliderPageStepSub); });
    connect(ui.scrollRightButton, &QPushButton::clicked, this,
            [strip] { strip->triggerAction(QAbstractSlider::SliderPageStepAdd); });
    toolBarPort->connectSignals(this);

    connect(timerWidget, &TimerWidget::closed, this, [this] { onTimerWidgetClosed(); });
    connect(floatCamera, &FloatCameraDialog::toClose, this, [this] { onFloatCameraClosed(); });
}

void MainWindow::onToolBarStripRangeChanged(int, int max)
{
    ui.scrollLeftButton->setVisible(max > 0);
    ui.scrollRightButton->setVisible(max > 0);
}

void MainWindow::connectPageNavigation()
{
    connect(ui.slideOutlineCombo, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { jumpToSlidePage(index + 1); });
    connect(ui.prevPageButton, &QPushButton::clicked, this,
            [this] { slides->navigate(SlideCommand::PreviousPage); });
    connect(ui.nextPageButton, &QPushButton::clicked, this,
            [this] { slides->navigate(SlideCommand::NextPage); });
    connect(ui.prevStepButton, &QPushButton::clicked, this,
            [this] { slides->navigate(SlideCommand::PreviousStep); });
    connect(ui.nextStepButton, &QPushButton::clicked, this,
            [this] { slides->navigate(SlideCommand::NextStep); });
    connect(ui.pageCombo, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { onPageComboActivated(index); });
    // Only Enter jumps: the box also ends its editing when it loses the focus (a click on a
    // tool, a menu, another window), long after the page typed was left.
    if (auto *edit = ui.pageSpinBox->findChild<QLineEdit *>())
        connect(edit, &QLineEdit::returnPressed, this, [this] { onPageSpinBoxEditingFinished(); });
}

void MainWindow::finishInit()
{
    recentFilesControler->load(settings.recentfiles);
    connect(recentFilesControler, &RecentFilesControler::openFileClicked, this,
            [this](const QString &path) { onRecentFileClicked(path); });
    setPersonalPanelFolded(!settings.showpersonal);
    applySettings();
    restoreWindowGeometry();
    connect(handOffWatch, &HandOffWatch::filesHandedOver, this,
            [this](const QStringList &files) { onHandOffFiles(files); });
    handOffWatch->start(handOverFilePath());
    registerHotKeys();
}

void MainWindow::restoreWindowGeometry()
{
    const int aw = availableScreenWidth();
    const int ah = availableScreenHeight();
    const int w = settings.winw;
    const int h = settings.winh;
    if (w > 0 && w < aw && h > 0 && h < ah) {
        showNormal();
        updateMaximizeButton(true);
        int x = settings.winx;
        if (x < 0 || x > aw - w)
            x = (aw - w) / 2;
        int y = settings.winy;
        if (y < 0 || y > ah - h)
            y = (ah - h) / 2;
        setGeometry(x, y, w, h);
    } else {
        // Without a window manager nothing maximises: cover the screen ourselves.
        if (QScreen *screen = QGuiApplication::primaryScreen())
            setGeometry(screen->availableGeometry());
        showMaximized();
        updateMaximizeButton(false);
    }
}

void MainWindow::onHandOffFiles(const QStringList &files)
{
    if (!isActiveWindow()) {
        activateWindow();
        raise();
    }
    openFilesFromArguments(files);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.titleBar) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                titleDragging = true;
                dragStartCursorPos[0] = QCursor::pos().x();
                dragStartCursorPos[1] = QCursor::pos().y();
                dragStartWindowPos[0] = pos().x();
                dragStartWindowPos[1] = pos().y();
                return true;
            case QEvent::MouseMove:
                if (!titleDragging)
                    break;
                move(dragStartWindowPos[0] + QCursor::pos().x() - dragStartCursorPos[0],
                     dragStartWindowPos[1] + QCursor::pos().y() - dragStartCursorPos[1]);
                return true;
            case QEvent::MouseButtonRelease:
                titleDragging = false;
                updateMaximizeButton(!isMaximized());
                syncSlideShowToPage();
                return true;
            case QEvent::MouseButtonDblClick:
                toggleMaximized();
                return true;
            default:
                break;
        }
    } else if (watched == ui.personalLogoLabel && event->type() == QEvent::MouseButtonPress) {
        choosePersonalLogo();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::toggleMaximized()
{
    if (size() == availableSize()) {
        if (pos() != QPoint(0, 0)) {
            setGeometry(0, 0, width(), height());
            showMaximized();
            updateMaximizeButton(false);
            syncSlideShowToPage();
            return;
        }
        setWindowState(Qt::WindowMaximized);
    }
    if (isMaximized()) {
        showNormal();
        updateMaximizeButton(true);
    } else {
        showMaximized();
        updateMaximizeButton(false);
    }
    placeAdvertiseWindow();
}

void MainWindow::updateMaximizeButton(bool showMaximizeIcon)
{
    ui.maximizeButton->setIcon(QIcon(showMaximizeIcon
                                         ? QStringLiteral(":/icon/titlebar/appmaxi.png")
                                         : QStringLiteral(":/icon/titlebar/appnormal.png")));
    ui.maximizeButton->setToolTip(showMaximizeIcon ? QStringLiteral("最大化")
                                                   : QStringLiteral("还原"));
}

void MainWindow::resizeToRatio(int a, int b)
{
    const int dw = ui.documentWidget->width();
    const int dh = ui.documentWidget->height();
    if (qint64(b) * dw == qint64(a) * dh)
        return;
    const int ww = width();
    const int wh = height();
    const int ex = ww - dw;
    const int ey = wh - dh;
    const int aw = availableScreenWidth();
    const int ah = availableScreenHeight();
    const int mw = minimumWindowWidth();
    const int mh = minimumWindowHeight();
    const double v = double(b) * dw / a;
    int W = ww;
    int H = wh;
    if (v > dh) {
        W = static_cast<int>(std::floor(double(a) * dh / b)) + ex;
        if (W > aw || W < mw) {
            W = W > aw ? aw : mw;
            H = static_cast<int>(std::floor(double(b) * (W - ex) / a + ey));
        }
    } else {
        H = static_cast<int>(std::floor(v)) + ey;
        if (H > ah || H < mh) {
            H = H > ah ? ah : mh;
            W = static_cast<int>(std::floor(double(a) * (H - ey) / b + ex));
        }
    }
    showNormal();
    updateMaximizeButton(true);
    resize(W, H);
}

void MainWindow::freezeSize()
{
    setMinimumSize(size());
    setMaximumSize(size());
}

void MainWindow::unfreezeSize()
{
    setMinimumSize(minimumWindowWidth(), minimumWindowHeight());
    setMaximumSize(availableSize());
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (!currentTab)
        return;
    int direction = 0;
    switch (event->key()) {
        case Qt::Key_PageUp:
        case Qt::Key_Up:
            direction = 1;
            break;
        case Qt::Key_PageDown:
        case Qt::Key_Down:
            direction = 2;
            break;
        case Qt::Key_Left:
            direction = 3;
            break;
        case Qt::Key_Right:
            direction = 4;
            break;
        case Qt::Key_Backspace:
            toolBarPort->clickDelete();
            return;
        case Qt::Key_Control:
            dispatchCommand(BoardCommand::SetCtrlPressed, 1);
            return;
        case Qt::Key_Shift:
            dispatchCommand(BoardCommand::SetShiftPressed, 1);
            return;
        default:
            return;
    }
    dispatchCommand(BoardCommand::HandleDirectionKey, direction);
}

void MainWindow::keyReleaseEvent(QKeyEvent *event)
{
    event->accept();
    if (event->key() == Qt::Key_Control)
        dispatchCommand(BoardCommand::SetCtrlPressed, 0);
    else if (event->key() == Qt::Key_Shift)
        dispatchCommand(BoardCommand::SetShiftPressed, 0);
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    placeAdvertiseWindow();
    if (floatCamera && floatCamera->isVisible()) {
        const QPoint moved = floatCamera->pos() + event->pos() - event->oldPos();
        floatCamera->move(moved);
        floatCamera->setPosition(moved);
    }
    recordingControl->notifyWindowMoved();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeAdvertiseWindow();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    placeAdvertiseWindow();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!hasNoOpenTabs() && !askQuestion(QStringLiteral("关闭程序将关闭所有窗口.<br>确定关闭？"))) {
        event->ignore();
        return;
    }
    quit();
    closing = true;
    // From now on the slide overlay closes like any widget instead of asking us to close.
    slides->windowClosing();
    event->accept();
}

bool MainWindow::hasNoOpenTabs() const
{
    return ui.tabBar->findChildren<TabItem *>().isEmpty();
}

void MainWindow::stopServices()
{
    unregisterHotKeys();
    timerWidget->closeTimer();
    slides->shutDown();
    recordingControl->shutDown();
    closeAllTabs();
    ui.cameraWidget->stopCamera();
    floatCamera->closeCamera();
    if (FileSystem::dirExists(clipboardDirPath()))
        FileSystem::clearDir(clipboardDirPath());
    delete upgradeWidget;
    upgradeWidget = nullptr;
}

void MainWindow::startUpdaterIfWaiting()
{
    UpgradeWidget::startUpdaterIfWaiting(updaterProgram, processLauncher);
}

void MainWindow::quit()
{
    stopServices();
    saveSettings();
    startUpdaterIfWaiting();
}

void MainWindow::emergencyCleanup()
{
    stopServices();
    startUpdaterIfWaiting();
}

void MainWindow::cleanUpAfterCrash()
{
    emergencyCleanup();
}

void MainWindow::setProgressPercent(double value)
{
    ui.percentLabel->setText(value > 0 ? QString::number(qRound(value * 100)) + QStringLiteral("%")
                                       : QString());
}

void MainWindow::openTutorialPage()
{
    const QString site = websiteUrl();
    if (site.isEmpty()) {
        showMessage(QStringLiteral("未设置服务器地址，无法打开使用教程"));
        return;
    }
    QDesktopServices::openUrl(QUrl(site + QStringLiteral("/tutorial.html")));
}

void MainWindow::showAboutDialog()
{
    AboutUsDialog dialog;
    dialog.showVersion(appVersionText);
}

void MainWindow::onApplicationStateChanged(Qt::ApplicationState state)
{
    toolBarPort->setOpenClipboardFileEnabled(
        FileSystem::clipboardHasOpenableFile(supportedFileSuffixes()));
    toolBarPort->setPasteEnabled(FileSystem::clipboardHasImage());
    recordingControl->notifyApplicationState(static_cast<int>(state));
}

void MainWindow::onSystemSuspended()
{
    if (!isRecording())
        return;
    toolBarPort->clickRecordStop();
    showLater(QStringLiteral("系统进入睡眠/休眠，录屏自动中断退出"));
}

void MainWindow::showLater(const QString &text, const QString &toldMarker)
{
    QTimer::singleShot(500, this, [this, text, toldMarker] {
        // Told is what reached the screen: a quit before this leaves it to the next start.
        if (!toldMarker.isEmpty())
            FileSystem::writeBytes(toldMarker, QByteArray());
        showMessage(text);
    });
}

// Hot keys ------------------------------------------------------------------------------

bool MainWindow::registerHotKey(const QString &keyText)
{
    int modifiers = 0;
    int virtualKey = 0;
    parseHotKeyText(keyText, modifiers, virtualKey);
    lastGrabResult = HotKeyGrabber::Unavailable;
    if (!hotKeyGrabber || virtualKey == 0)
        return false;
    lastGrabResult = hotKeyGrabber->grab(modifiers, virtualKey);
    if (lastGrabResult != HotKeyGrabber::Grabbed)
        return false;
    hotKeyTexts.append(keyText);
    hotKeyPairs.append({modifiers, virtualKey});
    return true;
}

QStringList MainWindow::hotKeyList()
{
    return {QStringLiteral("Ctrl+F1"), QStringLiteral("Ctrl+F2"), QStringLiteral("Alt+A")};
}

void MainWindow::registerHotKeys()
{
    // A desktop may ask the user before it gives the keys: the window goes on meanwhile.
    if (!hotKeyGrabber) {
        registerReadyHotKeys();
        return;
    }
    hotKeyGrabber->whenReady([this] {
        if (!hotKeysLetGo)
            registerReadyHotKeys();
    });
}

void MainWindow::registerReadyHotKeys()
{
    QString failed;
    bool anyOccupied = false;
    bool anyRefused = false;
    for (const QString &text : hotKeyList()) {
        if (registerHotKey(text))
            continue;
        failed += QLatin1Char('[') + text + QLatin1Char(']');
        anyOccupied = anyOccupied || lastGrabResult == HotKeyGrabber::Occupied;
        anyRefused = anyRefused || lastGrabResult == HotKeyGrabber::Refused;
    }
    const QString focusOnly = QStringLiteral("仅在本窗口激活时可用");
    // The marker of a notice that is true of the desktop, not of this start: said once.
    QString toldMarker;
    hotKeyNoticeText.clear();
    if (anyOccupied) {
        hotKeyNoticeText =
            QStringLiteral("墨岚白板热键冲突：热键") + failed + QStringLiteral("被其它程序占用");
    } else if (hotKeysFocusOnly) {
        QString keys;
        for (const QString &text : hotKeyList())
            keys += QLatin1Char('[') + text + QLatin1Char(']');
        hotKeyNoticeText = QStringLiteral("此桌面环境不支持全局热键，热键") + keys + focusOnly;
        toldMarker = hotKeyNoticeFilePath();
    } else if (anyRefused) {
        // Refused or unanswered: the window's own shortcuts still run them.
        hotKeyNoticeText = QStringLiteral("此桌面环境未授予全局热键，热键") + failed + focusOnly;
        toldMarker = hotKeyRefusalNoticeFilePath();
    } else if (!failed.isEmpty()) {
        // Without an X server nothing can be grabbed: that is no conflict with another program.
        hotKeyNoticeText =
            QStringLiteral("此桌面环境不支持全局热键，热键") + failed + QStringLiteral("不可用");
    }
    if (!toldMarker.isEmpty() && FileSystem::fileExists(toldMarker))
        hotKeyNoticeText.clear();
    if (!hotKeyNoticeText.isEmpty())
        showLater(hotKeyNoticeText, toldMarker);
}

void MainWindow::unregisterHotKeys()
{
    hotKeysLetGo = true;
    if (!hotKeyGrabber)
        return;
    for (const QPair<int, int> &pair : qAsConst(hotKeyPairs))
        hotKeyGrabber->ungrab(pair.first, pair.second);
}

void MainWindow::onSystemHotKey(int modifiers, int virtualKey)
{
    const int index = hotKeyPairs.indexOf({modifiers, virtualKey});
    if (index >= 0)
        runHotKeyAction(hotKeyTexts.at(index));
}

void MainWindow::runHotKeyAction(const QString &keyText)
{
    if (keyText == QLatin1String("Alt+A")) {
        startAreaScreenshot();
        return;
    }
    if (keyText != QLatin1String("Ctrl+F1") && keyText != QLatin1String("Ctrl+F2"))
        return;
    if (!isActiveWindow()) {
        activateWindow();
        raise();
    }
    if (keyText == QLatin1String("Ctrl+F1"))
        toolBarPort->clickRecordStart();
    else
        toolBarPort->clickRecordStop();
}

void MainWindow::startAreaScreenshot()
{
    recordingControl->startAreaScreenshot();
}

void MainWindow::handleShortcutKey(int key, Qt::KeyboardModifiers modifiers)
{
    runShortcutKey(*toolBarPort, key, modifiers, [this] { startAreaScreenshot(); });
}

// Recording, cameras, timer, upgrade --------------------------------------------------------

void MainWindow::onFloatCameraClicked()
{
    toolBarPort->setFloatCameraEnabled(false);
    ui.cameraWidget->hide();
    ui.openCameraButton->hide();
    ui.closeCameraButton->hide();
    ui.openCameraButton->setEnabled(true);
    ui.closeCameraButton->setEnabled(false);
    ui.cameraWidget->stopCamera();
    // Placed under its toolbar button the first time, where the user dragged it after that.
    auto *bar = qobject_cast<MainToolBar *>(toolBarPort->widget());
    if (floatCamera->position().isNull() && bar && bar->isVisible()) {
        const QRect button = bar->floatCameraButtonRect();
        floatCamera->setPosition(button.left(), button.bottom() + 1 + spacingUnit());
    }
    floatCamera->openCamera();
}

void MainWindow::onFloatCameraClosed()
{
    toolBarPort->setFloatCameraEnabled(true);
    ui.cameraWidget->show();
    ui.openCameraButton->show();
    ui.closeCameraButton->show();
    floatCamera->closeCamera();
}

void MainWindow::onTimerWidgetClosed()
{
    const QList<int> values = timerWidget->timeValues();
    if (values.size() == 3) {
        settings.timer_h = values.at(0);
        settings.timer_m = values.at(1);
        settings.timer_s = values.at(2);
    }
}

void MainWindow::onCountdownTimerClicked()
{
    timerWidget->showTimer(settings.timer_h, settings.timer_m, settings.timer_s);
}

void MainWindow::applyTimerSettings()
{
    onCountdownTimerClicked();
}

void MainWindow::onUpgradeClicked()
{
    if (!upgradeWidget)
        return;
    upgradeWidget->showNormal();
    upgradeWidget->startCheck();
}

void MainWindow::onStampChecked(const QString &name)
{
    paintProperty->stampName = name;
    if (BoardEditing *board = editedBoard(currentTab))
        board->applyStamp();
}

void MainWindow::onStampTeacherPointerSeted(const QString &value)
{
    paintProperty->stampTeacherPointer = value;
    if (BoardEditing *board = editedBoard(currentTab))
        board->applyStampPointer();
}

void MainWindow::onBoardGridTypeChanged(int type)
{
    if (currentTab && currentTab->kind != DocumentKind::Pdf && currentTab->canvas)
        currentTab->canvas->setBoardGridType(type);
}

void MainWindow::onPdfResetClicked()
{
    if (currentTab && currentTab->kind == DocumentKind::Pdf && currentTab->pdfCanvas)
        currentTab->pdfCanvas->resetDocument();
}

void MainWindow::onAppSettingsClicked()
{
    openAppSettings();
}

void MainWindow::showPdfWriterDialog()
{
    if (!currentTab)
        return;
    PDFWriter writer(this, this);
    writer.setFileOpener([this](const QString &path) { openFilesFromArguments({path}); });
    QWidget *canvas = currentTab->kind == DocumentKind::Pdf
                          ? static_cast<QWidget *>(currentTab->pdfCanvas)
                          : static_cast<QWidget *>(currentTab->canvas);
    // The next export from this tab starts in the folder chosen last.
    currentTab->folder =
        writer.exportPdf(currentTab->title, int(currentTab->kind), canvas, currentTab->folder);
}

// Slide shows -------------------------------------------------------------------------------

bool MainWindow::hasSlideShowTab() const
{
    const QList<TabItem *> tabs = ui.tabBar->findChildren<TabItem *>();
    for (const TabItem *tab : tabs) {
        if (tab->kind == DocumentKind::SlideShow)
            return true;
    }
    return false;
}

void MainWindow::selectPaintTool()
{
    dispatchCommand(BoardCommand::ApplyPaintTool);
    slides->toolChanged();
}
