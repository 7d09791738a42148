#include "documents/tabdocument.h"

#include "base/filesystem.h"
#include "documents/documenthost.h"
#include "documents/tabitem.h"
#include "documents/toolbarport.h"

TabDocument::TabDocument(TabItem *tab, DocumentHost *host)
    : QObject(tab)
    , tabItem(tab)
    , host(host)
{
    tab->document = this;
}

void TabDocument::fillPageRow(const PageRow &row)
{
    ToolBarPort *bar = host->toolBar();
    bar->setZoomEnabled(row.zoom);
    bar->setRotateEnabled(row.rotate);
    bar->setBoardGridEnabled(row.grid);
    bar->setPdfResetEnabled(row.pdfPages);
    host->setSlideControlsVisible(false);
    host->setPdfPageControlsVisible(row.pdfPages);
    host->showRemark(QString());
    host->setPageLabel(row.page, row.pageCount);
    host->setProgressPercent(row.percent);
}

TabItem *TabDocument::newTab(DocumentKind kind, ScrollArea *area, const QString &path,
                             const QString &title)
{
    auto *tab = new TabItem;
    tab->kind = kind;
    tab->scrollArea = area;
    tab->path = path;
    tab->title = title;
    return tab;
}

TabItem *TabDocument::newFileTab(DocumentKind kind, ScrollArea *area, const QString &path,
                                 const QString &title)
{
    TabItem *tab = newTab(kind, area, path, title);
    tab->folder = FileSystem::absolutePath(path);
    return tab;
}
