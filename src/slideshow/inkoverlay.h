#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <memory>

class X11InputCatcher;

// A borderless top-level window of ours that lies exactly over an area of the main window and
// holds the slide-show board (the Canvas) above another program's native window (the running
// show), which widgets of the main window cannot paint over. Its seen part is cut to the pixels
// the board paints (the X Shape extension), kept up to date as the board repaints: the office
// stops painting a show window that one of ours covers wholly, translucent or not. With a
// compositing manager it is translucent too, so the ink's soft edges blend with the show.
class InkOverlay : public QWidget
{
    Q_OBJECT
public:
    explicit InkOverlay(QWidget *mainWindow);
    ~InkOverlay() override;

    // Takes content (the slide-show Canvas) in; content keeps its own size and zoom, and lies
    // at the offset its old parent had inside the followed area.
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }
    // Hands the content back to parent (picture mode again), at pos.
    QWidget *releaseContent(QWidget *parent, const QPoint &pos);
    // Lies over area whenever area is on screen; nullptr stops and hides.
    void followArea(QWidget *area);
    // true (the mouse tool): clicks and wheel turns reach what lies under the overlay;
    // false (any drawing tool): all input reaches the content. The content's buttons take
    // their clicks either way.
    void setPassThrough(bool passThrough);
    bool isPassThrough() const { return m_passThrough; }
    // true: the overlay takes the keys now, and the page keys typed in the area's window (but
    // for a text field) go to the content.
    void setTakesKeys(bool takesKeys);
    // Translucent (soft ink edges over the show) with a compositing manager.
    bool isComposited() const { return m_composited; }
    // Without one, half-covering ink (the highlighter, soft edges) blends with this picture of
    // what lies under the content, drawn at the content's place and size, instead of white.
    void setBackdrop(const QPixmap &picture);
    QPixmap backdrop() const { return m_backdrop; }
    // The seen part, in overlay coordinates.
    QRegion shownRegion() const { return m_shape; }
    // The input-only window that takes the pointer beside the ink in drawing mode.
    quintptr inputCatcherWindow() const;
    // Puts that window back on top of the area window's children, after one of them (the
    // show's) was raised.
    void raiseCatcher();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void watchTree(QWidget *widget, bool on);
    void watchArea(bool on);
    void placeOverArea();
    void placeContent();
    void markDirty(const QRegion &region);
    void updateShape();
    void applyShapes();
    void updateCatcher();
    void raiseAll();
    void takeKeys();
    bool forwardKey(QObject *receiver, QEvent *event);
    QRegion buttonsRegion() const;
    QRegion inkIn(const QRect &box);

    QPointer<QWidget> m_content;
    QPointer<QWidget> m_anchor; // the widget the content lay on inside the area
    QPoint m_anchorOffset;
    QPointer<QWidget> m_area;
    QList<QPointer<QWidget>> m_areaChain; // the area and its ancestors up to the window
    const bool m_composited;
    bool m_passThrough = false;
    bool m_takesKeys = false;
    bool m_rendering = false;
    QRegion m_dirty;
    QRegion m_shape;
    QPixmap m_backdrop;
    QElapsedTimer m_pressAge; // since the last press on the content
    QTimer m_shapeTimer;
    QTimer m_inputTimer;
    struct KeyForwarder : QObject
    {
        InkOverlay *overlay = nullptr;
        bool eventFilter(QObject *watched, QEvent *event) override;
    } m_keyForwarder;
    std::unique_ptr<X11InputCatcher> m_catcher;
};
