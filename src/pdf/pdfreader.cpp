#include "pdf/pdfreader.h"

#include <QInputDialog>
#include <QLineEdit>
#include <climits>

#include "base/uimetrics.h"
#include "drawing/pagelimits.h"

namespace {

PDFReader::PasswordAsker &passwordAsker()
{
    static PDFReader::PasswordAsker asker;
    return asker;
}

} // namespace

PDFReader::PDFReader(QObject *parent)
    : QObject(parent)
{}

void PDFReader::setPasswordAsker(PasswordAsker asker)
{
    passwordAsker() = std::move(asker);
}

void PDFReader::setScreenMetrics(double pixelsPerMillimetre, int fitLimit)
{
    screenPixelsPerMm = pixelsPerMillimetre;
    screenFitLimit = fitLimit;
}

void PDFReader::reset()
{
    loadStatus = notLoaded;
    loadedPath.clear();
    password.clear();
    message.clear();
    pageTotal = 0;
    minimumSide = 0;
    minWidth = minHeight = maxWidth = maxHeight = 0;
    pointScale = 0.0;
    sizes.clear();
    numbers.clear();
    usableIndex.clear();
}

bool PDFReader::askPassword(QString *typed) const
{
    if (passwordAsker())
        return passwordAsker()(typed);
    bool ok = false;
    *typed = QInputDialog::getText(nullptr, tr("请输入文档密码"), QString(), QLineEdit::Password,
                                   QString(), &ok);
    return ok;
}

bool PDFReader::load(const QString &file)
{
    reset();
    loadStatus = document.loadFile(file, QString());
    QString typed;
    if (loadStatus == QPdfium::PasswordError && askPassword(&typed))
        loadStatus = document.loadFile(file, typed);
    else
        typed.clear();
    if (loadStatus != QPdfium::Success) {
        // Nothing of a previous document may stay behind a failed load.
        labels.clear();
        labelIndexes.clear();
        return false;
    }
    loadedPath = file;
    password = typed;
    pageTotal = document.pageCount();
    if (pageTotal <= 0) {
        message = tr("空白文件");
        labels.clear();
        labelIndexes.clear();
        return false;
    }
    computePageSizes();
    buildPageLabels();
    return true;
}

QString PDFReader::statusText() const
{
    switch (loadStatus) {
        case notLoaded:
            return tr("未加载");
        case QPdfium::Success:
            return QString();
        case QPdfium::FileError:
            return tr("文件错误");
        case QPdfium::FormatError:
            return tr("文件格式错误");
        case QPdfium::PasswordError:
            return tr("密码错误");
        case QPdfium::HandleError:
            return tr("句柄错误");
        case QPdfium::NotFoundError:
            return tr("未找到文件");
        default:
            return tr("未知错误");
    }
}

QString PDFReader::errorText() const
{
    return message.isEmpty() ? statusText() : message;
}

void PDFReader::buildPageLabels()
{
    // Built from the usable pages of this load, so that label i always stands for page i of
    // the board, whatever was loaded before and whatever was left out.
    labels.clear();
    labelIndexes.clear();
    for (int i = 0; i < numbers.size(); ++i) {
        labels << QStringLiteral("第 ") + QString::number(numbers.at(i) + 1) +
                      QStringLiteral(" 页");
        labelIndexes << i;
    }
}

void PDFReader::computePageSizes()
{
    const double ppmm = screenPixelsPerMm > 0 ? screenPixelsPerMm : pixelsPerMillimetre();
    usableIndex.fill(-1, qMax(0, pageTotal));
    for (int i = 0; i < pageTotal; ++i) {
        const QSizeF points = document.pageSize(i);
        // Pages without a positive size would divide by zero below; they are left out.
        if (!(points.width() > 0) || !(points.height() > 0))
            continue;
        const int w = qRound(pointsToMillimetres(points.width()) * ppmm);
        const int h = qRound(pointsToMillimetres(points.height()) * ppmm);
        if (w < qMax(1, minimumSide) || h < qMax(1, minimumSide))
            continue;
        if (sizes.isEmpty()) {
            minWidth = w;
            minHeight = h;
            pointScale = w / points.width();
        } else {
            minWidth = qMin(minWidth, w);
            minHeight = qMin(minHeight, h);
        }
        maxWidth = qMax(maxWidth, w);
        maxHeight = qMax(maxHeight, h);
        usableIndex[i] = sizes.size();
        sizes << QSize(w, h);
        numbers << i;
    }
    if (sizes.isEmpty())
        return;

    const int limit = screenFitLimit >= 0
                          ? screenFitLimit
                          : availableScreenWidth() - sidePanelWidth() - 4 * spacingUnit() - 30;
    if (maxWidth < limit) {
        const double g = double(limit) / maxWidth;
        for (QSize &size : sizes)
            size = QSize(qRound(g * size.width()), qRound(g * size.height()));
        minWidth = int(g * minWidth);
        minHeight = int(g * minHeight);
        maxWidth = int(g * maxWidth);
        maxHeight = int(g * maxHeight);
        pointScale *= g;
    }

    // A huge page (a wall chart, a banner) would need layers of gigabytes: it is shown smaller,
    // as the board does with huge pictures.
    bool limited = false;
    for (QSize &size : sizes) {
        const QSize fitting = limitedPageSize(size);
        limited = limited || fitting != size;
        size = fitting;
    }
    if (limited) {
        minWidth = minHeight = INT_MAX;
        maxWidth = maxHeight = 0;
        for (const QSize &size : qAsConst(sizes)) {
            minWidth = qMin(minWidth, size.width());
            minHeight = qMin(minHeight, size.height());
            maxWidth = qMax(maxWidth, size.width());
            maxHeight = qMax(maxHeight, size.height());
        }
    }
}

QSize PDFReader::pixelSizeOf(int pdfPage) const
{
    if (pdfPage < 0 || pdfPage >= usableIndex.size() || usableIndex.at(pdfPage) < 0)
        return QSize();
    return sizes.at(usableIndex.at(pdfPage));
}

QImage PDFReader::pageImage(int pdfPage, double scale) const
{
    if (loadStatus != QPdfium::Success || pdfPage < 0 || pdfPage >= pageTotal ||
        !(pointScale > 0) || !(scale > 0))
        return QImage();
    const QPdfiumPage page = document.page(pdfPage);
    if (!page.isValid())
        return QImage();
    const QSize size = pixelSizeOf(pdfPage);
    if (size.isEmpty())
        return page.image(scale * pointScale);
    return page.image(QSize(qRound(size.width() * scale), qRound(size.height() * scale)));
}
