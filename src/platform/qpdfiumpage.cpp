#include "platform/qpdfiumpage.h"

#include <QPdfDocument>
#include <QSemaphore>
#include <QThreadPool>
#include <QtMath>

#include <atomic>
#include <memory>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// One pixel of the library's paper laid onto white.
inline QRgb onWhite(QRgb p, bool premultiplied)
{
    const uint a = qAlpha(p);
    if (a == 0)
        return 0xffffffff;
    if (premultiplied) {
        const uint white = 255 - a;
        return qRgb(qRed(p) + white, qGreen(p) + white, qBlue(p) + white);
    }
    const uint white = 255 * (255 - a);
    return qRgb((qRed(p) * a + white + 127) / 255, (qGreen(p) * a + white + 127) / 255,
                (qBlue(p) * a + white + 127) / 255);
}

#ifdef __SSE2__
// Four pixels of unpremultiplied paper laid onto white at once, by the same rounding as onWhite:
// (c * a + 255 * (255 - a) + 127) / 255, where t / 255 is (t * 0x8081) >> 23 for any 16 bits.
inline __m128i fourOnWhite(__m128i four)
{
    const __m128i zero = _mm_setzero_si128();
    const auto half = [&](__m128i c) {
        __m128i a = _mm_shufflelo_epi16(c, _MM_SHUFFLE(3, 3, 3, 3));
        a = _mm_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 3, 3));
        const __m128i paper =
            _mm_mullo_epi16(_mm_sub_epi16(_mm_set1_epi16(255), a), _mm_set1_epi16(255));
        const __m128i t =
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(c, a), paper), _mm_set1_epi16(127));
        return _mm_srli_epi16(_mm_mulhi_epu16(t, _mm_set1_epi16(short(0x8081))), 7);
    };
    const __m128i mixed =
        _mm_packus_epi16(half(_mm_unpacklo_epi8(four, zero)), half(_mm_unpackhi_epi8(four, zero)));
    return _mm_or_si128(mixed, _mm_set1_epi32(int(0xff000000)));
}

inline bool allEqual(__m128i a, __m128i b)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi32(a, b)) == 0xffff;
}

inline bool allOpaque(__m128i four)
{
    const __m128i alpha = _mm_set1_epi32(int(0xff000000));
    return allEqual(_mm_and_si128(four, alpha), alpha);
}

inline __m128i fourLaidOnWhite(__m128i four)
{
    if (allEqual(four, _mm_setzero_si128()))
        return _mm_set1_epi32(-1);
    return allOpaque(four) ? four : fourOnWhite(four);
}

// Eight unpremultiplied pixels from x on: blank paper and opaque runs (most of a text page, all
// of a scanned one) cost one test, and only the edges of what is drawn are mixed.
inline int layLineOnWhite(QRgb *line, int w)
{
    int x = 0;
    for (; x + 8 <= w; x += 8) {
        auto *at = reinterpret_cast<__m128i *>(line + x);
        const __m128i a = _mm_loadu_si128(at);
        const __m128i b = _mm_loadu_si128(at + 1);
        if (allEqual(_mm_or_si128(a, b), _mm_setzero_si128())) {
            _mm_storeu_si128(at, _mm_set1_epi32(-1));
            _mm_storeu_si128(at + 1, _mm_set1_epi32(-1));
        } else if (!allOpaque(_mm_and_si128(a, b))) {
            _mm_storeu_si128(at, fourLaidOnWhite(a));
            _mm_storeu_si128(at + 1, fourLaidOnWhite(b));
        }
    }
    return x;
}
#endif

// Rows from to to of the library's paper (ARGB, transparent where nothing is drawn) laid onto
// white in place, so that the page needs neither a second image nor a painter.
void layRowsOnWhite(uchar *bits, qsizetype bytesPerLine, int width, int from, int to,
                    bool premultiplied)
{
    for (int y = from; y < to; ++y) {
        auto *line = reinterpret_cast<QRgb *>(bits + y * bytesPerLine);
        int x = 0;
#ifdef __SSE2__
        if (!premultiplied)
            x = layLineOnWhite(line, width);
#endif
        for (; x < width; ++x) {
            if (qAlpha(line[x]) != 255)
                line[x] = onWhite(line[x], premultiplied);
        }
    }
}

// The library has just filled the whole page, which no cache holds any more: laying it on
// white goes at the speed of memory, more of which several cores draw than one (a tenth of
// the render of a text page on one). A large page is laid in bands on the shared pool, as Qt
// lays its own image conversions; this thread takes bands too, and waits only for bands a
// pool thread has begun, so a busy pool never holds it up.
constexpr qsizetype bandBytes = 1 << 20;
constexpr int maxBands = 8;

void layOnWhite(QImage &image)
{
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    const int w = image.width();
    const int h = image.height();
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    // None while the program ends.
    QThreadPool *pool = QThreadPool::globalInstance();
    const int bands =
        pool ? int(qBound<qsizetype>(1, image.sizeInBytes() / bandBytes,
                                     qMin<qsizetype>(maxBands, pool->maxThreadCount() + 1)))
             : 1;
    if (bands <= 1) {
        layRowsOnWhite(bits, stride, w, 0, h, premultiplied);
        return;
    }
    struct Bands
    {
        std::atomic_int next{0};
        QSemaphore done;
    };
    const auto work = std::make_shared<Bands>();
    const auto lay = [=] {
        for (int band; (band = work->next.fetch_add(1)) < bands;) {
            layRowsOnWhite(bits, stride, w, int(qint64(h) * band / bands),
                           int(qint64(h) * (band + 1) / bands), premultiplied);
            work->done.release();
        }
    };
    for (int i = 1; i < bands; ++i)
        pool->start(lay);
    lay();
    work->done.acquire(bands);
}

} // namespace

QPdfiumPage::QPdfiumPage(std::shared_ptr<QPdfDocument> doc, int page, const QSizeF &pagePoints,
                         bool drawAnnotations)
    : document(std::move(doc))
    , number(page)
    , points(pagePoints)
    , annotations(drawAnnotations)
{}

bool QPdfiumPage::isValid() const
{
    return document && number >= 0 && points.width() > 0 && points.height() > 0;
}

QImage QPdfiumPage::image(double scale) const
{
    if (!isValid() || !(scale > 0))
        return QImage();
    return image(QSize(qRound(points.width() * scale), qRound(points.height() * scale)));
}

QImage QPdfiumPage::image(const QSize &size) const
{
    if (!isValid() || size.isEmpty())
        return QImage();
    // Annotations (highlights, notes, ink) are part of what the author shows; the pass is left
    // out only where it would draw nothing.
    QPdfDocumentRenderOptions options;
    if (annotations)
        options.setRenderFlags(QPdf::RenderAnnotations);
    QImage page = document->render(number, size, options);
    if (page.isNull())
        return QImage();
    if (page.format() != QImage::Format_ARGB32 &&
        page.format() != QImage::Format_ARGB32_Premultiplied)
        page = page.convertToFormat(QImage::Format_ARGB32);
    // The library leaves the paper transparent; pages are shown on white paper. An opaque
    // result also draws onto layers as a plain copy.
    layOnWhite(page);
    page.reinterpretAsFormat(QImage::Format_RGB32);
    return page;
}
