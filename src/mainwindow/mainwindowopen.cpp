// Opening documents: by suffix from every source, the PDF, picture and board openers.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include "base/filesystem.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "canvas/canvas.h"
#include "documents/documentpicture.h"
#include "documents/scrollarea.h"
#include "documents/tabitem.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/recentfilescontroler.h"
#include "pdf/pdfcanvas.h"

namespace {

const QStringList pictureSuffixes = {
    QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),  QStringLiteral("bmp"),
    QStringLiteral("gif"), QStringLiteral("tif"),  QStringLiteral("tiff"), QStringLiteral("webp")};

QString documentAreaStyle()
{
    return QStringLiteral("QScrollArea{background-color:") + documentBackgroundColor().name() +
           QStringLiteral(";}");
}

} // namespace

void MainWindow::openFilesFromArguments(const QStringList &files)
{
    openFiles(files);
}

void MainWindow::onRecentFileClicked(const QString &path)
{
    openFiles({path});
}

void MainWindow::openFiles(const QStringList &paths)
{
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        const QString resolved = FileSystem::resolveFilePath(path);
        if (resolved.isEmpty()) {
            showMessage(path + QStringLiteral("读取失败，请检查文件是否存在或被占用"));
            continue;
        }
        const QString suffix = FileSystem::lowerSuffix(resolved);
        if (suffix == QLatin1String("ppt") || suffix == QLatin1String("pptx"))
            openSlideFile(resolved);
        else if (suffix == QLatin1String("pdf"))
            openPdfTab(resolved, FileSystem::fileName(resolved));
        else if (suffix == QLatin1String("doc") || suffix == QLatin1String("docx"))
            openWordDocument(resolved);
        else if (pictureSuffixes.contains(suffix))
            openImageTab(resolved);
        else
            showMessage(path + QStringLiteral("不支持的文件打开格式"));
    }
}

void MainWindow::showOpenFileDialog()
{
    QString patterns;
    const QStringList suffixes = supportedFileSuffixes();
    for (const QString &suffix : suffixes)
        patterns += QStringLiteral("*.") + suffix + QStringLiteral(" ");
    const QString filter =
        QStringLiteral("文件") + QStringLiteral("(") + patterns.trimmed() + QStringLiteral(")");
    const QStringList chosen =
        openFilesPicker
            ? openFilesPicker(filter)
            : QFileDialog::getOpenFileNames(this, QStringLiteral("打开文件"), QString(), filter);
    if (!chosen.isEmpty())
        openFiles(chosen);
}

void MainWindow::openFromClipboard()
{
    QStringList paths;
    const QMimeData *mime = QApplication::clipboard()->mimeData();
    if (mime) {
        const QList<QUrl> urls = mime->urls();
        for (const QUrl &url : urls) {
            if (url.isValid() && url.isLocalFile())
                paths.append(url.toLocalFile());
        }
    }
    if (mime && mime->hasImage()) {
        const QString folder = clipboardDirPath();
        if (!FileSystem::dirExists(folder))
            FileSystem::makeDir(folder);
        if (FileSystem::dirExists(folder)) {
            ++clipboardImageCounter;
            const QString file = folder + QStringLiteral("/截图_") +
                                 QString::number(clipboardImageCounter) + QStringLiteral(".png");
            const QImage image = qvariant_cast<QImage>(mime->imageData());
            if (FileSystem::savePicture(image, file, "PNG"))
                paths.append(file);
        }
    }
    if (paths.isEmpty())
        showMessage(QStringLiteral("剪贴板内容为空"));
    else
        openFiles(paths);
}

