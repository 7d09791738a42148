#include "mainwindow/mainwindow.h"
#include "documents/slideoutlinecombo.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "base/windowsearch.h"
#include "camera/camerawidget.h"
#include "camera/floatcameradialog.h"
#include "canvas/canvas.h"
#include "drawing/paintproperty.h"
#include "mainwindow/edgeresizer.h"
#include "mainwindow/handoffwatch.h"
#include "mainwindow/recentfilescontroler.h"
#include "online/advertise.h"
#include "online/upgradewidget.h"
#include "platform/hotkeys.h"
#include "platform/portalhotkeygrabber.h"
#include "platform/screencapture.h"
#include "slideshow/remarkshower.h"
#include "timer/timerwidget.h"

std::unique_ptr<ToolBarPort> createToolBarPort(PaintProperty *properties, QWidget *parent);

namespace {

// The application logo in the menu bar is drawn at a size of its own.
class LogoMenuStyle : public QProxyStyle
{
public:
    explicit LogoMenuStyle(int iconSize)
        : m_iconSize(iconSize)
    {}
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        if (metric == PM_SmallIconSize)
            return m_iconSize;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    int m_iconSize;
};

QString num(int value)
{
    return QString::number(value);
}

void fillWindow(QWidget *widget, const QColor &colour)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

// Creates the data subfolders; one that cannot be made does not stop start-up.
void createDataSubfolders()
{
    const QString folders[] = {clipboardDirPath(),  configDirPath(), pptCacheDirPath(),
                               slideCacheDirPath(), stampDirPath(),  upgradeDirPath()};
    for (const QString &folder : folders) {
        if (!FileSystem::dirExists(folder))
            FileSystem::makeDir(folder);
    }
}

QString defaultUpdaterProgram()
{
    const QString configured = qEnvironmentVariable("QB_UPDATER_PROGRAM");
    return configured.isEmpty() ? FileSystem::applicationDirPath() + QStringLiteral("/upgrade.exe")
                                : configured;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(appTitle);
    // No title bar from the window manager: the window draws its own. Window managers give
    // such a window no border either, so it resizes from its own edges.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint);
    new EdgeResizer(this, qMax(4, spacingUnit()));
    paintProperty = new PaintProperty(this);
    tabButtonGroup.setExclusive(true);
    processLauncher = [](const QString &program, const QStringList &arguments) {
        return QProcess::startDetached(program, arguments);
    };
    updaterProgram = defaultUpdaterProgram();
    QList<QPair<int, int>> hotKeys;
    for (const QString &text : hotKeyList()) {
        int modifiers = 0;
        int virtualKey = 0;
        parseHotKeyText(text, modifiers, virtualKey);
        hotKeys.append({modifiers, virtualKey});
    }
    const bool wayland = ScreenCapture::isWaylandSession();
    hotKeyGrabber = PortalHotKeyGrabber::create(
        wayland, [this](int modifiers, int virtualKey) { onSystemHotKey(modifiers, virtualKey); },
        hotKeys);
    hotKeysFocusOnly = wayland && QGuiApplication::platformName() == QLatin1String("xcb") &&
                       !dynamic_cast<PortalHotKeyGrabber *>(hotKeyGrabber.get());

    titleBar = new QWidget(this);
    titleBarLayout = new QHBoxLayout;
    logoPanel = new QWidget(this);
    tabBar = new QWidget(this);
    tabBarLayout = new QHBoxLayout;
    titleButtonPanel = new QWidget(this);
    titleButtonLayout = new QHBoxLayout;
    foldPanelButton = new QPushButton(this);
    upgradeButton = new QPushButton(this);
    minimizeButton = new QPushButton(this);
    maximizeButton = new QPushButton(this);
    closeButton = new QPushButton(this);
    toolStrip = new QWidget(this);
    toolStripLayout = new QHBoxLayout;
    scrollLeftButton = new QPushButton(this);
    toolBarScrollArea = new QScrollArea(this);
    toolBarPort = createToolBarPort(paintProperty, this);
    mainToolBar = toolBarPort->widget() ? toolBarPort->widget() : new QWidget(this);
    scrollRightButton = new QPushButton(this);
    remarkShower = new RemarkShower(this);
    centralRow = new QWidget(this);
    centralRowLayout = new QHBoxLayout;
    documentWidget = new QWidget(this);
    documentLayout = new QVBoxLayout;
    sidePanel = new QWidget(this);
    personalLayout = new QVBoxLayout;
    bottomBar = new QWidget(this);
    bottomBarLayout = new QHBoxLayout;
    pageNavigationPanel = new QWidget(this);
    pageNavigationLayout = new QHBoxLayout;
    bottomSidePanel = new QWidget(this);
    editTextLayout = new QHBoxLayout;
    editPersonalTextButton = new QPushButton(this);
    editPersonalTextButton->setObjectName(QStringLiteral("editPersonalTextButton"));
    menuBar = new QMenuBar(this);
    menuBar->setNativeMenuBar(false);
    auto *logoStyle = new LogoMenuStyle(titleBarHeight() * 2 / 3);
    logoStyle->setParent(menuBar);
    menuBar->setStyle(logoStyle);
    recentFilesMenu = new QMenu(QStringLiteral("最近打开的文件"), this);
    recentFilesControler = new RecentFilesControler(recentFilesMenu, this);

    ratio16x9Action = new QAction(QIcon(QStringLiteral(":/icon/titlebar/16_9.png")),
                                  QStringLiteral("优化窗口尺寸(16:9)"), this);
    ratio4x3Action = new QAction(QIcon(QStringLiteral(":/icon/titlebar/4_3.png")),
                                 QStringLiteral("优化窗口尺寸(4:3)"), this);
    screenshotAction = new QAction(QStringLiteral("截屏"), this);
    aboutAction = new QAction(QStringLiteral("关于我们"), this);
    tutorialAction = new QAction(QStringLiteral("使用教程"), this);
    exitAction = new QAction(QStringLiteral("退出"), this);

    slideOutlineCombo = new SlideOutlineCombo(this);
    pageCombo = new QComboBox(this);
    pageSpinBox = new QSpinBox(this);
    pageLabel = new QLabel(this);
    auxLabelA = new QLabel(this);
    prevPageButton = new QPushButton(this);
    prevStepButton = new QPushButton(this);
    nextStepButton = new QPushButton(this);
    nextPageButton = new QPushButton(this);
    auxLabelB = new QLabel(this);
    percentLabel = new QLabel(this);
    serverLinkButton = new QPushButton(this);
    cameraWidget = new CameraWidget(this);
    cameraButtonLayout = new QHBoxLayout;
    openCameraButton = new QPushButton(this);
    closeCameraButton = new QPushButton(this);
    logoLayout = new QHBoxLayout;
    personalLogoLabel = new QLabel(this);
    personalTextLayout = new QHBoxLayout;
    personalTextEdit = new QTextEdit(this);

    advertise = new Advertise(this);
    upgradeWidget = new UpgradeWidget(&appVersion, this);
    timerWidget = new TimerWidget(this);
    handOffWatch = new HandOffWatch(this);
    recordingControl = new RecordingController(*this, this);

    slides = new SlideShowDocument(*this, this);
    floatCamera = new FloatCameraDialog(this);
    desktopGrabber = grabPrimaryScreen;
    ScreenCapture::setTokenFile(configDirPath() + QStringLiteral("/screencast-token"));
}

MainWindow::~MainWindow()
{
    if (mainWindow == this)
        mainWindow = nullptr;
    // A slide tab's overlay lies on that tab's widgets: it goes last, as our own child.
    slides->takeOverlayBack();
}

void MainWindow::setToolBarPort(std::unique_ptr<ToolBarPort> port)
{
    toolBarPort = port ? std::move(port) : std::make_unique<ToolBarPort>();
}

void MainWindow::setHotKeyGrabber(std::unique_ptr<HotKeyGrabber> grabber)
{
    hotKeyGrabber = std::move(grabber);
}

void MainWindow::loadSettings()
{
    for (int n = 0; n < 4; ++n) {
        PresetBrush &brush = settings.brushes[n];
        if (!toolBarPort->presetBrush(n + 1, brush.size, brush.forecolor, brush.backcolor)) {
            static const PresetBrush defaults[4] = {
                {QStringLiteral("#000000"), QStringLiteral("#ffffff"), 2},
                {QStringLiteral("#ff0000"), QStringLiteral("#ffffff"), 3},
                {QStringLiteral("#3f48cc"), QStringLiteral("#ffffff"), 2},
                {QStringLiteral("#22b14c"), QStringLiteral("#ffffff"), 3}};
            brush = defaults[n];
        }
    }
    settings.avoutpath = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    settingsfile::load(settings, appSettingsFilePath());
}

void MainWindow::saveSettings()
{
    const QRect frame = geometry();
    settings.winx = frame.x();
    settings.winy = frame.y();
    settings.winw = isMaximized() ? 0 : frame.width();
    settings.winh = isMaximized() ? 0 : frame.height();
    settings.showpersonal = !sidePanel->isHidden();
    settings.remarkrospeed = remarkShower->scrollSpeed();
    settings.recentfiles = recentFilesControler->files();
    for (int n = 0; n < 4; ++n) {
        PresetBrush &brush = settings.brushes[n];
        toolBarPort->presetBrush(n + 1, brush.size, brush.forecolor, brush.backcolor);
    }
    settingsfile::save(settings, appSettingsFilePath());
}

void MainWindow::setupDocumentArea()
{
    fillWindow(titleBar, whiteColor());
    fillWindow(titleButtonPanel, whiteColor());
    documentWidget->setObjectName(QStringLiteral("documentWidget"));
    documentWidget->setStyleSheet(
        QStringLiteral("QWidget#documentWidget{background-color:") +
        documentBackgroundColor().name() +
        QStringLiteral(";background-image:url(:/icon/doc_bg.png);background-position:center;"
                       "background-repeat:no-repeat;}"));
    fillWindow(sidePanel, lightPanelColor());
    fillWindow(pageNavigationPanel, panelBackgroundColor());
    fillWindow(bottomSidePanel, panelBackgroundColor());

    logoPanel->setFixedWidth(narrowPanelWidth());
    titleButtonPanel->setFixedWidth(sidePanelWidth());
    titleBarLayout->setContentsMargins(0, 0, 0, 0);
    titleBarLayout->setSpacing(0);
    titleBarLayout->addWidget(logoPanel);
    titleBarLayout->addWidget(tabBar);
    titleBarLayout->addWidget(titleButtonPanel);
    titleBar->setLayout(titleBarLayout);
    titleBar->setFixedHeight(titleBarHeight());

    documentLayout->setContentsMargins(0, 0, 0, 0);
    documentLayout->setSpacing(0);
    documentWidget->setLayout(documentLayout);
    documentWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    sidePanel->setFixedWidth(sidePanelWidth());
    centralRowLayout->setContentsMargins(0, 0, 0, 0);
    centralRowLayout->setSpacing(0);
    centralRowLayout->addWidget(documentWidget);
    centralRowLayout->addWidget(sidePanel);
    centralRow->setLayout(centralRowLayout);

    bottomSidePanel->setFixedWidth(sidePanelWidth());
    bottomBarLayout->setContentsMargins(0, 0, 0, 0);
    bottomBarLayout->setSpacing(0);
    bottomBarLayout->addWidget(pageNavigationPanel);
    bottomBarLayout->addWidget(bottomSidePanel);
    bottomBar->setLayout(bottomBarLayout);
    bottomBar->setFixedHeight(barHeight());

    toolBarScrollArea->setWidget(mainToolBar);
    toolStripLayout->setContentsMargins(0, 0, 0, 0);
    toolStripLayout->setSpacing(0);
    toolStripLayout->addWidget(scrollLeftButton);
    toolStripLayout->addWidget(toolBarScrollArea);
    toolStripLayout->addWidget(scrollRightButton);
    toolStrip->setLayout(toolStripLayout);
    toolStrip->setFixedHeight(toolStripHeight());

    mainLayout = new QVBoxLayout;
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(titleBar);
    if (settings.toolbarpos)
        mainLayout->addWidget(toolStrip);
    mainLayout->addWidget(remarkShower);
    mainLayout->addWidget(centralRow);
    mainLayout->addWidget(bottomBar);
    if (!settings.toolbarpos)
        mainLayout->addWidget(toolStrip);
    setLayout(mainLayout);
}

void MainWindow::setupMainLayout()
{
    setupAppLogo();
    toolBarPort->buildLayouts();
    const int u = spacingUnit();

    pageNavigationLayout->setContentsMargins(2 * u, 0, 2 * u, 0);
    pageNavigationLayout->setSpacing(2 * u);
    pageNavigationLayout->setAlignment(Qt::AlignVCenter);
    QWidget *row[] = {slideOutlineCombo, pageCombo,      pageSpinBox,    pageLabel,
                      auxLabelA,         prevPageButton, prevStepButton, nextStepButton,
                      nextPageButton,    auxLabelB,      percentLabel,   serverLinkButton};
    for (QWidget *widget : row)
        pageNavigationLayout->addWidget(widget);
    pageNavigationPanel->setLayout(pageNavigationLayout);

    cameraButtonLayout->setContentsMargins(0, 2 * u, 0, 2 * u);
    cameraButtonLayout->setSpacing(0);
    cameraButtonLayout->addStretch();
    cameraButtonLayout->addWidget(openCameraButton);
    cameraButtonLayout->addStretch();
    cameraButtonLayout->addWidget(closeCameraButton);
    cameraButtonLayout->addStretch();
    logoLayout->setContentsMargins(0, 3 * u, 0, u);
    logoLayout->setSpacing(0);
    logoLayout->addStretch();
    logoLayout->addWidget(personalLogoLabel);
    logoLayout->addStretch();
    personalTextLayout->setContentsMargins(u, u, u, u);
    personalTextLayout->setSpacing(0);
    personalTextLayout->addWidget(personalTextEdit);
    personalLayout->setContentsMargins(0, 0, 0, 0);
    personalLayout->setSpacing(0);
    personalLayout->addWidget(cameraWidget);
    personalLayout->addLayout(cameraButtonLayout);
    personalLayout->addLayout(logoLayout);
    personalLayout->addLayout(personalTextLayout);
    sidePanel->setLayout(personalLayout);

    editTextLayout->setContentsMargins(0, 0, 0, 0);
    editTextLayout->setSpacing(0);
    editTextLayout->addWidget(editPersonalTextButton);
    bottomSidePanel->setLayout(editTextLayout);
}

void MainWindow::setupAppLogo()
{
    appMenu = menuBar->addMenu(QIcon(QStringLiteral(":/icon/titlebar/applogo.png")),
                               QStringLiteral("文件"));
    appMenu->addMenu(recentFilesMenu);
    appMenu->addAction(ratio16x9Action);
    appMenu->addAction(ratio4x3Action);
    appMenu->addSeparator();
    appMenu->addAction(screenshotAction);
    appMenu->addSeparator();
    appMenu->addAction(aboutAction);
    appMenu->addAction(tutorialAction);
    appMenu->addSeparator();
    appMenu->addAction(exitAction);

    auto *logoLayout = new QHBoxLayout;
    logoLayout->setAlignment(Qt::AlignVCenter);
    logoLayout->setContentsMargins(0, 0, 0, 0);
    logoLayout->setSpacing(0);
    logoLayout->addStretch();
    logoLayout->addWidget(menuBar);
    logoLayout->addStretch();
    logoPanel->setLayout(logoLayout);

    tabBarLayout->setContentsMargins(0, 0, 0, 0);
    tabBarLayout->setSpacing(static_cast<int>(std::ceil(spacingUnit() * 0.5)));
    tabBarLayout->setAlignment(Qt::AlignLeft);
    tabBar->setLayout(tabBarLayout);

    titleButtonLayout->setContentsMargins(0, 0, 0, 0);
    titleButtonLayout->setSpacing(0);
    for (QPushButton *button :
         {foldPanelButton, upgradeButton, minimizeButton, maximizeButton, closeButton})
        titleButtonLayout->addWidget(button);
    titleButtonPanel->setLayout(titleButtonLayout);
}

void MainWindow::setupMenuAndPanels()
{
    setupTitleBarButtons();
    setupToolBarStrip();
    setupPageNavigation();
    setupPersonalPanel();
    setupPersonalTextEditButton();
    createDataSubfolders();
}

void MainWindow::setupTitleBarButtons()
{
    const int h = titleBarHeight();
    const int u = spacingUnit();
    screenshotAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));
    exitAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    menuBar->setStyleSheet(
        QStringLiteral("QMenuBar::item{background-color:transparent;}"
                       "QMenuBar::item:selected{background-color:#f6f6f6;}"));
    menuBar->setToolTip(QStringLiteral("墨岚白板 菜单项"));
    logoPanel->setMaximumHeight(h);
    // The bar itself stays out of sight: only the logo shows.
    logoPanel->setStyleSheet(QStringLiteral("QMenuBar{background-color:transparent;border:0;}"));
    appMenu->setStyleSheet(QStringLiteral("QMenu{padding:") + num(u) +
                           QStringLiteral(";background-color:") + menuBackgroundColor().name() +
                           QStringLiteral(";border:1 solid ") + borderColor().name() +
                           QStringLiteral(";}QMenu::item{padding:") + num(2 * u) +
                           QStringLiteral(";;height:") + num(titleBarButtonSize() - 4 * u) +
                           QStringLiteral(";}QMenu::item:selected{background-color:") +
                           hoverBackgroundColor().name() + QStringLiteral(";}"));

    const QString small = QStringLiteral(
        "QPushButton{background-color:transparent;font-size:7pt;}"
        "QPushButton:hover{background-color:#eeeeee;border:0;}");
    const QString plain = QStringLiteral(
        "QPushButton{background-color:transparent;}"
        "QPushButton:hover{background-color:#eeeeee;border:0;}");
    const struct
    {
        QPushButton *button;
        const char *icon;
        QString tip;
        QString style;
    } buttons[] = {
        {foldPanelButton, ":/icon/titlebar/foldpersonal.png", QStringLiteral("隐藏"), small},
        {upgradeButton, ":/icon/titlebar/upgrade.png", QStringLiteral("检测升级墨岚白板"), small},
        {minimizeButton, ":/icon/titlebar/appmini.png", QStringLiteral("最小化"), plain},
        {maximizeButton, ":/icon/titlebar/appnormal.png", QStringLiteral("还原"), plain},
        {closeButton, ":/icon/titlebar/appclose.png", QStringLiteral("关闭窗口"),
         QStringLiteral("QPushButton{background-color:transparent;}"
                        "QPushButton:hover{background-color:#e81123;border:0;}")},
    };
    // Without a border rule the desktop style paints the transparent buttons black.
    titleButtonPanel->setStyleSheet(QStringLiteral("QPushButton{border:0;}"));
    for (const auto &entry : buttons) {
        entry.button->setMaximumHeight(h);
        entry.button->setIcon(QIcon(QLatin1String(entry.icon)));
        entry.button->setIconSize(QSize(h / 2, h / 2));
        entry.button->setToolTip(entry.tip);
        entry.button->setStyleSheet(entry.style);
    }
}

