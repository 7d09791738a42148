#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "camera/camerawidget.h"
#include "camera/floatcameradialog.h"
#include "canvas/canvas.h"
#include "documents/tabitem.h"
#include "mainwindow/aboutusdialog.h"
#include "mainwindow/mainwindow.h"
#include "pdf/pdfcanvas.h"
#include "recording/desktopareaselecter.h"

#include "boxanswerer.h"
#include "camerafakes.h"
#include "fakes.h"
#include "pdffixtures.h"
#include "windowsetup.h"

Q_DECLARE_METATYPE(QMargins)

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void layoutFrame();
    void toolStripBelowWhenAsked();
    void quitWithoutTabAsksNothing();
    void closeQuestionWithTab();
    void placementFromStoredGeometry_data();
    void placementFromStoredGeometry();
    void resizeToRatio();
    void quitSequence();
    void crashCleanUpSavesNothing();
    void hotKeyRegistration();
    void hotKeysWithoutXServer();
    void hotKeyNoticeWhereKeysNeedTheFocus_data();
    void hotKeyNoticeWhereKeysNeedTheFocus();
    void hotKeyActions();
    void secondScreenshotIgnored();
    void pageControls();
    void questionsAndPercent();
    void boxesAreWideEnoughForTheirTitle();
    void personalText();
    void logoClickKeepsOldLogoOnFailedCopy();
    void refusedRecordingKeepsFlagOff();
    void titleBarDrag();
    void foldingThePanel();
    void keysWithoutTab();
    void aboutDialogShowsVersion();
    void floatingCameraButtonComesBack();
    void settingsReachTheToolBar();
    void stripArrowsOnlyWhenItScrolls();
    void overlayCanvasAndBoardCommands();
    void restoredWindowResizesFromItsEdges_data();
    void restoredWindowResizesFromItsEdges();

private:
    MainWindow *build(const std::function<void(MainWindow &)> &beforeFinish = nullptr);
    MainWindow *buildWithUpdater(QStringList *launched);
    MainWindow *buildAt(const QRect &stored);
    static bool recordingFlag(MainWindow &w) { return w.isRecording(); }

    QTemporaryDir *m_dir = nullptr;
    FakeToolBar *m_toolBar = nullptr;
    FakeGrabber *m_grabber = nullptr;
    QList<MainWindow *> m_windows;
    QStringList m_setupCalls;
};

// A window whose stored geometry is stored.
MainWindow *MainWindowTest::buildAt(const QRect &stored)
{
    return build([stored](MainWindow &window) {
        window.settings.winx = stored.x();
        window.settings.winy = stored.y();
        window.settings.winw = stored.width();
        window.settings.winh = stored.height();
    });
}

// A window whose process starts land in launched, its updater a script in the test folder.
MainWindow *MainWindowTest::buildWithUpdater(QStringList *launched)
{
    MainWindow *w = build();
    w->processLauncher = [launched](const QString &program, const QStringList &arguments) {
        *launched << program << arguments;
        return true;
    };
    w->updaterProgram = m_dir->filePath(QStringLiteral("updater"));
    FileSystem::writeBytes(w->updaterProgram, "#!/bin/sh\n");
    return w;
}

MainWindow *MainWindowTest::build(const std::function<void(MainWindow &)> &beforeFinish)
{
    auto *window = new MainWindow;
    m_windows.append(window);
    auto toolBar = std::make_unique<FakeToolBar>();
    m_toolBar = toolBar.get();
    window->setToolBarPort(std::move(toolBar));
    auto grabber = std::make_unique<FakeGrabber>();
    m_grabber = grabber.get();
    window->setHotKeyGrabber(std::move(grabber));
    runStartUpSteps(*window, beforeFinish);
    m_setupCalls = m_toolBar->calls;
    m_toolBar->calls.clear(); // set-up's own button states
    return window;
}

void MainWindowTest::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    appDataDir = m_dir->path();
    qputenv("QB_UPDATER_PROGRAM", QByteArray());
    qputenv("QB_SERVER_URL", QByteArray()); // no test reaches out unless it says so
}

void MainWindowTest::cleanup()
{
    qDeleteAll(m_windows);
    m_windows.clear();
    delete m_dir;
    m_dir = nullptr;
}

