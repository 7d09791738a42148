// The slide show's pages: the presentation is converted into the slide cache and shown page by
// page from its PDF copy, with the ink overlay over each slide, thumbnails, colours and notes.
#include "documents/slideshowdocument.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHash>
#include <QPainter>

#include "base/appsettings.h"
#include "base/filesystem.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "canvas/canvas.h"
#include "documents/documenthost.h"
#include "documents/scrollarea.h"
#include "documents/slideoutlinecombo.h"
#include "documents/tabitem.h"
#include "documents/toolbarport.h"
#include "drawing/paintproperty.h"
#include "pdf/pdfreader.h"
#include "platform/documentconverter.h"
#include "platform/slideshowbridge.h"
#include "slideshow/inkoverlay.h"
#include "slideshow/liveshow.h"
#include "slideshow/officeopenwithdialog.h"
#include "slideshow/officesuite.h"
#include "slideshow/presentationloader.h"
#include "slideshow/remarkshower.h"
#include "slideshow/slidegeometry.h"

namespace {

// The names of the copies in the slide cache.
const QString productLowerName = QStringLiteral("quillboard");
const QString shortPrefix = QStringLiteral("qb_");

// The colour most of a picture's edge pixels have: the slide's background where the slide
// names none.
QString edgeColourName(const QImage &image)
{
    if (image.isNull())
        return QStringLiteral("#ffffff");
    QHash<QRgb, int> counts;
    const int w = image.width();
    const int h = image.height();
    for (int x = 0; x < w; ++x) {
        ++counts[image.pixel(x, 0) | 0xff000000u];
        ++counts[image.pixel(x, h - 1) | 0xff000000u];
    }
    for (int y = 1; y + 1 < h; ++y) {
        ++counts[image.pixel(0, y) | 0xff000000u];
        ++counts[image.pixel(w - 1, y) | 0xff000000u];
    }
    QRgb best = qRgb(255, 255, 255);
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most || (it.value() == most && it.key() < best)) {
            best = it.key();
            most = it.value();
        }
    }
    return QColor(best).name();
}

// One line a slide, as the notes panel shows them.
QString noteLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

} // namespace

SlideShowDocument::SlideShowDocument(DocumentHost &host, QWidget *window)
    : QObject(window)
    , host(host)
    , window(window)
{
    overlayCanvas = new Canvas(Canvas::SlideOverlay, Qt::transparent, host.tools(), window, &host);
    overlayCanvas->hide();
}

SlideShowDocument::~SlideShowDocument() = default;

bool SlideShowDocument::isCurrent() const
{
    const TabItem *tab = host.currentTabItem();
    return tab && tab->kind == DocumentKind::SlideShow && tab->canvas;
}

void SlideShowDocument::shown()
{
    updateSlideShowGeometry(true);
    syncSlideShowToPage();
    overlayCanvas->show();
    overlayCanvas->activateWindow();
    overlayCanvas->raise();
    if (shouldPollSlideShow())
        startSlidePoll();
    else
        stopSlidePoll();
}

void SlideShowDocument::hidden()
{
    overlayCanvas->hide();
    stopSlidePoll();
}

void SlideShowDocument::navigate(SlideCommand command)
{
    if (!isCurrent())
        return;
    Canvas *canvas = host.currentTabItem()->canvas;
    const int count = canvas->pageCount();
    if (count <= 0)
        return;
    if (isSlideShowAlive()) {
        sendSlideShowCommand(command, count);
        canvas->takeFocus();
        return;
    }
    const int target = SlideGeometry::pageAfterCommand(command, currentSlide, count);
    if (target > 0)
        showSlidePage(target);
    // Whatever turned the page, the keys go on turning it.
    canvas->takeFocus();
}

