// The live slide show: the presentation runs in our own office inside a native window of the
// slide tab, under the ink overlay; the pages, the ink and picture mode stay as they are.
#include <QGuiApplication>
#include <QTimer>

#include "base/paths.h"
#include "canvas/canvas.h"
#include "documents/scrollarea.h"
#include "documents/tabitem.h"
#include "drawing/paintproperty.h"
#include "mainwindow/mainwindow.h"
#include "platform/documentconverter.h"
#include "platform/processslideshowbridge.h"
#include "slideshow/inkoverlay.h"
#include "slideshow/liveshow.h"
#include "slideshow/slidegeometry.h"

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
    liveShowController()->setBridge(slideBridge);
    return slideBridge;
}

LiveShow *MainWindow::liveShowController()
{
    if (liveShow)
        return liveShow;
    liveShow = new LiveShow(this);
    connect(liveShow, &LiveShow::loaded, this, &MainWindow::onLiveShowLoaded);
    connect(liveShow, &LiveShow::opened, this, &MainWindow::onLiveShowOpened);
    connect(liveShow, &LiveShow::openFailed, this, &MainWindow::onLiveShowFailed);
    connect(liveShow, &LiveShow::slideShown, this, &MainWindow::onLiveShowSlide);
    connect(liveShow, &LiveShow::ended, this, &MainWindow::onLiveShowEnded);
    connect(liveShow, &LiveShow::lost, this, [this] { fallBackToPictureMode(0); });
    return liveShow;
}

QWindow *MainWindow::slideShowHostWindow() const
{
    return liveShow ? liveShow->hostWindow() : nullptr;
}

InkOverlay *MainWindow::slideInkOverlay() const
{
    return liveShow ? liveShow->overlay() : nullptr;
}

void MainWindow::onLiveShowOpened(int count, const QStringList &notes)
{
    TabItem *tab = liveTab;
    if (!tab || !tab->canvas || count != tab->canvas->pageCount()) {
        // The tab went, or the show holds other slides than the PDF copy has pages.
        const bool here = tab && tab == currentTab;
        leaveLiveShow();
        if (here)
            setAuxLabelAText(notStartedText);
        return;
    }
    // Notes of the running document, one line a slide as the panel shows them.
    if (notes.size() == count) {
        slideNotesMessage.clear();
        slideNotes.clear();
        for (QString text : notes) {
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            text.replace(QLatin1Char('\r'), QLatin1Char(' '));
            slideNotes << text;
        }
    }
    setAuxLabelAText(QString());
    if (!slideNotesMessage.isEmpty())
        QTimer::singleShot(0, this, &MainWindow::tellMissingNotes);
    // Another tab may be in front: the show waits hidden and comes with its tab.
    if (tab != currentTab)
        return;
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
    if (!slideNotesMessage.isEmpty())
        QTimer::singleShot(0, this, &MainWindow::tellMissingNotes);
}

void MainWindow::onLiveShowSlide(int slide)
{
    if (!liveTab || liveTab != currentTab || !liveTab->canvas)
        return;
    if (slide > liveTab->canvas->pageCount()) {
        // Beyond the pages: the show is no use to them any more.
        onLiveShowEnded();
        return;
    }
    if (slide != currentSlide)
        showSlidePage(slide);
}

void MainWindow::onLiveShowEnded()
{
    // The show ended itself: no loss to report, the pages go on where they are.
    const bool here = liveTab && liveTab == currentTab;
    leaveLiveShow();
    if (here)
        showSlidePage(currentSlide);
}

void MainWindow::leaveLiveShow()
{
    if (liveShow)
        liveShow->stop();
    liveTab = nullptr;
}

bool MainWindow::isSlideShowAlive() const
{
    return liveTab && liveTab == currentTab && liveShow && liveShow->isShown();
}

bool MainWindow::shouldPollSlideShow() const
{
    return paintProperty && paintProperty->paintTool == 0 && isSlideShowAlive() &&
           currentTab->canvas && currentTab->canvas->pageCount() > 0;
}

void MainWindow::startSlidePoll()
{
    if (liveShow)
        liveShow->startPoll();
}

void MainWindow::pollSlideShow()
{
    if (liveShow)
        liveShow->poll();
}

void MainWindow::syncSlideShowToPage()
{
    // Only a slide the show does not show yet is sent: a move, a resize or a tab switch keeps
    // the revealed steps.
    if (isSlideShowAlive() && currentSlide > 0)
        liveShow->showSlide(currentSlide);
}

void MainWindow::fallBackToPictureMode(int command)
{
    const bool here = liveTab && liveTab == currentTab;
    leaveLiveShow();
    if (!here || !currentTab || !currentTab->canvas)
        return;
    setAuxLabelAText(lostText);
    const int page = SlideGeometry::pageAfterCommand(SlideCommand(command), currentSlide,
                                                     currentTab->canvas->pageCount());
    if (page > 0)
        showSlidePage(page);
}

void MainWindow::updateSlideShowInput()
{
    // The mouse tool works the show (a click advances it); any other tool draws.
    if (liveShow && paintProperty)
        liveShow->setPassThrough(paintProperty->paintTool == 0);
}

void MainWindow::sendSlideShowCommand(int command, int count)
{
    // Steps go to the show, which reports the slide it lands on; page turns show the page at
    // once, wrapping round at either end.
    const int target = SlideGeometry::pageAfterCommand(SlideCommand(command), currentSlide, count);
    switch (command) {
        case 0:
            liveShow->showSlide(currentSlide);
            break;
        case 1:
            liveShow->send(SlideShowBridge::PreviousStep);
            break;
        case 2:
            liveShow->send(SlideShowBridge::NextStep);
            break;
        case 3:
        case 4:
            // To the slide's first step, as a page turn in the show does.
            liveShow->send(SlideShowBridge::GotoSlide, target);
            showSlidePage(target);
            break;
        default:
            break;
    }
}
