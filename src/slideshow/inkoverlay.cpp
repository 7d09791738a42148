#include "slideshow/inkoverlay.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVector>
#include <QX11Info>

#include "platform/windowtree.h"
#include "platform/x11inputcatcher.h"
#include "platform/x11shape.h"

namespace {

// The pixels of image whose alpha is above 0, as a region: runs of a row, rows with the same
// runs joined into one band.
QRegion alphaRegion(const QImage &image)
{
    QVector<QRect> rects;
    QVector<QPair<int, int>> band;
    QVector<QPair<int, int>> row;
    int bandTop = 0;
    auto flush = [&](int bottom) {
        for (const auto &run : band)
            rects.append(QRect(run.first, bandTop, run.second - run.first, bottom - bandTop));
    };
    for (int y = 0; y < image.height(); ++y) {
        row.clear();
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width();) {
            if (qAlpha(line[x]) == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.width() && qAlpha(line[x]) != 0)
                ++x;
            row.append({start, x});
        }
        if (row != band) {
            flush(y);
            band = row;
            bandTop = y;
        }
    }
    flush(image.height());
    QRegion region;
    region.setRects(rects.constData(), rects.size());
    return region;
}

QRegion scaled(const QRegion &region, qreal ratio)
{
    if (ratio == 1.0)
        return region;
    QRegion result;
    for (const QRect &r : region) {
        result += QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio).toAlignedRect();
    }
    return result;
}

} // namespace

bool InkOverlay::KeyForwarder::eventFilter(QObject *watched, QEvent *event)
{
    return event->type() == QEvent::KeyPress && overlay->forwardKey(watched, event);
}

InkOverlay::InkOverlay(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , m_composited(QX11Info::isPlatformX11() && QX11Info::isCompositingManagerRunning())
{
    m_keyForwarder.overlay = this;
    setObjectName(QStringLiteral("inkOverlay"));
    // Showing it must not take the keys from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (m_composited) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        // Unseen outside the ink; inside, anti-aliased edges blend with this.
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
    }
    m_shapeTimer.setSingleShot(true);
    m_shapeTimer.setInterval(0);
    connect(&m_shapeTimer, &QTimer::timeout, this, &InkOverlay::updateShape);
    m_inputTimer.setSingleShot(true);
    m_inputTimer.setInterval(0);
    connect(&m_inputTimer, &QTimer::timeout, this, &InkOverlay::applyShapes);
    winId();
    applyShapes();
    if (X11Shape::available()) {
        // A shaped window takes no input beside what it shows: this takes it there.
        m_catcher = std::make_unique<X11InputCatcher>();
    }
}

InkOverlay::~InkOverlay()
{
    setTakesKeys(false);
}

quintptr InkOverlay::inputCatcherWindow() const
{
    return m_catcher ? m_catcher->window() : 0;
}

void InkOverlay::setContent(QWidget *content)
{
    if (content == m_content)
        return;
    if (m_content)
        watchTree(m_content, false);
    if (m_anchor && !m_areaChain.contains(m_anchor))
        m_anchor->removeEventFilter(this);
    m_content = content;
    m_anchor = nullptr;
    if (!content)
        return;
    m_anchor = content->parentWidget();
    m_anchorOffset = content->pos();
    if (m_anchor && m_area && !m_areaChain.contains(m_anchor))
        m_anchor->installEventFilter(this);
    const bool hidden = content->isHidden();
    content->setParent(this);
    if (!hidden)
        content->show();
    watchTree(content, true);
    if (m_catcher)
        m_catcher->setCursor(content->cursor());
    placeContent();
    markDirty(rect());
}

QWidget *InkOverlay::releaseContent(QWidget *parent, const QPoint &pos)
{
    QWidget *content = m_content;
    if (!content)
        return nullptr;
    watchTree(content, false);
    if (m_anchor && !m_areaChain.contains(m_anchor))
        m_anchor->removeEventFilter(this);
    m_content = nullptr;
    m_anchor = nullptr;
    const bool hidden = content->isHidden();
    content->setParent(parent);
    content->move(pos);
    if (!hidden)
        content->show();
    markDirty(rect());
    updateShape();
    return content;
}

void InkOverlay::followArea(QWidget *area)
{
    watchArea(false);
    m_area = area;
    watchArea(true);
    placeOverArea();
}

void InkOverlay::setPassThrough(bool passThrough)
{
    m_passThrough = passThrough;
    applyShapes();
    updateCatcher();
}

