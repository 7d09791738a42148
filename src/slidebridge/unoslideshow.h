#pragma once

#include <string>
#include <vector>

#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/presentation/XPresentation2.hpp>
#include <com/sun/star/presentation/XSlideShowController.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

namespace css = com::sun::star;

// One presentation shown by a remote office inside a foreign X window: the office's frame is
// built on that window, the document is loaded into it without any of the office's own
// chrome, and its show runs in the frame. Every method may throw a UNO exception, which the
// caller reports; a RuntimeException (disposed bridge) means the office is gone.
class UnoSlideShow
{
public:
    // Connects to the office listening on the named pipe; false while it does not answer yet.
    bool connect(const std::string &pipeName);
    bool connected() const { return m_context.is(); }

    // Builds the frame on the X window and loads the file (a file URL); the show starts
    // with start(). Returns the count of slides the show shows (hidden ones left out), 0 when
    // the office refused the file. Slides are counted among those shown, as the PDF copy has
    // them; the office counts them among all.
    int open(long long window, int width, int height, const std::string &url);
    void resize(int width, int height);
    bool start();
    // Notes of every shown slide, in slide order, with line breaks as the office gives them.
    std::vector<std::string> notes();
    // first, prevstep, nextstep, prevslide, nextslide, last; goto takes the 0-based index.
    void command(const std::string &name, int index);
    // The 0-based index of the slide on show, -1 with none.
    int currentSlide();
    int slideCount();
    bool running();
    // Ends the show, closes the document and drops the frame; the office keeps running.
    void close();
    // Asks the office to quit.
    void terminate();

private:
    css::uno::Reference<css::presentation::XSlideShowController> controller();

    css::uno::Reference<css::uno::XComponentContext> m_context;
    css::uno::Reference<css::frame::XDesktop2> m_desktop;
    css::uno::Reference<css::awt::XWindow> m_window;
    css::uno::Reference<css::frame::XFrame2> m_frame;
    css::uno::Reference<css::lang::XComponent> m_document;
    css::uno::Reference<css::presentation::XPresentation2> m_presentation;
    std::vector<int> m_shown; // the office's index of each shown slide
};
