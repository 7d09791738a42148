#include "slideshow/liveshow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include "platform/x11inputcatcher.h"
#include "slideshow/inkoverlay.h"

namespace {

// A late report of the slide before a page turn is not believed for this long.
constexpr int jumpPatienceMs = 3000;
// A show's window is kept this long at most for the office to let go of it after a close.
constexpr int hostReleaseLimitMs = 10000;
// After a step the show's window is read this many times, a quarter second apart: an entrance
// effect takes about a second to end.
constexpr int stepReads = 5;
// The poll's answers (the mouse tool clicks the show on by itself) read it at most this often.
constexpr int pollReadMs = 1000;

QSize nativeSize(quintptr window)
{
    return X11WindowReader::windowSize(window);
}

bool hasChildWindows(quintptr window)
{
    return X11WindowReader::hasChildWindows(window);
}

} // namespace

LiveShow::LiveShow(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_poll.setInterval(300);
    connect(&m_poll, &QTimer::timeout, this, &LiveShow::poll);
    m_backdropTimer.setInterval(250);
    connect(&m_backdropTimer, &QTimer::timeout, this, [this] {
        readStep();
        if (--m_backdropReads <= 0)
            m_backdropTimer.stop();
    });
}

void LiveShow::setKeepPictures(bool on)
{
    m_keepPictures = on;
    m_lastPicture = QImage();
    m_lastPictureSlide = 0;
    // The step on screen now; after that each step's reads keep it.
    m_readDigest = 0;
    if (on && isShown())
        followStep(stepReads);
}

LiveShow::~LiveShow()
{
    delete m_overlay;
}

void LiveShow::setBridge(SlideShowBridge *bridge)
{
    if (m_bridge)
        disconnect(m_bridge, nullptr, this, nullptr);
    m_bridge = bridge;
    if (!bridge)
        return;
    connect(bridge, &SlideShowBridge::loaded, this, [this](int count, const QSize &size) {
        if (m_started && !m_opened)
            emit loaded(count, size);
    });
    connect(bridge, &SlideShowBridge::opened, this, &LiveShow::onOpened);
    connect(bridge, &SlideShowBridge::openFailed, this, &LiveShow::onOpenFailed);
    connect(bridge, &SlideShowBridge::slideReported, this, &LiveShow::onReported);
    connect(bridge, &SlideShowBridge::slideChanged, this, &LiveShow::onSlide);
    connect(bridge, &SlideShowBridge::showEnded, this, &LiveShow::onEnded);
    connect(bridge, &SlideShowBridge::lost, this, &LiveShow::onLost);
    connect(bridge, &SlideShowBridge::closed, this, &LiveShow::onClosed);
}

bool LiveShow::begin(const QString &file, const QRect &where)
{
    leave();
    if (!m_bridge)
        return false;
    m_started = true;
    // The show's window is a plain X child of ours, out of the widgets' reach: a native widget
    // would make its ancestors and their siblings native too, and a native board cannot be
    // shown by a translucent overlay. Until the show runs it stays unmapped and the page's
    // picture shows.
    m_window->winId();
    m_host = new QWindow(m_window->windowHandle());
    m_host->setFlag(Qt::WindowDoesNotAcceptFocus);
    m_host->setGeometry(where);
    m_host->create();
    m_host->installEventFilter(this);
    const quintptr id = quintptr(m_host->winId());
    // Reads of the show give the office's pixels, not our overlay's over them.
    m_reader.redirect(id);
    // The office's menu and its own key handling never see these; they come to us.
    X11InputCatcher::holdInput(id);
    QSize size = nativeSize(id);
    if (size.isEmpty())
        size = where.size() * m_host->devicePixelRatio();
    m_sentSize = size;
    m_bridge->open(file, id, size);
    return true;
}

void LiveShow::attach(QWidget *picture, QWidget *area, QWidget *board)
{
    if (!m_started || !picture || !area || !board)
        return;
    m_picture = picture;
    m_area = area;
    m_board = board;
    watchPicture(true);
    if (!m_host)
        return;
    m_host->setGeometry(QRect(picture->mapTo(m_window, QPoint()), picture->size()));
    // The show starts at the picture's size: never a first frame laid out for the whole area.
    const QSize size = deviceSize();
    if (m_bridge && !size.isEmpty() && size != m_sentSize) {
        m_sentSize = size;
        m_bridge->resize(size);
    }
}

QSize LiveShow::deviceSize() const
{
    // As its X window is, in device pixels, whatever the Qt scale.
    QSize size = nativeSize(quintptr(m_host->winId()));
    if (size.isEmpty())
        size = m_host->size() * m_host->devicePixelRatio();
    return size;
}

void LiveShow::stop()
{
    leave();
}

bool LiveShow::isStartedFor(const QWidget *picture) const
{
    return m_started && picture && m_picture == picture;
}

