#include "slideshow/liveshow.h"

#include <xcb/xcb.h>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <QX11Info>

#include <cstdlib>

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

xcb_connection_t *connection()
{
    return QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
}

// The size of an X window in device pixels; empty when there is none.
QSize nativeSize(quintptr window)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return QSize();
    xcb_get_geometry_reply_t *reply =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, xcb_drawable_t(window)), nullptr);
    const QSize size = reply ? QSize(reply->width, reply->height) : QSize();
    std::free(reply);
    return size;
}

bool hasChildWindows(quintptr window)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return false;
    xcb_query_tree_reply_t *reply =
        xcb_query_tree_reply(c, xcb_query_tree(c, xcb_window_t(window)), nullptr);
    const bool has = reply && xcb_query_tree_children_length(reply) > 0;
    std::free(reply);
    return has;
}

} // namespace

LiveShow::LiveShow(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_poll.setInterval(300);
    connect(&m_poll, &QTimer::timeout, this, &LiveShow::poll);
    m_keep.setInterval(500);
    connect(&m_keep, &QTimer::timeout, this, [this] {
        const QImage shown = grab();
        if (!shown.isNull()) {
            m_lastPicture = shown;
            m_lastPictureSlide = m_slide;
        }
    });
    m_backdropTimer.setInterval(250);
    connect(&m_backdropTimer, &QTimer::timeout, this, [this] {
        refreshBackdrop();
        if (--m_backdropReads <= 0)
            m_backdropTimer.stop();
    });
}

void LiveShow::setKeepPictures(bool on)
{
    if (on) {
        m_lastPicture = QImage();
        m_lastPictureSlide = 0;
        m_keep.start();
    } else {
        m_keep.stop();
        m_lastPicture = QImage();
        m_lastPictureSlide = 0;
    }
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
    if (!isShown() || !m_host)
        return QImage();
    QImage image = readWindow(quintptr(m_host->winId()));
    image.setDevicePixelRatio(m_host->devicePixelRatio());
    return image;
}

QImage LiveShow::readWindow(quintptr id)
{
    xcb_connection_t *c = connection();
    if (!c || !id)
        return QImage();
    const xcb_window_t window = xcb_window_t(id);
    const QSize size = nativeSize(window);
    if (size.isEmpty())
        return QImage();
    xcb_get_image_reply_t *reply =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                          quint16(size.width()), quint16(size.height()), ~0u),
                            nullptr);
    QImage image;
    const int bytes = reply ? xcb_get_image_data_length(reply) : 0;
    if (reply && (reply->depth == 24 || reply->depth == 32) &&
        bytes >= size.width() * size.height() * 4) {
        image = QImage(xcb_get_image_data(reply), size.width(), size.height(),
                       bytes / size.height(), QImage::Format_RGB32)
                    .copy();
    }
    std::free(reply);
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
        m_backdropRead = QImage();
        m_overlay->setBackdrop(page);
    }
    if (isShown())
        followStep(stepReads);
}

void LiveShow::followStep(int reads)
{
    if (!m_overlay || m_overlay->isComposited() || reads <= 0)
        return;
    m_backdropReads = qMax(m_backdropReads, reads);
    if (!m_backdropTimer.isActive())
        m_backdropTimer.start();
}

void LiveShow::refreshBackdrop()
{
    // A jump in flight: the show may still be on the slide before.
    QWidget *content = m_overlay ? m_overlay->content() : nullptr;
    if (!content || m_overlay->isComposited() || m_target)
        return;
    // Nothing to keep under the ink yet (no PDF copy): the read alone would hold the ink.
    const QPixmap before = m_overlay->backdrop();
    if (before.isNull())
        return;
    QImage shown = grab();
    if (shown.isNull())
        return;
    m_backdropAge.start();
    const qreal ratio = shown.devicePixelRatio();
    shown.setDevicePixelRatio(1.0);
    // Where the overlay's own ink and buttons cover the show, the read gives them, not the
    // slide: there the picture before stays.
    QRegion ours;
    for (const QRect &r : m_overlay->shownRegion().translated(-content->pos()))
        ours += QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio)
                    .toAlignedRect();
    QImage picture(shown.size(), QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.drawImage(0, 0, shown);
    painter.setClipRegion(ours);
    painter.drawPixmap(picture.rect(), before);
    painter.end();
    if (m_backdropSlide == m_slide && picture == m_backdropRead)
        return;
    m_backdropRead = picture;
    m_backdropSlide = m_slide;
    m_overlay->setBackdrop(QPixmap::fromImage(picture));
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

void LiveShow::onOpenFailed()
{
    const bool ours = m_started;
    leave();
    if (ours)
        emit openFailed();
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
        emit openFailed();
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
    m_backdropRead = QImage();
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