void MainWindowTest::layoutFrame()
{
    MainWindow *w = build();
    QCOMPARE(w->windowTitle(), appTitle);
    // The side column lines up from the title bar to the bottom row.
    QCOMPARE(w->ui.sidePanel->width(), sidePanelWidth());
    QCOMPARE(w->ui.titleButtonPanel->width(), sidePanelWidth());
    QCOMPARE(w->ui.bottomSidePanel->width(), sidePanelWidth());
    QCOMPARE(w->ui.mainLayout->indexOf(w->ui.toolStrip), 1);
    // Data subfolders exist after set-up.
    for (const QString &dir : {clipboardDirPath(), configDirPath(), upgradeDirPath()})
        QVERIFY(FileSystem::dirExists(dir));
    // Only the page spin box takes focus besides the window.
    const QList<QWidget *> children = w->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child != w->ui.pageSpinBox && child->isVisibleTo(w))
            QVERIFY2(child->focusPolicy() == Qt::NoFocus, child->metaObject()->className());
    }
    QCOMPARE(w->ui.pageSpinBox->focusPolicy(), Qt::ClickFocus);
    // The service buttons are usable once the window is set up, server or not.
    QVERIFY(m_setupCalls.contains(QStringLiteral("floatCameraEnabled:1")));
    // The placeholder stands in for a missing note.
    QCOMPARE(w->ui.personalTextEdit->toPlainText(),
             QStringLiteral("文本内容，可点击下方编辑按钮修改"));
    QVERIFY(!w->ui.personalLogoLabel->pixmap(Qt::ReturnByValue).isNull());
}

void MainWindowTest::toolStripBelowWhenAsked()
{
    MainWindow *w = build([](MainWindow &window) { window.settings.toolbarpos = false; });
    QCOMPARE(w->ui.mainLayout->indexOf(w->ui.toolStrip), w->ui.mainLayout->count() - 1);
    QVERIFY(w->ui.mainLayout->indexOf(w->ui.bottomBar) <
            w->ui.mainLayout->indexOf(w->ui.toolStrip));
    // Asked back to the top, it moves once; asking again moves nothing.
    w->settings.toolbarpos = true;
    w->applySettings();
    QCOMPARE(w->ui.mainLayout->indexOf(w->ui.toolStrip),
             w->ui.mainLayout->indexOf(w->ui.titleBar) + 1);
    w->applySettings();
    QCOMPARE(w->ui.mainLayout->indexOf(w->ui.toolStrip), 1);
}

void MainWindowTest::quitWithoutTabAsksNothing()
{
    MainWindow *w = build();
    BoxAnswerer answerer(QStringLiteral("取消"));
    QVERIFY(w->close());
    QCOMPARE(answerer.boxes, 0);
    QVERIFY(w->isClosing());
    QVERIFY(FileSystem::fileExists(appSettingsFilePath()));
}

void MainWindowTest::closeQuestionWithTab()
{
    MainWindow *w = build();
    QFile::remove(appSettingsFilePath());
    FileSystem::writeBytes(clipboardDirPath() + QStringLiteral("/pasted.png"), "x");
    auto *tab = new TabItem;
    tab->kind = DocumentKind::Board;
    tab->title = QStringLiteral("白板1");
    w->addTab(tab);
    QVERIFY(!w->hasNoOpenTabs());
    {
        BoxAnswerer answerer(QStringLiteral("取消"));
        QVERIFY(!w->close());
        QCOMPARE(answerer.boxes, 1);
        QCOMPARE(answerer.title, QStringLiteral("墨岚白板提示"));
        QCOMPARE(answerer.text, QStringLiteral("关闭程序将关闭所有窗口.<br>确定关闭？"));
    }
    // Cancelled: nothing closed, nothing saved, nothing cleared.
    QVERIFY(!w->isClosing());
    QVERIFY(w->isVisible());
    QCOMPARE(w->currentTabItem(), tab);
    QVERIFY(!w->hasNoOpenTabs());
    QVERIFY(!FileSystem::fileExists(appSettingsFilePath()));
    QVERIFY(FileSystem::fileExists(clipboardDirPath() + QStringLiteral("/pasted.png")));
    {
        BoxAnswerer answerer(QStringLiteral("确定"));
        QVERIFY(w->close());
    }
    QVERIFY(w->isClosing());
    QVERIFY(w->hasNoOpenTabs());
    QVERIFY(FileSystem::fileExists(appSettingsFilePath()));
}

void MainWindowTest::placementFromStoredGeometry_data()
{
    const int aw = availableScreenWidth();
    const int ah = availableScreenHeight();
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<QPoint>("placed");
    const int w = aw * 3 / 4;
    const int h = ah * 3 / 4;
    QTest::newRow("fits") << QRect(10, 20, w, h) << false << QPoint(10, 20);
    QTest::newRow("size 0") << QRect(10, 20, 0, h) << true << QPoint();
    QTest::newRow("as wide as the screen") << QRect(0, 0, aw, h) << true << QPoint();
    QTest::newRow("too tall") << QRect(0, 0, w, ah + 5) << true << QPoint();
    QTest::newRow("off left") << QRect(-50, 20, w, h) << false << QPoint((aw - w) / 2, 20);
    QTest::newRow("off bottom") << QRect(10, ah, w, h) << false << QPoint(10, (ah - h) / 2);
}

