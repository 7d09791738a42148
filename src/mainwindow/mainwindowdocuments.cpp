// The document tabs of the main window: making one current, closing, reordering, lookups.
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "base/filesystem.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "documents/document.h"
#include "documents/documentfactory.h"
#include "documents/scrollarea.h"
#include "documents/tabitem.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/recentfilescontroler.h"
#include "pdf/pdfcanvas.h"

QList<TabItem *> MainWindow::tabList() const
{
    return ui.tabBar->findChildren<TabItem *>();
}

void MainWindow::connectTabItem(TabItem *tab)
{
    connect(tab, &TabItem::tabItemClicked, this, [this](TabItem *t) { switchToTab(t); });
    connect(tab, &TabItem::toCloseTabItem, this, [this](TabItem *t) { closeTab(t); });
    connect(tab, &TabItem::itemDragedBy, this, [this](TabItem *t) { onTabDragStarted(t); });
    connect(tab, &TabItem::itemDragEnteredFor, this,
            [this](TabItem *t, bool front) { onTabDragEntered(t, front); });
    connect(tab, &TabItem::itemDragMovedOver, this,
            [this](bool success) { onTabDragMovedOver(success); });
}

void MainWindow::addTab(TabItem *tab)
{
    if (!tab->document)
        makeDocumentFor(tab, this);
    tab->setParent(ui.tabBar);
    tab->serial = ++tabCounter;
    tab->setToolTip(tab->path);
    tab->updateTitle();
    connectTabItem(tab);
    if (tab->scrollArea)
        ui.documentLayout->addWidget(tab->scrollArea);
    ui.tabBarLayout->addWidget(tab);
    tabButtonGroup.addButton(tab, -1);
    tab->show();
    // The click makes it current.
    tab->click();
}

void MainWindow::switchToTab(TabItem *tab)
{
    if (currentTab) {
        if (DocumentBoard *board = currentTab->board())
            board->runCommand(BoardCommand::FinishEditing);
        if (currentTab->document)
            currentTab->document->hidden();
        if (currentTab->scrollArea)
            currentTab->scrollArea->hide();
    }
    currentTab = tab;
    if (!tab)
        return;
    if (tab->document)
        tab->document->shown();
    if (tab->scrollArea)
        tab->scrollArea->show();
    if (DocumentBoard *board = tab->board())
        board->runCommand(BoardCommand::ResetKeyState);
    updatePageControls();
}

void MainWindow::updatePageControls()
{
    const QList<TabItem *> tabs = tabList();
    const int w = (availableScreenWidth() - narrowPanelWidth() - sidePanelWidth() -
                   4 * ui.tabBarLayout->spacing()) /
                  5;
    for (TabItem *tab : tabs) {
        tab->setMaximumTabWidth(w);
        tab->setCloseButtonVisible(tab->isChecked());
    }
    toolBarPort->setExportEnabled(true);
    toolBarPort->setCopyEnabled(true);
    toolBarPort->setSelectAllEnabled(true);
    ui.auxLabelA->setText(QString());
    ui.auxLabelB->setText(currentTab ? currentTab->info : QString());
    if (currentTab && currentTab->document)
        currentTab->document->updatePageRow();
}

