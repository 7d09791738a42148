#pragma once

#include <QIcon>
#include <QRect>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

// The slide-notes panel under the tool strip: one line of notes that, when wider than the
// strip, runs leftwards as a ticker at an adjustable speed.
class RemarkShower : public QWidget
{
    Q_OBJECT
public:
    enum State { Stopped = 0, Running = 1, Paused = 2 };

    explicit RemarkShower(QWidget *parent = nullptr);

    void setRemark(const QString &text);
    QString remark() const { return remarkText; }
    // Taken only within 5..25.
    void setScrollSpeed(int speed);
    int scrollSpeed() const { return speed; }
    // Taken only within 8..14.
    void setFontSize(int points);
    int fontSize() const { return fontPoints; }
    int scrollState() const { return state; }
    double scrollOffset() const { return offset; }
    QRect textRect() const { return textRectangle; }

    void scrollRemark();
    void repaintRemarkLabel();
    void toggleScroll();
    void stopScroll();
    void increaseSpeed();
    void decreaseSpeed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void measureText();
    void relayout();
    void updateButtonStates(bool overflow);

    QLabel *label = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *stopButton = nullptr;
    QPushButton *fasterButton = nullptr;
    QPushButton *slowerButton = nullptr;
    QIcon startIcon;
    QIcon stopIcon;
    QIcon pauseIcon;
    QIcon fasterIcon;
    QIcon slowerIcon;
    int margin = 0;
    int fontPoints = 8;
    QString remarkText;
    QRect textRectangle;
    int state = Stopped;
    int speed = 5;
    double offset = 0.0;
    QTimer timer;
};