void MainWindowTest::placementFromStoredGeometry()
{
    QFETCH(QRect, stored);
    QFETCH(bool, maximised);
    QFETCH(QPoint, placed);
    MainWindow *w = buildAt(stored);
    QCOMPARE(w->isMaximized(), maximised);
    QCOMPARE(w->ui.maximizeButton->toolTip(),
             maximised ? QStringLiteral("还原") : QStringLiteral("最大化"));
    if (!maximised) {
        QCOMPARE(w->geometry().topLeft(), placed);
        QCOMPARE(w->geometry().size(), stored.size());
    }
}

void MainWindowTest::resizeToRatio()
{
    const int aw = availableScreenWidth();
    const int ah = availableScreenHeight();
    MainWindow *w = buildAt(QRect(0, 0, aw * 9 / 10, ah * 9 / 10));
    w->layout()->activate();
    w->resizeToRatio(4, 3);
    w->layout()->activate();
    const QSize doc = w->ui.documentWidget->size();
    // Floors leave at most a pixel off the exact ratio.
    QVERIFY2(qAbs(doc.width() * 3 - doc.height() * 4) <= 4,
             qPrintable(QStringLiteral("%1x%2").arg(doc.width()).arg(doc.height())));
    QVERIFY(!w->isMaximized());
    // Already in ratio: nothing changes, not even the maximise button.
    w->updateMaximizeButton(false);
    const QSize before = w->size();
    w->resizeToRatio(doc.width(), doc.height());
    QCOMPARE(w->size(), before);
    QCOMPARE(w->ui.maximizeButton->toolTip(), QStringLiteral("还原"));
}

