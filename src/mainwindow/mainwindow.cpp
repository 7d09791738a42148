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
    processLauncher = UpgradeWidget::startDetached;
    updaterProgram = UpgradeWidget::defaultUpdaterProgram();
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

    ui.titleBar = new QWidget(this);
    ui.titleBarLayout = new QHBoxLayout;
    ui.logoPanel = new QWidget(this);
    ui.tabBar = new QWidget(this);
    ui.tabBarLayout = new QHBoxLayout;
    ui.titleButtonPanel = new QWidget(this);
    ui.titleButtonLayout = new QHBoxLayout;
    ui.foldPanelButton = new QPushButton(this);
    ui.upgradeButton = new QPushButton(this);
    ui.minimizeButton = new QPushButton(this);
    ui.maximizeButton = new QPushButton(this);
    ui.closeButton = new QPushButton(this);
    ui.toolStrip = new QWidget(this);
    ui.toolStripLayout = new QHBoxLayout;
    ui.scrollLeftButton = new QPushButton(this);
    ui.toolBarScrollArea = new QScrollArea(this);
    toolBarPort = createToolBarPort(paintProperty, this);
    ui.mainToolBar = toolBarPort->widget() ? toolBarPort->widget() : new QWidget(this);
    ui.scrollRightButton = new QPushButton(this);
    ui.remarkShower = new RemarkShower(this);
    ui.centralRow = new QWidget(this);
    ui.centralRowLayout = new QHBoxLayout;
    ui.documentWidget = new QWidget(this);
    ui.documentLayout = new QVBoxLayout;
    ui.sidePanel = new QWidget(this);
    ui.personalLayout = new QVBoxLayout;
    ui.bottomBar = new QWidget(this);
    ui.bottomBarLayout = new QHBoxLayout;
    ui.pageNavigationPanel = new QWidget(this);
    ui.pageNavigationLayout = new QHBoxLayout;
    ui.bottomSidePanel = new QWidget(this);
    ui.editTextLayout = new QHBoxLayout;
    ui.editPersonalTextButton = new QPushButton(this);
    ui.editPersonalTextButton->setObjectName(QStringLiteral("editPersonalTextButton"));
    ui.menuBar = new QMenuBar(this);
    ui.menuBar->setNativeMenuBar(false);
    auto *logoStyle = new LogoMenuStyle(titleBarHeight() * 2 / 3);
    logoStyle->setParent(ui.menuBar);
    ui.menuBar->setStyle(logoStyle);
    ui.recentFilesMenu = new QMenu(QStringLiteral("最近打开的文件"), this);
    recentFilesControler = new RecentFilesControler(ui.recentFilesMenu, this);

    ui.ratio16x9Action = new QAction(QIcon(QStringLiteral(":/icon/titlebar/16_9.png")),
                                     QStringLiteral("优化窗口尺寸(16:9)"), this);
    ui.ratio4x3Action = new QAction(QIcon(QStringLiteral(":/icon/titlebar/4_3.png")),
                                    QStringLiteral("优化窗口尺寸(4:3)"), this);
    ui.screenshotAction = new QAction(QStringLiteral("截屏"), this);
    ui.aboutAction = new QAction(QStringLiteral("关于我们"), this);
    ui.tutorialAction = new QAction(QStringLiteral("使用教程"), this);
    ui.exitAction = new QAction(QStringLiteral("退出"), this);

    ui.slideOutlineCombo = new SlideOutlineCombo(this);
    ui.pageCombo = new QComboBox(this);
    ui.pageSpinBox = new QSpinBox(this);
    ui.pageLabel = new QLabel(this);
    ui.auxLabelA = new QLabel(this);
    ui.prevPageButton = new QPushButton(this);
    ui.prevStepButton = new QPushButton(this);
    ui.nextStepButton = new QPushButton(this);
    ui.nextPageButton = new QPushButton(this);
    ui.auxLabelB = new QLabel(this);
    ui.percentLabel = new QLabel(this);
    ui.serverLinkButton = new QPushButton(this);
    ui.cameraWidget = new CameraWidget(this);
    ui.cameraButtonLayout = new QHBoxLayout;
    ui.openCameraButton = new QPushButton(this);
    ui.closeCameraButton = new QPushButton(this);
    ui.logoLayout = new QHBoxLayout;
    ui.personalLogoLabel = new QLabel(this);
    ui.personalTextLayout = new QHBoxLayout;
    ui.personalTextEdit = new QTextEdit(this);

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
    settings.showpersonal = !ui.sidePanel->isHidden();
    settings.remarkrospeed = ui.remarkShower->scrollSpeed();
    settings.recentfiles = recentFilesControler->files();
    for (int n = 0; n < 4; ++n) {
        PresetBrush &brush = settings.brushes[n];
        toolBarPort->presetBrush(n + 1, brush.size, brush.forecolor, brush.backcolor);
    }
    settingsfile::save(settings, appSettingsFilePath());
}

