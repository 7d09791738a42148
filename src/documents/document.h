#pragma once

#include "documents/documentkind.h"
#include "slideshow/slidegeometry.h"

// One open document behind its tab. It owns its board and view (the slide show's overlay
// lives with its document, which outlives the tab) and answers, for its kind, what the window
// asks of the current tab; it reaches the window only through DocumentHost.
class Document
{
public:
    virtual ~Document() = default;

    virtual DocumentKind kind() const = 0;
    // The tab became current: its view shows and takes the keys.
    virtual void shown() = 0;
    // Another tab becomes current: edits end, the view hides.
    virtual void hidden() = 0;
    // A page or step command from the page row, the keys or the slide picture.
    virtual void navigate(SlideCommand command) { (void)command; }
    // Fills the page row and the tool bar's buttons that depend on the kind; called while the
    // tab is current.
    virtual void updatePageRow() = 0;
    // Whether closing the tab asks the teacher first (an untouched new board does not).
    virtual bool asksBeforeClosing() const { return true; }
    // Lets go of the pages and the board; the tab and its view go right after.
    virtual void close() = 0;
};
