#include <QtTest>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <QPainter>
#include <QScreen>
#include <QX11Info>

#include <cstdlib>

#include "canvas/canvas.h"
#include "drawing/pagedata.h"
#include "drawing/paintproperty.h"
#include "platform/childprocess.h"
#include "platform/x11inputcatcher.h"
#include "platform/x11shape.h"
#include "slideshow/inkoverlay.h"

#include "recordingcanvashost.h"
#include "requiredprograms.h"
#include "screenshotdir.h"
#include "x11window.h"

namespace {

const QRgb foreignColour = qRgb(0x20, 0xb0, 0x40);

// Another program's window: a plain X window on a connection of its own, inside a native
// widget of ours, as the running show lies in the slide area. It counts the buttons pressed
// on it.
class ForeignWindow
{
public:
    ForeignWindow(quintptr parent, const QSize &size)
    {
        c = xcb_connect(nullptr, nullptr);
        id = xcb_generate_id(c);
        const uint32_t values[] = {foreignColour & 0xffffff, XCB_EVENT_MASK_BUTTON_PRESS};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, xcb_window_t(parent), 0, 0,
                          quint16(size.width()), quint16(size.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(c, id);
        xcb_flush(c);
    }
    ~ForeignWindow() { xcb_disconnect(c); }
    // The buttons pressed on it so far.
    QList<int> presses()
    {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            if ((e->response_type & ~0x80) == XCB_BUTTON_PRESS)
                pressed << reinterpret_cast<xcb_button_press_event_t *>(e)->detail;
            std::free(e);
        }
        return pressed;
    }

private:
    xcb_connection_t *c = nullptr;
    xcb_window_t id = 0;
    QList<int> pressed;
};

// The size and hot spot of the pointer's picture as the server shows it.
QRect shownCursor()
{
    xcb_connection_t *c = QX11Info::connection();
    xcb_xfixes_query_version_reply_t *version =
        xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr);
    std::free(version);
    xcb_xfixes_get_cursor_image_reply_t *image =
        xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr);
    if (!image)
        return QRect();
    const QRect shown(image->xhot, image->yhot, image->width, image->height);
    std::free(image);
    return shown;
}

// A compositing or window manager for one case, ended with it.
struct Helper
{
    std::unique_ptr<ChildProcess> process;
    QString start(const QString &program, const QStringList &arguments)
    {
        process = std::make_unique<ChildProcess>();
        return startRequired(*process, program, arguments);
    }
    ~Helper()
    {
        if (process && process->state() != QProcess::NotRunning) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }
};

} // namespace

// The ink overlay over a foreign X window, with and without a compositing manager and a
// window manager: what the screen shows (ink where drawn, the foreign window elsewhere), where
// clicks land (the foreign window with the mouse tool, the board with a drawing tool), keys to
// the board, and the overlay following its area. Screenshots "inkoverlay-<case>.png".
class X11InkOverlayTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QB_REQUIRE_PROGRAMS({"xdotool", "xcompmgr", "openbox"}); }
    void overForeignWindow_data();
    void overForeignWindow();
};

void X11InkOverlayTest::overForeignWindow_data()
{
    QTest::addColumn<bool>("compositor");
    QTest::addColumn<bool>("windowManager");
    QTest::newRow("shaped") << false << false;
    QTest::newRow("composited") << true << false;
    QTest::newRow("shaped-wm") << false << true;
    QTest::newRow("composited-wm") << true << true;
}