void MainWindowTest::quitSequence()
{
    QStringList launched;
    MainWindow *w = buildWithUpdater(&launched);
    const QString updater = w->updaterProgram;
    FileSystem::writeBytes(clipboardDirPath() + QStringLiteral("/a.png"), "x");
    QDir().mkpath(clipboardDirPath() + QStringLiteral("/sub"));
    w->settings.hascleannotice = false;

    // No "upgrade.ini": no updater.
    w->quit();
    QVERIFY(launched.isEmpty());
    QVERIFY(FileSystem::dirExists(clipboardDirPath()));
    QVERIFY(QDir(clipboardDirPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    AppSettings saved;
    settingsfile::load(saved, appSettingsFilePath());
    QCOMPARE(saved.hascleannotice, false);
    QCOMPARE(m_grabber->log.filter(QStringLiteral("ungrab")).size(), 3);

    QStringList launchedAgain;
    MainWindow *second = buildWithUpdater(&launchedAgain);
    FileSystem::writeBytes(upgradeDirPath() + QStringLiteral("/upgrade.ini"), "[files]\n");
    second->quit();
    QCOMPARE(launchedAgain, (QStringList{updater, upgradeDirPath()}));

    // An updater that is not there is not started.
    MainWindow *third = build();
    bool started = false;
    third->processLauncher = [&started](const QString &, const QStringList &) {
        return started = true;
    };
    third->updaterProgram = m_dir->filePath(QStringLiteral("missing"));
    third->quit();
    QVERIFY(!started);
}

void MainWindowTest::crashCleanUpSavesNothing()
{
    QStringList launched;
    MainWindow *w = buildWithUpdater(&launched);
    const QString updater = w->updaterProgram;
    FileSystem::writeBytes(upgradeDirPath() + QStringLiteral("/upgrade.ini"), "[files]\n");
    FileSystem::writeBytes(clipboardDirPath() + QStringLiteral("/a.png"), "x");
    QFile::remove(appSettingsFilePath());
    w->cleanUpAfterCrash();
    QVERIFY(!FileSystem::fileExists(appSettingsFilePath()));
    QVERIFY(!FileSystem::fileExists(clipboardDirPath() + QStringLiteral("/a.png")));
    QVERIFY(FileSystem::dirExists(clipboardDirPath()));
    QCOMPARE(launched, (QStringList{updater, upgradeDirPath()}));
}

void MainWindowTest::hotKeyRegistration()
{
    MainWindow *w = build([this](MainWindow &) {
        m_grabber->answers[2 ^ 112] = HotKeyGrabber::Occupied;
        m_grabber->answers[1 ^ 65] = HotKeyGrabber::Occupied;
    });
    QCOMPARE(w->registeredHotKeys(), QStringList{QStringLiteral("Ctrl+F2")});
    QCOMPARE(w->hotKeyNotice(),
             QStringLiteral("墨岚白板热键冲突：热键[Ctrl+F1][Alt+A]被其它程序占用"));
    QCOMPARE(m_grabber->log, (QStringList{"grab 2 112", "grab 2 113", "grab 1 65"}));
    w->unregisterHotKeys();
    QCOMPARE(m_grabber->log.last(), QStringLiteral("ungrab 2 113"));

    MainWindow *all = build([this](MainWindow &) {
        for (int id : {2 ^ 112, 2 ^ 113, 1 ^ 65})
            m_grabber->answers[id] = HotKeyGrabber::Occupied;
    });
    QCOMPARE(all->hotKeyNotice(),
             QStringLiteral("墨岚白板热键冲突：热键[Ctrl+F1][Ctrl+F2][Alt+A]被其它程序占用"));
    MainWindow *none = build();
    QVERIFY(none->hotKeyNotice().isEmpty());
    QCOMPARE(none->registeredHotKeys(), (QStringList{"Ctrl+F1", "Ctrl+F2", "Alt+A"}));
}

void MainWindowTest::hotKeysWithoutXServer()
{
    MainWindow *w = build([this](MainWindow &) {
        for (int id : {2 ^ 112, 2 ^ 113, 1 ^ 65})
            m_grabber->answers[id] = HotKeyGrabber::Unavailable;
    });
    QVERIFY(w->registeredHotKeys().isEmpty());
    // No program holds the keys: the notice must not name a conflict.
    QVERIFY(!w->hotKeyNotice().contains(QStringLiteral("冲突")));
    QVERIFY(!w->hotKeyNotice().contains(QStringLiteral("被其它程序占用")));
    QVERIFY(w->hotKeyNotice().contains(QStringLiteral("[Ctrl+F1][Ctrl+F2][Alt+A]")));
}

void MainWindowTest::hotKeyNoticeWhereKeysNeedTheFocus_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    const QString focusOnly = QStringLiteral(
        "此桌面环境不支持全局热键，热键[Ctrl+F1][Ctrl+F2][Alt+A]仅在本窗口激活时可用");
    QTest::newRow("nothing grabbed") << int(HotKeyGrabber::Unavailable) << focusOnly << QString();
    QTest::newRow("XWayland grabs") << int(HotKeyGrabber::Grabbed) << focusOnly << QString();
    const QString conflict =
        QStringLiteral("墨岚白板热键冲突：热键[Ctrl+F1][Ctrl+F2][Alt+A]被其它程序占用");
    QTest::newRow("held by another program")
        << int(HotKeyGrabber::Occupied) << conflict << conflict;
    QTest::newRow("not granted by the desktop")
        << int(HotKeyGrabber::Refused)
        << QStringLiteral(
               "此桌面环境未授予全局热键，热键[Ctrl+F1][Ctrl+F2][Alt+A]仅在本窗口激活时可用")
        << QString();
}

// A Wayland desktop without global keys, or whose portal did not grant them: the keys work
// while our window has the focus, which is said until a start has shown it; a real conflict is
// told at every start.
void MainWindowTest::hotKeyNoticeWhereKeysNeedTheFocus()
{
    QFETCH(int, answer);
    QFETCH(QString, first);
    QFETCH(QString, second);
    // The first start quits before its notice shows, the second shows it.
    for (int start = 0; start < 3; ++start) {
        BoxAnswerer boxes{QString()};
        MainWindow *w = build([this, answer](MainWindow &m) {
            m.hotKeysFocusOnly = answer != HotKeyGrabber::Refused;
            for (int id : {2 ^ 112, 2 ^ 113, 1 ^ 65})
                m_grabber->answers[id] = HotKeyGrabber::Result(answer);
        });
        QCOMPARE(w->hotKeyNotice(), start < 2 ? first : second);
        if (start == 0)
            delete m_windows.takeLast();
        else if (start == 1)
            QTRY_COMPARE(boxes.texts, QStringList{first});
    }
}

void MainWindowTest::hotKeyActions()
{
    MainWindow *w =
        build([this](MainWindow &) { m_grabber->answers[2 ^ 113] = HotKeyGrabber::Occupied; });
    w->desktopGrabber = [] { return QPixmap(64, 48); }; // the offscreen screen gives none
    w->onSystemHotKey(2, 112);
    QCOMPARE(m_toolBar->calls, QStringList{"recordStart"});
    // Not registered, or unknown: ignored.
    w->onSystemHotKey(2, 113);
    w->onSystemHotKey(4, 112);
    QCOMPARE(m_toolBar->calls, QStringList{"recordStart"});
    w->onSystemHotKey(1, 65);
    QCOMPARE(w->findChildren<DesktopAreaSelecter *>().size(), 1);
    // Inside the window Ctrl+F1 goes straight to the toolbar.
    w->handleShortcutKey(Qt::Key_F1, Qt::ControlModifier);
    QCOMPARE(m_toolBar->calls.last(), QStringLiteral("recordStart"));
}

void MainWindowTest::secondScreenshotIgnored()
{
    MainWindow *w = build();
    w->desktopGrabber = [] { return QPixmap(); }; // no picture: told, and nothing stays open
    BoxAnswerer answerer(QStringLiteral("OK"));
    w->startAreaScreenshot();
    QTRY_COMPARE(answerer.texts, QStringList{"获取屏幕位置信息失败，请重试"});
    w->desktopGrabber = [] { return QPixmap(64, 48); };
    w->startAreaScreenshot();
    w->startAreaScreenshot();
    w->handleShortcutKey(Qt::Key_A, Qt::AltModifier);
    QList<DesktopAreaSelecter *> selecters = w->findChildren<DesktopAreaSelecter *>();
    QCOMPARE(selecters.size(), 1);
    // Once it ends, the next request opens a new one.
    QPointer<DesktopAreaSelecter> first = selecters.first();
    emit first->selectedOver(QRect(), false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    w->startAreaScreenshot();
    QCOMPARE(w->findChildren<DesktopAreaSelecter *>().size(), 1);
}

void MainWindowTest::pageControls()
{
    MainWindow *w = build();
    w->setPdfPageRange(5, 3);
    QCOMPARE(w->ui.pageSpinBox->value(), 3);
    QCOMPARE(w->ui.pageSpinBox->maximum(), 3);
    QVERIFY(w->ui.pageSpinBox->isEnabled());
    QCOMPARE(w->ui.pageLabel->text(), QStringLiteral("3/3"));
    w->setPdfPageRange(0, 10);
    QVERIFY(!w->ui.pageSpinBox->isEnabled());
    QCOMPARE(w->ui.pageSpinBox->value(), 0);
    QCOMPARE(w->ui.pageLabel->text(), QString());
    w->setPdfPageRange(2, 0);
    QCOMPARE(w->ui.pageLabel->text(), QString());
    w->setPageLabel(4, 9);
    QCOMPARE(w->ui.pageLabel->text(), QStringLiteral("4/9"));
    w->setPageLabel(0, 7);
    QCOMPARE(w->ui.pageLabel->text(), QString());
    w->setPageLabel(2, 0);
    QCOMPARE(w->ui.pageLabel->text(), QString());

    w->fillPageComboBox({"i", "ii", "1", "2"}, {0, 1, 2, 3});
    QCOMPARE(w->ui.pageCombo->count(), 4);
    QCOMPARE(w->ui.pageCombo->itemData(2).toString(), QStringLiteral("2"));
    w->selectPageInComboBox(3);
    QCOMPARE(w->ui.pageCombo->currentIndex(), 3);
    w->selectPageInComboBox(42);
    QCOMPARE(w->ui.pageCombo->currentIndex(), 3);

    // The page controls reach only a PDF tab, and the spin box counts from 1.
    auto *tab = new TabItem;
    tab->kind = DocumentKind::Pdf;
    const QString file = m_dir->filePath(QStringLiteral("five.pdf"));
    QVERIFY(writeTestPdf(file, a4Pages(5)));
    auto *pdf = new PdfCanvas(file, m_dir->path(), w->tools(), w);
    QVERIFY(pdf->openDocument());
    tab->pdfCanvas = pdf;
    w->addTab(tab);
    w->fillPageComboBox({"i", "ii", "1", "2"}, {0, 1, 2, 3});
    QSignalSpy asked(pdf, &PdfCanvas::vScrollBarNewValue);
    w->setPdfPageRange(1, 5);
    w->ui.pageSpinBox->setValue(3);
    QTest::keyClick(w->ui.pageSpinBox, Qt::Key_Return);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.last().first().toInt(), pdf->pageTops().at(2));
    // Leaving the box (for a tool, after a little scrolling) is no jump.
    w->ui.pageSpinBox->setValue(4);
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(w->ui.pageSpinBox, &out);
    QCOMPARE(asked.count(), 1);
    w->ui.pageCombo->activated(1);
    QCOMPARE(asked.count(), 2);
    QCOMPARE(asked.last().first().toInt(), pdf->pageTops().at(1));
    tab->kind = DocumentKind::Board;
    w->ui.pageSpinBox->setValue(4);
    QTest::keyClick(w->ui.pageSpinBox, Qt::Key_Return);
    QCOMPARE(asked.count(), 2);
}

void MainWindowTest::questionsAndPercent()
{
    MainWindow *w = build();
    {
        BoxAnswerer answerer(QStringLiteral("确定"));
        QVERIFY(w->askQuestion(QStringLiteral("继续？")));
        QCOMPARE(answerer.title, QStringLiteral("墨岚白板提示"));
    }
    {
        BoxAnswerer answerer(QStringLiteral("取消"));
        QVERIFY(!w->askQuestion(QStringLiteral("继续？")));
    }
    w->setProgressPercent(1.254);
    QCOMPARE(w->ui.percentLabel->text(), QStringLiteral("125%"));
    w->setProgressPercent(0);
    QCOMPARE(w->ui.percentLabel->text(), QString());
}

void MainWindowTest::boxesAreWideEnoughForTheirTitle()
{
    // Regression: a box with a short text was only as wide as Qt allows the title in its own
    // font, and a title bar cut "墨岚白板消息" to "墨岚…息".
    MainWindow *w = build();
    for (bool question : {false, true}) {
        int width = 0;
        int needed = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            // The title in a bold title-bar font, with the window's icon and three buttons.
            QFont bold = box->font();
            bold.setBold(true);
            const QFontMetrics metrics(bold);
            needed = metrics.horizontalAdvance(box->windowTitle()) + 4 * (metrics.height() + 8);
            width = box->width();
            box->reject();
        });
        poll.start(10);
        question ? void(w->askQuestion(QStringLiteral("好")))
                 : w->showMessage(QStringLiteral("好"));
        QVERIFY(needed > 0);
        QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
    }
}