void SlideShowDocument::updatePageRow()
{
    ToolBarPort *bar = host.toolBar();
    bar->setZoomEnabled(false);
    bar->setRotateEnabled(false);
    bar->setBoardGridEnabled(true);
    bar->setPdfResetEnabled(false);
    host.setSlideControlsVisible(true);
    host.setPdfPageControlsVisible(false);
    const TabItem *tab = host.currentTabItem();
    const Canvas *canvas = tab ? tab->canvas : nullptr;
    refreshSlideOutline(currentSlide);
    host.setPageLabel(currentSlide, canvas ? canvas->pageCount() : 0);
    host.setProgressPercent(canvas ? canvas->zoom() : 0.0);
    applyShowPptStep();
    showSlideNotes(currentSlide);
    applySlideBackgroundColour(currentSlide);
    renderSlideBackdrop(currentSlide);
}

void SlideShowDocument::close()
{
    overlayCanvas->reset();
    overlayCanvas->hide();
    cleanSlideCaches();
    stopSlidePoll();
}

bool SlideShowDocument::isSlideShowLost() const
{
    const PaintProperty *tools = host.tools();
    return isCurrent() && tools && tools->paintTool == PaintTool::Mouse && !isSlideShowAlive();
}

void SlideShowDocument::navigateSlideShow(int step)
{
    if (const std::optional<SlideCommand> command = SlideGeometry::slideCommandFromInt(step))
        navigate(*command);
}

void SlideShowDocument::slideBackgroundStep()
{
    if (isCurrent())
        host.currentTabItem()->canvas->takeFocus();
}

void SlideShowDocument::openSlideFile(const QString &path)
{
    if (slideTab || slideOpening) {
        host.showMessage(path + QStringLiteral("打开被取消，仅支持打开单个幻灯片文件"));
        return;
    }
    slideOpening = true;
    openPresentation(path);
    slideOpening = false;
}

bool SlideShowDocument::buildSlideTab(const QString &path)
{
    QList<QSize> pageSizes;
    QList<QPixmap> backgrounds;
    for (int i = 0; i < slideCount; ++i) {
        pageSizes << QSize(fitWidth, fitHeight);
        backgrounds << QPixmap();
    }
    overlayCanvas->reset();
    if (!overlayCanvas->loadPages(pageSizes, backgrounds)) {
        overlayCanvas->reset();
        cleanSlideCaches();
        return false;
    }
    const QString pdf =
        pptCacheDirPath() + QStringLiteral("/") + slideStamp + QStringLiteral(".") + shortPrefix;
    overlayCanvas->setCachePath(pdf);
    if (!computeSlideShowPlacement())
        slidePlacement = QRect(0, 0, fitWidth, fitHeight);
    overlayCanvas->setZoom(slideZoom);

    disconnect(overlayCanvas, nullptr, this, nullptr);
    connect(overlayCanvas, &Canvas::sizeChanged, this,
            [this](double scale) { host.setProgressPercent(scale); });
    // Arrows the board does not use turn the show.
    connect(overlayCanvas, &Canvas::directionState, this, [this](int direction) {
        navigate(SlideGeometry::commandForArrow(ArrowDirection(direction)));
    });

    auto *label = new SlideBackgroundLabel(window, this);
    label->setFixedSize(slidePlacement.size());
    label->setScaledContents(true);
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("pptContentWidget"));
    content->setStyleSheet(QStringLiteral("QWidget#pptContentWidget{background:transparent;}"));
    auto *layout = new QHBoxLayout(content);
    layout->setAlignment(Qt::AlignCenter);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(label);
    // The overlay lies on the slide picture and moves and grows with it.
    overlayCanvas->setParent(label);
    overlayCanvas->move(0, 0);

    auto *area = new ScrollArea(window);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(content);
    Canvas *overlay = overlayCanvas;
    connect(area, &ScrollArea::directionKeyPressed, overlay,
            [overlay](int direction) { overlay->handleDirectionKey(direction); });
    connect(area, &ScrollArea::blankClicked, overlayCanvas, &Canvas::commitShownItems);
    connect(area, &ScrollArea::sizeChanged, this, [this] {
        updateSlideShowGeometry(true);
        syncSlideShowToPage();
    });

    auto *tab = new TabItem;
    tab->kind = DocumentKind::SlideShow;
    tab->document = this;
    tab->scrollArea = area;
    tab->setCanvas(overlayCanvas);
    tab->slideBackground = label;
    tab->path = path;
    tab->title = FileSystem::fileName(path);
    tab->folder = FileSystem::absolutePath(path);
    tab->info = suiteTitle;
    currentSlide = 1;
    slideTab = tab;
    host.addTab(tab);
    slideTabBuilt = true;
    showSlidePage(1);
    overlayCanvas->takeFocus();
    host.addRecentFile(path);
    // The show loading meanwhile goes over this tab's page picture.
    if (liveShow && liveShow->isWaitingForPicture()) {
        liveTab = tab;
        updateSlideShowInput();
        host.setAuxLabelAText(QStringLiteral("正在初始化PPT组件"));
        liveShow->attach(label, area, overlayCanvas);
    } else {
        host.setAuxLabelAText(QStringLiteral("幻灯片载入失败，当前以图片模式运行"));
    }
    return true;
}