void X11InkOverlayTest::overForeignWindow()
{
    QFETCH(bool, compositor);
    QFETCH(bool, windowManager);
    QB_SKIP_WITHOUT_XDOTOOL();
    if (!X11Shape::available())
        QSKIP("needs the X Shape extension");
    Helper cm, wm;
    QString failed = compositor ? cm.start("xcompmgr", {}) : QString();
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    failed = windowManager ? wm.start("openbox", {"--sm-disable"}) : QString();
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QTRY_COMPARE(QX11Info::isCompositingManagerRunning(), compositor);
    QTRY_COMPARE(X11InputCatcher::windowManagerRunning(), windowManager);
    QTest::qWait(500);

    QWidget main;
    main.setWindowTitle("ink overlay test");
    QPalette palette = main.palette();
    palette.setColor(QPalette::Window, QColor("#203080"));
    main.setPalette(palette);
    main.setGeometry(80, 60, 900, 640);
    auto *area = new QWidget(&main);
    area->setGeometry(40, 30, 640, 480);
    area->setAttribute(Qt::WA_NativeWindow);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    ForeignWindow foreign(area->winId(), area->size());

    PaintProperty property;
    property.foreColor = "#c81e1e";
    property.lineBoldSize = 8;
    RecordingCanvasHost host;
    // The board lies on a widget of the area (the slide picture), which the area's layout moves.
    auto *label = new QWidget(area);
    label->setGeometry(area->rect());
    label->show();
    auto *canvas = new Canvas(Canvas::SlideOverlay, Qt::transparent, &property, label, &host);
    canvas->loadPages({area->size()}, {QPixmap()});
    canvas->setZoom(1.0);
    canvas->show();
    property.paintTool = PaintTool::Pen;
    canvas->applyPaintTool();

    main.activateWindow();
    QTRY_VERIFY(main.isActiveWindow());
    InkOverlay overlay(&main);
    QCOMPARE(overlay.isComposited(), compositor);
    overlay.followArea(area);
    overlay.setContent(canvas);
    QTRY_VERIFY(overlay.isVisible());
    const auto placed = [&] {
        return overlay.geometry() == QRect(area->mapToGlobal(QPoint()), area->size());
    };
    QTRY_VERIFY(placed());
    QTest::qWait(500);
    // Showing the overlay leaves the main window active.
    QVERIFY(main.isActiveWindow());

    const auto stroke = [&](int y) {
        const QPoint from = area->mapToGlobal(QPoint(100, y));
        moveTo(from);
        xdo({"mousedown", "1"});
        for (int i = 1; i <= 12; ++i)
            moveTo(from + QPoint(i * 36, 0));
        xdo({"mouseup", "1"});
    };
    // A highlighter stroke half covers what lies under it: the foreign window, or without a
    // compositor its picture, the backdrop.
    QPixmap under(area->size());
    under.fill(QColor(foreignColour));
    overlay.setBackdrop(under);
    property.paintTool = PaintTool::Highlighter;
    property.highlightSize = 5;
    canvas->applyPaintTool();
    stroke(360);
    QTRY_VERIFY(canvas->hasDrawing());
    property.paintTool = PaintTool::Pen;
    canvas->applyPaintTool();
    // A pen stroke from a point without ink: a drawing tool takes the pointer everywhere.
    stroke(240);
    QTRY_COMPARE(canvas->currentPage()->history.size(), 2);
    QCOMPARE(foreign.presses(), QList<int>());
    // The keys reach the board that was drawn on.
    xdo({"key", "F8"});
    const QString f8 = QString("key %1").arg(int(Qt::Key_F8));
    QTRY_COMPARE(host.callsStartingWith(f8).size(), 1);
    // A click into the main window takes the keys back there, a stroke gives them the board.
    moveTo(main.mapToGlobal(QPoint(800, 600)));
    xdo({"click", "1"});
    QTRY_VERIFY(main.isActiveWindow());
    xdo({"key", "F8"});
    QTest::qWait(200);
    QCOMPARE(host.callsStartingWith(f8).size(), 1);
    QTest::qWait(500);

    // The screen: the ink where it was drawn, as the board paints it, the foreign window
    // everywhere else.
    QImage board(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    board.fill(Qt::transparent);
    canvas->render(&board, QPoint(), QRegion(), QWidget::DrawChildren);
    int inkY = -1;
    for (int y = 200; y < 280 && inkY < 0; ++y) {
        if (qAlpha(board.pixel(320, y)) == 255)
            inkY = y;
    }
    QVERIFY(inkY > 0);
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    screen.copy(main.frameGeometry())
        .save(screenshotDir() + "/inkoverlay-" + QTest::currentDataTag() + ".png");
    const QPoint inkAt = area->mapToGlobal(QPoint(320, inkY + 2));
    const QColor seen = screen.pixelColor(inkAt);
    const QColor drawn = board.pixelColor(320, inkY + 2);
    const auto near = [](const QColor &a, const QColor &b) {
        return qAbs(a.red() - b.red()) < 8 && qAbs(a.green() - b.green()) < 8 &&
               qAbs(a.blue() - b.blue()) < 8;
    };
    QVERIFY2(near(seen, drawn), qPrintable(seen.name() + " seen, " + drawn.name() + " drawn"));
    QImage blended(board.size(), QImage::Format_RGB32);
    blended.fill(foreignColour);
    QPainter(&blended).drawImage(0, 0, board);
    const int alpha = qAlpha(board.pixel(320, 360));
    QVERIFY2(alpha > 0 && alpha < 255, qPrintable(QString::number(alpha)));
    const QColor highlighted = screen.pixelColor(area->mapToGlobal(QPoint(320, 360)));
    QVERIFY2(near(highlighted, blended.pixelColor(320, 360)),
             qPrintable(highlighted.name() + " seen, " + blended.pixelColor(320, 360).name() +
                        " drawn over the window"));
    for (const QPoint &p : {QPoint(320, 100), QPoint(10, 10), QPoint(630, 470)})
        QCOMPARE(screen.pixel(area->mapToGlobal(p)), foreignColour);
    // The seen part is what the board paints, as the server holds it, translucent or not.
    QVERIFY(!overlay.shownRegion().contains(QPoint(320, 100)));
    QVERIFY(overlay.shownRegion().contains(QPoint(320, inkY + 2)));
    QCOMPARE(X11Shape::read(overlay.winId(), X11Shape::Bounding), overlay.shownRegion());

    // The mouse tool: a click and a wheel turn beside the ink reach the foreign window.
    const int actions = canvas->currentPage()->history.size();
    overlay.setPassThrough(true);
    QTest::qWait(200);
    moveTo(area->mapToGlobal(QPoint(320, 100)));
    xdo({"click", "1"});
    xdo({"click", "5"});
    QTRY_COMPARE(foreign.presses(), (QList<int>{1, 5}));
    QCOMPARE(canvas->currentPage()->history.size(), actions);
    // A drawing tool again: a click beside the ink is a dot on the board.
    overlay.setPassThrough(false);
    QTest::qWait(200);
    // The pen's pointer beside the ink too.
    const QCursor pen = canvas->cursor();
    QCOMPARE(pen.shape(), Qt::BitmapCursor);
    QTRY_COMPARE(shownCursor(), QRect(pen.hotSpot(), pen.pixmap().size()));
    xdo({"click", "1"});
    QTRY_COMPARE(canvas->currentPage()->history.size(), actions + 1);
    xdo({"key", "F8"});
    QTRY_COMPARE(host.callsStartingWith(f8).size(), 2);
    QCOMPARE(foreign.presses(), (QList<int>{1, 5}));

    // The overlay follows the area: the window moves, the area shrinks (a side panel opens),
    // the area hides (another tab), the window is minimised.
    main.move(main.pos() + QPoint(40, 30));
    QTRY_VERIFY(placed());
    area->setGeometry(140, 30, 540, 480);
    QTRY_VERIFY(placed());
    label->move(-50, 0);
    QTRY_COMPARE(canvas->pos(), QPoint(-50, 0));
    area->hide();
    QTRY_VERIFY(!overlay.isVisible());
    area->show();
    QTRY_VERIFY(overlay.isVisible() && placed());
    main.showMinimized();
    QTRY_VERIFY(!overlay.isVisible());
    main.showNormal();
    QTRY_VERIFY(overlay.isVisible() && placed());

    // Back to picture mode: the board goes back into the area.
    QCOMPARE(overlay.releaseContent(area, QPoint()), canvas);
    QCOMPARE(canvas->parentWidget(), area);
    overlay.followArea(nullptr);
    QVERIFY(!overlay.isVisible());
}

QTEST_MAIN(X11InkOverlayTest)
#include "tst_x11_inkoverlay.moc"
