// Opening documents: by suffix from every source, the PDF, picture and board openers.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include "base/filesystem.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "documents/canvasdocument.h"
#include "documents/documentpicture.h"
#include "documents/pdfdocument.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/recentfilescontroler.h"

namespace {

const QStringList pictureSuffixes = {
    QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),  QStringLiteral("bmp"),
    QStringLiteral("gif"), QStringLiteral("tif"),  QStringLiteral("tiff"), QStringLiteral("webp")};

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

bool MainWindow::openPdfTab(const QString &pdfPath, const QString &title,
                            const QString &documentPath)
{
    const QString path = documentPath.isEmpty() ? pdfPath : documentPath;
    if (activateTabWithPath(path))
        return false;
    PdfDocument *document = PdfDocument::open(this, pdfPath, title, documentPath);
    if (!document)
        return false;
    addTab(document->tab());
    document->restoreLastPage();
    recentFilesControler->addFile(path);
    return true;
}

void MainWindow::openImageTab(const QString &path)
{
    const QString title = pictureTabTitle(path, countTabsWithPath(path));
    PictureDocument *document = PictureDocument::open(this, path, title);
    if (!document)
        return;
    addTab(document->tab());
    recentFilesControler->addFile(path);
}

void MainWindow::newWhiteboardTab(const QString &colorName)
{
    ++boardCounter;
    const QString title = QStringLiteral("新建画板") + QString::number(boardCounter);
    QColor color;
    color.setNamedColor(colorName);
    if (BoardDocument *document = BoardDocument::create(this, title, color))
        addTab(document->tab());
}