void MainWindowTest::personalText()
{
    MainWindow *w = build();
    w->savePersonalText(QStringLiteral("<p>第一课</p>"));
    QVERIFY(QString::fromUtf8(FileSystem::readAll(profileFilePath())).contains("第一课"));
    // An emptied note is stored as the placeholder.
    w->savePersonalText(QStringLiteral("<p>  </p>"));
    QVERIFY(QString::fromUtf8(FileSystem::readAll(profileFilePath()))
                .contains(QStringLiteral("文本内容，可点击下方编辑按钮修改")));
    // Read back up to the first zero byte.
    FileSystem::writeBytes(profileFilePath(), QByteArray("<b>hello</b>\0junk", 17));
    w->loadPersonalText();
    QCOMPARE(w->ui.personalTextEdit->toPlainText(), QStringLiteral("hello"));
}

void MainWindowTest::logoClickKeepsOldLogoOnFailedCopy()
{
    MainWindow *w = build();
    QImage red(30, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString chosen = m_dir->filePath(QStringLiteral("red.PNG"));
    QVERIFY(red.save(chosen, "PNG"));
    w->logoFilePicker = [chosen] { return chosen; };
    QTest::mouseClick(w->ui.personalLogoLabel, Qt::LeftButton);
    QVERIFY(FileSystem::fileExists(configDirPath() + QStringLiteral("/mylogo.png")));
    const QByteArray stored = FileSystem::readAll(configDirPath() + QStringLiteral("/mylogo.png"));
    // A chosen file that cannot be read leaves the logo as it was.
    w->logoFilePicker = [this] { return m_dir->filePath(QStringLiteral("gone.png")); };
    {
        BoxAnswerer answerer(QStringLiteral("OK"));
        QTest::mouseClick(w->ui.personalLogoLabel, Qt::LeftButton);
        QCOMPARE(answerer.boxes, 1);
        QCOMPARE(answerer.text, QStringLiteral("更换图片失败，仍使用原来的图片"));
    }
    QCOMPARE(FileSystem::readAll(configDirPath() + QStringLiteral("/mylogo.png")), stored);
    // Choosing the logo file itself keeps it too.
    w->logoFilePicker = [] { return configDirPath() + QStringLiteral("/mylogo.png"); };
    QTest::mouseClick(w->ui.personalLogoLabel, Qt::LeftButton);
    QCOMPARE(FileSystem::readAll(configDirPath() + QStringLiteral("/mylogo.png")), stored);
}

void MainWindowTest::refusedRecordingKeepsFlagOff()
{
    MainWindow *w = build();
    w->settings.avoutpath.clear();
    BoxAnswerer answerer(QStringLiteral("OK"));
    w->onRecordStartClicked(1);
    QVERIFY(!recordingFlag(*w));
    QVERIFY(m_toolBar->calls.contains(QStringLiteral("resetRecord")));
    QCOMPARE(answerer.title, QStringLiteral("墨岚白板消息"));
    QCOMPARE(answerer.text, QStringLiteral("不支持的录屏存储路径，请重新设置"));
    // Suspend with no recording does nothing.
    m_toolBar->calls.clear();
    w->onSystemSuspended();
    QVERIFY(m_toolBar->calls.isEmpty());
}

void MainWindowTest::titleBarDrag()
{
    const int aw = availableScreenWidth();
    const int ah = availableScreenHeight();
    MainWindow *w = buildAt(QRect(10, 10, aw * 3 / 4, ah * 3 / 4));
    const QPoint start = w->pos();
    const auto send = [w](QEvent::Type type, const QPoint &global) {
        QCursor::setPos(global);
        QMouseEvent event(type, QPointF(5, 5), QPointF(global), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(w->ui.titleBar, &event);
    };
    // A move without a press first leaves the window where it is.
    send(QEvent::MouseMove, QPoint(300, 300));
    QCOMPARE(w->pos(), start);
    send(QEvent::MouseButtonPress, QPoint(100, 20));
    send(QEvent::MouseMove, QPoint(130, 45));
    QCOMPARE(w->pos(), start + QPoint(30, 25));
    send(QEvent::MouseButtonRelease, QPoint(130, 45));
    QCOMPARE(w->ui.maximizeButton->toolTip(), QStringLiteral("最大化"));
    send(QEvent::MouseMove, QPoint(400, 400));
    QCOMPARE(w->pos(), start + QPoint(30, 25));
}

void MainWindowTest::foldingThePanel()
{
    MainWindow *w = build();
    w->ui.openCameraButton->setEnabled(false);
    w->ui.closeCameraButton->setEnabled(true);
    w->ui.foldPanelButton->click();
    QVERIFY(w->ui.sidePanel->isHidden());
    QVERIFY(w->ui.bottomSidePanel->isHidden());
    QVERIFY(w->ui.openCameraButton->isEnabled());
    QVERIFY(!w->ui.closeCameraButton->isEnabled());
    QCOMPARE(w->ui.foldPanelButton->toolTip(), QStringLiteral("展开"));
    w->saveSettings();
    AppSettings saved;
    settingsfile::load(saved, appSettingsFilePath());
    QVERIFY(!saved.showpersonal);
    w->ui.foldPanelButton->click();
    QVERIFY(!w->ui.sidePanel->isHidden());
    QCOMPARE(w->ui.foldPanelButton->toolTip(), QStringLiteral("隐藏"));
    // Folded at the next start as it was left.
    MainWindow *next = build([](MainWindow &window) { window.settings.showpersonal = false; });
    QVERIFY(next->ui.sidePanel->isHidden());
}

void MainWindowTest::keysWithoutTab()
{
    MainWindow *w = build();
    for (int key : {int(Qt::Key_Up), int(Qt::Key_Left), int(Qt::Key_Backspace)}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QVERIFY(press.isAccepted());
    }
    QVERIFY(m_toolBar->calls.isEmpty());
    // With a document, Backspace deletes like the delete button.
    auto *tab = new TabItem;
    tab->kind = DocumentKind::Board;
    w->addTab(tab);
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(w, &backspace);
    QCOMPARE(m_toolBar->calls, QStringList{"delete"});
}

void MainWindowTest::aboutDialogShowsVersion()
{
    MainWindow *w = build();
    QString version;
    QString title;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<AboutUsDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        version = dialog->versionText();
        title = dialog->windowTitle();
        dialog->reject();
    });
    w->showAboutDialog();
    QCOMPARE(version, QStringLiteral("7.22"));
    QCOMPARE(title, QStringLiteral("关于我们"));
}