void SlideShowDocument::onLiveShowLoaded(int count, const QSize &size)
{
    // The tab comes from the running show, before its PDF copy is there.
    if (slideTabBuilt || slideOpenPath.isEmpty() || host.isClosing() || count <= 0 ||
        size.isEmpty())
        return;
    slideCount = count;
    slideSize = size;
    suiteTitle = QStringLiteral("[") + QStringLiteral("LibreOffice") + QStringLiteral("]");
    if (computeSlideFitSize())
        buildSlideTab(slideOpenPath);
}

void SlideShowDocument::tellMissingNotes()
{
    const QString text = slideNotesMessage;
    slideNotesMessage.clear();
    if (!text.isEmpty() && !host.isClosing())
        host.showMessage(text);
}

DocumentConverter *SlideShowDocument::presentationConverter()
{
    if (!slideConverter) {
        slideConverter = new DocumentConverter(this);
        slideConverter->setProfileDir(officeProfileDirPath());
    }
    return slideConverter;
}

bool SlideShowDocument::openPresentation(const QString &path)
{
    slideStamp.clear();
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    QString stamp;
    do {
        stamp = productLowerName + QString::number(now++);
    } while (FileSystem::fileExists(pptCacheDirPath() + QStringLiteral("/") + stamp +
                                    QStringLiteral(".") + shortPrefix));

    const OfficeSuite::Choice suite =
        OfficeSuite::choose(OfficeSuite::officeFound(), OfficeSuite::wpsFound(), [] {
            OfficeOpenWithDialog dialog(nullptr);
            return dialog.choose();
        });
    if (suite == OfficeSuite::Cancelled)
        return false;
    host.setAuxLabelAText(QStringLiteral("正在初始化PPT组件"));
    QCoreApplication::processEvents();
    // The office of the live show starts while the copy is made.
    SlideShowBridge *bridge = slideShowBridge();
    if (bridge)
        bridge->startOffice();

    PresentationLoader loader(presentationConverter());
    slideTabBuilt = false;
    auto fail = [&](const QString &text) {
        if (liveShow && liveShow->isWaitingForPicture())
            liveShow->stop();
        else if (bridge && !bridge->isLive())
            bridge->close(); // the office started ahead has no show to run
        slideOpenPath.clear();
        loader.discard();
        slideReader.reset();
        slideThumbnails.clear();
        slideColours.clear();
        slideNotes.clear();
        slideStamp.clear();
        host.slideOutline()->clear();
        host.setAuxLabelAText(QString());
        host.setProgressPercent(0);
        if (!host.isClosing() && !text.isEmpty())
            host.showMessage(text);
        return false;
    };
    if (!loader.copy(path, pptCacheDirPath(), stamp, shortPrefix))
        return fail(loader.message);
    if (host.isClosing())
        return fail(QString());
    slideStamp = stamp;
    slideOpenPath = path;
    slideNotes.clear();
    slideColours.clear();
    // The show starts from the copy at once: its first slide needs no PDF copy, which is made
    // once the office has loaded the file, for the thumbnails, the backdrops and picture mode.
    // The tab comes with the first of the two to know the slides.
    if (bridge) {
        liveTab = nullptr;
        QWidget *area = host.documentArea();
        const bool begun = liveShowController()->begin(
            loader.copyPath, QRect(area->mapTo(window, QPoint()), area->size()));
        liveShow->setKeepPictures(true);
        // What the office refuses as a presentation the converter would only print as text, or
        // fail on, long after: the copy waits for the office's word on the file.
        if (begun && officeRefusesFile())
            return fail(PresentationLoader::notLoadedMessage());
        if (host.isClosing())
            return fail(QString());
    }
    const bool loaded = loader.convert();
    slideOpenPath.clear();
    if (slideTabBuilt) {
        // Quitting or closing the tab meanwhile took the slides with it.
        if (host.isClosing() || !slideTab)
            return fail(QString());
        if (!loaded) {
            // The show runs without thumbnails; a loss keeps its last picture.
            qWarning("slide show: no PDF copy: %s", qPrintable(loader.message));
            return true;
        }
        takeSlidePdf(loader);
        return true;
    }
    // Quitting ended the conversions: nothing to tell, nothing to keep.
    if (host.isClosing())
        return fail(QString());
    if (!loaded)
        return fail(loader.message);

    slideReader = std::make_unique<PDFReader>();
    slideReader->setMinimumPageSize(0);
    if (!slideReader->load(loader.pdfPath) || slideReader->usablePageCount() == 0)
        return fail(PresentationLoader::blockedMessage(3));
    // The pages of the PDF copy are the slides; notes and colours follow them.
    slideCount = slideReader->usablePageCount();
    slideSize = slideReader->pageSizes().first();
    slideNotes = loader.notes;
    slideColours = loader.colours;
    suiteTitle = QStringLiteral("[") + QStringLiteral("LibreOffice") + QStringLiteral("]");
    if (!computeSlideFitSize() || !loadSlideThumbnailsAndColours(true) || !loadSlideNotes())
        return fail(PresentationLoader::blockedMessage(4));
    if (host.isClosing())
        return fail(QString());
    if (liveShow)
        liveShow->setKeepPictures(false);
    currentSlide = 1;
    // The slides are there, their notes are not: said once the live show cannot give them.
    slideNotesMessage = loader.message;
    if (!buildSlideTab(path))
        return false;
    if (!liveTab)
        tellMissingNotes();
    return true;
}

