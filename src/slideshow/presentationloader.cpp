#include "slideshow/presentationloader.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <atomic>

#include "platform/documentconverter.h"
#include "slideshow/flatpresentation.h"

namespace {

// Runs work on a thread of its own while the calling thread's events go on, so the window
// keeps painting; returns when the work is done. When the application quits meanwhile, stop
// is raised and the work waited for.
template <class Work>
void runBeside(Work work, std::atomic_bool &stop)
{
    QEventLoop loop;
    QThread *thread = QThread::create(work);
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    if (!thread->isFinished())
        loop.exec();
    stop = true;
    thread->wait();
    delete thread;
}

// A copy in slices of 1 MB, so that it can stop between two; a copy that did not finish is
// removed. target must not exist yet.
bool copyInSlices(const QString &source, const QString &target, const std::atomic_bool &stop)
{
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    QByteArray slice(1 << 20, Qt::Uninitialized);
    bool copied = false;
    while (!stop) {
        const qint64 n = in.read(slice.data(), slice.size());
        if (n <= 0) {
            copied = n == 0;
            break;
        }
        if (out.write(slice.constData(), n) != n)
            break;
    }
    out.close();
    copied = copied && out.error() == QFileDevice::NoError;
    if (!copied)
        out.remove();
    return copied;
}

} // namespace

PresentationLoader::PresentationLoader(DocumentConverter *converter)
    : converter(converter)
{}

QString PresentationLoader::cacheFolderMessage(const QString &folder)
{
    return QStringLiteral("打开幻灯片文件失败：无法创建临时文件夹") + folder + QStringLiteral(",") +
           QStringLiteral("请手动创建后，再尝试打开幻灯片文件。");
}

QString PresentationLoader::noSuiteMessage()
{
    const QString br = QStringLiteral("<br>") + QString(19, QLatin1Char(' '));
    return QStringLiteral("打开幻灯片文件失败，可能原因：") + br +
           QStringLiteral("1、未安装Office或WPS") + br +
           QStringLiteral("2、Office或WPS非正常安装，或版本不兼容") + br +
           QStringLiteral("3、打开任务管理器，关闭未正常退出的Office或WPS程序") + br +
           QStringLiteral("请退出程序，解决问题后再尝试重启程序");
}

QString PresentationLoader::notLoadedMessage()
{
    return QStringLiteral(
        "打开幻灯片文件失败，可能原因：<br>1、文件或文件格式不正确；<br>"
        "2、打开过程被阻断[001]");
}

QString PresentationLoader::blockedMessage(int stage)
{
    return QStringLiteral("幻灯片载入异常，打开过程被阻断[00%1]").arg(stage);
}

bool PresentationLoader::fail(const QString &text)
{
    discard();
    notes.clear();
    colours.clear();
    message = text;
    return false;
}

void PresentationLoader::discard()
{
    for (const QString &path : {copyPath, pdfPath, notesPath}) {
        if (!path.isEmpty())
            QFile::remove(path);
    }
}

bool PresentationLoader::copy(const QString &source, const QString &folder, const QString &stamp,
                              const QString &pdfSuffix)
{
    message.clear();
    notes.clear();
    colours.clear();
    copyPath.clear();
    pdfPath.clear();
    notesPath.clear();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return fail(cacheFolderMessage(folder));
    const QString base = folder + QStringLiteral("/") + stamp + QStringLiteral(".");
    const QString copy = base + QFileInfo(source).suffix().toLower();
    // The converter opens an empty file as a new, empty presentation: not the teacher's.
    if (!QFileInfo(source).isFile() || QFileInfo(source).size() == 0)
        return fail(notLoadedMessage());
    // A large deck on a slow stick takes seconds to copy: not in the window's thread.
    std::atomic_bool stop{false};
    bool copied = false;
    runBeside([&] { copied = copyInSlices(source, copy, stop); }, stop);
    if (!copied)
        return fail(notLoadedMessage());
    copyPath = copy;
    pdfPath = base + pdfSuffix;
    notesPath = base + QStringLiteral("fodp");
    return true;
}

bool PresentationLoader::load(const QString &source, const QString &folder, const QString &stamp,
                              const QString &pdfSuffix)
{
    return copy(source, folder, stamp, pdfSuffix) && convert();
}

bool PresentationLoader::convert()
{
    if (copyPath.isEmpty())
        return fail(notLoadedMessage());
    // Both conversions at once, each with a profile of its own: the notes conversion starts
    // inside the PDF conversion's event loop, as soon as that one runs.
    DocumentConverter::Result notesResult = DocumentConverter::NoOutput;
    bool notesStarted = false;
    QTimer second;
    second.setSingleShot(true);
    QObject::connect(&second, &QTimer::timeout, [&] {
        notesStarted = true;
        notesResult = converter->convert(copyPath, QStringLiteral("fodp"), notesPath);
    });
    second.start(0);
    const DocumentConverter::Result pdfResult =
        converter->convert(copyPath, QStringLiteral("pdf"), pdfPath);
    second.stop();
    switch (pdfResult) {
        case DocumentConverter::Converted:
            break;
        case DocumentConverter::NotStarted:
            return fail(noSuiteMessage());
        case DocumentConverter::NotLoaded:
            return fail(notLoadedMessage());
        default:
            return fail(blockedMessage(1));
    }
    if (!notesStarted)
        notesResult = converter->convert(copyPath, QStringLiteral("fodp"), notesPath);
    // Anything the converter can print, plain text included, makes a PDF; only a presentation
    // has a filter that writes a flat presentation.
    if (notesResult == DocumentConverter::NoFilter)
        return fail(notLoadedMessage());
    // Any other loss of the notes source still opens the slides, without notes at all rather
    // than with those read up to a cut; message says so.
    FlatPresentation flat;
    bool read = false;
    if (notesResult == DocumentConverter::Converted) {
        std::atomic_bool parsed{false};
        runBeside([&] { read = flat.read(notesPath); }, parsed);
    }
    QFile::remove(notesPath);
    notesPath.clear();
    if (!read) {
        message = blockedMessage(4);
        return true;
    }
    notes = flat.notes;
    colours = flat.colours;
    return true;
}
