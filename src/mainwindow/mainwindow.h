#pragma once

#include <QButtonGroup>
#include <QList>
#include <QPair>
#include <QPixmap>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "base/appsettings.h"
#include "documents/documenthost.h"
#include "documents/toolbarport.h"
#include "drawing/canvashost.h"
#include "drawing/documentboard.h"
#include "mainwindow/recordinghandover.h"
#include "mainwindow/slideshowhandover.h"
#include "mainwindow/toolbarforwarding.h"
#include "mainwindow/windowwidgets.h"
#include "platform/hotkeygrabber.h"

class Advertise;
class AppSettingsDialog;
class DocumentConverter;
class FloatCameraDialog;
class HandOffWatch;
class PaintProperty;
class RecentFilesControler;
class TabItem;
class TimerWidget;
class UpgradeWidget;

// The program's single window: own title bar with menu, tabs and buttons, the tool strip,
// the document area, the personal side panel and the page row. It owns the shared tool
// state and composes the documents (it is the host they call back into), the slide-show
// document and the recording controller; the members named for those hand over to them.
class MainWindow : public QWidget,
                   public ToolBarForwarding,
                   public SlideBackgroundHost,
                   public SlideShowHandOver,
                   public RecordingHandOver,
                   public RecordingControlHost
{
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up steps, in this order.
    void loadSettings();
    void saveSettings();
    void setupDocumentArea();
    void setupMainLayout();
    void setupMenuAndPanels();
    void connectSignals();
    void disableFocusInChildren();
    void finishInit();
    void openFilesFromArguments(const QStringList &files);
    bool isClosing() const override { return closing; }

    // System events.
    void onSystemSuspended();
    void onSystemHotKey(int modifiers, int virtualKey);
    void onApplicationStateChanged(Qt::ApplicationState state);

    // Hot keys and shortcut keys.
    bool registerHotKey(const QString &keyText);
    void registerHotKeys();
    void unregisterHotKeys();
    void runHotKeyAction(const QString &keyText);
    void startAreaScreenshot();
    void handleShortcutKey(int key, Qt::KeyboardModifiers modifiers) override;
    QStringList registeredHotKeys() const { return hotKeyTexts; }
    // The notice of registerHotKeys once the desktop answered: a conflict, keys the desktop
    // does not give, or, once per user, that the keys work only while the window has the focus
    // (the desktop has no global keys or did not grant them); else empty.
    QString hotKeyNotice() const { return hotKeyNoticeText; }

    // Quit and crash clean-up.
    void quit();
    void emergencyCleanup();
    void cleanUpAfterCrash();

    // Window behaviour.
    void toggleMaximized();
    void updateMaximizeButton(bool showMaximizeIcon);
    void resizeToRatio(int a, int b);
    void freezeSize();
    void unfreezeSize();
    bool hasNoOpenTabs() const;
    void setProgressPercent(double value) override;
    void openTutorialPage();
    void showAboutDialog();
    // "Open with" registration for the user; nothing in the program calls these.
    void registerOpenWith();
    void unregisterOpenWith();

    // What documents call back (the tool bar's part in ToolBarForwarding): messages, geometry,
    // page controls.
    void showMessage(const QString &text) override;
    bool askQuestion(const QString &text) override;
    bool isFileOpen(const QString &path) const override;
    QRect documentAreaGeometry() const override;
    void fillPageComboBox(const QStringList &labels, const QList<int> &pages) override;
    void selectPageInComboBox(int page) override;
    void setPdfPageRange(int current, int count) override;
    void setPageLabel(int current, int count) override;
    void slideBackgroundStep() override { slides->slideBackgroundStep(); }
    void setAuxLabelAText(const QString &text) override;
    // The status line of the page row.
    QString statusText() const;
    void setAuxLabelBText(const QString &text) override;
    void setPdfPageControlsVisible(bool visible) override;
    void applyTimerSettings();

    // Side panel and settings.
    void setServerLinkState(int state);
    void queryAdvertise();
    void placeAdvertiseWindow();
    void setPersonalPanelFolded(bool folded);
    void setSlideControlsVisible(bool visible) override;
    void loadPersonalLogo();
    void choosePersonalLogo();
    void loadPersonalText();
    void savePersonalText(const QString &html);
    void editPersonalText();
    void showRemark(const QString &text) override;
    const AppSettings &appSettings() const override { return settings; }
    void applySettings();
    void styleSlideOutlineCombos();

    // Slide shows (the rest hands over to the slide-show document) and Word documents.
    bool hasSlideShowTab() const;
    bool isSlideShowLost() const override { return slides->isSlideShowLost(); }
    void selectPaintTool();
    void navigateSlideShow(int command) override { slides->navigateSlideShow(command); }
    QPixmap grabSlidePicture() override { return slides->grabSlidePicture(); }
    QImage slidePageImage(int index) override { return slides->slidePageImage(index); }
    void openWordDocument(const QString &path);
    QString convertWordToPdf(const QString &path);
    DocumentConverter *documentConverter();
    RemarkShower *remarkPanel() const override { return ui.remarkShower; }
    void requestClose() override { close(); }
    void showPdfWriterDialog();
    void onFloatCameraClicked();
    void onFloatCameraClosed();
    void onTimerWidgetClosed();
    void onCountdownTimerClicked();
    void onUpgradeClicked();
    void onStampChecked(const QString &name);
    void onStampTeacherPointerSeted(const QString &value);
    void onBoardGridTypeChanged(int type);
    void onPdfResetClicked();
    void onAppSettingsClicked();

    // Document tabs (mainwindowdocuments.cpp).
    void addTab(TabItem *tab) override;
    void connectTabItem(TabItem *tab);
    void switchToTab(TabItem *tab);
    void closeTab(TabItem *tab);
    void closeAllTabs();
    int countTabsWithPath(const QString &path) const;
    bool activateTabWithPath(const QString &path);
    void updatePageControls();
    void onTabDragStarted(TabItem *tab);
    void onTabDragEntered(TabItem *tab, bool isfront);
    void onTabDragMovedOver(bool success);
    // The tabs in the order they were opened (not their order on screen).
    QList<TabItem *> tabList() const;
    TabItem *currentTabItem() const override { return currentTab; }
    QWidget *documentArea() const override { return ui.documentWidget; }
    SlideOutlineCombo *slideOutline() const override { return ui.slideOutlineCombo; }
    void addRecentFile(const QString &path) override;

    // Opening documents (mainwindowopen.cpp).
    void openFiles(const QStringList &paths);
    void onRecentFileClicked(const QString &path);
    void showOpenFileDialog();
    void openFromClipboard();
    // Opens pdfPath in a new PDF tab titled title. With documentPath (a document converted to
    // pdfPath) the tab stands for that document: its path, folder and recent-files entry, and
    // no remembered page. False when no tab was made.
    bool openPdfTab(const QString &pdfPath, const QString &title,
                    const QString &documentPath = QString());
    void openImageTab(const QString &path);
    void newWhiteboardTab(const QString &colorName);
    RecentFilesControler *recentFiles() const { return recentFilesControler; }

    // Commands for the current document (mainwindowdispatch.cpp).
    void dispatchCommand(BoardCommand command, int argument = 0);
    void onCustomBrushClicked();
    void onCanvasCleanClicked();
    void onImpureImageClicked();
    QString pickColor(const QString &title, const QString &color, const QString &extra);
    void openAppSettings();

    // Seams: the toolbar, the grabber, the updater start and the logo file choice.
    ToolBarPort *toolBar() const override { return toolBarPort.get(); }
    void setToolBarPort(std::unique_ptr<ToolBarPort> port);
    void setHotKeyGrabber(std::unique_ptr<HotKeyGrabber> grabber);
    std::function<bool(const QString &, const QStringList &)> processLauncher;
    QString updaterProgram;
    std::function<QString()> logoFilePicker;
    // The program the open-with entry starts; empty means this program.
    QString openWithProgram;
    // The open dialog's choice (tests replace the file dialog).
    std::function<QStringList(const QString &filter)> openFilesPicker;
    // The picture of the whole primary screen (tests give a known one).
    std::function<QPixmap()> desktopGrabber;
    // Called with the settings dialog before it runs (tests answer it).
    std::function<void(AppSettingsDialog &)> appSettingsDialogHook;
    PaintProperty *tools() const override { return paintProperty; }
    AppSettings settings;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    friend class MainWindowTest;

    void setupAppLogo();
    void setupTitleBarButtons();
    void setupToolBarStrip();
    void setupPageNavigation();
    void setupPersonalPanel();
    void setupPersonalTextEditButton();
    void connectTitleBarAndMenu();
    void connectToolBarSignals();
    void connectPageNavigation();
    void connectPersonalPanel();
    void connectAdvertise();
    void onToolBarStripRangeChanged(int min, int max);
    void onPageComboActivated(int index);
    void onPageSpinBoxEditingFinished();
    void onHandOffFiles(const QStringList &files);
    void restoreWindowGeometry();
    // Shows text 500 ms later; a notice said once writes toldMarker when it shows.
    void showLater(const QString &text, const QString &toldMarker = QString());
    void loadScaledImage(const QString &path);
    void stopServices();
    void startUpdaterIfWaiting();
    // What the recording asks of the window.
    QWidget *recordingWindow() override { return this; }
    const AppSettings &recordingSettings() const override { return settings; }
    ToolBarPort &recordingToolBar() override { return *toolBarPort; }
    QPixmap grabDesktop() override { return desktopGrabber ? desktopGrabber() : QPixmap(); }
    void showRecordingMessage(const QString &text) override { showMessage(text); }
    void showRecordingMessageLater(const QString &text) override { showLater(text); }

    double appVersion = 7.22;
    bool closing = false;
    QString appVersionText = QStringLiteral("7.22");
    QList<QPair<int, int>> hotKeyPairs;
    QStringList hotKeyTexts;
    QString hotKeyNoticeText;
    HotKeyGrabber::Result lastGrabResult = HotKeyGrabber::Unavailable;
    // Set at quit: a desktop's late answer registers nothing.
    bool hotKeysLetGo = false;
    void registerReadyHotKeys();
    // A Wayland desktop without the global-shortcuts portal: the keys reach us, through the
    // XWayland grab or the window's own shortcuts, only while our window has the focus.
    bool hotKeysFocusOnly = false;
    static QStringList hotKeyList();
    bool titleDragging = false;
    int dragStartWindowPos[2] = {0, 0};
    int dragStartCursorPos[2] = {0, 0};
    TabItem *currentTab = nullptr;
    TabItem *draggedTab = nullptr;
    TabItem *dropTargetTab = nullptr;
    bool dropBeforeTarget = false;
    RecentFilesControler *recentFilesControler = nullptr;
    int clipboardImageCounter = 0;
    int boardCounter = 0;
    int tabCounter = 0;
    QButtonGroup tabButtonGroup;
    PaintProperty *paintProperty = nullptr;
    std::unique_ptr<ToolBarPort> toolBarPort;
    std::unique_ptr<HotKeyGrabber> hotKeyGrabber;

    WindowWidgets ui;

    Advertise *advertise = nullptr;
    UpgradeWidget *upgradeWidget = nullptr;
    TimerWidget *timerWidget = nullptr;
    HandOffWatch *handOffWatch = nullptr;
    FloatCameraDialog *floatCamera = nullptr;
    QString productLowerName = QStringLiteral("quillboard");
    QString shortPrefix = QStringLiteral("qb_");
    DocumentConverter *converter = nullptr;
    // Word documents being converted and the PDF names they will get.
    QStringList convertingDocuments;
    QStringList convertingTargets;
};
