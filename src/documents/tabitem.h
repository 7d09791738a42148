#pragma once

#include <QPointF>
#include <QPushButton>
#include <QString>

#include "documents/documentkind.h"

class Canvas;
class Document;
class DocumentBoard;
class PdfCanvas;
class QHBoxLayout;
class QLabel;
class ScrollArea;
class SlideBackgroundLabel;

// One open document: a checkable button in the title bar's tab row that knows the document's
// kind, its viewport and its board. It is selected on the press, dragged to reorder, and asks
// to be closed by its close button.
class TabItem : public QPushButton
{
    Q_OBJECT
public:
    // The drag of a tab carries this format only, so drops of anything else are refused.
    static const QString dragFormat;

    explicit TabItem(QWidget *parent = nullptr);

    void onClicked();
    void onCloseButtonClicked();
    void updateTitle();
    void setMaximumTabWidth(int w);
    void setCloseButtonVisible(bool visible);
    bool isCloseButtonShown() const;

    // The board commands go to: the PDF board for a PDF, the canvas otherwise.
    DocumentBoard *board() const { return kind == DocumentKind::Pdf ? pdfBoard : canvasBoard; }
    void setCanvas(Canvas *c);
    void setPdfCanvas(PdfCanvas *c);
    // 0 none, 1 left edge, 2 right edge.
    int dropMarker() const { return dropSide; }
    bool isDragArmed() const { return dragArmed; }

    int unit = 0;
    int serial = 0;
    DocumentKind kind = DocumentKind::None;
    // What the window asks of the document; null for a tab not yet added.
    Document *document = nullptr;
    ScrollArea *scrollArea = nullptr;
    Canvas *canvas = nullptr;
    PdfCanvas *pdfCanvas = nullptr;
    // The document interfaces of canvas and pdfCanvas.
    DocumentBoard *canvasBoard = nullptr;
    DocumentBoard *pdfBoard = nullptr;
    SlideBackgroundLabel *slideBackground = nullptr;
    QString path;
    QString title;
    QString folder;
    QString info;

signals:
    void tabItemClicked(TabItem *tabitem);
    void toCloseTabItem(TabItem *tabitem);
    void itemDragedBy(TabItem *tabitem);
    void itemDragEnteredFor(TabItem *tabitem, bool isfront);
    void itemDragMovedOver(bool success);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setDropSide(int side);

    bool dragArmed = false;
    QPointF pressPos;
    int dropSide = 0;
    QString normalColor;
    QString hoverColor;
    QString checkedColor;
    QString edgeColor;
    QString closeHoverColor;
    int closeButtonSize = 0;
    int radius = 0;
    QHBoxLayout *layout = nullptr;
    QLabel *titleLabel = nullptr;
    QPushButton *closeTabButton = nullptr;
};