void SlideShowDocument::takeSlidePdf(const PresentationLoader &loader)
{
    auto reader = std::make_unique<PDFReader>();
    reader->setMinimumPageSize(0);
    if (!reader->load(loader.pdfPath) || reader->usablePageCount() != slideCount) {
        qWarning("slide show: the PDF copy does not hold the show's %d slides", slideCount);
        return;
    }
    slideReader = std::move(reader);
    if (slideColours.isEmpty())
        slideColours = loader.colours;
    // The running show's notes, when it gave them, else the flat copy's.
    if (slideNotes.size() != slideCount) {
        slideNotes = loader.notes;
        loadSlideNotes();
        slideNotesMessage = loader.message;
        if (!liveTab)
            tellMissingNotes();
    }
    if (!loadSlideThumbnailsAndColours(false) || !slideReader)
        return;
    if (liveShow)
        liveShow->setKeepPictures(false);
    refreshSlideOutline(currentSlide);
    applySlideBackgroundColour(currentSlide);
    renderSlideBackdrop(currentSlide);
}

bool SlideShowDocument::computeSlideFitSize()
{
    const QSize free(availableScreenWidth(),
                     availableScreenHeight() - titleBarHeight() - toolStripHeight() - barHeight());
    const QSize fit = SlideGeometry::fitToScreen(slideSize, free);
    if (fit.isEmpty())
        return false;
    fitWidth = fit.width();
    fitHeight = fit.height();
    return true;
}

bool SlideShowDocument::computeSlideShowPlacement()
{
    if (fitWidth <= 0 || fitHeight <= 0)
        return false;
    const QRect placed = SlideGeometry::placeInArea(slideSize, host.documentArea()->size());
    if (placed.isEmpty())
        return false;
    slidePlacement = placed;
    slideZoom = double(placed.height()) / fitHeight;
    return true;
}