bool LiveShow::isLive() const
{
    return m_started && m_opened && m_bridge && m_bridge->isLive() && m_picture;
}

bool LiveShow::isShown() const
{
    return isLive() && m_picture->isVisible();
}

void LiveShow::place()
{
    if (!m_host || !m_picture)
        return;
    const QRect at(m_picture->mapTo(m_window, QPoint()), m_picture->size());
    if (m_host->geometry() != at)
        m_host->setGeometry(at);
    const bool shown = isShown();
    if (shown != m_host->isVisible())
        m_host->setVisible(shown);
    // Above our widgets' own X windows, if any; the overlay's pointer catcher above it.
    if (shown) {
        m_host->raise();
        if (m_overlay)
            m_overlay->raiseCatcher();
    }
    if (!isLive())
        return;
    const QSize size = deviceSize();
    if (!size.isEmpty() && size != m_sentSize) {
        m_sentSize = size;
        m_bridge->resize(size);
    }
}

void LiveShow::send(SlideShowBridge::Command command, int target)
{
    if (!isLive())
        return;
    if (target > 0) {
        m_target = target;
        m_targetAge.start();
    }
    m_commandAge.start();
    m_bridge->send(command, command == SlideShowBridge::GotoSlide ? target : 0);
}

void LiveShow::showSlide(int slide)
{
    if (!isLive() || slide < 1)
        return;
    // A move or a resize must not restart the slide: its revealed steps stay.
    if (m_target ? m_target == slide : m_slide == slide)
        return;
    send(SlideShowBridge::GotoSlide, slide);
}

void LiveShow::startPoll()
{
    m_poll.start();
}

void LiveShow::stopPoll()
{
    m_poll.stop();
}

void LiveShow::poll()
{
    if (!isShown()) {
        stopPoll();
        return;
    }
    // One question at a time: a slow answer is not asked again before it comes.
    if (!m_bridge->isBusy())
        m_bridge->send(SlideShowBridge::Poll);
}

void LiveShow::setPassThrough(bool passThrough)
{
    m_passThrough = passThrough;
    if (m_overlay)
        m_overlay->setPassThrough(passThrough);
}

QImage LiveShow::grab() const
{
    if (!isShown() || !m_host || !m_reader.read(quintptr(m_host->winId())))
        return QImage();
    QImage image = m_reader.image();
    image.setDevicePixelRatio(m_host->devicePixelRatio());
    return image;
}

void LiveShow::setBackdrop(const QPixmap &page, int slide)
{
    if (!m_overlay)
        return;
    // The pixels read of this slide's step stay until the next read; another slide starts
    // from its PDF page.
    if (!isShown() || slide != m_backdropSlide || m_target) {
        m_backdropSlide = 0;
        m_readDigest = 0;
        m_backdropPage = page;
        m_overlay->setBackdrop(page);
    }
    if (isShown())
        followStep(stepReads);
}

void LiveShow::followStep(int reads)
{
    const bool backdrop = m_overlay && !m_overlay->isComposited();
    if ((!backdrop && !m_keepPictures) || reads <= 0)
        return;
    m_backdropReads = qMax(m_backdropReads, reads);
    if (!m_backdropTimer.isActive())
        m_backdropTimer.start();
}

void LiveShow::readStep()
{
    // A jump in flight: the show may still be on the slide before.
    if (!isShown() || m_target)
        return;
    QWidget *content = m_overlay ? m_overlay->content() : nullptr;
    const bool backdrop = content && !m_overlay->isComposited();
    const bool clean = m_reader.isRedirected();
    // Nothing to keep under the ink yet (no PDF copy) and a read that holds our own overlay:
    // the ink would blend with itself.
    const bool forBackdrop = backdrop && (clean || !m_backdropPage.isNull());
    if (!forBackdrop && !m_keepPictures)
        return;
    if (!m_reader.read(quintptr(m_host->winId())))
        return;
    m_backdropAge.start();
    // Most reads after a step find the step as it was: no copy, no repaint.
    if (m_readSlide == m_slide && m_readDigest == m_reader.digest())
        return;
    m_readDigest = m_reader.digest();
    m_readSlide = m_slide;
    QImage shown = m_reader.image();
    if (m_keepPictures) {
        m_lastPicture = shown;
        m_lastPicture.setDevicePixelRatio(m_host->devicePixelRatio());
        m_lastPictureSlide = m_slide;
    }
    if (!forBackdrop)
        return;
    if (!clean) {
        // Where the overlay's own ink and buttons cover the show, the read gives them, not
        // the slide: there the slide's page stays.
        const qreal ratio = m_host->devicePixelRatio();
        QRegion ours;
        for (const QRect &r : m_overlay->shownRegion().translated(-content->pos()))
            ours += QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio)
                        .toAlignedRect();
        QPainter painter(&shown);
        painter.setClipRegion(ours);
        painter.drawPixmap(shown.rect(), m_backdropPage);
    }
    m_backdropSlide = m_slide;
    m_overlay->setBackdrop(QPixmap::fromImage(shown));
}