void MainWindow::closeTab(TabItem *tab)
{
    if (!tab)
        return;
    const bool asks = !tab->document || tab->document->asksBeforeClosing();
    if (asks && !askQuestion(QStringLiteral("确定关闭？")))
        return;

    TabItem *neighbour = nullptr;
    if (tab->isChecked() || tab == currentTab) {
        currentTab = nullptr;
        const QList<TabItem *> tabs = tabList();
        const int at = tabs.indexOf(tab);
        if (at >= 0 && at + 1 < tabs.size())
            neighbour = tabs.at(at + 1);
        else if (at > 0)
            neighbour = tabs.at(at - 1);
    }
    tabButtonGroup.removeButton(tab);
    if (tab->document)
        tab->document->close();
    if (tab->scrollArea) {
        ui.documentLayout->removeWidget(tab->scrollArea);
        tab->scrollArea->hide();
        tab->scrollArea->deleteLater();
    }
    ui.tabBarLayout->removeWidget(tab);
    // This runs inside the tab's own close-button signal: take it out of the tab row now and
    // free it once that signal has returned.
    if (draggedTab == tab)
        draggedTab = nullptr;
    if (dropTargetTab == tab)
        dropTargetTab = nullptr;
    tab->hide();
    tab->setParent(nullptr);
    tab->deleteLater();

    if (tabList().isEmpty()) {
        currentTab = nullptr;
        toolBarPort->setExportEnabled(false);
        toolBarPort->setUndoEnabled(false);
        toolBarPort->setRedoEnabled(false);
        toolBarPort->setCutEnabled(false);
        toolBarPort->setCopyEnabled(false);
        toolBarPort->setPasteEnabled(false);
        toolBarPort->setSelectAllEnabled(false);
        toolBarPort->setCancelEnabled(false);
        toolBarPort->setDeleteEnabled(false);
        toolBarPort->setZoomEnabled(false);
        toolBarPort->setRotateEnabled(false);
        toolBarPort->setCanvasCleanEnabled(false);
        toolBarPort->setImpureImageEnabled(false);
        toolBarPort->setBoardGridEnabled(false);
        toolBarPort->setPdfResetEnabled(false);
        showRemark(QString());
        setSlideControlsVisible(false);
        setPdfPageControlsVisible(false);
        setPageLabel(0, 0);
        ui.auxLabelA->clear();
        ui.auxLabelB->clear();
        setProgressPercent(0);
    } else if (neighbour) {
        neighbour->click();
    }
}

void MainWindow::closeAllTabs()
{
    const QList<TabItem *> tabs = tabList();
    for (TabItem *tab : tabs) {
        if (tab->document)
            tab->document->close();
    }
    // The window is closing: the widgets go too.
    for (TabItem *tab : tabs) {
        tabButtonGroup.removeButton(tab);
        if (tab->scrollArea) {
            tab->scrollArea->hide();
            tab->scrollArea->deleteLater();
        }
        tab->hide();
        tab->setParent(nullptr);
        tab->deleteLater();
    }
    currentTab = nullptr;
    draggedTab = nullptr;
    dropTargetTab = nullptr;
}

bool MainWindow::isFileOpen(const QString &path) const
{
    const QList<TabItem *> tabs = tabList();
    for (const TabItem *tab : tabs) {
        // A PDF tab reads its pages from its file while it is open; a converted document's
        // source is the teacher's own file as well.
        if (tab->kind != DocumentKind::Pdf)
            continue;
        if (FileSystem::isSameFile(path, tab->path) ||
            (tab->pdfCanvas && FileSystem::isSameFile(path, tab->pdfCanvas->filePath())))
            return true;
    }
    return false;
}

void MainWindow::addRecentFile(const QString &path)
{
    recentFilesControler->addFile(path);
}

int MainWindow::countTabsWithPath(const QString &path) const
{
    int n = 0;
    const QList<TabItem *> tabs = tabList();
    for (const TabItem *tab : tabs) {
        if (tab->path == path)
            ++n;
    }
    return n;
}

bool MainWindow::activateTabWithPath(const QString &path)
{
    const QList<TabItem *> tabs = tabList();
    for (TabItem *tab : tabs) {
        if (tab->path == path) {
            tab->click();
            return true;
        }
    }
    return false;
}

void MainWindow::onTabDragStarted(TabItem *tab)
{
    draggedTab = tab;
}

void MainWindow::onTabDragEntered(TabItem *tab, bool isfront)
{
    dropTargetTab = tab;
    dropBeforeTarget = isfront;
}

void MainWindow::onTabDragMovedOver(bool success)
{
    if (success && draggedTab && dropTargetTab && dropTargetTab != draggedTab) {
        ui.tabBarLayout->removeWidget(draggedTab);
        const int i = ui.tabBarLayout->indexOf(dropTargetTab);
        ui.tabBarLayout->insertWidget(dropBeforeTarget ? i : i + 1, draggedTab);
    }
    draggedTab = nullptr;
    dropTargetTab = nullptr;
}