void InkOverlay::setTakesKeys(bool takesKeys)
{
    if (takesKeys != m_takesKeys) {
        if (takesKeys)
            qApp->installEventFilter(&m_keyForwarder);
        else
            qApp->removeEventFilter(&m_keyForwarder);
    }
    m_takesKeys = takesKeys;
    if (takesKeys)
        takeKeys();
    else if (isActiveWindow() && m_area)
        m_area->window()->activateWindow(); // before the overlay hides and takes them nowhere
}

void InkOverlay::takeKeys()
{
    QWidget *window = m_area ? m_area->window() : nullptr;
    if (m_takesKeys && isVisible() && window && window->isActiveWindow())
        activateWindow();
}

bool InkOverlay::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    switch (event->type()) {
        case QEvent::UpdateRequest:
            // The board has just been painted and sent: cut the shape to it at once.
            updateShape();
            break;
        case QEvent::Show:
            applyShapes();
            updateCatcher();
            break;
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
            updateCatcher();
            break;
        default:
            break;
    }
    return result;
}

bool InkOverlay::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    const bool inContent = m_content && (widget == m_content || m_content->isAncestorOf(widget));
    switch (event->type()) {
        case QEvent::Paint:
            if (inContent && !m_rendering) {
                const QPoint offset = widget->mapTo(this, QPoint());
                markDirty(static_cast<QPaintEvent *>(event)->region().translated(offset));
            }
            break;
        case QEvent::CursorChange:
            if (widget == m_content && m_catcher)
                m_catcher->setCursor(widget->cursor());
            break;
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved:
            if (inContent) {
                QObject *child = static_cast<QChildEvent *>(event)->child();
                if (child->isWidgetType())
                    watchTree(static_cast<QWidget *>(child), event->type() == QEvent::ChildAdded);
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            if (!inContent)
                placeOverArea();
            else if (m_passThrough &&
                     (widget == m_content || qobject_cast<QAbstractButton *>(widget)))
                m_inputTimer.start();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::TabletPress:
        case QEvent::TouchBegin:
            if (inContent) {
                // The board drawn on takes the keys, also where a window manager has focused
                // the area's window for the press (the catcher lies inside it).
                m_pressAge.start();
                if (!isActiveWindow())
                    QTimer::singleShot(0, this, [this] {
                        if (isVisible() && !isActiveWindow())
                            activateWindow();
                    });
            }
            break;
        case QEvent::ActivationChange:
            // A raised main window would cover the overlay when no window manager keeps it on
            // top of its parent.
            // The keys stay where the user put them (a toolbar field keeps them).
            if (!inContent && isVisible() && widget->isWindow() && widget->isActiveWindow()) {
                raiseAll();
                // The same where the window manager focuses it only after the press.
                if (m_pressAge.isValid() && m_pressAge.elapsed() < 1000 &&
                    geometry().contains(QCursor::pos()))
                    activateWindow();
            }
            updateCatcher();
            break;
        default:
            break;
    }
    return false;
}

bool InkOverlay::forwardKey(QObject *receiver, QEvent *event)
{
    // The page keys typed anywhere in the area's window turn the show, unless they went to a
    // field the user types into.
    auto *widget = qobject_cast<QWidget *>(receiver);
    QWidget *window = m_area ? m_area->window() : nullptr;
    if (!widget || !m_content || !isVisible() || !window || widget->window() != window ||
        widget->testAttribute(Qt::WA_InputMethodEnabled) || QApplication::activePopupWidget())
        return false;
    switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(m_content, event);
            return true;
        default:
            return false;
    }
}

void InkOverlay::setBackdrop(const QPixmap &picture)
{
    if (m_composited || (picture.isNull() && m_backdrop.isNull()))
        return;
    m_backdrop = picture;
    update();
}

void InkOverlay::paintEvent(QPaintEvent *event)
{
    if (!m_backdrop.isNull() && m_content) {
        QPainter painter(this);
        painter.setClipRegion(event->region());
        painter.drawPixmap(m_content->geometry(), m_backdrop);
    }
    // What the content left uncovered (it moved or shrank) leaves the shape too.
    markDirty(event->region());
}

void InkOverlay::watchTree(QWidget *widget, bool on)
{
    if (on)
        widget->installEventFilter(this);
    else
        widget->removeEventFilter(this);
    for (QObject *child : widget->children()) {
        if (child->isWidgetType())
            watchTree(static_cast<QWidget *>(child), on);
    }
}

