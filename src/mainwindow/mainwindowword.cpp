// Word documents: converted to PDF by the office suite, then opened in a PDF tab.
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>

#include "base/filesystem.h"
#include "base/paths.h"
#include "mainwindow/mainwindow.h"
#include "platform/documentconverter.h"
#include "slideshow/officeopenwithdialog.h"
#include "slideshow/officesuite.h"

DocumentConverter *MainWindow::documentConverter()
{
    if (!converter) {
        converter = new DocumentConverter(this);
        converter->setProfileDir(officeProfileDirPath());
        connect(converter, &DocumentConverter::converting, this,
                [this] { setAuxLabelAText(QStringLiteral("正在转换文件")); });
    }
    return converter;
}

QString MainWindow::statusText() const
{
    return ui.auxLabelA->text();
}

void MainWindow::openWordDocument(const QString &path)
{
    // The window stays usable while converting: opening the same file again meanwhile leaves
    // it to the conversion already running.
    if (activateTabWithPath(path) || convertingDocuments.contains(path))
        return;
    convertingDocuments.append(path);
    const QString pdf = convertWordToPdf(path);
    convertingDocuments.removeOne(path);
    setAuxLabelAText(QString());
    if (pdf.isEmpty())
        return;
    // The copy lives only as long as a tab shows it.
    if (closing || !openPdfTab(pdf, FileSystem::fileName(path), path))
        FileSystem::removeFile(pdf);
}

QString MainWindow::convertWordToPdf(const QString &path)
{
    // Named by the time, but never the name of a copy that exists or is on its way.
    qint64 stamp = QDateTime::currentMSecsSinceEpoch();
    QString output;
    do {
        output = clipboardDirPath() + QStringLiteral("/") + productLowerName +
                 QString::number(stamp++) + QStringLiteral(".pdf");
    } while (FileSystem::fileExists(output) || convertingTargets.contains(output));

    const OfficeSuite::Choice suite =
        OfficeSuite::choose(OfficeSuite::officeFound(), OfficeSuite::wpsFound(), [] {
            OfficeOpenWithDialog dialog(nullptr);
            return dialog.choose();
        });
    if (suite == OfficeSuite::Cancelled)
        return QString();
    // Every suite found on Linux converts through the one converter.
    setAuxLabelAText(QStringLiteral("正在初始化组件"));
    QCoreApplication::processEvents();

    convertingTargets.append(output);
    const DocumentConverter::Result result =
        documentConverter()->convert(path, QStringLiteral("pdf"), output);
    convertingTargets.removeOne(output);
    if (result == DocumentConverter::Converted)
        return output;
    // Quitting ended the conversion: nothing to tell.
    if (closing)
        return QString();
    switch (result) {
        case DocumentConverter::NotStarted:
            showMessage(QStringLiteral("无法启动Office或WPS"));
            break;
        case DocumentConverter::Crashed:
            showMessage(QStringLiteral("Word组件拒绝访问"));
            break;
        case DocumentConverter::NotLoaded:
            showMessage(QStringLiteral("打开过程被阻断[001}"));
            break;
        default:
            showMessage(QStringLiteral("打开过程被阻断[002}"));
            break;
    }
    return QString();
}