void MainWindow::setupDocumentArea()
{
    fillWindow(ui.titleBar, whiteColor());
    fillWindow(ui.titleButtonPanel, whiteColor());
    ui.documentWidget->setObjectName(QStringLiteral("documentWidget"));
    ui.documentWidget->setStyleSheet(
        QStringLiteral("QWidget#documentWidget{background-color:") +
        documentBackgroundColor().name() +
        QStringLiteral(";background-image:url(:/icon/doc_bg.png);background-position:center;"
                       "background-repeat:no-repeat;}"));
    fillWindow(ui.sidePanel, lightPanelColor());
    fillWindow(ui.pageNavigationPanel, panelBackgroundColor());
    fillWindow(ui.bottomSidePanel, panelBackgroundColor());

    ui.logoPanel->setFixedWidth(narrowPanelWidth());
    ui.titleButtonPanel->setFixedWidth(sidePanelWidth());
    ui.titleBarLayout->setContentsMargins(0, 0, 0, 0);
    ui.titleBarLayout->setSpacing(0);
    ui.titleBarLayout->addWidget(ui.logoPanel);
    ui.titleBarLayout->addWidget(ui.tabBar);
    ui.titleBarLayout->addWidget(ui.titleButtonPanel);
    ui.titleBar->setLayout(ui.titleBarLayout);
    ui.titleBar->setFixedHeight(titleBarHeight());

    ui.documentLayout->setContentsMargins(0, 0, 0, 0);
    ui.documentLayout->setSpacing(0);
    ui.documentWidget->setLayout(ui.documentLayout);
    ui.documentWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    ui.sidePanel->setFixedWidth(sidePanelWidth());
    ui.centralRowLayout->setContentsMargins(0, 0, 0, 0);
    ui.centralRowLayout->setSpacing(0);
    ui.centralRowLayout->addWidget(ui.documentWidget);
    ui.centralRowLayout->addWidget(ui.sidePanel);
    ui.centralRow->setLayout(ui.centralRowLayout);

    ui.bottomSidePanel->setFixedWidth(sidePanelWidth());
    ui.bottomBarLayout->setContentsMargins(0, 0, 0, 0);
    ui.bottomBarLayout->setSpacing(0);
    ui.bottomBarLayout->addWidget(ui.pageNavigationPanel);
    ui.bottomBarLayout->addWidget(ui.bottomSidePanel);
    ui.bottomBar->setLayout(ui.bottomBarLayout);
    ui.bottomBar->setFixedHeight(barHeight());

    ui.toolBarScrollArea->setWidget(ui.mainToolBar);
    ui.toolStripLayout->setContentsMargins(0, 0, 0, 0);
    ui.toolStripLayout->setSpacing(0);
    ui.toolStripLayout->addWidget(ui.scrollLeftButton);
    ui.toolStripLayout->addWidget(ui.toolBarScrollArea);
    ui.toolStripLayout->addWidget(ui.scrollRightButton);
    ui.toolStrip->setLayout(ui.toolStripLayout);
    ui.toolStrip->setFixedHeight(toolStripHeight());

    ui.mainLayout = new QVBoxLayout;
    ui.mainLayout->setContentsMargins(0, 0, 0, 0);
    ui.mainLayout->setSpacing(0);
    ui.mainLayout->addWidget(ui.titleBar);
    if (settings.toolbarpos)
        ui.mainLayout->addWidget(ui.toolStrip);
    ui.mainLayout->addWidget(ui.remarkShower);
    ui.mainLayout->addWidget(ui.centralRow);
    ui.mainLayout->addWidget(ui.bottomBar);
    if (!settings.toolbarpos)
        ui.mainLayout->addWidget(ui.toolStrip);
    setLayout(ui.mainLayout);
}

