#include "unoslideshow.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <thread>

#include <unistd.h>

#include <rtl/process.h>
#include <com/sun/star/awt/PosSize.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/WindowClass.hpp>
#include <com/sun/star/awt/WindowDescriptor.hpp>
#include <com/sun/star/awt/XSystemChildFactory.hpp>
#include <com/sun/star/awt/XToolkitExperimental.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XShapeDescriptor.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/Frame.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/SystemDependent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/presentation/XPresentationPage.hpp>
#include <com/sun/star/presentation/XPresentationSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/CloseVetoException.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace {

OUString u(const std::string &text)
{
    return OUString::fromUtf8(rtl::OString(text.c_str()));
}

beans::PropertyValue property(const char *name, const uno::Any &value)
{
    beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

// The one name the office gives a notes body by; its replacement (XServiceInfo) does not.
OUString shapeType(const Reference<drawing::XShapeDescriptor> &shape)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return shape->getShapeType();
#pragma GCC diagnostic pop
}

// Whether the show shows the slide: a hidden one is skipped by the show and by the PDF copy,
// so the show's slides are the document's shown ones, in order.
bool shown(const uno::Any &page)
{
    Reference<beans::XPropertySet> properties(page, UNO_QUERY);
    bool visible = true;
    if (properties.is())
        properties->getPropertyValue("Visible") >>= visible;
    return visible;
}

// Hears what the show does by itself (timed slides, links, the mouse in the show, its end) and
// wakes the bridge's loop, which asks the office where it stands; it calls nothing itself,
// as it runs on one of the office's connection threads.
class ShowListener : public cppu::WeakImplHelper1<presentation::XSlideShowListener>
{
public:
    ShowListener(std::atomic<bool> &news, int wakeFd)
        : m_news(news)
        , m_wakeFd(wakeFd)
    {}
    void SAL_CALL beginEvent(const Reference<animations::XAnimationNode> &) override {}
    void SAL_CALL endEvent(const Reference<animations::XAnimationNode> &) override {}
    void SAL_CALL repeat(const Reference<animations::XAnimationNode> &, sal_Int32) override {}
    void SAL_CALL paused() override {}
    void SAL_CALL resumed() override {}
    void SAL_CALL slideTransitionStarted() override { tell(); }
    void SAL_CALL slideTransitionEnded() override { tell(); }
    void SAL_CALL slideAnimationsEnded() override {}
    void SAL_CALL slideEnded(sal_Bool) override { tell(); }
    void SAL_CALL hyperLinkClicked(const OUString &) override { tell(); }
    void SAL_CALL disposing(const lang::EventObject &) override { tell(); }

private:
    void tell()
    {
        m_news = true;
        if (m_wakeFd >= 0) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &byte, 1);
        }
    }
    std::atomic<bool> &m_news;
    int m_wakeFd;
};

// The office draws the slide in its window as large as fits, but short of the window's right
// and bottom edges by some pixels that it fills with white and black lines of its own, at
// every size, and centred in the other direction. Our window is to show the slide alone: the
// office's is made larger than ours, by the slide's shape, and placed so that the slide's
// picture covers ours, its lines lying outside, where our window cuts them off. The slide
// reaches past our window by a pixel or so at each side, for the office's rounding.
awt::Rectangle coveringWindow(int width, int height, sal_Int32 pageWidth, sal_Int32 pageHeight)
{
    // Pixels of the office's own beyond the slide at the right and bottom (up to four seen:
    // the slide's blended last pixel, two white, one or two black), and of the slide kept
    // beyond our window at each side.
    constexpr int officeMargin = 5;
    constexpr int spare = 1;
    if (pageWidth <= 0 || pageHeight <= 0 || width <= 0 || height <= 0)
        return awt::Rectangle(0, 0, width, height);
    const double shape = double(pageWidth) / double(pageHeight);
    const int slideWidth =
        std::max(width + 2 * spare, int(std::ceil((height + 2 * spare) * shape)));
    const int slideHeight = int(std::ceil(slideWidth / shape));
    // The margin in the slide's shape, so that the office's window has the slide's shape too
    // and the slide lies in neither direction centred away from its corner.
    const int marginX = int(std::ceil(officeMargin * std::max(1.0, shape)));
    const int marginY = int(std::ceil(officeMargin * std::max(1.0, 1.0 / shape)));
    return awt::Rectangle(-(slideWidth - width) / 2, -(slideHeight - height) / 2,
                          slideWidth + marginX, slideHeight + marginY);
}

} // namespace