void MainWindow::setupToolBarStrip()
{
    const int H = toolStripHeight();
    const int b = titleBarButtonSize();
    toolBarScrollArea->setFixedHeight(H);
    toolBarScrollArea->setFrameShape(QFrame::NoFrame);
    toolBarScrollArea->setWidgetResizable(false);
    toolBarScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    toolBarScrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    toolBarScrollArea->setStyleSheet(QStringLiteral("QScrollArea{background-color:") +
                                     panelBackgroundColor().name() + QStringLiteral(";}"));
    const QString arrowStyle = QStringLiteral("QPushButton{background-color:") +
                               stripBackgroundColor().name() +
                               QStringLiteral(
                                   ";border:0;border-style:none;}"
                                   "QPushButton:hover{background-color:") +
                               hoverBackgroundColor().name() + QStringLiteral(";}");
    scrollLeftButton->setFixedSize(b / 2, H);
    scrollLeftButton->setIcon(QIcon(QStringLiteral(":/icon/direction/left.png")));
    scrollLeftButton->setStyleSheet(arrowStyle);
    scrollRightButton->setFixedSize(b / 2, H);
    scrollRightButton->setIcon(QIcon(QStringLiteral(":/icon/direction/right.png")));
    scrollRightButton->setStyleSheet(arrowStyle);
    scrollLeftButton->hide();
    scrollRightButton->hide();
    mainToolBar->setFixedHeight(H);
    mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
    mainToolBar->setStyleSheet(QStringLiteral("MainToolBar#mainToolBar{background-color:") +
                               panelBackgroundColor().name() + QStringLiteral(";}"));
    toolBarPort->completeSetup();
}

