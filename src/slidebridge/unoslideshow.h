#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/presentation/XPresentation2.hpp>
#include <com/sun/star/presentation/XSlideShowController.hpp>
#include <com/sun/star/presentation/XSlideShowListener.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "platform/slidebridgeprotocol.h"

namespace css = com::sun::star;

// One presentation shown by a remote office inside a foreign X window: the office's frame is
// built on that window, the document is loaded into it without any of the office's own
// chrome, and its show runs in the frame. Every method may throw a UNO exception, which the
// caller reports; a RuntimeException (disposed bridge) means the office is gone.
class UnoSlideShow
{
public:
    // What the show is on: the 0-based shown slide (-1 on none, a hidden slide reached by a
    // link), the count of shown slides, and whether the show still runs.
    struct State
    {
        int slide = -1;
        int count = 0;
        bool running = false;
    };

    // Set whenever the office tells the show's listener anything (a slide begins or ends, a
    // link is followed, the show goes); wakeFd, when not -1, gets a byte too.
    std::atomic<bool> news{false};
    int wakeFd = -1;

    // Connects to the office listening on the named pipe; false while it does not answer yet.
    bool connect(const std::string &pipeName);
    bool connected() const { return m_context.is(); }

    // Builds the frame on the X window and loads the file (a file URL); the show starts
    // with start(). Returns the count of slides the show shows (hidden ones left out), 0 when
    // the office refused the file, -1 when it made no window for it. Slides are counted among those
    // shown, as the PDF copy has them; the office counts them among all.
    int open(long long window, int width, int height, const std::string &url);
    // The size of the first shown slide after open(), in 1/100 mm (0 when unknown).
    int slideWidth() const { return m_slideWidth; }
    int slideHeight() const { return m_slideHeight; }
    // The show covers the whole of the X window, width x height device pixels: the slide's
    // picture reaches its last pixel at each edge.
    void resize(int width, int height);
    // Starts the show, looping past its last slide; true once it runs, false when it does not
    // come up within limitMs.
    bool start(int limitMs);
    // Notes of every shown slide, in slide order, with line breaks as the office gives them.
    std::vector<std::string> notes();
    // The moves: First to Last; Goto takes the 0-based index and leaves the slide as it stands
    // when the show is on it already. False for a verb that is no move.
    bool command(SlideBridgeProtocol::Verb verb, int index);
    // The show's state; a jump still in flight counts as landed (it is reported when it does).
    State state();
    // A show was started and not closed.
    bool hasShow() const { return m_presentation.is(); }
    // Ends the show, closes the document and drops the frame; the office keeps running. Each
    // step is tried on its own, whatever the one before threw.
    void close();
    // The office is gone: drops every reference without calling it.
    void forget();
    // Asks the office to quit.
    void terminate();

private:
    css::uno::Reference<css::presentation::XSlideShowController> controller();
    void hideSlidePane();
    // Lets the office's own thread finish what it has in hand (timers, idle work).
    void settle();
    // The 0-based shown slide the office is on, -1 on none.
    int currentSlide();

    css::uno::Reference<css::uno::XComponentContext> m_context;
    css::uno::Reference<css::frame::XDesktop2> m_desktop;
    // The office's window on ours, and the one inside it that the frame is built on, larger
    // than ours so that the slide covers ours (see resize()).
    css::uno::Reference<css::awt::XWindow> m_outer;
    css::uno::Reference<css::awt::XWindow> m_window;
    css::uno::Reference<css::frame::XFrame2> m_frame;
    css::uno::Reference<css::lang::XComponent> m_document;
    css::uno::Reference<css::presentation::XPresentation2> m_presentation;
    css::uno::Reference<css::presentation::XSlideShowListener> m_listener;
    css::uno::Reference<css::presentation::XSlideShowController> m_listened;
    std::vector<int> m_shown; // the office's index of each shown slide
    sal_Int32 m_slideWidth = 0;
    sal_Int32 m_slideHeight = 0;
    // The size of the X window the show is to cover.
    int m_width = 0;
    int m_height = 0;
    // A jump the office has not completed yet, and how long it is waited for.
    int m_jumpTarget = -1;
    std::chrono::steady_clock::time_point m_jumpUntil;
};
