#pragma once

#include <QLabel>

// What the slide background asks of the window that holds it.
class SlideBackgroundHost
{
public:
    virtual ~SlideBackgroundHost() = default;
    // The current tab is a slide show whose live show is gone and the mouse tool is chosen.
    virtual bool isSlideShowLost() const = 0;
    // 1 previous, 2 next.
    virtual void navigateSlideShow(int step) = 0;
    // A click on the background gives the keys back to the slide-show board.
    virtual void slideBackgroundStep() = 0;
};

// The label behind a slide-show tab showing the slide picture; clicks and wheel turns on it
// step through the show.
class SlideBackgroundLabel : public QLabel
{
    Q_OBJECT
public:
    // parent is the main window; host defaults to it when it is a SlideBackgroundHost.
    explicit SlideBackgroundLabel(QWidget *parent, SlideBackgroundHost *host = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QWidget *ownerWindow = nullptr;
    SlideBackgroundHost *host = nullptr;
};