void MainWindow::setupPageNavigation()
{
    const int u = spacingUnit();
    const int W = static_cast<int>(
        std::ceil((availableScreenWidth() - sidePanelWidth() - narrowPanelWidth()) / 10.0));
    const int h = static_cast<int>(std::ceil(barHeight() * 0.75));

    slideOutlineCombo->setContentsMargins(0, 0, 0, 0);
    slideOutlineCombo->setToolTip(QStringLiteral("幻灯片大纲 快速跳转"));
    slideOutlineCombo->setFixedSize(W + 6 * u, h);
    slideOutlineCombo->setView(new QListView(slideOutlineCombo));
    slideOutlineCombo->setIconSize(QSize(W, W * 115 / 190));
    slideOutlineCombo->hide();

    const QString roundStyle = QStringLiteral("QPushButton{color:#666;background-color:") +
                               stripBackgroundColor().name() + QStringLiteral(";border-radius:") +
                               num(h / 2) +
                               QStringLiteral(";}QPushButton:hover{background-color:") +
                               hoverBackgroundColor().name() + QStringLiteral(";}");
    const struct
    {
        QPushButton *button;
        const char *text;
        QString tip;
    } pageButtons[] = {{prevPageButton, "<<", QStringLiteral("上一页")},
                       {prevStepButton, "<", QStringLiteral("上一步")},
                       {nextStepButton, ">", QStringLiteral("下一步")},
                       {nextPageButton, ">>", QStringLiteral("下一页")}};
    for (const auto &entry : pageButtons) {
        entry.button->setText(QLatin1String(entry.text));
        entry.button->setToolTip(entry.tip);
        entry.button->setFixedSize(h, h);
        entry.button->setStyleSheet(roundStyle);
        entry.button->hide();
    }

    pageCombo->setToolTip(QStringLiteral("目录"));
    pageCombo->setFixedSize(5 * h, h);
    pageCombo->setView(new QListView(pageCombo));
    pageCombo->setMaxVisibleItems(20);
    pageCombo->setStyleSheet(QStringLiteral("QComboBox QAbstractItemView::item{margin:") + num(u) +
                             QStringLiteral(";}QComboBox QAbstractScrollArea "
                                            "QScrollBar:vertical{width:") +
                             num(3 * u) + QStringLiteral(";}"));
    pageCombo->hide();

    pageSpinBox->setFixedSize(static_cast<int>(std::floor(1.5 * h)), h);
    pageSpinBox->setToolTip(QStringLiteral("跳转到(Enter)"));
    pageSpinBox->setAlignment(Qt::AlignCenter);
    pageSpinBox->setStyleSheet(QStringLiteral("QSpinBox{color:#666;background-color:transparent;"
                                              "border:1 solid ") +
                               borderColor().name() +
                               QStringLiteral(";}QSpinBox::up-button{width:0;}"
                                              "QSpinBox::down-button{width:0;}"));
    pageSpinBox->hide();

    const QString labelStyle = QStringLiteral("color:#666;");
    pageLabel->setStyleSheet(labelStyle);
    pageLabel->setFixedSize(static_cast<int>(std::floor(1.5 * h)), h);
    pageLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auxLabelA->setStyleSheet(labelStyle);
    auxLabelA->setFixedHeight(h);
    auxLabelA->setAlignment(Qt::AlignCenter);
    auxLabelB->setStyleSheet(labelStyle);
    auxLabelB->setFixedHeight(h);
    auxLabelB->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    percentLabel->setStyleSheet(labelStyle);
    percentLabel->setFixedSize(3 * h, h);
    percentLabel->setAlignment(Qt::AlignCenter);

    serverLinkButton->setFixedSize(h, h);
    setServerLinkState(0);
}

