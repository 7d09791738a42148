// The live slide show: the presentation runs in our own office inside a native window of the
// slide tab, under the ink overlay; the pages, the ink and picture mode stay as they are.
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include "base/paths.h"
#include "canvas/canvas.h"
#include "documents/documenthost.h"
#include "documents/slideshowdocument.h"
#include "documents/tabitem.h"
#include "drawing/paintproperty.h"
#include "platform/documentconverter.h"
#include "platform/processslideshowbridge.h"
#include "slideshow/inkoverlay.h"
#include "slideshow/liveshow.h"
#include "slideshow/slidegeometry.h"

namespace {

const QString lostText = QStringLiteral("幻灯片模式异常退出，转入图片模式");
const QString notStartedText = QStringLiteral("幻灯片载入失败，当前以图片模式运行");

} // namespace

void SlideShowDocument::setSlideShowBridgeFactory(
    std::function<SlideShowBridge *(QObject *)> factory)
{
    slideBridgeFactory = std::move(factory);
    slideBridgeFactorySet = true;
}

SlideShowBridge *SlideShowDocument::slideShowBridge()
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
            [this] { host.setAuxLabelAText(QStringLiteral("正在初始化PPT组件")); });
    liveShowController()->setBridge(slideBridge);
    return slideBridge;
}

LiveShow *SlideShowDocument::liveShowController()
{
    if (liveShow)
        return liveShow;
    liveShow = new LiveShow(window);
    connect(liveShow, &LiveShow::loaded, this, &SlideShowDocument::onLiveShowLoaded);
    connect(liveShow, &LiveShow::opened, this, &SlideShowDocument::onLiveShowOpened);
    connect(liveShow, &LiveShow::openFailed, this, &SlideShowDocument::onLiveShowFailed);
    connect(liveShow, &LiveShow::slideShown, this, &SlideShowDocument::onLiveShowSlide);
    connect(liveShow, &LiveShow::ended, this, &SlideShowDocument::onLiveShowEnded);
    connect(liveShow, &LiveShow::lost, this, [this] { fallBackToPictureMode(SlideCommand::Stay); });
    return liveShow;
}

QWindow *SlideShowDocument::slideShowHostWindow() const
{
    return liveShow ? liveShow->hostWindow() : nullptr;
}

InkOverlay *SlideShowDocument::slideInkOverlay() const
{
    return liveShow ? liveShow->overlay() : nullptr;
}

