#include "pdf/pdfwriter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "base/filesystem.h"
#include "base/uimetrics.h"
#include "drawing/canvashost.h"
#include "drawing/documentboard.h"
#include "pdf/pdfcanvas.h"

namespace {
constexpr int resolution = 300;

QLabel *captionLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFixedSize(3 * titleBarButtonSize(), titleBarButtonSize());
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("QLabel{color:#666;}"));
    return label;
}
} // namespace

PDFWriter::PDFWriter(QWidget *parent, CanvasHost *canvasHost)
    : QDialog(parent)
    , host(canvasHost)
{
    setWindowTitle(tr("导出PDF"));
    QPalette palette = this->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    nameLabel = new QLabel(this);
    folderLabel = new QLabel(this);
    changeFolderButton =
        iconButton(QStringLiteral(":/icon/pdfwriter/changedir.png"), tr("修改输出文件夹"));
    progressBar = new QProgressBar(this);
    statusLabel = new QLabel(this);
    openFileButton = iconButton(QStringLiteral(":/icon/pdfwriter/openfile.png"), tr("打开文件"));
    openFolderButton =
        iconButton(QStringLiteral(":/icon/pdfwriter/opendir.png"), tr("打开文件所在位置"));
    exportButton = new QPushButton(tr("导出"), this);

    auto *layout = new QVBoxLayout(this);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(captionLabel(tr("文件名"), this));
    nameRow->addWidget(nameLabel, 1);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(captionLabel(tr("输出文件夹"), this));
    folderRow->addWidget(folderLabel, 1);
    folderRow->addWidget(changeFolderButton);
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(captionLabel(tr("输出状态"), this));
    statusRow->addWidget(progressBar, 1);
    statusRow->addWidget(statusLabel, 1);
    statusRow->addWidget(openFileButton);
    statusRow->addWidget(openFolderButton);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(exportButton);
    layout->addLayout(nameRow);
    layout->addLayout(folderRow);
    layout->addLayout(statusRow);
    layout->addLayout(buttonRow);

    connect(changeFolderButton, &QPushButton::clicked, this, &PDFWriter::changeFolder);
    connect(openFolderButton, &QPushButton::clicked, this, &PDFWriter::openOutputFolder);
    connect(openFileButton, &QPushButton::clicked, this, &PDFWriter::openWrittenPdf);
    connect(exportButton, &QPushButton::clicked, this, &PDFWriter::startExport);
    connect(this, &QDialog::rejected, this, [this] {
        canvas = nullptr;
        running = false;
    });
}

QPushButton *PDFWriter::iconButton(const QString &icon, const QString &tip)
{
    auto *button = new QPushButton(this);
    const int side = titleBarButtonSize();
    button->setFixedSize(side, side);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(side, side));
    button->setToolTip(tip);
    button->setStyleSheet(
        QStringLiteral("QPushButton{background-color:transparent;border:0;border-style:none;"
                       "border-radius:") +
        QString::number(borderRadius()) + QStringLiteral(";}QPushButton:hover{background-color:") +
        hoverBackgroundColor().name() + QStringLiteral(";}"));
    return button;
}

bool PDFWriter::prepare(const QString &documentName, int tabKind, QWidget *board,
                        const QString &startFolder)
{
    if (documentName.isEmpty() || !board)
        return false;
    running = true;
    name = documentName;
    kind = tabKind;
    canvas = board;
    outputFolder = startFolder;
    if (outputFolder.isEmpty()) {
        // Linux desktops need not have a Desktop folder.
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        outputFolder = QDir(desktop).exists() ? desktop : QDir::homePath();
    }
    resetView();
    return true;
}

QString PDFWriter::exportPdf(const QString &documentName, int tabKind, QWidget *board,
                             const QString &startFolder)
{
    if (!prepare(documentName, tabKind, board, startFolder))
        return startFolder;
    running = exec() != 0;
    return outputFolder;
}

QString PDFWriter::outputPath() const
{
    const QString base = outputFolder + QStringLiteral("/") + FileSystem::completeBaseName(name);
    QString path = base + QStringLiteral(".pdf");
    // A PDF tab's own name in its own folder is the open document itself: the first of
    // "name(1).pdf", "name(2).pdf", ... that the program does not have open is proposed instead,
    // numbered as a second tab of one picture is.
    for (int n = 1; host && host->isFileOpen(path); ++n)
        path = base + QStringLiteral("(") + QString::number(n) + QStringLiteral(").pdf");
    return path;
}

int PDFWriter::pageCount() const
{
    const auto *board = dynamic_cast<const DocumentBoard *>(canvas.data());
    return board ? board->pageCount() : 0;
}

QPixmap PDFWriter::pagePixmap(int index) const
{
    auto *board = dynamic_cast<DocumentBoard *>(canvas.data());
    if (!board || index < 0 || index >= board->pageCount())
        return QPixmap();
    return board->renderPageImage(index);
}

