#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWindow>

#include "platform/slideshowbridge.h"
#include "platform/x11windowreader.h"

class InkOverlay;

// The live show of the slide tab: the office's show runs in a native window of ours lying
// exactly over the page picture, the ink board lies above it in the overlay, and the show's
// slide is followed (its own reports, a poll) and driven by the navigation commands. The page
// the tab shows stays the tab's: the show reports, the owner decides.
class LiveShow : public QObject
{
    Q_OBJECT
public:
    explicit LiveShow(QWidget *window);
    ~LiveShow() override;

    // The bridge to run shows through (not owned); its signals come here.
    void setBridge(SlideShowBridge *bridge);
    SlideShowBridge *bridge() const { return m_bridge; }

    // Opens file into a window at where (in the window's coordinates), the office loading it
    // at once; the page picture it goes over (inside area) follows with attach() once it
    // exists, before opened; board (the ink) goes into the overlay once the show runs.
    // Answered by loaded, then opened or openFailed; a show opened with no picture is closed.
    // False when there is nothing to run it with.
    bool begin(const QString &file, const QRect &where);
    void attach(QWidget *picture, QWidget *area, QWidget *board);
    // Begun and not ended, with no picture yet.
    bool isWaitingForPicture() const { return m_started && !m_picture; }
    // Ends the show (if any) and gives the board back to the picture.
    void stop();
    // A show was started for this picture and has not ended.
    bool isStartedFor(const QWidget *picture) const;
    // The show runs (opened, not lost, ended or closed).
    bool isLive() const;
    // Live and on screen (its tab current).
    bool isShown() const;
    // The slide the show last reported (0 none yet).
    int shownSlide() const { return m_slide; }

    // Puts the show's window over the picture and sizes the show, in device pixels.
    void place();
    // Sends command; page turns expect the show on target (1-based), which a late report
    // of the slide before does not undo.
    void send(SlideShowBridge::Command command, int target = 0);
    // Brings the show to slide unless it shows it already (its revealed steps stay).
    void showSlide(int slide);
    void startPoll();
    void stopPoll();
    bool isPolling() const { return m_poll.isActive(); }
    // Asks the show for its slide (unless a question is still open).
    void poll();
    // The mouse tool: clicks reach the show (but for the board's own buttons).
    void setPassThrough(bool passThrough);

    // The pixels of the step on screen, as the office drew them (never our overlay's); null
    // when not shown.
    QImage grab() const;
    // While on, the step on screen is kept after each step, for a loss with no other picture
    // of the slide to show.
    void setKeepPictures(bool on);
    // Without a compositing manager the overlay's half-covering ink blends with a picture of
    // the slide: page (the PDF copy's) until the show's own pixels of the step on screen are
    // read, shortly after and again after each step the show reports.
    void setBackdrop(const QPixmap &page, int slide);
    QImage lastPicture() const { return m_lastPicture; }
    int lastPictureSlide() const { return m_lastPictureSlide; }
    InkOverlay *overlay() const { return m_overlay; }
    QWindow *hostWindow() const { return m_host; }

signals:
    // The file is loaded (its shown slides and first slide's size in points); opened follows.
    void loaded(int slideCount, const QSize &slideSize);
    void opened(int slideCount, const QStringList &notes);
    // refused: the office would not open the file as a presentation.
    void openFailed(bool refused);
    // The show is on slide now (reported by the show or by the poll).
    void slideShown(int slide);
    // The show ended by itself: not a loss, the pages go on without it.
    void ended();
    void lost();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onOpened(int count, const QStringList &notes);
    void onOpenFailed(bool refused);
    void onReported(int slide, bool running);
    void onSlide(int slide);
    void onEnded();
    void onLost();
    void onClosed();
    void dropWhenEmpty(QWindow *host);
    void watchPicture(bool on);
    void leave();
    void followStep(int reads);
    void readStep();
    QSize deviceSize() const;

    QWidget *m_window;
    QPointer<SlideShowBridge> m_bridge;
    QPointer<QWidget> m_picture;
    QPointer<QWidget> m_area;
    QPointer<QWidget> m_board;
    QList<QPointer<QWidget>> m_watched;
    QPointer<QWindow> m_host;
    // Windows of closed shows, oldest first, until the office has let go of them.
    QList<QPointer<QWindow>> m_released;
    InkOverlay *m_overlay = nullptr;
    QTimer m_poll;
    // Reads of the show's window; mutable: a read changes nothing of the show.
    mutable X11WindowReader m_reader;
    bool m_keepPictures = false;
    QImage m_lastPicture;
    int m_lastPictureSlide = 0;
    QTimer m_backdropTimer;
    int m_backdropReads = 0;
    // The slide whose pixels the overlay's backdrop holds; 0 while it is the PDF copy's page.
    int m_backdropSlide = 0;
    // The slide's page the backdrop started from (the PDF copy's), kept where a read that
    // shows our overlay cannot give the slide.
    QPixmap m_backdropPage;
    // The last read: its digest and the slide reported then.
    quint64 m_readDigest = 0;
    int m_readSlide = 0;
    QElapsedTimer m_backdropAge;
    QElapsedTimer m_commandAge;
    bool m_started = false;
    bool m_opened = false;
    bool m_passThrough = true;
    int m_slide = 0;
    QSize m_sentSize;
    // A page turn in flight: reports of another slide are late ones for a while.
    int m_target = 0;
    QElapsedTimer m_targetAge;
};