void MainWindow::setupMainLayout()
{
    setupAppLogo();
    toolBarPort->buildLayouts();
    const int u = spacingUnit();

    ui.pageNavigationLayout->setContentsMargins(2 * u, 0, 2 * u, 0);
    ui.pageNavigationLayout->setSpacing(2 * u);
    ui.pageNavigationLayout->setAlignment(Qt::AlignVCenter);
    QWidget *row[] = {ui.slideOutlineCombo, ui.pageCombo,      ui.pageSpinBox,
                      ui.pageLabel,         ui.auxLabelA,      ui.prevPageButton,
                      ui.prevStepButton,    ui.nextStepButton, ui.nextPageButton,
                      ui.auxLabelB,         ui.percentLabel,   ui.serverLinkButton};
    for (QWidget *widget : row)
        ui.pageNavigationLayout->addWidget(widget);
    ui.pageNavigationPanel->setLayout(ui.pageNavigationLayout);

    ui.cameraButtonLayout->setContentsMargins(0, 2 * u, 0, 2 * u);
    ui.cameraButtonLayout->setSpacing(0);
    ui.cameraButtonLayout->addStretch();
    ui.cameraButtonLayout->addWidget(ui.openCameraButton);
    ui.cameraButtonLayout->addStretch();
    ui.cameraButtonLayout->addWidget(ui.closeCameraButton);
    ui.cameraButtonLayout->addStretch();
    ui.logoLayout->setContentsMargins(0, 3 * u, 0, u);
    ui.logoLayout->setSpacing(0);
    ui.logoLayout->addStretch();
    ui.logoLayout->addWidget(ui.personalLogoLabel);
    ui.logoLayout->addStretch();
    ui.personalTextLayout->setContentsMargins(u, u, u, u);
    ui.personalTextLayout->setSpacing(0);
    ui.personalTextLayout->addWidget(ui.personalTextEdit);
    ui.personalLayout->setContentsMargins(0, 0, 0, 0);
    ui.personalLayout->setSpacing(0);
    ui.personalLayout->addWidget(ui.cameraWidget);
    ui.personalLayout->addLayout(ui.cameraButtonLayout);
    ui.personalLayout->addLayout(ui.logoLayout);
    ui.personalLayout->addLayout(ui.personalTextLayout);
    ui.sidePanel->setLayout(ui.personalLayout);

    ui.editTextLayout->setContentsMargins(0, 0, 0, 0);
    ui.editTextLayout->setSpacing(0);
    ui.editTextLayout->addWidget(ui.editPersonalTextButton);
    ui.bottomSidePanel->setLayout(ui.editTextLayout);
}