void PDFWriter::showOutputName()
{
    // The name is shown as passed unless another is proposed for it.
    const QString file = FileSystem::fileName(outputPath());
    nameLabel->setText(file == FileSystem::completeBaseName(name) + QStringLiteral(".pdf") ? name
                                                                                           : file);
}

void PDFWriter::resetView()
{
    showOutputName();
    folderLabel->setText(outputFolder);
    changeFolderButton->setEnabled(true);
    showProgress(0, 0);
    openFileButton->setEnabled(false);
    openFolderButton->setEnabled(false);
    exportButton->setEnabled(true);
}

void PDFWriter::showProgress(int value, int maximum)
{
    statusLabel->clear();
    statusLabel->hide();
    progressBar->show();
    if (maximum <= 0) {
        progressBar->reset();
        return;
    }
    progressBar->setMaximum(maximum);
    progressBar->setValue(value);
}

void PDFWriter::showResult(bool ok)
{
    progressBar->hide();
    statusLabel->show();
    if (ok) {
        statusLabel->setText(tr("输出成功"));
        statusLabel->setStyleSheet(QStringLiteral("QLabel{color:green;}"));
        openFolderButton->setEnabled(true);
        openFileButton->setEnabled(true);
    } else {
        statusLabel->setText(tr("输出失败"));
        statusLabel->setStyleSheet(QStringLiteral("QLabel{color:red;}"));
        changeFolderButton->setEnabled(true);
        exportButton->setEnabled(true);
    }
}

void PDFWriter::startExport()
{
    const QString path = outputPath();
    if (QFileInfo::exists(path) &&
        !(host && host->askQuestion(path + tr("已存在，是否替换现有文件"))))
        return;
    changeFolderButton->setEnabled(false);
    exportButton->setEnabled(false);
    writePdf(path);
}

bool PDFWriter::applyPageSize(QPdfWriter &writer, const QPixmap &page, double pixelsPerMm)
{
    const QPageSize size(
        QSizeF(qRound(page.width() / pixelsPerMm), qRound(page.height() / pixelsPerMm)),
        QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    return writer.setPageSize(size) && writer.setPageMargins(QMarginsF(0, 0, 0, 0));
}

void PDFWriter::waitForFormFields()
{
    // The fields are read aside after the open; pages written before would leave them out.
    constexpr int limitMs = 60000;
    QElapsedTimer clock;
    clock.start();
    const auto reading = [this] {
        auto *pdf = qobject_cast<PdfCanvas *>(canvas.data());
        return pdf && pdf->documentReader().readingAnnotations();
    };
    while (reading() && !isInterrupted() && clock.elapsed() < limitMs) {
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
}

bool PDFWriter::writePages(QIODevice *device, int count)
{
    waitForFormFields();
    const double s = pixelsPerMillimetre();
    QPdfWriter writer(device);
    writer.setResolution(resolution);
    QPixmap page = pagePixmap(0);
    if (page.isNull() || !applyPageSize(writer, page, s))
        return false;
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        // Closing the dialog drops the board: no page is asked of it after that.
        if (isInterrupted()) {
            painter.end();
            return false;
        }
        if (i > 0) {
            page = pagePixmap(i);
            if (page.isNull() || !applyPageSize(writer, page, s) || !writer.newPage()) {
                painter.end();
                return false;
            }
        }
        painter.drawPixmap(writer.pageLayout().fullRectPixels(resolution), page);
        // One page image at a time.
        page = QPixmap();
        showProgress(i + 1, count);
        emit pageWritten(i + 1);
        QCoreApplication::processEvents();
    }
    return painter.end() && !isInterrupted();
}

bool PDFWriter::writePdf(const QString &path)
{
    // The program may still read pages from an open document: it is never replaced.
    if (host && host->isFileOpen(path)) {
        host->showMessage(fileOpenRefusal(path));
        showResult(false);
        return false;
    }
    const int count = pageCount();
    bool ok = false;
    if (count >= 1) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            ok = writePages(&file, count) && file.commit();
            if (!ok)
                file.cancelWriting();
        }
    }
    showResult(ok);
    return ok;
}

void PDFWriter::changeFolder()
{
    const QString chosen =
        (folderAsker ? folderAsker()
                     : QFileDialog::getExistingDirectory(
                           this, tr("修改输出文件夹"), QString(),
                           QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks))
            .trimmed();
    if (chosen.isEmpty())
        return;
    if (FileSystem::isWritableDir(chosen)) {
        outputFolder = chosen;
        folderLabel->setText(chosen);
        showOutputName();
    } else if (host) {
        host->showMessage(tr("路径不合法或不具有存储权限，请更换其它文件夹"));
    }
}

void PDFWriter::openOutputFolder()
{
    if (!outputFolder.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(outputFolder));
}

void PDFWriter::openWrittenPdf()
{
    const QString path = outputPath();
    if (!QFileInfo::exists(path))
        return;
    accept();
    // Opened once the dialog has closed.
    if (fileOpener)
        QTimer::singleShot(0, qApp, [opener = fileOpener, path] { opener(path); });
}