namespace {

// The scroll area of a picture or PDF tab: no frame, its content at the content's own size.
ScrollArea *makeDocumentView(QWidget *parent, QWidget *content)
{
    auto *area = new ScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    area->setWidget(content);
    area->setStyleSheet(documentAreaStyle());
    return area;
}

// The tab of an opened file: its kind, area, path and title, and the folder it lies in.
TabItem *fileTab(DocumentKind kind, ScrollArea *area, const QString &path, const QString &title)
{
    auto *tab = new TabItem;
    tab->kind = kind;
    tab->scrollArea = area;
    tab->path = path;
    tab->title = title;
    tab->folder = FileSystem::absolutePath(path);
    return tab;
}

// Wheel and pinch zoom, clicks beside the page and arrow keys of the area reach the board; the
// board's arrow-key scrolling moves the area.
template <class Board>
void wireBoardToArea(Board *board, ScrollArea *area)
{
    QObject::connect(area, &ScrollArea::wheelZoomed, board,
                     [board](int kind) { board->zoomStep(kind); });
    QObject::connect(area, &ScrollArea::touchZoomed, board,
                     [board](int kind, double step) { board->zoomBy(kind, step); });
    QObject::connect(area, &ScrollArea::blankClicked, board,
                     [board] { board->commitShownItems(); });
    QObject::connect(area, &ScrollArea::directionKeyPressed, board,
                     [board](int direction) { board->handleDirectionKey(direction); });
    QObject::connect(board, &Board::directionState, area, &ScrollArea::scrollByDirection);
}

} // namespace

bool MainWindow::openPdfTab(const QString &pdfPath, const QString &title,
                            const QString &documentPath)
{
    const QString path = documentPath.isEmpty() ? pdfPath : documentPath;
    if (activateTabWithPath(path))
        return false;
    auto *pdf = new PdfCanvas(pdfPath, configDirPath(), paintProperty, this);
    // A converted file is new every time: remembering its page would only leave files behind.
    pdf->setRememberPage(documentPath.isEmpty());
    if (!pdf->openDocument()) {
        pdf->deleteLater();
        return false;
    }
    pdf->setZoom(1.0);
    ScrollArea *area = makeDocumentView(this, pdf);
    area->setAlignment(Qt::AlignHCenter);
    pdf->followScrollArea(area);
    wireBoardToArea(pdf, area);
    connect(pdf, &PdfCanvas::sizeChanged, this,
            [this](double scale) { setProgressPercent(scale); });

    TabItem *tab = fileTab(DocumentKind::Pdf, area, path, title);
    tab->setPdfCanvas(pdf);
    addTab(tab);
    if (documentPath.isEmpty())
        pdf->restoreLastPage();
    recentFilesControler->addFile(path);
    return true;
}

void MainWindow::openImageTab(const QString &path)
{
    const QString title = pictureTabTitle(path, countTabsWithPath(path));
    QSize ownSize;
    const QImage image = readDocumentPicture(path, &ownSize);
    if (image.isNull()) {
        showMessage(QStringLiteral("读取") + path + QStringLiteral("失败"));
        return;
    }
    auto *canvas = new Canvas(Canvas::PictureDocument, Qt::white, paintProperty, this);
    if (!canvas->loadPages({ownSize}, {QPixmap::fromImage(image)})) {
        canvas->deleteLater();
        return;
    }
    canvas->setZoom(1.0);
    canvas->setPointerTracking(true);

    auto *container = new QWidget;
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(15, 15, 15, 15);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(canvas);
    QPalette palette = container->palette();
    palette.setBrush(QPalette::Window, QBrush(documentBackgroundColor()));
    container->setPalette(palette);
    container->setAutoFillBackground(true);

    ScrollArea *area = makeDocumentView(this, container);
    container->adjustSize();
    wireBoardToArea(canvas, area);
    connect(canvas, &Canvas::sizeChanged, container, [this, container](double scale) {
        container->adjustSize();
        setProgressPercent(scale);
    });

    TabItem *tab = fileTab(DocumentKind::Picture, area, path, title);
    tab->setCanvas(canvas);
    tab->info = pictureInfo(image, ownSize);
    addTab(tab);
    recentFilesControler->addFile(path);
}

void MainWindow::newWhiteboardTab(const QString &colorName)
{
    ++boardCounter;
    const QString title = QStringLiteral("新建画板") + QString::number(boardCounter);
    QColor color;
    color.setNamedColor(colorName);
    auto *canvas = new Canvas(Canvas::NewBoard, color, paintProperty, this);
    const QSize size(availableScreenWidth(),
                     availableScreenHeight() - titleBarHeight() - toolStripHeight() - barHeight());
    if (!canvas->loadPages({size}, {QPixmap()})) {
        canvas->deleteLater();
        return;
    }
    canvas->setZoom(1.0);
    auto *area = new ScrollArea(this);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(canvas);

    auto *tab = new TabItem;
    tab->kind = DocumentKind::Board;
    tab->setCanvas(canvas);
    tab->scrollArea = area;
    tab->path = title;
    tab->title = title;
    addTab(tab);
}
