// The live slide show: the presentation runs in our own office inside a native window of the
// slide tab, under the ink overlay; the pages, the ink and picture mode stay as they are.
#include <QGuiApplication>
#include <QTimer>

#include "base/paths.h"
#include "canvas/canvas.h"
#include "drawing/paintproperty.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/scrollarea.h"
#include "mainwindow/tabitem.h"
#include "platform/documentconverter.h"
#include "platform/processslideshowbridge.h"
#include "slideshow/inkoverlay.h"

namespace {

const QString lostText = QStringLiteral("幻灯片模式异常退出，转入图片模式");
const QString notStartedText = QStringLiteral("幻灯片载入失败，当前以图片模式运行");

} // namespace

void MainWindow::setSlideShowBridgeFactory(std::function<SlideShowBridge *(QObject *)> factory)
{
    slideBridgeFactory = std::move(factory);
    slideBridgeFactorySet = true;
}

SlideShowBridge *MainWindow::slideShowBridge()
{
    if (slideBridge)
        return slideBridge;
    if (slideBridgeFactorySet) {
        slideBridge = slideBridgeFactory ? slideBridgeFactory(this) : nullptr;
    } else if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // The show needs an X window to run in.
        slideBridge = new ProcessSlideShowBridge(
            DocumentConverter::program(), officeProfileDirPath() + QStringLiteral("/live"), this);
    }
    if (!slideBridge)
        return nullptr;
    connect(slideBridge, &SlideShowBridge::officeStarting, this,
            [this] { setAuxLabelAText(QStringLiteral("正在初始化PPT组件")); });
    connect(slideBridge, &SlideShowBridge::opened, this, &MainWindow::onLiveShowOpened);
    connect(slideBridge, &SlideShowBridge::openFailed, this, &MainWindow::onLiveShowFailed);
    connect(slideBridge, &SlideShowBridge::slideReported, this, &MainWindow::onLiveShowReported);
    connect(slideBridge, &SlideShowBridge::lost, this, [this] { fallBackToPictureMode(0); });
    return slideBridge;
}

QWidget *MainWindow::slideShowHostWidget() const
{
    return slideShowHost;
}

void MainWindow::startLiveShow(const QString &file)
{
    TabItem *tab = currentTab;
    SlideShowBridge *bridge = slideShowBridge();
    if (!bridge || !tab || tab->kind != 1 || !tab->slideBackground || !tab->canvas) {
        setAuxLabelAText(notStartedText);
        return;
    }
    liveTab = tab;
    // The show's window lies in the backdrop's place; until the show runs it stays unmapped
    // and picture mode goes on above it. Its siblings stay alien (the application attributes):
    // the board, once native, could not be shown by a translucent overlay.
    slideShowHost = new QWidget(tab->slideBackground);
    slideShowHost->hide();
    slideShowHost->setAttribute(Qt::WA_NativeWindow);
    slideShowHost->setAttribute(Qt::WA_DontCreateNativeAncestors);
    slideShowHost->setGeometry(tab->slideBackground->rect());
    setAuxLabelAText(QStringLiteral("正在初始化PPT组件"));
    bridge->open(file, quintptr(slideShowHost->winId()), slidePlacement.size());
}

void MainWindow::onLiveShowOpened(int count, const QStringList &notes)
{
    TabItem *tab = liveTab;
    if (!tab || tab != currentTab || !tab->canvas || !slideShowHost ||
        count != tab->canvas->pageCount()) {
        // The tab went, or the show holds other slides than the PDF copy has pages.
        leaveLiveShow();
        if (tab && tab == currentTab)
            setAuxLabelAText(notStartedText);
        return;
    }
    // Notes of the running document, one line a slide as the panel shows them.
    slideNotes.clear();
    for (QString text : notes) {
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        slideNotes << text;
    }
    if (!inkOverlay)
        inkOverlay = new InkOverlay(this);
    inkOverlay->followArea(tab->scrollArea);
    inkOverlay->setContent(tab->canvas);
    inkOverlay->setTakesKeys(true);
    slideShowHost->show();
    slideShowHost->lower();
    updateSlideShowInput();
    setAuxLabelAText(QString());
    syncSlideShowToPage();
    showSlidePage(currentSlide);
    tab->canvas->takeFocus();
    if (shouldPollSlideShow())
        startSlidePoll();
}

void MainWindow::onLiveShowFailed()
{
    const bool here = liveTab && liveTab == currentTab;
    leaveLiveShow();
    if (here)
        setAuxLabelAText(notStartedText);
}

