#pragma once

#include <QString>

#include "pdf/pdfboardhost.h"

class PaintProperty;
class QWidget;
class RemarkShower;
class SlideOutlineCombo;
class TabItem;
class ToolBarPort;

// What a document asks of the window that holds it: messages and questions (from
// CanvasHost), the document area, the page row and its status line, the tool bar, and the tab
// row the document's tab goes into.
class DocumentHost : public PdfBoardHost
{
public:
    // The window is closing: long steps stop and nothing more is told.
    virtual bool isClosing() const = 0;
    // The widget the documents' views fill.
    virtual QWidget *documentArea() const = 0;
    virtual ToolBarPort *toolBar() const = 0;
    virtual PaintProperty *tools() const = 0;

    // The page row.
    virtual void setPageLabel(int current, int count) = 0;
    virtual void setProgressPercent(double value) = 0;
    virtual void setAuxLabelAText(const QString &text) = 0;
    virtual void setAuxLabelBText(const QString &text) = 0;
    virtual void setSlideControlsVisible(bool visible) = 0;
    virtual void setPdfPageControlsVisible(bool visible) = 0;
    virtual SlideOutlineCombo *slideOutline() const = 0;
    // The notes panel beside the page row.
    virtual RemarkShower *remarkPanel() const = 0;

    // The tab row.
    virtual TabItem *currentTabItem() const = 0;
    // Adds the tab (and its view) and makes it current.
    virtual void addTab(TabItem *tab) = 0;
    virtual void addRecentFile(const QString &path) = 0;

    // The notes panel's text for the current page ("" for a document without notes); the
    // panel shows as the settings say.
    virtual void showRemark(const QString &text) = 0;
};