void InkOverlay::watchArea(bool on)
{
    if (!on) {
        for (const QPointer<QWidget> &w : qAsConst(m_areaChain)) {
            if (w)
                w->removeEventFilter(this);
        }
        m_areaChain.clear();
        if (m_anchor)
            m_anchor->removeEventFilter(this);
        return;
    }
    for (QWidget *w = m_area; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        w->installEventFilter(this);
        m_areaChain.append(w);
    }
    // The content follows the widget it lay on as the area's layout moves that.
    if (m_anchor && !m_areaChain.contains(m_anchor))
        m_anchor->installEventFilter(this);
}

void InkOverlay::placeOverArea()
{
    QWidget *window = m_area ? m_area->window() : nullptr;
    if (!m_area || !m_area->isVisible() || window->isMinimized() || m_area->size().isEmpty()) {
        hide();
        return;
    }
    const QRect target(m_area->mapToGlobal(QPoint()), m_area->size());
    if (geometry() != target)
        setGeometry(target);
    placeContent();
    if (!isVisible()) {
        show();
        raiseAll();
        takeKeys();
    }
}

void InkOverlay::placeContent()
{
    if (!m_content || !m_anchor || !m_area)
        return;
    if (m_anchor != m_area && !m_area->isAncestorOf(m_anchor))
        return;
    const QPoint at = m_anchor->mapTo(m_area, m_anchorOffset);
    if (m_content->pos() != at)
        m_content->move(at);
}

void InkOverlay::markDirty(const QRegion &region)
{
    if (region.isEmpty())
        return;
    m_dirty += region;
    if (!m_shapeTimer.isActive())
        m_shapeTimer.start();
}

void InkOverlay::updateShape()
{
    if (m_dirty.isEmpty())
        return;
    const QRect box = m_dirty.boundingRect() & rect();
    m_dirty = QRegion();
    if (box.isEmpty())
        return;
    const QRegion ink = inkIn(box);
    const QRegion before = m_shape & box;
    if (ink == before)
        return;
    m_shape = (m_shape - box) | ink;
    const qreal ratio = devicePixelRatioF();
    X11Shape::subtract(winId(), X11Shape::Bounding, scaled(before - ink, ratio));
    X11Shape::unite(winId(), X11Shape::Bounding, scaled(ink - before, ratio));
}

void InkOverlay::applyShapes()
{
    const quintptr window = winId();
    m_shapeTimer.stop();
    m_dirty = QRegion();
    m_shape = inkIn(rect());
    X11Shape::set(window, X11Shape::Bounding, scaled(m_shape, devicePixelRatioF()));
    m_inputTimer.stop();
    if (m_passThrough)
        X11Shape::set(window, X11Shape::Input, scaled(buttonsRegion(), devicePixelRatioF()));
    else
        X11Shape::reset(window, X11Shape::Input);
}

void InkOverlay::updateCatcher()
{
    if (!m_catcher)
        return;
    // The catcher lies inside the area's window: another program's window above ours, or a
    // box or menu of ours, lies above it too and takes its own clicks.
    QWidget *window = m_area ? m_area->window() : nullptr;
    const bool active = isVisible() && !m_passThrough && window;
    if (active) {
        const qreal ratio = devicePixelRatioF();
        const QRect rootRect(
            QRectF(QPointF(geometry().topLeft()) * ratio, QSizeF(geometry().size()) * ratio)
                .toAlignedRect());
        const QPoint origin = (QPointF(window->mapToGlobal(QPoint())) * ratio).toPoint();
        m_catcher->setTarget(winId(), rootRect, window->winId(), origin);
    }
    m_catcher->setActive(active);
    m_catcher->raise();
}

void InkOverlay::raiseCatcher()
{
    if (m_catcher)
        m_catcher->raise();
}

void InkOverlay::raiseAll()
{
    raise();
    if (m_catcher)
        m_catcher->raise();
}

QRegion InkOverlay::buttonsRegion() const
{
    // The content's own buttons (the step buttons) take their clicks over the show.
    QRegion region;
    if (!m_content || m_content->isHidden())
        return region;
    const QList<QAbstractButton *> buttons = m_content->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (button->isVisibleTo(this))
            region += QRect(button->mapTo(this, QPoint()), button->size());
    }
    return region & rect();
}

QRegion InkOverlay::inkIn(const QRect &box)
{
    if (!m_content || m_content->isHidden())
        return QRegion();
    const QRect inContent = box.translated(-m_content->pos()) & m_content->rect();
    if (inContent.isEmpty())
        return QRegion();
    QImage image(inContent.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    m_rendering = true;
    m_content->render(&image, QPoint(), QRegion(inContent), QWidget::DrawChildren);
    m_rendering = false;
    return alphaRegion(image).translated(inContent.topLeft() + m_content->pos());
}