void MainWindow::setupPersonalPanel()
{
    const int P =
        sidePanel->width() > 0 && !sidePanel->isHidden() ? sidePanel->width() : sidePanelWidth();
    const int b = titleBarButtonSize();
    const int u = spacingUnit();
    cameraWidget->setFixedHeight(P / 2);
    cameraWidget->probeDefaultCamera(P);

    const QString cameraStyle = QStringLiteral(
                                    "QPushButton{background-color:transparent;"
                                    "border-width:0px;border-style:none;}"
                                    "QPushButton:hover{background-color:") +
                                hoverBackgroundColor().name() +
                                QStringLiteral(";}QPushButton:checked{background-color:") +
                                checkedBackgroundColor().name() + QStringLiteral(";}");
    openCameraButton->setToolTip(QStringLiteral("打开摄像头"));
    openCameraButton->setFixedSize(b, b);
    openCameraButton->setIcon(QIcon(QStringLiteral(":/icon/personal/opencamera.png")));
    openCameraButton->setStyleSheet(cameraStyle);
    closeCameraButton->setToolTip(QStringLiteral("关闭摄像头"));
    closeCameraButton->setFixedSize(b, b);
    closeCameraButton->setIcon(QIcon(QStringLiteral(":/icon/personal/closecamera.png")));
    closeCameraButton->setStyleSheet(cameraStyle);
    closeCameraButton->setEnabled(false);
    openCameraButton->setIconSize(QSize(b * 2 / 3, b * 2 / 3));
    closeCameraButton->setIconSize(QSize(b * 2 / 3, b * 2 / 3));

    personalLogoLabel->setFixedSize(P, P / 3);
    personalLogoLabel->setToolTip(QStringLiteral("点击更改图片"));
    personalLogoLabel->setAlignment(Qt::AlignCenter);

    personalTextEdit->setToolTip(QStringLiteral("自定义文本内容，可点击下方编辑按钮修改"));
    personalTextEdit->setFocusPolicy(Qt::NoFocus);
    personalTextEdit->setContentsMargins(u, u, u, u);
    personalTextEdit->setStyleSheet(
        QStringLiteral("QTextEdit{font-size:9pt;color:#666;"
                       "background-color:transparent;border:0;}"));
}