bool LiveShow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_host) {
        // The page keys held from the office come here when it had the focus: the board
        // turns the pages with them.
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && m_board) {
            QCoreApplication::sendEvent(m_board, event);
            return true;
        }
        return false;
    }
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            place();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void LiveShow::onOpened(int count, const QStringList &notes)
{
    if (!m_started || !m_picture || !m_board) {
        // Its tab went while the office opened it.
        leave();
        return;
    }
    m_opened = true;
    m_slide = 1;
    m_target = 0;
    if (!m_overlay)
        m_overlay = new InkOverlay(m_window);
    m_overlay->followArea(m_area);
    m_overlay->setContent(m_board);
    m_overlay->setPassThrough(m_passThrough);
    m_overlay->setTakesKeys(true);
    // Sent again: an office that died while it opened opens the show afresh at the first size.
    m_sentSize = QSize();
    place();
    emit opened(count, notes);
}

void LiveShow::onOpenFailed(bool refused)
{
    const bool ours = m_started;
    leave();
    if (ours)
        emit openFailed(refused);
}

void LiveShow::onReported(int slide, bool running)
{
    if (!isLive())
        return;
    if (!running) {
        onEnded();
        return;
    }
    onSlide(slide);
}

void LiveShow::onSlide(int slide)
{
    // No slide (a link to a hidden one): the page stays as it is.
    if (!isLive() || slide < 1)
        return;
    if (m_target && slide != m_target && m_targetAge.elapsed() < jumpPatienceMs)
        return;
    m_target = 0;
    const bool moved =
        slide != m_slide || (m_commandAge.isValid() && m_commandAge.elapsed() < jumpPatienceMs);
    m_slide = slide;
    emit slideShown(slide);
    // The step on screen may have changed: the backdrop follows it.
    if (moved)
        followStep(stepReads);
    else if (!m_backdropAge.isValid() || m_backdropAge.elapsed() >= pollReadMs)
        followStep(1);
}

void LiveShow::onEnded()
{
    if (!m_opened)
        return;
    leave();
    emit ended();
}

void LiveShow::onLost()
{
    if (!m_started)
        return;
    const bool opened = m_opened;
    leave();
    if (opened)
        emit lost();
    else
        emit openFailed(false);
}

void LiveShow::onClosed()
{
    // The closes are answered in order: the oldest window left is the one let go of.
    while (!m_released.isEmpty()) {
        if (QWindow *host = m_released.takeFirst()) {
            dropWhenEmpty(host);
            return;
        }
    }
}

void LiveShow::dropWhenEmpty(QWindow *host)
{
    // The office disposes of its own window inside ours a moment after it answered: ours goes
    // once that one is gone, so that the office never draws into a window that is no more.
    if (!hasChildWindows(quintptr(host->winId()))) {
        delete host;
        return;
    }
    QTimer::singleShot(50, host, [this, host] { dropWhenEmpty(host); });
}

void LiveShow::watchPicture(bool on)
{
    for (const QPointer<QWidget> &w : qAsConst(m_watched)) {
        if (w)
            w->removeEventFilter(this);
    }
    m_watched.clear();
    if (!on || !m_picture)
        return;
    // The picture moves whenever one of its ancestors does (layouts, the side panel, a
    // restore or maximise of the window).
    for (QWidget *w = m_picture; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        w->installEventFilter(this);
        m_watched.append(w);
    }
}

void LiveShow::leave()
{
    stopPoll();
    const bool had = m_started;
    m_started = false;
    m_opened = false;
    m_slide = 1;
    m_target = 0;
    m_backdropTimer.stop();
    m_backdropReads = 0;
    m_backdropSlide = 0;
    m_backdropPage = QPixmap();
    m_readDigest = 0;
    m_readSlide = 0;
    m_reader.release();
    m_commandAge.invalidate();
    watchPicture(false);
    if (had && m_bridge)
        m_bridge->close();
    if (m_host) {
        // Unmapped now; destroyed once the office has let go of the window inside (the bridge
        // says when), or after a while from a bridge that never says so.
        QWindow *host = m_host;
        m_host = nullptr;
        host->hide();
        m_released.append(host);
        QTimer::singleShot(hostReleaseLimitMs, host, [host] { delete host; });
    }
    if (m_overlay) {
        // The board goes back onto the picture, with every stroke.
        if (m_picture && m_board && m_overlay->content() == m_board)
            m_overlay->releaseContent(m_picture, QPoint(0, 0));
        else if (m_overlay->content())
            m_overlay->releaseContent(m_window, QPoint(0, 0))->hide();
        m_overlay->setTakesKeys(false);
        m_overlay->setBackdrop(QPixmap());
        m_overlay->followArea(nullptr);
    }
    m_picture = nullptr;
    m_area = nullptr;
    m_board = nullptr;
}