bool SlideShowDocument::loadSlideThumbnailsAndColours(bool showProgress)
{
    if (!slideReader || slideReader->usablePageCount() == 0)
        return false;
    const double scale = 300.0 / slideReader->pageSizes().first().width();
    // A copy: the tab (and the reader) may go while the window's events run.
    const QList<int> numbers = slideReader->pageNumbers();
    QList<QIcon> thumbnails;
    QStringList colours;
    for (int i = 1; i <= slideCount; ++i) {
        if (showProgress) {
            host.setAuxLabelAText(QStringLiteral("正在加载（") + QString::number(i) +
                                  QStringLiteral("/") + QString::number(slideCount) +
                                  QStringLiteral("）"));
        }
        const QImage image = slideReader->pageImage(numbers.value(i - 1), scale);
        if (image.isNull())
            return false;
        thumbnails << QIcon(QPixmap::fromImage(image));
        const QString named = i <= slideColours.size() ? slideColours.at(i - 1) : QString();
        colours << (QColor(named).isValid() ? QColor(named).name() : edgeColourName(image));
        QCoreApplication::processEvents();
        if (host.isClosing() || !slideReader)
            return false;
    }
    slideThumbnails = thumbnails;
    slideColours = colours;
    return true;
}

bool SlideShowDocument::loadSlideNotes()
{
    // One entry per page of the PDF copy, whatever the flat copy held.
    QStringList notes;
    for (int i = 0; i < slideCount; ++i)
        notes << noteLine(i < slideNotes.size() ? slideNotes.at(i) : QString());
    slideNotes = notes;
    return true;
}

void SlideShowDocument::closeSlideShow()
{
    leaveLiveShow();
    if (liveShow)
        liveShow->setKeepPictures(false);
    slideReader.reset();
    slideBackdrop = QPixmap();
    slideThumbnails.clear();
    slideColours.clear();
    slideStamp.clear();
    slideCount = 0;
    host.slideOutline()->clear();
    takeOverlayBack();
}

void SlideShowDocument::takeOverlayBack()
{
    // The overlay outlives the tab's widgets, which it lay on.
    if (overlayCanvas && overlayCanvas->parentWidget() != window) {
        overlayCanvas->hide();
        overlayCanvas->setParent(window);
    }
}

void SlideShowDocument::cleanSlideCaches()
{
    slideTab = nullptr;
    currentSlide = 0;
    slideNotes.clear();
    closeSlideShow();
    for (const QString &folder : {pptCacheDirPath(), slideCacheDirPath()}) {
        if (FileSystem::dirExists(folder))
            FileSystem::clearDir(folder);
    }
}

void SlideShowDocument::windowClosing()
{
    overlayCanvas->setQuitting(true);
}

void SlideShowDocument::updateSlideShowGeometry(bool replace)
{
    if (!isCurrent() || !replace)
        return;
    TabItem *tab = host.currentTabItem();
    const QRect before = slidePlacement;
    if (!computeSlideShowPlacement())
        return;
    tab->canvas->setZoom(slideZoom);
    if (tab->slideBackground)
        tab->slideBackground->setFixedSize(slidePlacement.size());
    if (liveShow && liveTab == tab)
        liveShow->place();
    if (slidePlacement.size() != before.size())
        renderSlideBackdrop(currentSlide);
}

void SlideShowDocument::jumpToSlidePage(int page)
{
    if (!isCurrent())
        return;
    const int count = host.currentTabItem()->canvas->pageCount();
    if (count <= 0 || page == currentSlide || page < 1 || page > count)
        return;
    if (isSlideShowAlive())
        liveShow->send(SlideShowBridge::GotoSlide, page);
    showSlidePage(page);
}

void SlideShowDocument::showSlidePage(int page)
{
    currentSlide = quint16(page);
    showSlideNotes(page);
    refreshSlideOutline(page);
    const TabItem *tab = host.currentTabItem();
    host.setPageLabel(page, tab && tab->canvas ? tab->canvas->pageCount() : 0);
    applySlideBackgroundColour(page);
    if (isCurrent())
        tab->canvas->gotoPage(page);
    renderSlideBackdrop(page);
}

void SlideShowDocument::applySlideBackgroundColour(int page)
{
    const TabItem *tab = host.currentTabItem();
    if (!tab || !tab->scrollArea || !tab->scrollArea->widget() || slideColours.isEmpty() ||
        page < 1 || page > slideColours.size())
        return;
    QWidget *content = tab->scrollArea->widget();
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(slideColours.at(page - 1))));
    content->setPalette(palette);
}