void MainWindowTest::floatingCameraButtonComesBack()
{
    MainWindow *w = build();
    w->floatCamera->setBackend(std::make_shared<FakeCameraBackend>());
    m_toolBar->calls.clear();
    BoxAnswerer answerer(QStringLiteral("OK"));
    w->onFloatCameraClicked();
    QCOMPARE(m_toolBar->calls, QStringList{"floatCameraEnabled:0"});
    QVERIFY(w->ui.cameraWidget->isHidden());
    // No camera: the floating window says so itself, without a message box.
    QVERIFY(w->floatCamera->isVisible());
    QCOMPARE(w->floatCamera->messageText(), QStringLiteral("没有发现摄像头设备"));
    emit w->floatCamera->toClose();
    QCOMPARE(m_toolBar->calls.last(), QStringLiteral("floatCameraEnabled:1"));
    QCOMPARE(answerer.boxes, 0);
    QVERIFY(w->floatCamera->isHidden());
    QVERIFY(!w->ui.cameraWidget->isHidden());
    QVERIFY(!w->ui.openCameraButton->isHidden());
}

void MainWindowTest::settingsReachTheToolBar()
{
    build([](MainWindow &window) {
        window.settings.brushes[1] = {QStringLiteral("#123456"), QStringLiteral("#FFFFFF"), 5};
    });
    QVERIFY(m_setupCalls.contains(QStringLiteral("preset:2:5:#123456:#FFFFFF")));
    QVERIFY(m_setupCalls.contains(QStringLiteral("preset:1:2:#000000:#ffffff")));
}

