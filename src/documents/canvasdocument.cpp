#include "documents/canvasdocument.h"

#include <QHBoxLayout>

#include "base/uimetrics.h"
#include "canvas/canvas.h"
#include "documents/documenthost.h"
#include "documents/documentpicture.h"
#include "documents/documentview.h"
#include "documents/tabitem.h"

CanvasDocument::CanvasDocument(TabItem *tab, DocumentHost *host)
    : TabDocument(tab, host)
    , canvas(tab->canvas)
{}

DocumentKind CanvasDocument::kind() const
{
    return tab()->kind;
}

void CanvasDocument::close()
{
    if (canvas)
        canvas->clearPages();
}

void CanvasDocument::fillCanvasPageRow(bool zoomable)
{
    PageRow row;
    row.zoom = zoomable;
    row.rotate = zoomable;
    row.grid = true;
    row.percent = zoomable && canvas ? canvas->zoom() : 0.0;
    fillPageRow(row);
}

BoardDocument *BoardDocument::create(DocumentHost *host, const QString &title, const QColor &color)
{
    auto *board = new Canvas(Canvas::NewBoard, color, host->tools(), host->documentArea(), host);
    const QSize size(availableScreenWidth(),
                     availableScreenHeight() - titleBarHeight() - toolStripHeight() - barHeight());
    if (!keepLoaded(board, board->loadPages({size}, {QPixmap()})))
        return nullptr;
    auto *area = new ScrollArea(host->documentArea());
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(board);

    TabItem *tab = newTab(DocumentKind::Board, area, title, title);
    tab->setCanvas(board);
    return new BoardDocument(tab, host);
}

bool BoardDocument::asksBeforeClosing() const
{
    return canvas && canvas->hasDrawing();
}

PictureDocument *PictureDocument::open(DocumentHost *host, const QString &path,
                                       const QString &title)
{
    QSize ownSize;
    const QImage image = readDocumentPicture(path, &ownSize);
    if (image.isNull()) {
        host->showMessage(QStringLiteral("读取") + path + QStringLiteral("失败"));
        return nullptr;
    }
    auto *picture =
        new Canvas(Canvas::PictureDocument, Qt::white, host->tools(), host->documentArea(), host);
    if (!keepLoaded(picture, picture->loadPages({ownSize}, {QPixmap::fromImage(image)})))
        return nullptr;
    picture->setPointerTracking(true);

    auto *container = new QWidget;
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(15, 15, 15, 15);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(picture);
    QPalette palette = container->palette();
    palette.setBrush(QPalette::Window, QBrush(documentBackgroundColor()));
    container->setPalette(palette);
    container->setAutoFillBackground(true);

    ScrollArea *area = makeDocumentView(host->documentArea(), container);
    container->adjustSize();
    wireBoardToArea(picture, area);

    TabItem *tab = newFileTab(DocumentKind::Picture, area, path, title);
    tab->setCanvas(picture);
    tab->info = pictureInfo(image, ownSize);
    auto *document = new PictureDocument(tab, host);
    QObject::connect(picture, &Canvas::sizeChanged, container, [host, container](double scale) {
        container->adjustSize();
        host->setProgressPercent(scale);
    });
    return document;
}