void SlideShowDocument::renderSlideBackdrop(int page)
{
    const TabItem *tab = host.currentTabItem();
    if (!tab || tab->kind != DocumentKind::SlideShow || !tab->slideBackground)
        return;
    // Rendered at the size it is shown, so the label need not scale it. A page that cannot be
    // rendered shows no backdrop, never the slide before it.
    QImage image = renderSlidePage(page, slidePlacement.height());
    // No PDF copy yet: the show's last picture of this slide, if it left one.
    if (image.isNull() && !slideReader && liveShow && liveShow->lastPictureSlide() == page)
        image = liveShow->lastPicture();
    slideBackdrop = QPixmap::fromImage(image);
    tab->slideBackground->setPixmap(slideBackdrop);
    if (InkOverlay *overlay = slideInkOverlay(); overlay && overlay->content() == tab->canvas)
        liveShow->setBackdrop(slideBackdrop, page);
}

QImage SlideShowDocument::renderSlidePage(int page, int height) const
{
    if (!slideReader)
        return QImage();
    const QList<QSize> &sizes = slideReader->pageSizes();
    if (page < 1 || page > sizes.size() || sizes.at(page - 1).height() <= 0)
        return QImage();
    const double scale = height > 0 ? double(height) / sizes.at(page - 1).height() : 1.0;
    return slideReader->pageImage(slideReader->pageNumbers().at(page - 1), scale);
}

QImage SlideShowDocument::slidePageImage(int index) const
{
    return renderSlidePage(index + 1, 0);
}

void SlideShowDocument::refreshSlideOutline(int page)
{
    SlideOutlineCombo *outline = host.slideOutline();
    outline->clear();
    outline->setShownPicture(QPixmap());
    for (int k = 0; k < slideThumbnails.size(); ++k) {
        QIcon icon = slideThumbnails.at(k);
        if (k + 1 == page) {
            const QList<QSize> available = icon.availableSizes();
            QPixmap pixmap =
                icon.pixmap(available.isEmpty() ? outline->iconSize() : available.first());
            outline->setShownPicture(pixmap);
            QPainter painter(&pixmap);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 255, 80));
            painter.drawRect(pixmap.rect());
            painter.end();
            icon = QIcon(pixmap);
        }
        outline->addItem(icon, QString());
    }
    outline->setCurrentIndex(page - 1);
}

void SlideShowDocument::applyShowPptStep()
{
    if (isCurrent())
        host.currentTabItem()->canvas->setStepButtonsVisible(host.appSettings().showpptstep);
}

void SlideShowDocument::showSlideNotes(int slide)
{
    QString text;
    const TabItem *tab = host.currentTabItem();
    if (tab && tab->kind == DocumentKind::SlideShow && slide >= 1 && slide <= slideNotes.size()) {
        text = slideNotes.at(slide - 1);
        if (text.isEmpty())
            text = QStringLiteral("此处展示备注");
    }
    host.showRemark(text);
}

QPixmap SlideShowDocument::grabSlidePicture()
{
    if (!isCurrent())
        return QPixmap();
    // Live: the step on screen, as the show's window holds it.
    if (isSlideShowAlive()) {
        const QImage shown = liveShow->grab();
        if (!shown.isNull()) {
            QPixmap picture = QPixmap::fromImage(shown);
            if (slidePlacement.isEmpty())
                return picture;
            picture.setDevicePixelRatio(1.0);
            return picture.scaled(slidePlacement.size(), Qt::IgnoreAspectRatio,
                                  Qt::SmoothTransformation);
        }
    }
    if (slideBackdrop.isNull())
        return QPixmap();
    // The slide as it is shown: the backdrop at the placement size.
    if (slideBackdrop.size() == slidePlacement.size() || slidePlacement.isEmpty())
        return slideBackdrop;
    return slideBackdrop.scaled(slidePlacement.size(), Qt::IgnoreAspectRatio,
                                Qt::SmoothTransformation);
}