void MainWindow::setupPersonalTextEditButton()
{
    const int c = static_cast<int>(std::ceil(barHeight() * 0.75));
    editPersonalTextButton->setFixedSize(c, c);
    editPersonalTextButton->setToolTip(QStringLiteral("点击编辑文本内容"));
    editPersonalTextButton->setIconSize(QSize(c, c));
    editPersonalTextButton->setIcon(QIcon(QStringLiteral(":/icon/personal/editpersonal.png")));
    editPersonalTextButton->setStyleSheet(QStringLiteral("QPushButton{background-color:transparent;"
                                                         "border-width:0px;border-style:none;}"
                                                         "QPushButton:hover{background-color:") +
                                          hoverBackgroundColor().name() + QStringLiteral(";}"));
}

void MainWindow::disableFocusInChildren()
{
    QWidget *widget = nextInFocusChain();
    while (widget && widget != this) {
        widget->setFocusPolicy(Qt::NoFocus);
        widget = widget->nextInFocusChain();
    }
    toolBarPort->setNoFocusPolicy();
    pageSpinBox->setFocusPolicy(Qt::ClickFocus);
    setFocusPolicy(Qt::StrongFocus);
}

void MainWindow::styleSlideOutlineCombos()
{
    const int u = spacingUnit();
    auto *view = qobject_cast<QListView *>(slideOutlineCombo->view());
    if (!view)
        return;
    QWidget *popup = view->window();
    const QString itemRules =
        QStringLiteral("QComboBox QAbstractItemView::item{margin:") + num(u) +
        QStringLiteral(
            ";border:1px solid #c6c6c6;}QComboBox QAbstractItemView::item:selected{"
            "border:1px solid orange;}QComboBox QAbstractItemView::item:hover{"
            "border:1px solid orange;}");
    if (settings.verticalthumb) {
        view->setFlow(QListView::TopToBottom);
        popup->setMinimumSize(0, 0);
        popup->setMaximumSize(16777215, 16777215);
        slideOutlineCombo->setMaxVisibleItems(6);
        slideOutlineCombo->setStyleSheet(
            itemRules + QStringLiteral("QComboBox QAbstractScrollArea QScrollBar:vertical{width:") +
            num(2 * u) + QStringLiteral(";}"));
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        const QSize icon = slideOutlineCombo->iconSize();
        view->setFlow(QListView::LeftToRight);
        popup->setFixedWidth(24 * u + 6 * icon.width());
        popup->setFixedHeight(icon.height() + 6 * u);
        slideOutlineCombo->setStyleSheet(
            itemRules +
            QStringLiteral("QComboBox QAbstractScrollArea QScrollBar:horizontal{height:") +
            num(2 * u) + QStringLiteral(";}"));
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}
