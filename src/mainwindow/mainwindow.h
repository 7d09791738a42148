#pragma once

#include <QButtonGroup>
#include <QIcon>
#include <QList>
#include <QPair>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "base/appsettings.h"
#include "documents/documenthost.h"
#include "documents/slidebackgroundlabel.h"
#include "documents/toolbarport.h"
#include "drawing/canvashost.h"
#include "drawing/documentboard.h"
#include "platform/hotkeygrabber.h"

class Advertise;
class AppSettingsDialog;
class CameraWidget;
class Canvas;
class DesktopAreaSelecter;
class DocumentConverter;
class FloatCameraDialog;
class HandOffWatch;
class InkOverlay;
class SlideShowBridge;
class LiveShow;
class PresentationLoader;
class PaintProperty;
class PDFReader;
class QAction;
class QComboBox;
class SlideOutlineCombo;
class QHBoxLayout;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTextEdit;
class QTimer;
class QVBoxLayout;
class RecentFilesControler;
class RemarkShower;
class TabItem;
class TimerWidget;
class UpgradeWidget;
class RecordingBackend;
class RecordingEngine;

// The program's single window: own title bar with menu, tabs and buttons, the tool strip,
// the document area, the personal side panel and the page row. It owns the shared tool
// state and is the host the documents call back into.
class MainWindow : public QWidget, public DocumentHost, public SlideBackgroundHost
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
    // The notice of the last registerHotKeys: a conflict, keys the desktop does not give, or,
    // once per user, that the keys work only while the window has the focus; else empty.
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

    // What documents call back: toolbar forwarders, messages, geometry, page controls.
    void setUndoEnabled(bool enabled) override;
    void setRedoEnabled(bool enabled) override;
    void setCutEnabled(bool enabled) override;
    void setCopyEnabled(bool enabled) override;
    void setCancelEnabled(bool enabled) override;
    void setDeleteEnabled(bool enabled) override;
    void setRotateEnabled(bool enabled) override;
    void setClearScreenEnabled(bool enabled) override;
    void setClearColorEnabled(bool enabled) override;
    void setOpenClipboardEnabled(bool enabled);
    void setSaveAsImageEnabled(bool enabled);
    void setPasteEnabled(bool enabled);
    void setSelectAllEnabled(bool enabled);
    void setZoomEnabled(bool enabled);
    void setGridEnabled(bool enabled);
    void setPdfResetEnabled(bool enabled);
    void setFloatCameraEnabled(bool enabled);
    void setCountdownTimerEnabled(bool enabled);
    void setRecordStartEnabled(bool enabled);
    void setRecordStopEnabled(bool enabled);
    void clickPaintTool(int tool) override;
    void clickFontBold() override;
    void clickFontItalic() override;
    void clickFontUnderline() override;
    void clickOpenFile();
    void clickOpenClipboard();
    void clickNewBoard();
    void triggerExportImage();
    void clickUndo();
    void clickRedo();
    void clickCut();
    void clickCopy();
    void clickPaste();
    void clickSelectAll();
    void clickCancel();
    void clickDelete();
    void clickBrushPreset(int n);
    void clickZoom(int n);
    void clickClearScreen();
    void clickRecordStart();
    void clickRecordStop();
    void showMessage(const QString &text) override;
    bool askQuestion(const QString &text) override;
    bool isFileOpen(const QString &path) const override;
    QRect documentAreaGeometry() const override;
    void fillPageComboBox(const QStringList &labels, const QList<int> &pages) override;
    void selectPageInComboBox(int page) override;
    void setPdfPageRange(int current, int count) override;
    void setPageLabel(int current, int count) override;
    void slideBackgroundStep() override;
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
    void applyShowPptStep();
    void showSlideNotes(int slide);
    void showRemark(const QString &text) override;
    void applySettings();
    void styleSlideOutlineCombos();

    // Slide shows, PDF documents and recording.
    bool hasSlideShowTab() const;
    void openSlideFile(const QString &path);
    void openWordDocument(const QString &path);
    QString convertWordToPdf(const QString &path);
    DocumentConverter *documentConverter();
    // Slide shows: pages, thumbnails and picture mode come from the PDF copy of the
    // presentation (mainwindowslides.cpp); the live show runs in our office behind the ink
    // (mainwindowliveshow.cpp).
    bool openPresentation(const QString &path);
    // The converter of presentations, apart from the Word documents' one.
    DocumentConverter *presentationConverter();
    bool computeSlideFitSize();
    bool computeSlideShowPlacement();
    bool loadSlideThumbnailsAndColours(bool showProgress = true);
    bool loadSlideNotes();
    void closeSlideShow();
    bool isSlideShowAlive() const;
    bool isSlideShowLost() const override;
    void updateSlideShowGeometry(bool replace);
    void syncSlideShowToPage();
    bool shouldPollSlideShow() const;
    // The live show: started from the copy at once, left for picture mode when it cannot
    // start or is lost. The slide tab comes from the running show (its PDF copy follows) or
    // from the PDF copy, whichever knows the slides first.
    bool buildSlideTab(const QString &path);
    void onLiveShowLoaded(int slideCount, const QSize &slideSize);
    void takeSlidePdf(const PresentationLoader &loader);
    void onLiveShowOpened(int slideCount, const QStringList &notes);
    void onLiveShowFailed();
    void onLiveShowSlide(int slide);
    void onLiveShowEnded();
    // The notes that neither copy gave: told once the live show cannot give them either.
    void tellMissingNotes();
    void leaveLiveShow();
    void fallBackToPictureMode(int command);
    void sendSlideShowCommand(int command, int pageCount);
    void pollSlideShow();
    void updateSlideShowInput();
    SlideShowBridge *slideShowBridge();
    // Tests put a fake in; nullptr (and no X display) means no live show.
    void setSlideShowBridgeFactory(std::function<SlideShowBridge *(QObject *)> factory);
    QWindow *slideShowHostWindow() const;
    InkOverlay *slideInkOverlay() const;
    LiveShow *liveShowController();
    void startSlidePoll();
    void stopSlidePoll();
    void selectPaintTool();
    void navigateSlideShow(int command) override;
    void jumpToSlidePage(int page);
    void showSlidePage(int page);
    void applySlideBackgroundColour(int page);
    void renderSlideBackdrop(int page);
    // Page (1-based) of the tab's PDF copy at the given height, or at its own size for 0.
    QImage renderSlidePage(int page, int height) const;
    void refreshSlideOutline(int page);
    QPixmap grabSlidePicture() override;
    QImage slidePageImage(int index) override;
    int slidePage() const { return currentSlide; }
    QRect slidePlacementRect() const { return slidePlacement; }
    QStringList slideNoteTexts() const { return slideNotes; }
    QStringList slideColourNames() const { return slideColours; }
    int slideThumbnailCount() const { return slideThumbnails.size(); }
    QString slideStampText() const { return slideStamp; }
    RemarkShower *remarkPanel() const override { return remarkShower; }
    void requestClose() override { close(); }
    void recordCommand(int command);
    QPixmap grabScreenArea(int x, int y, int w, int h);
    bool isRecording() const { return recording; }
    // Null until the first recording loads the engine.
    RecordingEngine *recorder() const { return videoRecorder; }
    // What the engine records from; unset, the engine takes the screen and microphone.
    void setRecordingBackend(std::shared_ptr<RecordingBackend> backend);
    QWidget *recordAreaBox() const { return recordAreaFrame; }
    void showPdfWriterDialog();
    void onRecordStartClicked(int command);
    void onRecordStopClicked();
    void onRecorderStopError(const QString &text);
    void onRecorderTipError(const QString &) {}
    // Loads the recording engine on the first recording; false, with the user told, when the
    // module cannot be loaded.
    bool loadRecorder();
    void onRecordClockTick();
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
    void cleanSlideCaches();
    void updatePageControls();
    void onTabDragStarted(TabItem *tab);
    void onTabDragEntered(TabItem *tab, bool isfront);
    void onTabDragMovedOver(bool success);
    // The tabs in the order they were opened (not their order on screen).
    QList<TabItem *> tabList() const;
    TabItem *currentTabItem() const override { return currentTab; }
    QWidget *documentArea() const override { return documentWidget; }
    SlideOutlineCombo *slideOutline() const override { return slideOutlineCombo; }
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
    // Where the recording module is looked for.
    QStringList recordingModuleFolders;
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
    void showLater(const QString &text);
    void loadScaledImage(const QString &path);
    void stopServices();
    void startUpdaterIfWaiting();

    double appVersion = 7.22;
    bool closing = false;
    QString appVersionText = QStringLiteral("7.22");
    QList<QPair<int, int>> hotKeyPairs;
    QStringList hotKeyTexts;
    QString hotKeyNoticeText;
    HotKeyGrabber::Result lastGrabResult = HotKeyGrabber::Unavailable;
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

    QVBoxLayout *mainLayout = nullptr;
    QWidget *titleBar = nullptr;
    QHBoxLayout *titleBarLayout = nullptr;
    QWidget *logoPanel = nullptr;
    QWidget *tabBar = nullptr;
    QHBoxLayout *tabBarLayout = nullptr;
    QWidget *titleButtonPanel = nullptr;
    QHBoxLayout *titleButtonLayout = nullptr;
    QPushButton *foldPanelButton = nullptr;
    QPushButton *upgradeButton = nullptr;
    QPushButton *minimizeButton = nullptr;
    QPushButton *maximizeButton = nullptr;
    QPushButton *closeButton = nullptr;
    QWidget *toolStrip = nullptr;
    QHBoxLayout *toolStripLayout = nullptr;
    QPushButton *scrollLeftButton = nullptr;
    QScrollArea *toolBarScrollArea = nullptr;
    QWidget *mainToolBar = nullptr;
    QPushButton *scrollRightButton = nullptr;
    RemarkShower *remarkShower = nullptr;
    QWidget *centralRow = nullptr;
    QHBoxLayout *centralRowLayout = nullptr;
    QWidget *documentWidget = nullptr;
    QVBoxLayout *documentLayout = nullptr;
    QWidget *sidePanel = nullptr;
    QVBoxLayout *personalLayout = nullptr;
    QWidget *bottomBar = nullptr;
    QHBoxLayout *bottomBarLayout = nullptr;
    QWidget *pageNavigationPanel = nullptr;
    QHBoxLayout *pageNavigationLayout = nullptr;
    QWidget *bottomSidePanel = nullptr;
    QHBoxLayout *editTextLayout = nullptr;
    QPushButton *editPersonalTextButton = nullptr;
    QMenuBar *menuBar = nullptr;
    QMenu *appMenu = nullptr;
    QMenu *recentFilesMenu = nullptr;
    QAction *ratio16x9Action = nullptr;
    QAction *ratio4x3Action = nullptr;
    QAction *screenshotAction = nullptr;
    QAction *aboutAction = nullptr;
    QAction *tutorialAction = nullptr;
    QAction *exitAction = nullptr;
    SlideOutlineCombo *slideOutlineCombo = nullptr;
    QComboBox *pageCombo = nullptr;
    QSpinBox *pageSpinBox = nullptr;
    QLabel *pageLabel = nullptr;
    QLabel *auxLabelA = nullptr;
    QPushButton *prevPageButton = nullptr;
    QPushButton *prevStepButton = nullptr;
    QPushButton *nextStepButton = nullptr;
    QPushButton *nextPageButton = nullptr;
    QLabel *auxLabelB = nullptr;
    QLabel *percentLabel = nullptr;
    QPushButton *serverLinkButton = nullptr;
    CameraWidget *cameraWidget = nullptr;
    QHBoxLayout *cameraButtonLayout = nullptr;
    QPushButton *openCameraButton = nullptr;
    QPushButton *closeCameraButton = nullptr;
    QHBoxLayout *logoLayout = nullptr;
    QLabel *personalLogoLabel = nullptr;
    QHBoxLayout *personalTextLayout = nullptr;
    QTextEdit *personalTextEdit = nullptr;

    Advertise *advertise = nullptr;
    UpgradeWidget *upgradeWidget = nullptr;
    TimerWidget *timerWidget = nullptr;
    DesktopAreaSelecter *areaSelecter = nullptr;
    QWidget *recordAreaFrame = nullptr;
    HandOffWatch *handOffWatch = nullptr;
    RecordingEngine *videoRecorder = nullptr;
    std::shared_ptr<RecordingBackend> recordingBackend;
    bool recording = false;
    // While a start runs events (the desktop's share dialog, the wait for the first picture),
    // a pause or a stop clicked meanwhile is held for its end.
    bool recordStarting = false;
    bool recordPauseHeld = false;
    bool recordStopHeld = false;
    QTimer *recordClock = nullptr;
    qint64 recordSeconds = 0;
    Canvas *overlayCanvas = nullptr;
    FloatCameraDialog *floatCamera = nullptr;
    QString productLowerName = QStringLiteral("quillboard");
    QString shortPrefix = QStringLiteral("qb_");
    quint16 currentSlide = 0;
    QStringList slideNotes;
    QString slideStamp;
    QString suiteTitle;
    int slideCount = 0;
    QSize slideSize;
    int fitWidth = 0;
    int fitHeight = 0;
    double slideZoom = 1.0;
    QRect slidePlacement;
    QList<QIcon> slideThumbnails;
    QStringList slideColours;
    // One reader of the PDF copy for the slide-show tab, kept open for the page turns.
    std::unique_ptr<PDFReader> slideReader;
    QPixmap slideBackdrop;
    bool slideOpening = false;
    // While a presentation opens: its file, and whether its tab stands yet.
    QString slideOpenPath;
    bool slideTabBuilt = false;
    DocumentConverter *slideConverter = nullptr;
    // The live show: its bridge (kept for the program's lifetime; its office runs while a show
    // needs it), the native window it runs in, and the overlay that holds the ink above it.
    std::function<SlideShowBridge *(QObject *)> slideBridgeFactory;
    bool slideBridgeFactorySet = false;
    SlideShowBridge *slideBridge = nullptr;
    LiveShow *liveShow = nullptr;
    QString slideNotesMessage;
    TabItem *liveTab = nullptr;
    DocumentConverter *converter = nullptr;
    // Word documents being converted and the PDF names they will get.
    QStringList convertingDocuments;
    QStringList convertingTargets;
};