bool UnoSlideShow::connect(const std::string &pipeName)
{
    static Reference<uno::XComponentContext> local;
    if (!local.is())
        local = cppu::defaultBootstrap_InitialComponentContext();
    Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(local);
    try {
        const OUString url = "uno:pipe,name=" + u(pipeName) + ";urp;StarOffice.ComponentContext";
        m_context.set(resolver->resolve(url), UNO_QUERY_THROW);
    } catch (const connection::NoConnectException &) {
        return false;
    }
    m_desktop = frame::Desktop::create(m_context);
    hideSlidePane();
    return true;
}

// A show in a window first closes the view's side panes and waits for the office to report the
// change done. When the slide pane was asked for but not yet open (the view still being set up,
// as on a loaded machine), closing it changes nothing, nothing is reported, and the start waits
// a whole minute. Views opened without the pane leave the show nothing to close. Set through
// the office's settings, not its views: those may only be touched from the office's own thread.
void UnoSlideShow::hideSlidePane()
{
    try {
        Reference<lang::XMultiServiceFactory> settings =
            configuration::theDefaultProvider::get(m_context);
        uno::Sequence<uno::Any> where(1);
        where.getArray()[0] <<= property(
            "nodepath", uno::Any(OUString(
                            "/org.openoffice.Office.Impress/MultiPaneGUI/SlideSorterBar/Visible")));
        Reference<beans::XPropertySet> visible(
            settings->createInstanceWithArguments(
                "com.sun.star.configuration.ConfigurationUpdateAccess", where),
            UNO_QUERY_THROW);
        visible->setPropertyValue("ImpressView", uno::Any(false));
        Reference<util::XChangesBatch>(visible, UNO_QUERY_THROW)->commitChanges();
    } catch (const uno::Exception &e) {
        // The show still starts, only perhaps slowly.
        std::cerr << "slidebridge: show: cannot hide the slide pane: "
                  << rtl::OUStringToOString(e.Message, RTL_TEXTENCODING_UTF8).getStr() << std::endl;
    }
}

int UnoSlideShow::open(long long window, int width, int height, const std::string &url)
{
    close();
    Reference<awt::XSystemChildFactory> factory(awt::Toolkit::create(m_context), UNO_QUERY_THROW);
    uno::Sequence<sal_Int8> process(16);
    rtl_getGlobalProcessId(reinterpret_cast<sal_uInt8 *>(process.getArray()));
    Reference<awt::XWindowPeer> peer = factory->createSystemChild(
        uno::Any(sal_Int64(window)), process, lang::SystemDependent::SYSTEM_XWINDOW);
    if (!peer.is())
        return -1;
    m_outer.set(peer, UNO_QUERY_THROW);
    m_outer->setVisible(true);
    {
        awt::WindowDescriptor d;
        d.Type = awt::WindowClass_CONTAINER;
        d.WindowServiceName = "dockingwindow";
        d.Parent = peer;
        d.ParentIndex = -1;
        d.Bounds = awt::Rectangle(0, 0, width, height);
        d.WindowAttributes = 0;
        m_window.set(awt::Toolkit::create(m_context)->createWindow(d), UNO_QUERY_THROW);
    }
    m_slideWidth = m_slideHeight = 0;
    resize(width, height);
    m_window->setVisible(true);

    m_frame = frame::Frame::create(m_context);
    m_frame->initialize(m_window);
    Reference<frame::XFramesSupplier> supplier(m_desktop, UNO_QUERY_THROW);
    m_frame->setCreator(supplier);
    supplier->getFrames()->append(Reference<frame::XFrame>(m_frame, UNO_QUERY_THROW));
    // No menus, tool bars or status bar: the frame shows the document alone.
    Reference<frame::XLayoutManager> layout;
    Reference<beans::XPropertySet>(m_frame, UNO_QUERY_THROW)->getPropertyValue("LayoutManager") >>=
        layout;
    if (layout.is())
        layout->setVisible(false);

    // No macros run and no dialog asks anything (a password-protected file is refused).
    uno::Sequence<beans::PropertyValue> args(4);
    args.getArray()[0] =
        property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE));
    args.getArray()[1] = property("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE));
    args.getArray()[2] = property("ReadOnly", uno::Any(true));
    args.getArray()[3] = property("Silent", uno::Any(true));
    Reference<frame::XComponentLoader> loader(m_frame, UNO_QUERY_THROW);
    m_document.set(loader->loadComponentFromURL(u(url), "_self", 0, args), UNO_QUERY);
    Reference<presentation::XPresentationSupplier> shows(m_document, UNO_QUERY);
    if (!shows.is()) {
        close();
        return 0;
    }
    // The load leaves the view's bars to be laid out by the office's own thread; hiding them
    // while it does so has crashed the office (twice running, on a slow machine).
    settle();
    if (layout.is())
        layout->setVisible(false);
    m_presentation.set(shows->getPresentation(), UNO_QUERY_THROW);
    Reference<drawing::XDrawPages> pages =
        Reference<drawing::XDrawPagesSupplier>(m_document, UNO_QUERY_THROW)->getDrawPages();
    m_shown.clear();
    for (sal_Int32 i = 0; i < pages->getCount(); ++i) {
        if (shown(pages->getByIndex(i)))
            m_shown.push_back(i);
    }
    m_slideWidth = m_slideHeight = 0;
    if (!m_shown.empty()) {
        Reference<beans::XPropertySet> first(pages->getByIndex(m_shown.front()), UNO_QUERY);
        if (first.is()) {
            first->getPropertyValue("Width") >>= m_slideWidth;
            first->getPropertyValue("Height") >>= m_slideHeight;
        }
    }
    resize(m_width, m_height);
    return int(m_shown.size());
}