void MainWindow::onLiveShowReported(int slide, bool running)
{
    if (!liveTab || liveTab != currentTab || !liveTab->canvas)
        return;
    const int count = liveTab->canvas->pageCount();
    if (!running || slide < 1 || slide > count) {
        // Stepped past the last slide: the show has ended, the pages go on without it.
        stopSlidePoll();
        leaveLiveShow();
        showSlidePage(currentSlide);
        return;
    }
    if (slide != currentSlide)
        showSlidePage(slide);
}

void MainWindow::leaveLiveShow()
{
    stopSlidePoll();
    if (slideBridge)
        slideBridge->close();
    TabItem *tab = liveTab;
    liveTab = nullptr;
    delete slideShowHost;
    if (inkOverlay) {
        // The board goes back onto the backdrop, with every stroke.
        if (tab && tab->slideBackground && inkOverlay->content() == tab->canvas)
            inkOverlay->releaseContent(tab->slideBackground, QPoint(0, 0));
        else if (inkOverlay->content())
            inkOverlay->releaseContent(this, QPoint(0, 0))->hide();
        inkOverlay->setTakesKeys(false);
        inkOverlay->setBackdrop(QPixmap());
        inkOverlay->followArea(nullptr);
    }
}

bool MainWindow::isSlideShowAlive() const
{
    return liveTab && liveTab == currentTab && slideShowHost && slideShowHost->isVisible() &&
           slideBridge && slideBridge->isLive();
}

bool MainWindow::shouldPollSlideShow() const
{
    return paintProperty && paintProperty->paintTool == 0 && isSlideShowAlive() &&
           currentTab->canvas && currentTab->canvas->pageCount() > 0;
}

void MainWindow::startSlidePoll()
{
    stopSlidePoll();
    connect(slidePollTimer, &QTimer::timeout, this, &MainWindow::pollSlideShow);
    slidePollTimer->start(300);
}

void MainWindow::pollSlideShow()
{
    if (!isSlideShowAlive()) {
        stopSlidePoll();
        return;
    }
    // One question at a time: a slow answer is not asked again before it comes.
    if (!slideBridge->isBusy())
        slideBridge->send(SlideShowBridge::Poll);
}

void MainWindow::syncSlideShowToPage()
{
    if (isSlideShowAlive() && currentSlide > 0)
        slideBridge->send(SlideShowBridge::GotoSlide, currentSlide);
}

void MainWindow::fallBackToPictureMode(int command)
{
    const bool here = liveTab && liveTab == currentTab;
    leaveLiveShow();
    if (!here || !currentTab || !currentTab->canvas)
        return;
    setAuxLabelAText(lostText);
    const int count = currentTab->canvas->pageCount();
    const int page = currentSlide;
    switch (command) {
        case 0:
            showSlidePage(page);
            break;
        case 1:
        case 3:
            showSlidePage(page < 2 ? count : page - 1);
            break;
        case 2:
        case 4:
        case 5:
            showSlidePage(page < count ? page + 1 : 1);
            break;
        default:
            break;
    }
}

void MainWindow::updateSlideShowInput()
{
    // The mouse tool works the show (a click advances it); any other tool draws.
    if (inkOverlay && paintProperty)
        inkOverlay->setPassThrough(paintProperty->paintTool == 0);
}

void MainWindow::sendSlideShowCommand(int command, int count)
{
    // Steps go to the show, which reports the slide it lands on; page turns show the page at
    // once, wrapping round at either end.
    switch (command) {
        case 0:
            slideBridge->send(SlideShowBridge::GotoSlide, currentSlide);
            break;
        case 1:
            slideBridge->send(SlideShowBridge::PreviousStep);
            break;
        case 2:
            slideBridge->send(SlideShowBridge::NextStep);
            break;
        case 3:
            if (currentSlide > 1) {
                slideBridge->send(SlideShowBridge::PreviousSlide);
                showSlidePage(currentSlide - 1);
            } else {
                slideBridge->send(SlideShowBridge::GotoSlide, count);
                showSlidePage(count);
            }
            break;
        case 4:
            if (currentSlide < count) {
                slideBridge->send(SlideShowBridge::NextSlide);
                showSlidePage(currentSlide + 1);
            } else {
                slideBridge->send(SlideShowBridge::GotoSlide, 1);
                showSlidePage(1);
            }
            break;
        default:
            break;
    }
}
