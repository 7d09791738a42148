#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>

class CanvasHost;
class DocumentBoard;
class QIODevice;
class QLabel;
class QPdfWriter;
class QProgressBar;
class QPushButton;

// The "导出PDF" dialog: writes every page of a document, with its drawing, into one PDF file, one
// PDF page per board page, each as large in millimetres as the page is on the screen at zoom 1.
// The file is written beside the target under a temporary name and takes the target's place only
// when every page was written, so a failed or cancelled export leaves an older file intact.
class PDFWriter : public QDialog
{
    Q_OBJECT
public:
    explicit PDFWriter(QWidget *parent = nullptr, CanvasHost *host = nullptr);

    // Runs the dialog for the board canvas (kind 2: a PDF board) and gives the folder, possibly
    // changed by the user; without a name or canvas nothing is shown and folder comes back.
    QString exportPdf(const QString &name, int kind, QWidget *canvas, const QString &folder);
    // What exportPdf does before the dialog runs (tests drive the dialog from here).
    bool prepare(const QString &name, int kind, QWidget *canvas, const QString &folder);

    int pageCount() const;
    QPixmap pagePixmap(int index) const;
    QString folder() const { return outputFolder; }
    // The file written: folder, the name without its last suffix, ".pdf"; a file the program
    // has open is never proposed.
    QString outputPath() const;
    bool isInterrupted() const { return !running || canvas.isNull(); }

    // Seams: the folder question, and opening the written file in the program.
    using FolderAsker = std::function<QString()>;
    void setFolderAsker(FolderAsker asker) { folderAsker = std::move(asker); }
    using FileOpener = std::function<void(const QString &path)>;
    void setFileOpener(FileOpener opener) { fileOpener = std::move(opener); }

public slots:
    void startExport();
    bool writePdf(const QString &path);
    void changeFolder();
    void openOutputFolder();
    void openWrittenPdf();

signals:
    // After each written page, counted from 1.
    void pageWritten(int count);

private:
    void resetView();
    void showOutputName();
    void showProgress(int value, int maximum);
    void showResult(bool ok);
    bool writePages(QIODevice *device, int count);
    // Waits, the window answering, until a PDF board's form fields are drawn into its pages.
    void waitForFormFields();
    static bool applyPageSize(QPdfWriter &writer, const QPixmap &page, double pixelsPerMm);
    QPushButton *iconButton(const QString &icon, const QString &tip);

    CanvasHost *host = nullptr;
    QString name;
    QString outputFolder;
    int kind = 0;
    QPointer<QWidget> canvas;
    bool running = false;
    QLabel *nameLabel = nullptr;
    QLabel *folderLabel = nullptr;
    QPushButton *changeFolderButton = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *statusLabel = nullptr;
    QPushButton *openFileButton = nullptr;
    QPushButton *openFolderButton = nullptr;
    QPushButton *exportButton = nullptr;
    FolderAsker folderAsker;
    FileOpener fileOpener;
};