void MainWindow::setupAppLogo()
{
    ui.appMenu = ui.menuBar->addMenu(QIcon(QStringLiteral(":/icon/titlebar/applogo.png")),
                                     QStringLiteral("文件"));
    ui.appMenu->addMenu(ui.recentFilesMenu);
    ui.appMenu->addAction(ui.ratio16x9Action);
    ui.appMenu->addAction(ui.ratio4x3Action);
    ui.appMenu->addSeparator();
    ui.appMenu->addAction(ui.screenshotAction);
    ui.appMenu->addSeparator();
    ui.appMenu->addAction(ui.aboutAction);
    ui.appMenu->addAction(ui.tutorialAction);
    ui.appMenu->addSeparator();
    ui.appMenu->addAction(ui.exitAction);

    auto *menuLayout = new QHBoxLayout;
    menuLayout->setAlignment(Qt::AlignVCenter);
    menuLayout->setContentsMargins(0, 0, 0, 0);
    menuLayout->setSpacing(0);
    menuLayout->addStretch();
    menuLayout->addWidget(ui.menuBar);
    menuLayout->addStretch();
    ui.logoPanel->setLayout(menuLayout);

    ui.tabBarLayout->setContentsMargins(0, 0, 0, 0);
    ui.tabBarLayout->setSpacing(static_cast<int>(std::ceil(spacingUnit() * 0.5)));
    ui.tabBarLayout->setAlignment(Qt::AlignLeft);
    ui.tabBar->setLayout(ui.tabBarLayout);

    ui.titleButtonLayout->setContentsMargins(0, 0, 0, 0);
    ui.titleButtonLayout->setSpacing(0);
    for (QPushButton *button : {ui.foldPanelButton, ui.upgradeButton, ui.minimizeButton,
                                ui.maximizeButton, ui.closeButton})
        ui.titleButtonLayout->addWidget(button);
    ui.titleButtonPanel->setLayout(ui.titleButtonLayout);
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
    ui.screenshotAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));
    ui.exitAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    ui.menuBar->setStyleSheet(
        QStringLiteral("QMenuBar::item{background-color:transparent;}"
                       "QMenuBar::item:selected{background-color:#f6f6f6;}"));
    ui.menuBar->setToolTip(QStringLiteral("墨岚白板 菜单项"));
    ui.logoPanel->setMaximumHeight(h);
    // The bar itself stays out of sight: only the logo shows.
    ui.logoPanel->setStyleSheet(QStringLiteral("QMenuBar{background-color:transparent;border:0;}"));
    ui.appMenu->setStyleSheet(QStringLiteral("QMenu{padding:") + num(u) +
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
        {ui.foldPanelButton, ":/icon/titlebar/foldpersonal.png", QStringLiteral("隐藏"), small},
        {ui.upgradeButton, ":/icon/titlebar/upgrade.png", QStringLiteral("检测升级墨岚白板"),
         small},
        {ui.minimizeButton, ":/icon/titlebar/appmini.png", QStringLiteral("最小化"), plain},
        {ui.maximizeButton, ":/icon/titlebar/appnormal.png", QStringLiteral("还原"), plain},
        {ui.closeButton, ":/icon/titlebar/appclose.png", QStringLiteral("关闭窗口"),
         QStringLiteral("QPushButton{background-color:transparent;}"
                        "QPushButton:hover{background-color:#e81123;border:0;}")},
    };
    // Without a border rule the desktop style paints the transparent buttons black.
    ui.titleButtonPanel->setStyleSheet(QStringLiteral("QPushButton{border:0;}"));
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
    ui.toolBarScrollArea->setFixedHeight(H);
    ui.toolBarScrollArea->setFrameShape(QFrame::NoFrame);
    ui.toolBarScrollArea->setWidgetResizable(false);
    ui.toolBarScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui.toolBarScrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui.toolBarScrollArea->setStyleSheet(QStringLiteral("QScrollArea{background-color:") +
                                        panelBackgroundColor().name() + QStringLiteral(";}"));
    const QString arrowStyle = QStringLiteral("QPushButton{background-color:") +
                               stripBackgroundColor().name() +
                               QStringLiteral(
                                   ";border:0;border-style:none;}"
                                   "QPushButton:hover{background-color:") +
                               hoverBackgroundColor().name() + QStringLiteral(";}");
    ui.scrollLeftButton->setFixedSize(b / 2, H);
    ui.scrollLeftButton->setIcon(QIcon(QStringLiteral(":/icon/direction/left.png")));
    ui.scrollLeftButton->setStyleSheet(arrowStyle);
    ui.scrollRightButton->setFixedSize(b / 2, H);
    ui.scrollRightButton->setIcon(QIcon(QStringLiteral(":/icon/direction/right.png")));
    ui.scrollRightButton->setStyleSheet(arrowStyle);
    ui.scrollLeftButton->hide();
    ui.scrollRightButton->hide();
    ui.mainToolBar->setFixedHeight(H);
    ui.mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
    ui.mainToolBar->setStyleSheet(QStringLiteral("MainToolBar#mainToolBar{background-color:") +
                                  panelBackgroundColor().name() + QStringLiteral(";}"));
    toolBarPort->completeSetup();
}