void SlideShowDocument::onLiveShowOpened(int count, const QStringList &notes)
{
    TabItem *tab = liveTab;
    TabItem *current = host.currentTabItem();
    if (!tab || !tab->canvas || count != tab->canvas->pageCount()) {
        // The tab went, or the show holds other slides than the PDF copy has pages.
        const bool here = tab && tab == current;
        leaveLiveShow();
        if (here)
            host.setAuxLabelAText(notStartedText);
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
    host.setAuxLabelAText(QString());
    if (!slideNotesMessage.isEmpty())
        QTimer::singleShot(0, this, &SlideShowDocument::tellMissingNotes);
    // Another tab may be in front: the show waits hidden and comes with its tab.
    if (tab != current)
        return;
    syncSlideShowToPage();
    showSlidePage(currentSlide);
    tab->canvas->takeFocus();
    if (shouldPollSlideShow())
        startSlidePoll();
}

void SlideShowDocument::onLiveShowFailed()
{
    const bool here = liveTab && liveTab == host.currentTabItem();
    leaveLiveShow();
    if (here)
        host.setAuxLabelAText(notStartedText);
    if (!slideNotesMessage.isEmpty())
        QTimer::singleShot(0, this, &SlideShowDocument::tellMissingNotes);
}

bool SlideShowDocument::officeRefusesFile()
{
    // The bridge's time limits end the wait, and so does the program's end.
    QEventLoop loop;
    bool refused = false;
    connect(liveShow, &LiveShow::loaded, &loop, &QEventLoop::quit);
    connect(liveShow, &LiveShow::openFailed, &loop, [&](bool no) {
        refused = no;
        loop.quit();
    });
    liveLoadWait = &loop;
    loop.exec();
    return refused;
}

void SlideShowDocument::onLiveShowSlide(int slide)
{
    if (!liveTab || liveTab != host.currentTabItem() || !liveTab->canvas)
        return;
    if (slide > liveTab->canvas->pageCount()) {
        // Beyond the pages: the show is no use to them any more.
        onLiveShowEnded();
        return;
    }
    if (slide != currentSlide)
        showSlidePage(slide);
}

void SlideShowDocument::onLiveShowEnded()
{
    // The show ended itself: no loss to report, the pages go on where they are.
    const bool here = liveTab && liveTab == host.currentTabItem();
    leaveLiveShow();
    if (here)
        showSlidePage(currentSlide);
}

void SlideShowDocument::leaveLiveShow()
{
    if (liveShow)
        liveShow->stop();
    liveTab = nullptr;
}

bool SlideShowDocument::isSlideShowAlive() const
{
    return liveTab && liveTab == host.currentTabItem() && liveShow && liveShow->isShown();
}

bool SlideShowDocument::shouldPollSlideShow() const
{
    const PaintProperty *tools = host.tools();
    return tools && tools->paintTool == PaintTool::Mouse && isSlideShowAlive() && liveTab->canvas &&
           liveTab->canvas->pageCount() > 0;
}

void SlideShowDocument::startSlidePoll()
{
    if (liveShow)
        liveShow->startPoll();
}

void SlideShowDocument::stopSlidePoll()
{
    if (liveShow)
        liveShow->stopPoll();
}

void SlideShowDocument::pollSlideShow()
{
    if (liveShow)
        liveShow->poll();
}

void SlideShowDocument::toolChanged()
{
    updateSlideShowInput();
    if (shouldPollSlideShow())
        startSlidePoll();
    else
        stopSlidePoll();
}

void SlideShowDocument::shutDown()
{
    if (liveLoadWait)
        liveLoadWait->quit();
    stopSlidePoll();
    if (slideBridge)
        slideBridge->shutdown();
}

void SlideShowDocument::syncSlideShowToPage()
{
    // Only a slide the show does not show yet is sent: a move, a resize or a tab switch keeps
    // the revealed steps.
    if (isSlideShowAlive() && currentSlide > 0)
        liveShow->showSlide(currentSlide);
}

void SlideShowDocument::fallBackToPictureMode(SlideCommand command)
{
    TabItem *current = host.currentTabItem();
    const bool here = liveTab && liveTab == current;
    leaveLiveShow();
    if (!here || !current || !current->canvas)
        return;
    host.setAuxLabelAText(lostText);
    const int page =
        SlideGeometry::pageAfterCommand(command, currentSlide, current->canvas->pageCount());
    if (page > 0)
        showSlidePage(page);
}

void SlideShowDocument::updateSlideShowInput()
{
    // The mouse tool works the show (a click advances it); any other tool draws.
    if (liveShow && host.tools())
        liveShow->setPassThrough(host.tools()->paintTool == PaintTool::Mouse);
}

void SlideShowDocument::sendSlideShowCommand(SlideCommand command, int count)
{
    // Steps go to the show, which reports the slide it lands on; page turns show the page at
    // once, wrapping round at either end.
    const int target = SlideGeometry::pageAfterCommand(command, currentSlide, count);
    switch (command) {
        case SlideCommand::Stay:
            liveShow->showSlide(currentSlide);
            break;
        case SlideCommand::PreviousStep:
            liveShow->send(SlideShowBridge::PreviousStep);
            break;
        case SlideCommand::NextStep:
            liveShow->send(SlideShowBridge::NextStep);
            break;
        case SlideCommand::PreviousPage:
        case SlideCommand::NextPage:
            // To the slide's first step, as a page turn in the show does.
            liveShow->send(SlideShowBridge::GotoSlide, target);
            showSlidePage(target);
            break;
        case SlideCommand::NextPageInPictureMode:
            break;
    }
}
