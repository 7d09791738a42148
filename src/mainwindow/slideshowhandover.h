#pragma once

#include "documents/slideshowdocument.h"

// The window's slide-show members: each hands over to the slide-show document the window
// composes, which runs the whole show.
class SlideShowHandOver
{
public:
    SlideShowDocument *slideShow() const { return slides; }
    void applyShowPptStep() { slides->applyShowPptStep(); }
    void showSlideNotes(int slide) { slides->showSlideNotes(slide); }
    void openSlideFile(const QString &path) { slides->openSlideFile(path); }
    bool openPresentation(const QString &path) { return slides->openPresentation(path); }
    bool computeSlideFitSize() { return slides->computeSlideFitSize(); }
    bool computeSlideShowPlacement() { return slides->computeSlideShowPlacement(); }
    bool loadSlideThumbnailsAndColours() { return slides->loadSlideThumbnailsAndColours(); }
    bool loadSlideNotes() { return slides->loadSlideNotes(); }
    void closeSlideShow() { slides->closeSlideShow(); }
    void cleanSlideCaches() { slides->cleanSlideCaches(); }
    bool isSlideShowAlive() const { return slides->isSlideShowAlive(); }
    void updateSlideShowGeometry(bool replace) { slides->updateSlideShowGeometry(replace); }
    void syncSlideShowToPage() { slides->syncSlideShowToPage(); }
    bool shouldPollSlideShow() const { return slides->shouldPollSlideShow(); }
    void startSlidePoll() { slides->startSlidePoll(); }
    void stopSlidePoll() { slides->stopSlidePoll(); }
    void pollSlideShow() { slides->pollSlideShow(); }
    void jumpToSlidePage(int page) { slides->jumpToSlidePage(page); }
    void refreshSlideOutline(int page) { slides->refreshSlideOutline(page); }
    void applySlideBackgroundColour(int page) { slides->applySlideBackgroundColour(page); }
    void renderSlideBackdrop(int page) { slides->renderSlideBackdrop(page); }
    // What the show is at, as the tests and the benches look at it.
    int slidePage() const { return slides->slidePage(); }
    int slideThumbnailCount() const { return slides->slideThumbnailCount(); }
    QStringList slideNoteTexts() const { return slides->slideNoteTexts(); }
    QStringList slideColourNames() const { return slides->slideColourNames(); }
    SlideShowBridge *slideShowBridge() { return slides->slideShowBridge(); }
    QWindow *slideShowHostWindow() const { return slides->slideShowHostWindow(); }
    InkOverlay *slideInkOverlay() const { return slides->slideInkOverlay(); }
    LiveShow *liveShowController() { return slides->liveShowController(); }

protected:
    // Made with the window; it outlives every slide tab.
    SlideShowDocument *slides = nullptr;
};
