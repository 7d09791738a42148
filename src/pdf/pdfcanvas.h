#pragma once

#include <QWidget>

#include "drawing/documentboard.h"

class MainWindow;
class PaintProperty;

// The multi-page PDF board. This build opens no document yet: openDocument says so.
class PdfCanvas : public QWidget, public DocumentBoard
{
    Q_OBJECT
public:
    PdfCanvas(const QString &path, const QString &stateDir, PaintProperty *properties,
              MainWindow *parent);

    bool openDocument();
    void restoreLastPage() {}
    void setRememberPage(bool) {}
    void closeDocument() {}
    void setZoom(double) {}
    void zoomStep(int) {}
    void zoomBy(int, double) {}
    void commitShownItems() {}
    void handleDirectionKey(int) {}
    void updateVisiblePages(int) {}
    void setHorizontalScrollValue(int) {}
    void scrollToPage(int index) { m_requestedPage = index; }
    int requestedPage() const { return m_requestedPage; }
    void finishEditing() {}
    void resetKeyState() {}
    bool canRotate() const { return false; }
    int pageCount() const { return 0; }
    int currentPageIndex() const { return 0; }
    double zoom() const { return 1.0; }
    void setCtrlPressed(bool) {}
    void setShiftPressed(bool) {}
    void applyStamp() {}
    void applyStampPointer() {}
    void applyPaintTool() {}
    void resetDocument() {}
    void runCommand(BoardCommand command, int argument) override;

signals:
    void vScrollBarNewValue(int value);
    void hScrollBarNewValue(int value);
    void directionState(int direction);
    void sizeChanged(double scale);

private:
    QString m_path;
    int m_requestedPage = -1;
};
