#pragma once

#include "drawing/stylerecords.h"
#include "items/draggeditem.h"
#include "items/framehandle.h"

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QPointF>
#include <QRectF>

class QAction;
class QTextEdit;

// The text box typed into a canvas: one style for the whole text, moved and resized by its frame
// and eight handles, growing downwards while typing. Stored as HTML taken at zoom 1.
class CanvasTextBox : public DraggedItem
{
    Q_OBJECT
public:
    explicit CanvasTextBox(QWidget *parent = nullptr);

    void beginEditing(const QPointF &point, int availableWidth, const TextStyle &style,
                      double zoom);
    void setEditing(bool value);
    bool isEditing() const { return editing; }

    void setTextColor(const QString &name);
    void setBackgroundColor(const QString &name);
    void setBorderColor(const QString &name);
    void setTextAlignment(int align);
    void setFontFamily(const QString &family, bool reapply);
    void setFontSize(int points, bool reapply);
    void setBold(bool on, bool reapply);
    void setItalic(bool on, bool reapply);
    void setUnderline(bool on, bool reapply);
    void setStrikeOut(bool on, bool reapply);
    void setLineHeight(int value, bool grow);
    void setNumbering(int value, bool reapply);
    void applyTextStyle();

    void selectAll();
    void cut();
    void copy();
    void paste();
    void undo();
    void redo();
    void deleteSelection();
    bool hasSelection() const;
    bool hasText() const;
    bool isValid() const;

    QPointF topLeft() const { return topLeftCorner; }
    QPointF bottomRight() const { return bottomRightCorner; }
    QString backgroundColor() const { return style.textBackColor; }
    QString borderColor() const { return style.textFrameColor; }
    TextStyle textStyle() const { return style; }
    double currentZoom() const { return zoom; }
    QTextEdit *textEditor() const { return editor; }

    void nudge(int direction);
    QString toHtml();
    QPixmap renderToPixmap(const QString &border, const QString &background, const QPointF &a,
                           const QPointF &b, const QPointF &c, const QString &html) const;
    void reset();

    int hitTest(const QPoint &position) const;

signals:
    void queryChangeFontBold();
    void queryChangeFontItalic();
    void queryChangeFontUnderline();

protected:
    void keepDragOrigin() override;
    void dragTo() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Takes the mouse and the pen itself: a pen's drag goes on in the mouse moves Qt makes from
    // it, which reach the box even while the pen is near.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;

private:
    void growToText();
    void updateItemGeometry();
    void updateCursor(int code);
    void startDrag(const QPoint &position);
    void applyFont(bool reapply);
    void applyFormats();
    int handleMargin() const;

    bool editing = false;
    QWidget *canvas = nullptr;
    double handleSize;
    double zoom = 1.0;
    QRectF boxRect;
    QPointF topLeftCorner;
    QPointF bottomRightCorner;
    QPointF dragOriginTopLeft;
    QPointF dragOriginBottomRight;
    TextStyle style;
    QColor textColor = Qt::black;
    QTextEdit *editor = nullptr;
    QAction *boldAction = nullptr;
    QAction *italicAction = nullptr;
    QAction *underlineAction = nullptr;
};