void MainWindowTest::stripArrowsOnlyWhenItScrolls()
{
    MainWindow *w = build();
    w->ui.mainToolBar->setFixedWidth(w->ui.toolBarScrollArea->viewport()->width() + 500);
    QTRY_VERIFY(!w->ui.scrollLeftButton->isHidden());
    QVERIFY(!w->ui.scrollRightButton->isHidden());
    w->ui.scrollRightButton->click();
    QVERIFY(w->ui.toolBarScrollArea->horizontalScrollBar()->value() > 0);
    w->ui.scrollLeftButton->click();
    QCOMPARE(w->ui.toolBarScrollArea->horizontalScrollBar()->value(), 0);
    w->ui.mainToolBar->setFixedWidth(10);
    QTRY_VERIFY(w->ui.scrollLeftButton->isHidden());
    QVERIFY(w->ui.scrollRightButton->isHidden());
}

void MainWindowTest::overlayCanvasAndBoardCommands()
{
    MainWindow *w = build();
    QVERIFY(w->slideShow()->overlay());
    QCOMPARE(w->slideShow()->overlay()->mode(), int(Canvas::SlideOverlay));
    QVERIFY(w->slideShow()->overlay()->isHidden());
    QCOMPARE(w->slideShow()->overlay()->host(), static_cast<CanvasHost *>(w));

    // Grid commands reach a board, never a PDF document.
    auto *board = new Canvas(Canvas::NewBoard, Qt::white, w->tools(), w);
    auto *tab = new TabItem;
    tab->kind = DocumentKind::Board;
    tab->canvas = board;
    w->addTab(tab);
    w->onBoardGridTypeChanged(1);
    QCOMPARE(board->gridType(), 1);
    tab->kind = DocumentKind::Pdf;
    w->onBoardGridTypeChanged(2);
    QCOMPARE(board->gridType(), 1);

    // Step buttons of a slide show follow the setting.
    tab->kind = DocumentKind::SlideShow;
    tab->canvas = w->slideShow()->overlay();
    QVERIFY(w->slideShow()->overlay()->previousStepButton());
    w->settings.showpptstep = false;
    w->applyShowPptStep();
    QVERIFY(w->slideShow()->overlay()->previousStepButton()->isHidden());
    w->settings.showpptstep = true;
    w->applyShowPptStep();
    QVERIFY(!w->slideShow()->overlay()->previousStepButton()->isHidden());

    // Closing the overlay while the program runs closes the window through its question.
    {
        BoxAnswerer answerer(QStringLiteral("取消"));
        QVERIFY(!w->slideShow()->overlay()->close());
        QCOMPARE(answerer.boxes, 1);
        QVERIFY(!w->isClosing());
    }
    {
        BoxAnswerer answerer(QStringLiteral("确定"));
        QVERIFY(w->close());
    }
    QVERIFY(w->isClosing());
    QVERIFY(w->slideShow()->overlay()->close());
}