void UnoSlideShow::resize(int width, int height)
{
    m_width = width;
    m_height = height;
    if (!m_window.is())
        return;
    const awt::Rectangle at = coveringWindow(width, height, m_slideWidth, m_slideHeight);
    m_window->setPosSize(at.X, at.Y, at.Width, at.Height, awt::PosSize::POSSIZE);
}

bool UnoSlideShow::start(int limitMs)
{
    if (!m_presentation.is())
        return false;
    Reference<beans::XPropertySet> settings(m_presentation, UNO_QUERY_THROW);
    settings->setPropertyValue("IsFullScreen", uno::Any(false));
    settings->setPropertyValue("IsAlwaysOnTop", uno::Any(false));
    // Past the last slide the show goes on with the first at once: never the office's own end
    // screen, and the show stays up for the rest of the lesson.
    settings->setPropertyValue("IsEndless", uno::Any(true));
    settings->setPropertyValue("Pause", uno::Any(sal_Int32(0)));
    settings->setPropertyValue("IsAutomatic", uno::Any(false));
    settings->setPropertyValue("StartWithNavigator", uno::Any(false));
    settings->setPropertyValue("UsePen", uno::Any(false));
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    // The start waits for the office's view changes in hand to be reported done, a whole
    // minute when one of them turns out to change nothing (and so is never reported). Let the
    // office finish what it has in hand first, on its own terms, so the start has none to
    // wait for.
    settle();
    m_presentation->start();
    // The controller appears once the show's first frame is up: seconds on a busy machine,
    // more on a cold one.
    while (std::chrono::steady_clock::now() < until) {
        Reference<presentation::XSlideShowController> c = controller();
        if (c.is() && c->isRunning()) {
            m_listener = new ShowListener(news, wakeFd);
            c->addSlideShowListener(m_listener);
            m_listened = c;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void UnoSlideShow::settle()
{
    Reference<awt::XToolkitExperimental> toolkit(awt::Toolkit::create(m_context), UNO_QUERY);
    if (toolkit.is())
        toolkit->processEventsToIdle();
}

Reference<presentation::XSlideShowController> UnoSlideShow::controller()
{
    if (!m_presentation.is())
        return {};
    return m_presentation->getController();
}

std::vector<std::string> UnoSlideShow::notes()
{
    std::vector<std::string> result;
    Reference<drawing::XDrawPagesSupplier> supplier(m_document, UNO_QUERY_THROW);
    Reference<drawing::XDrawPages> pages = supplier->getDrawPages();
    for (sal_Int32 i = 0; i < pages->getCount(); ++i) {
        const uno::Any slide = pages->getByIndex(i);
        if (!shown(slide))
            continue;
        OUString text;
        Reference<presentation::XPresentationPage> page(slide, UNO_QUERY);
        Reference<drawing::XShapes> shapes;
        if (page.is())
            shapes.set(page->getNotesPage(), UNO_QUERY);
        for (sal_Int32 k = 0; shapes.is() && k < shapes->getCount(); ++k) {
            Reference<drawing::XShapeDescriptor> shape(shapes->getByIndex(k), UNO_QUERY);
            Reference<text::XText> body(shape, UNO_QUERY);
            if (shape.is() && body.is() &&
                shapeType(shape) == "com.sun.star.presentation.NotesShape") {
                text = body->getString();
                break;
            }
        }
        result.push_back(rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr());
    }
    return result;
}

bool UnoSlideShow::command(SlideBridgeProtocol::Verb verb, int index)
{
    Reference<presentation::XSlideShowController> c = controller();
    if (!c.is())
        return true; // the show has ended: the answer's state says so
    const bool jumping = m_jumpTarget >= 0 && std::chrono::steady_clock::now() < m_jumpUntil;
    const int jumpTarget = m_jumpTarget;
    m_jumpTarget = -1;
    using SlideBridgeProtocol::Verb;
    if (verb == Verb::First)
        c->gotoFirstSlide();
    else if (verb == Verb::PreviousStep)
        c->gotoPreviousEffect();
    else if (verb == Verb::NextStep)
        c->gotoNextEffect();
    else if (verb == Verb::PreviousSlide)
        c->gotoPreviousSlide();
    else if (verb == Verb::NextSlide)
        c->gotoNextSlide();
    else if (verb == Verb::Last)
        c->gotoLastSlide();
    else if (verb == Verb::Goto) {
        // The office starts a slide again from its first step on any jump, even onto itself.
        if (index < 0 || index >= int(m_shown.size()))
            return true;
        if (jumping && jumpTarget == index) {
            m_jumpTarget = jumpTarget;
            return true;
        }
        if (currentSlide() == index)
            return true;
        c->gotoSlideIndex(m_shown[size_t(index)]);
        // The office jumps a moment later: a step sent after the jump must not come before it.
        // A jump slower than that is reported when it lands, never as the slide it left.
        for (int i = 0; i < 50 && currentSlide() != index; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (currentSlide() != index) {
            m_jumpTarget = index;
            m_jumpUntil = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        }
    } else
        return false;
    return true;
}

int UnoSlideShow::currentSlide()
{
    Reference<presentation::XSlideShowController> c = controller();
    const int index = c.is() ? c->getCurrentSlideIndex() : -1;
    const auto at = std::find(m_shown.begin(), m_shown.end(), index);
    return at == m_shown.end() ? -1 : int(at - m_shown.begin());
}

UnoSlideShow::State UnoSlideShow::state()
{
    State s;
    Reference<presentation::XSlideShowController> c = controller();
    if (!c.is() || !c->isRunning()) {
        m_jumpTarget = -1;
        return s;
    }
    s.running = true;
    s.count = int(m_shown.size());
    s.slide = currentSlide();
    if (m_jumpTarget >= 0) {
        if (s.slide == m_jumpTarget || std::chrono::steady_clock::now() > m_jumpUntil)
            m_jumpTarget = -1;
        else
            s.slide = m_jumpTarget;
    }
    return s;
}

void UnoSlideShow::close()
{
    // Each step on its own: closing the document may already have taken the frame with it, and
    // whatever one step throws, the others still run (else every show leaves a document open
    // in the kept office).
    Reference<presentation::XSlideShowController> listened = m_listened;
    m_listened.clear();
    Reference<presentation::XSlideShowListener> listener = m_listener;
    m_listener.clear();
    Reference<presentation::XPresentation2> show = m_presentation;
    m_presentation.clear();
    m_shown.clear();
    m_jumpTarget = -1;
    Reference<util::XCloseable> document(m_document, UNO_QUERY);
    m_document.clear();
    Reference<util::XCloseable> frame(m_frame, UNO_QUERY);
    m_frame.clear();
    Reference<lang::XComponent> window(m_window, UNO_QUERY);
    m_window.clear();
    Reference<lang::XComponent> outer(m_outer, UNO_QUERY);
    m_outer.clear();
    try {
        if (listened.is() && listener.is())
            listened->removeSlideShowListener(listener);
    } catch (...) {
    }
    try {
        if (show.is() && show->getController().is())
            show->end();
    } catch (...) {
    }
    try {
        if (document.is())
            document->close(true);
    } catch (...) {
    }
    try {
        if (frame.is())
            frame->close(true);
    } catch (...) {
    }
    try {
        if (window.is())
            window->dispose();
    } catch (...) {
    }
    try {
        if (outer.is())
            outer->dispose();
    } catch (...) {
    }
}

void UnoSlideShow::forget()
{
    // Releasing a reference into a dead office is a no-op of the connection; no call goes out.
    m_listened.clear();
    m_listener.clear();
    m_presentation.clear();
    m_document.clear();
    m_frame.clear();
    m_window.clear();
    m_outer.clear();
    m_desktop.clear();
    m_context.clear();
    m_shown.clear();
    m_jumpTarget = -1;
}

void UnoSlideShow::terminate()
{
    close();
    try {
        if (m_desktop.is())
            m_desktop->terminate();
    } catch (...) {
    }
    m_desktop.clear();
    m_context.clear();
}
