// Opening a presentation of 20 slides with notes: seconds from the open to the first slide
// shown (both conversions, thumbnails, notes), cold (a new converter profile) and warm (median
// of 3), then milliseconds per page turn (backdrop, outline, notes, colour, overlay page).
// The presentation is made by LibreOffice itself beforehand. Last, a 200 MB deck with a 50 MB
// flat copy (a converter stand-in that hands out prepared copies): the longest stretch in
// which the window could not paint while it opens.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include "base/globals.h"
#include "benchstats.h"
#include "boxanswerer.h"
#include "canvas/canvas.h"
#include "documents/slidebackgroundlabel.h"
#include "documents/tabitem.h"
#include "fakes.h"
#include "mainwindow/mainwindow.h"
#include "pdffixtures.h"
#include "slidefixtures.h"
#include "windowsetup.h"

namespace {

MainWindow *buildWindow()
{
    auto *window = new MainWindow;
    startWithFakes(*window);
    window->resize(1600, 900);
    window->show();
    return window;
}

// Seconds from the open to the first slide on screen; negative on failure.
double openToFirstSlide(MainWindow *w, const QString &pptx)
{
    QElapsedTimer timer;
    timer.start();
    w->openFiles({pptx});
    TabItem *tab = w->currentTabItem();
    if (!tab || tab->kind != DocumentKind::SlideShow || tab->canvas->pageCount() != 20 ||
        tab->slideBackground->pixmap(Qt::ReturnByValue).isNull())
        return -1;
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e9;
}

// The 200 MB deck: seconds to open and the longest gap between two ticks of a 5 ms timer
// while it opens.
void bigDeck()
{
    OfficeFakes office;
    QList<SlideSpec> slides;
    const QString notes(8000, QChar(0x5b57));
    for (int i = 0; i < 2000; ++i)
        slides << SlideSpec{QStringLiteral("第%1页").arg(i), {notes}, QString(), i >= 20};
    const QString pdf = office.dir.filePath(QStringLiteral("deck.pdf"));
    const QString fodp = office.dir.filePath(QStringLiteral("deck.fodp"));
    const QString deck = office.dir.filePath(QStringLiteral("deck.pptx"));
    const QByteArray flat = flatPresentationXml(slides);
    if (!office.setUp() || !writeTestPdf(pdf, QVector<QSizeF>(20, QSizeF(720, 540))) ||
        !FileSystem::writeBytes(fodp, flat) ||
        !FileSystem::writeBytes(deck, QByteArray(200 * 1024 * 1024, 'p'))) {
        std::printf("could not write the 200 MB deck: nothing measured\n");
        return;
    }
    qputenv("QB_FAKE_PDF", pdf.toUtf8());
    qputenv("QB_FAKE_FODP", fodp.toUtf8());
    office.use(QStringLiteral("fixture"));
    MainWindow *w = office.window();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(5);
    clock.start();
    {
        BoxAnswerer answer(QStringLiteral("OK"));
        w->openFiles({deck});
    }
    const double seconds = clock.elapsed() / 1e3;
    longest = std::max(longest, clock.elapsed() - last);
    const bool opened = w->currentTabItem() && w->currentTabItem()->kind == DocumentKind::SlideShow;
    std::printf(
        "200 MB deck, %d MB flat copy: %s in %.2f s, longest gap between repaints "
        "%lld ms\n",
        int(flat.size() / (1024 * 1024)), opened ? "opened" : "NOT opened", seconds, longest);
    office.deleteWindows();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    appDataDir = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(appDataDir);
    QList<SlideSpec> slides;
    for (int i = 1; i <= 20; ++i)
        slides << SlideSpec{QStringLiteral("第%1页 Lesson slide").arg(i),
                            {QStringLiteral("讲解要点 %1，").arg(i), QStringLiteral("课堂提问。")},
                            i % 3 ? QString() : QStringLiteral("#f0f4e8"),
                            false};
    if (!writeRealPresentation(dir.filePath(QStringLiteral("lesson.fodp")), dir.path(),
                               dir.filePath(QStringLiteral("maker")), slides)) {
        std::printf("soffice not found or failed: nothing measured\n");
        return 0;
    }
    const QString pptx = dir.filePath(QStringLiteral("lesson.pptx"));

    MainWindow *w = buildWindow();
    const double cold = openToFirstSlide(w, pptx);
    QVector<double> warm;
    for (int run = 0; run < 3; ++run) {
        w->closeAllTabs();
        QCoreApplication::processEvents();
        warm << openToFirstSlide(w, pptx);
    }
    std::printf("20-slide pptx, open to first slide: cold %.2f s, warm %.2f s (median of 3)\n",
                cold, median(warm));

    const int turns = 60;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < turns; ++i) {
        w->navigateSlideShow(4);
        QCoreApplication::processEvents();
    }
    const double perTurn = timer.nsecsElapsed() / 1e6 / turns;
    std::printf("page turn (slide %dx%d shown): %.1f ms per turn over %d turns\n",
                w->slideShow()->slidePlacementRect().width(),
                w->slideShow()->slidePlacementRect().height(), perTurn, turns);
    w->closeAllTabs();
    delete w;
    bigDeck();
    return 0;
}