void MainWindowTest::restoredWindowResizesFromItsEdges_data()
{
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<QPointF>("press"); // as a fraction of the window's size
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<QMargins>("grown"); // left, top, right, bottom
    QTest::newRow("right edge") << false << QPointF(1, 0.5) << QPoint(60, 0)
                                << QMargins(0, 0, 60, 0);
    QTest::newRow("left edge") << false << QPointF(0, 0.5) << QPoint(-40, 0)
                               << QMargins(40, 0, 0, 0);
    QTest::newRow("top edge") << false << QPointF(0.5, 0) << QPoint(0, -15)
                              << QMargins(0, 15, 0, 0);
    QTest::newRow("bottom right corner")
        << false << QPointF(1, 1) << QPoint(30, 25) << QMargins(0, 0, 30, 25);
    QTest::newRow("inside") << false << QPointF(0.5, 0.5) << QPoint(30, 25) << QMargins();
    QTest::newRow("maximised") << true << QPointF(1, 0.5) << QPoint(-60, 0) << QMargins();
}

void MainWindowTest::restoredWindowResizesFromItsEdges()
{
    QFETCH(bool, maximised);
    QFETCH(QPointF, press);
    QFETCH(QPoint, drag);
    QFETCH(QMargins, grown);
    MainWindow *w = buildAt(QRect(100, 40, maximised ? 0 : availableScreenWidth() * 3 / 4,
                                  availableScreenHeight() * 3 / 4));
    // A title bar of our own, but the window stays a resizable one.
    QVERIFY(w->windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(!(w->windowFlags() & Qt::FramelessWindowHint));
    QWindow *window = w->windowHandle();
    QVERIFY(window);
    QTest::qWait(0); // the platform settles the maximised size
    const QRect before = w->geometry();
    const QPoint at(qMin(int(press.x() * before.width()), before.width() - 1),
                    qMin(int(press.y() * before.height()), before.height() - 1));
    QTest::mouseMove(window, at);
    // The cursor shows the edge before the press.
    QCOMPARE(QApplication::overrideCursor() != nullptr, !grown.isNull());
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at);
    const QPoint target = window->mapToGlobal(at) + drag;
    QTest::mouseMove(window, window->mapFromGlobal(target - drag / 2));
    QTest::mouseMove(window, window->mapFromGlobal(target));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, window->mapFromGlobal(target));
    QCOMPARE(w->geometry(), before.marginsAdded(grown));
    QTest::mouseMove(window, QPoint(before.width() / 2, before.height() / 2));
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
