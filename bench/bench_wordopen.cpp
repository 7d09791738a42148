// Opening a Word document of 10 pages: seconds from the open to the first page rendered, cold
// (a new converter profile, the first conversion of a run) and warm (the same profile again,
// median of 3). The document is made by LibreOffice itself beforehand.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPdfDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

#include "base/filesystem.h"
#include "benchstats.h"
#include "platform/documentconverter.h"

namespace {

// Seconds from the conversion's start to the first page's picture; negative on failure.
double openToFirstPage(const QString &docx, const QString &profiles, const QString &target)
{
    QElapsedTimer timer;
    timer.start();
    DocumentConverter converter;
    converter.setProfileDir(profiles);
    if (converter.convert(docx, QStringLiteral("pdf"), target) != DocumentConverter::Converted)
        return -1;
    QPdfDocument document;
    if (document.load(target) != QPdfDocument::NoError || document.pageCount() != 10)
        return -1;
    const QSizeF page = document.pageSize(0);
    const QImage image = document.render(0, page.toSize());
    if (image.isNull())
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        std::printf("soffice not found: nothing measured\n");
        return 0;
    }
    QTemporaryDir dir;
    QByteArray html = "<html><body>";
    for (int i = 1; i <= 10; ++i) {
        html += i == 1 ? "<h1>" : "<h1 style=\"page-break-before:always\">";
        html += QByteArray::number(i) + "</h1>";
        for (int p = 0; p < 12; ++p)
            html += "<p>教学目标与重点难点，课堂练习与作业布置。Lesson plan text.</p>";
    }
    html += "</body></html>";
    const QString source = dir.filePath(QStringLiteral("lesson.html"));
    FileSystem::writeBytes(source, html);
    QProcess make;
    make.start(
        soffice,
        {QStringLiteral("-env:UserInstallation=") +
             QString::fromUtf8(QUrl::fromLocalFile(dir.filePath("maker")).toEncoded()),
         QStringLiteral("--headless"), QStringLiteral("--convert-to"),
         QStringLiteral("docx:MS Word 2007 XML"), QStringLiteral("--outdir"), dir.path(), source});
    make.waitForFinished(120000);
    const QString docx = dir.filePath(QStringLiteral("lesson.docx"));

    const QString profiles = dir.filePath(QStringLiteral("profiles"));
    const double cold = openToFirstPage(docx, profiles, dir.filePath("out/cold.pdf"));
    QVector<double> warm;
    for (int run = 0; run < 3; ++run)
        warm << openToFirstPage(docx, profiles,
                                dir.filePath(QStringLiteral("out/warm%1.pdf").arg(run)));
    std::printf("10-page docx, open to first page: cold %.2f s, warm %.2f s (median of 3)\n", cold,
                median(warm));
    return 0;
}
