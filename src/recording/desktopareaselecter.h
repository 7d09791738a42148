#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QSpinBox;

// A full-screen overlay over a still picture of the desktop on which the user draws, moves
// and resizes a rectangle, then confirms, cancels or saves it.
class DesktopAreaSelecter : public QWidget
{
    Q_OBJECT
public:
    using AreaAdjuster = std::function<void(int &, int &, int &, int &)>;

    explicit DesktopAreaSelecter(QWidget *parent = nullptr);

    // A null picture is replaced by a grab of the primary screen.
    void setDesktopPixmap(const QPixmap &picture);
    void setAreaAdjuster(const AreaAdjuster &adjuster) { areaAdjuster = adjuster; }
    void setSaveButtonVisible(bool visible);
    void startSelection(const QRect &initial);

    // The selection in overlay coordinates; right and bottom are the last pixels inside.
    QRect selectionRect() const;
    // The file the Save button writes to (tests answer it instead of the dialog).
    std::function<QString()> saveFileChooser;

signals:
    void selectedOver(QRect area, bool confirmed);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateSelectionGeometry();
    void resizeByGrip();
    int gripAt(const QPoint &point) const;
    void updateCursor(const QPoint &point);
    void setSelectionSize(int w, int h);
    QPixmap selectedPixmap() const;
    void saveSelection();
    void confirmSelection();
    void cancelSelection();
    void resetSelection();
    void clearPoints();
    bool pointsSet() const;
    static void drawAreaHandles(QPainter *painter, const QRect &rect, const QSize &size);

    int gripSize = 0;
    int margin = 0;
    int controlHeight = 0;
    AreaAdjuster areaAdjuster;
    QPoint startPoint;
    QPoint endPoint;
    QPoint savedStartPoint;
    QPoint savedEndPoint;
    QPixmap desktopPicture;
    bool selected = false;
    bool pressed = false;
    int dragMode = -1;
    QPoint pressPoint;
    QPoint currentPoint;
    QWidget *toolPanel = nullptr;
    QSpinBox *widthSpinBox = nullptr;
    QSpinBox *heightSpinBox = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *confirmButton = nullptr;
    QWidget *infoPanel = nullptr;
    QLabel *sizeLabel = nullptr;
    QLabel *hintLabel = nullptr;
};