void MainWindow::setupPageNavigation()
{
    const int u = spacingUnit();
    const int W = static_cast<int>(
        std::ceil((availableScreenWidth() - sidePanelWidth() - narrowPanelWidth()) / 10.0));
    const int h = static_cast<int>(std::ceil(barHeight() * 0.75));

    ui.slideOutlineCombo->setContentsMargins(0, 0, 0, 0);
    ui.slideOutlineCombo->setToolTip(QStringLiteral("幻灯片大纲 快速跳转"));
    ui.slideOutlineCombo->setFixedSize(W + 6 * u, h);
    ui.slideOutlineCombo->setView(new QListView(ui.slideOutlineCombo));
    ui.slideOutlineCombo->setIconSize(QSize(W, W * 115 / 190));
    ui.slideOutlineCombo->hide();

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
    } pageButtons[] = {{ui.prevPageButton, "<<", QStringLiteral("上一页")},
                       {ui.prevStepButton, "<", QStringLiteral("上一步")},
                       {ui.nextStepButton, ">", QStringLiteral("下一步")},
                       {ui.nextPageButton, ">>", QStringLiteral("下一页")}};
    for (const auto &entry : pageButtons) {
        entry.button->setText(QLatin1String(entry.text));
        entry.button->setToolTip(entry.tip);
        entry.button->setFixedSize(h, h);
        entry.button->setStyleSheet(roundStyle);
        entry.button->hide();
    }

    ui.pageCombo->setToolTip(QStringLiteral("目录"));
    ui.pageCombo->setFixedSize(5 * h, h);
    ui.pageCombo->setView(new QListView(ui.pageCombo));
    ui.pageCombo->setMaxVisibleItems(20);
    ui.pageCombo->setStyleSheet(QStringLiteral("QComboBox QAbstractItemView::item{margin:") +
                                num(u) +
                                QStringLiteral(";}QComboBox QAbstractScrollArea "
                                               "QScrollBar:vertical{width:") +
                                num(3 * u) + QStringLiteral(";}"));
    ui.pageCombo->hide();

    ui.pageSpinBox->setFixedSize(static_cast<int>(std::floor(1.5 * h)), h);
    ui.pageSpinBox->setToolTip(QStringLiteral("跳转到(Enter)"));
    ui.pageSpinBox->setAlignment(Qt::AlignCenter);
    ui.pageSpinBox->setStyleSheet(QStringLiteral("QSpinBox{color:#666;background-color:transparent;"
                                                 "border:1 solid ") +
                                  borderColor().name() +
                                  QStringLiteral(";}QSpinBox::up-button{width:0;}"
                                                 "QSpinBox::down-button{width:0;}"));
    ui.pageSpinBox->hide();

    const QString labelStyle = QStringLiteral("color:#666;");
    ui.pageLabel->setStyleSheet(labelStyle);
    ui.pageLabel->setFixedSize(static_cast<int>(std::floor(1.5 * h)), h);
    ui.pageLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui.auxLabelA->setStyleSheet(labelStyle);
    ui.auxLabelA->setFixedHeight(h);
    ui.auxLabelA->setAlignment(Qt::AlignCenter);
    ui.auxLabelB->setStyleSheet(labelStyle);
    ui.auxLabelB->setFixedHeight(h);
    ui.auxLabelB->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui.percentLabel->setStyleSheet(labelStyle);
    ui.percentLabel->setFixedSize(3 * h, h);
    ui.percentLabel->setAlignment(Qt::AlignCenter);

    ui.serverLinkButton->setFixedSize(h, h);
    setServerLinkState(0);
}

