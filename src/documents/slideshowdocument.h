#pragma once

#include <QEventLoop>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>

#include "documents/document.h"
#include "documents/slidebackgroundlabel.h"

class Canvas;
class DocumentConverter;
class DocumentHost;
class InkOverlay;
class LiveShow;
class PDFReader;
class PresentationLoader;
class QWindow;
class SlideShowBridge;
class TabItem;

// The one slide show the window can hold: the presentation is copied into the slide cache and
// shown page by page from its PDF copy, with the ink on the overlay board over each slide,
// thumbnails, colours and notes; the live show runs the office's own show under the ink and
// falls back to the pages when it cannot start or is lost. Made once by the window and kept for
// its lifetime; its tab comes and goes. Everything it asks of the window goes through the host.
class SlideShowDocument : public QObject, public Document, public SlideBackgroundHost
{
    Q_OBJECT
public:
    // window: the widget the overlay, the slide picture and the live show belong to.
    SlideShowDocument(DocumentHost &host, QWidget *window);
    ~SlideShowDocument() override;

    DocumentKind kind() const override { return DocumentKind::SlideShow; }
    void shown() override;
    void hidden() override;
    void navigate(SlideCommand command) override;
    void updatePageRow() override;
    void close() override;

    // The slide picture's clicks and wheel turns.
    bool isSlideShowLost() const override;
    void navigateSlideShow(int step) override;
    void slideBackgroundStep() override;

    // Opening: refuses a second show; the copy, the tab, the pages and the live show.
    void openSlideFile(const QString &path);
    bool openPresentation(const QString &path);
    // The converter of presentations, apart from the Word documents' one.
    DocumentConverter *presentationConverter();
    bool computeSlideFitSize();
    bool computeSlideShowPlacement();
    bool loadSlideThumbnailsAndColours(bool showProgress = true);
    bool loadSlideNotes();
    // Lets go of the show and the pages; the overlay goes back to the window.
    void closeSlideShow();
    void cleanSlideCaches();

    // The running show.
    bool isSlideShowAlive() const;
    void updateSlideShowGeometry(bool replace);
    void syncSlideShowToPage();
    bool shouldPollSlideShow() const;
    void startSlidePoll();
    void stopSlidePoll();
    void pollSlideShow();
    // The paint tool changed: the mouse tool works the show, others draw; the poll follows.
    void toolChanged();
    void jumpToSlidePage(int page);
    void showSlidePage(int page);
    void applySlideBackgroundColour(int page);
    void renderSlideBackdrop(int page);
    void refreshSlideOutline(int page);
    void applyShowPptStep();
    void showSlideNotes(int slide);
    QPixmap grabSlidePicture();
    // The slide of page index (0-based) at its own size.
    QImage slidePageImage(int index) const;
    // Page (1-based) of the PDF copy at the given height, or at its own size for 0.
    QImage renderSlidePage(int page, int height) const;

    // The window closes: the overlay closes like any widget from now on.
    void windowClosing();
    // The program ends: the poll stops and our office goes, whatever it was doing.
    void shutDown();
    // The overlay lies on the tab's widgets while it stands; it goes back to the window.
    void takeOverlayBack();

    Canvas *overlay() const { return overlayCanvas; }
    int slidePage() const { return currentSlide; }
    QRect slidePlacementRect() const { return slidePlacement; }
    QStringList slideNoteTexts() const { return slideNotes; }
    QStringList slideColourNames() const { return slideColours; }
    int slideThumbnailCount() const { return slideThumbnails.size(); }
    QString slideStampText() const { return slideStamp; }

    // The live show: its bridge (kept for the program's lifetime; its office runs while a show
    // needs it), the native window it runs in and the overlay that holds the ink above it.
    SlideShowBridge *slideShowBridge();
    // Tests put a fake in; nullptr (and no X display) means no live show.
    void setSlideShowBridgeFactory(std::function<SlideShowBridge *(QObject *)> factory);
    QWindow *slideShowHostWindow() const;
    InkOverlay *slideInkOverlay() const;
    LiveShow *liveShowController();

private:
    // The tab is current and shows this show.
    bool isCurrent() const;
    // The slide tab comes from the running show (its PDF copy follows) or from the PDF copy,
    // whichever knows the slides first.
    bool buildSlideTab(const QString &path);
    void takeSlidePdf(const PresentationLoader &loader);
    void onLiveShowLoaded(int slideCount, const QSize &slideSize);
    void onLiveShowOpened(int slideCount, const QStringList &notes);
    void onLiveShowFailed();
    // Waits, the window answering, for the office's word on the file the live show loads:
    // true when it would not open it as a presentation.
    bool officeRefusesFile();
    void onLiveShowSlide(int slide);
    void onLiveShowEnded();
    // The notes that neither copy gave: told once the live show cannot give them either.
    void tellMissingNotes();
    void leaveLiveShow();
    void fallBackToPictureMode(SlideCommand command);
    void sendSlideShowCommand(SlideCommand command, int pageCount);
    void updateSlideShowInput();

    DocumentHost &host;
    QWidget *window;
    Canvas *overlayCanvas = nullptr;
    // The show's tab while it stands.
    QPointer<TabItem> slideTab;
    quint16 currentSlide = 0;
    QStringList slideNotes;
    QString slideStamp;
    QString suiteTitle;
    int slideCount = 0;
    QSize slideSize;
    int fitWidth = 0;
    int fitHeight = 0;
    double slideZoom = 1.0;
    QRect slidePlacement;
    QList<QIcon> slideThumbnails;
    QStringList slideColours;
    // One reader of the PDF copy, kept open for the page turns.
    std::unique_ptr<PDFReader> slideReader;
    QPixmap slideBackdrop;
    bool slideOpening = false;
    // While a presentation opens: its file, and whether its tab stands yet.
    QString slideOpenPath;
    bool slideTabBuilt = false;
    DocumentConverter *slideConverter = nullptr;
    std::function<SlideShowBridge *(QObject *)> slideBridgeFactory;
    bool slideBridgeFactorySet = false;
    SlideShowBridge *slideBridge = nullptr;
    LiveShow *liveShow = nullptr;
    QPointer<QEventLoop> liveLoadWait;
    QString slideNotesMessage;
    TabItem *liveTab = nullptr;
};