void MainWindow::setupPersonalPanel()
{
    const int P = ui.sidePanel->width() > 0 && !ui.sidePanel->isHidden() ? ui.sidePanel->width()
                                                                         : sidePanelWidth();
    const int b = titleBarButtonSize();
    const int u = spacingUnit();
    ui.cameraWidget->setFixedHeight(P / 2);
    ui.cameraWidget->probeDefaultCamera(P);

    const QString cameraStyle = QStringLiteral(
                                    "QPushButton{background-color:transparent;"
                                    "border-width:0px;border-style:none;}"
                                    "QPushButton:hover{background-color:") +
                                hoverBackgroundColor().name() +
                                QStringLiteral(";}QPushButton:checked{background-color:") +
                                checkedBackgroundColor().name() + QStringLiteral(";}");
    ui.openCameraButton->setToolTip(QStringLiteral("打开摄像头"));
    ui.openCameraButton->setFixedSize(b, b);
    ui.openCameraButton->setIcon(QIcon(QStringLiteral(":/icon/personal/opencamera.png")));
    ui.openCameraButton->setStyleSheet(cameraStyle);
    ui.closeCameraButton->setToolTip(QStringLiteral("关闭摄像头"));
    ui.closeCameraButton->setFixedSize(b, b);
    ui.closeCameraButton->setIcon(QIcon(QStringLiteral(":/icon/personal/closecamera.png")));
    ui.closeCameraButton->setStyleSheet(cameraStyle);
    ui.closeCameraButton->setEnabled(false);
    ui.openCameraButton->setIconSize(QSize(b * 2 / 3, b * 2 / 3));
    ui.closeCameraButton->setIconSize(QSize(b * 2 / 3, b * 2 / 3));

    ui.personalLogoLabel->setFixedSize(P, P / 3);
    ui.personalLogoLabel->setToolTip(QStringLiteral("点击更改图片"));
    ui.personalLogoLabel->setAlignment(Qt::AlignCenter);

    ui.personalTextEdit->setToolTip(QStringLiteral("自定义文本内容，可点击下方编辑按钮修改"));
    ui.personalTextEdit->setFocusPolicy(Qt::NoFocus);
    ui.personalTextEdit->setContentsMargins(u, u, u, u);
    ui.personalTextEdit->setStyleSheet(
        QStringLiteral("QTextEdit{font-size:9pt;color:#666;"
                       "background-color:transparent;border:0;}"));
}

void MainWindow::setupPersonalTextEditButton()
{
    const int c = static_cast<int>(std::ceil(barHeight() * 0.75));
    ui.editPersonalTextButton->setFixedSize(c, c);
    ui.editPersonalTextButton->setToolTip(QStringLiteral("点击编辑文本内容"));
    ui.editPersonalTextButton->setIconSize(QSize(c, c));
    ui.editPersonalTextButton->setIcon(QIcon(QStringLiteral(":/icon/personal/editpersonal.png")));
    ui.editPersonalTextButton->setStyleSheet(
        QStringLiteral("QPushButton{background-color:transparent;"
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
    ui.pageSpinBox->setFocusPolicy(Qt::ClickFocus);
    setFocusPolicy(Qt::StrongFocus);
}

void MainWindow::styleSlideOutlineCombos()
{
    const int u = spacingUnit();
    auto *view = qobject_cast<QListView *>(ui.slideOutlineCombo->view());
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
        ui.slideOutlineCombo->setMaxVisibleItems(6);
        ui.slideOutlineCombo->setStyleSheet(
            itemRules + QStringLiteral("QComboBox QAbstractScrollArea QScrollBar:vertical{width:") +
            num(2 * u) + QStringLiteral(";}"));
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        const QSize icon = ui.slideOutlineCombo->iconSize();
        view->setFlow(QListView::LeftToRight);
        popup->setFixedWidth(24 * u + 6 * icon.width());
        popup->setFixedHeight(icon.height() + 6 * u);
        ui.slideOutlineCombo->setStyleSheet(
            itemRules +
            QStringLiteral("QComboBox QAbstractScrollArea QScrollBar:horizontal{height:") +
            num(2 * u) + QStringLiteral(";}"));
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}
