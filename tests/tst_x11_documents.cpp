#include <QtTest>

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>

#include "base/appsettings.h"
#include "base/globals.h"
#include "base/paths.h"
#include "canvas/canvas.h"
#include "documents/tabitem.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "mainwindow/appsettingsdialog.h"
#include "mainwindow/mainwindow.h"
#include "screenshotdir.h"
#include "x11window.h"

// A new user's first lesson, driven through the X server with xdotool: a new board, a pen
// stroke and a rectangle, undo and redo, a picture from the command line drawn on, both pages
// exported as pictures, both tabs closed with their question. The drawn board is kept as
// "documents-board-xvfb.png" in the test's working folder (or QB_SCREENSHOT_DIR).
class X11DocumentsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QB_REQUIRE_PROGRAMS({"xdotool"}); }
    void firstLesson();
    void settingsDialogScreenshot();

private:
    void clickAt(const QPoint &global);
    void drag(const QPoint &from, const QPoint &to);
    QAbstractButton *buttonWithTip(const QString &tipStart)
    {
        return ::buttonWithTip(window, tipStart);
    }
    void answerModals();
    // Runs act once, from the event loop, as soon as popup shows (menus run their own loop).
    void whenShown(QWidget *popup, const std::function<void()> &act);
    static void xdoClick(const QPoint &global);

    MainWindow *window = nullptr;
    QStringList questions;
};

void X11DocumentsTest::clickAt(const QPoint &global)
{
    moveTo(global);
    xdo({"click", "1"});
    QTest::qWait(150);
}

void X11DocumentsTest::drag(const QPoint &from, const QPoint &to)
{
    moveTo(from);
    xdo({"mousedown", "1"});
    // Shapes start only after the pointer has been down a moment.
    QTest::qWait(200);
    for (int i = 1; i <= 10; ++i) {
        const QPoint p = from + (to - from) * i / 10;
        xdo({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y())});
        QTest::qWait(20);
    }
    xdo({"mouseup", "1"});
    QTest::qWait(200);
}

void X11DocumentsTest::xdoClick(const QPoint &global)
{
    QProcess::execute(QStringLiteral("xdotool"),
                      {"mousemove", "--sync", QString::number(global.x()),
                       QString::number(global.y()), "click", "1"});
}

void X11DocumentsTest::whenShown(QWidget *popup, const std::function<void()> &act)
{
    auto *poll = new QTimer(window);
    connect(poll, &QTimer::timeout, this, [poll, popup, act] {
        if (!popup->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QTimer::singleShot(200, popup, act);
    });
    poll->start(30);
}

// Modal windows are answered as a user would: a question box with the Return key, the colour
// dialog of a new board by a click on its white swatch.
void X11DocumentsTest::answerModals()
{
    auto *poll = new QTimer(window);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal->property("answered").toBool())
            return;
        modal->setProperty("answered", true);
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            questions << box->text();
            QTimer::singleShot(200, poll, [box] {
                box->activateWindow();
                QProcess::execute(QStringLiteral("xdotool"),
                                  {"key", "--window", QString::number(box->winId()), "Return"});
            });
        } else if (auto *white = modal->findChild<QPushButton *>(QStringLiteral("basicSwatch0"))) {
            questions << modal->windowTitle();
            QTimer::singleShot(200, poll,
                               [white] { xdoClick(white->mapToGlobal(white->rect().center())); });
        }
    });
    poll->start(50);
}

void X11DocumentsTest::firstLesson()
{
    QB_SKIP_WITHOUT_XDOTOOL();
    X11Window x;
    MainWindow &w = x.window;
    QTemporaryDir &data = x.data;
    window = &w;
    QVERIFY(x.shown());
    QTest::qWait(200);
    const QString shots = screenshotDir();

    // A new board, white as its colour dialog offers.
    answerModals();
    click(buttonWithTip(QStringLiteral("新建画板")));
    QTRY_VERIFY(w.currentTabItem());
    TabItem *board = w.currentTabItem();
    QCOMPARE(board->title, QStringLiteral("新建画板1"));
    QCOMPARE(questions, QStringList({QStringLiteral("选择画板背景色")}));
    Canvas *canvas = board->canvas;
    QTest::qWait(300);
    const QPoint origin = canvas->mapToGlobal(QPoint(0, 0));

    // A pen stroke, then a rectangle.
    click(buttonWithTip(QStringLiteral("钢笔")));
    drag(origin + QPoint(100, 100), origin + QPoint(400, 100));
    QCOMPARE(canvas->currentPage()->history.size(), 1);
    click(buttonWithTip(QStringLiteral("几何图形")));
    auto *shapeButton = w.findChild<QToolButton *>(QStringLiteral("shapeButton"));
    QVERIFY(shapeButton && shapeButton->isVisible());
    // The shape menu runs its own loop: the rectangle is clicked once it shows.
    QMenu *shapeMenu = shapeButton->menu();
    whenShown(shapeMenu, [shapeMenu] {
        const QList<QPushButton *> shapes = shapeMenu->findChildren<QPushButton *>();
        for (QPushButton *b : shapes) {
            if (b->isVisible() && b->toolTip() == QStringLiteral("矩形"))
                xdoClick(b->mapToGlobal(b->rect().center()));
        }
    });
    clickAt(shapeButton->mapToGlobal(QPoint(shapeButton->width() - 8, shapeButton->height() / 2)));
    QTRY_COMPARE(w.tools()->shapeType, 2);
    drag(origin + QPoint(500, 300), origin + QPoint(800, 500));
    // Back to the pen: the rectangle is committed to the page.
    click(buttonWithTip(QStringLiteral("钢笔")));
    QTRY_COMPARE(canvas->currentPage()->history.size(), 2);

    // Undo takes the rectangle away, redo brings it back.
    QAbstractButton *undo = buttonWithTip(QStringLiteral("撤销"));
    QAbstractButton *redo = buttonWithTip(QStringLiteral("重做"));
    QVERIFY(undo->isEnabled());
    click(undo);
    QTRY_VERIFY(redo->isEnabled());
    QImage undone = canvas->pageImage(false).toImage();
    QCOMPARE(QColor(undone.pixel(500, 400)), QColor(Qt::white));
    click(redo);
    QTRY_VERIFY(!redo->isEnabled());

    const QString boardShot = shots + QStringLiteral("/documents-board-xvfb.png");
    QVERIFY(w.grab().save(boardShot));
    qInfo("screenshot: %s", qPrintable(boardShot));

    // Export through the tool bar's menu; the save dialog is answered with our path.
    const QString boardPicture = data.filePath(QStringLiteral("board.png"));
    canvas->setSavePathAsker([boardPicture](const QString &, const QString &, const QString &,
                                            QString *) { return boardPicture; });
    auto exportPage = [this, &w] {
        auto *action = w.findChild<QAction *>(QStringLiteral("exportImageAction"));
        QVERIFY(action);
        QMenu *menu = qobject_cast<QMenu *>(action->parent());
        QVERIFY(menu);
        whenShown(menu, [menu, action] {
            xdoClick(menu->mapToGlobal(menu->actionGeometry(action).center()));
        });
        click(buttonWithTip(QStringLiteral("导出")));
    };
    exportPage();
    QTRY_VERIFY(QFile::exists(boardPicture));
    const QImage exported(boardPicture);
    QCOMPARE(exported.width(), canvas->currentPage()->width);
    // The stroke, the rectangle's edges, and white board between them.
    QVERIFY(qGray(exported.pixel(250, 100)) < 100);
    QVERIFY(qGray(exported.pixel(500, 400)) < 100);
    QVERIFY(qGray(exported.pixel(650, 300)) < 100);
    QCOMPARE(QColor(exported.pixel(650, 400)), QColor(Qt::white));
    QCOMPARE(QColor(exported.pixel(250, 200)), QColor(Qt::white));

    // A picture given on the command line opens in a second tab.
    const QString photo = data.filePath(QStringLiteral("photo.png"));
    QImage sky(600, 400, QImage::Format_RGB32);
    sky.fill(QColor(0x40, 0x90, 0xe0));
    QVERIFY(sky.save(photo));
    w.openFilesFromArguments({photo});
    QTRY_COMPARE(w.tabList().size(), 2);
    TabItem *pictureTab = w.currentTabItem();
    QCOMPARE(pictureTab->title, QStringLiteral("photo.png"));
    QTest::qWait(300);
    Canvas *pictureCanvas = pictureTab->canvas;
    const QPoint pictureOrigin = pictureCanvas->mapToGlobal(QPoint(0, 0));
    drag(pictureOrigin + QPoint(50, 200), pictureOrigin + QPoint(550, 200));
    QCOMPARE(pictureCanvas->currentPage()->history.size(), 1);
    const QString pictureExport = data.filePath(QStringLiteral("photo-drawn.png"));
    pictureCanvas->setSavePathAsker([pictureExport](const QString &, const QString &,
                                                    const QString &,
                                                    QString *) { return pictureExport; });
    exportPage();
    QTRY_VERIFY(QFile::exists(pictureExport));
    const QImage drawn(pictureExport);
    QCOMPARE(drawn.size(), QSize(600, 400));
    QVERIFY(qGray(drawn.pixel(300, 200)) < 100);
    QCOMPARE(QColor(drawn.pixel(300, 50)), QColor(0x40, 0x90, 0xe0));

    // Both tabs closed by their close buttons; each was drawn on, so each asks.
    questions.clear();
    for (int n = 2; n >= 1; --n) {
        TabItem *tab = w.currentTabItem();
        QPushButton *close = tab->findChild<QPushButton *>();
        click(close);
        QTRY_COMPARE(w.tabList().size(), n - 1);
    }
    QCOMPARE(questions, QStringList({QStringLiteral("确定关闭？"), QStringLiteral("确定关闭？")}));
    QCOMPARE(w.currentTabItem(), nullptr);
    QVERIFY(!buttonWithTip(QStringLiteral("撤销"))->isEnabled());
}

// The settings dialog as it opens, as "settings-xvfb.png".
void X11DocumentsTest::settingsDialogScreenshot()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QTemporaryDir data;
    appDataDir = data.path();
    const QString shots = screenshotDir();
    AppSettingsDialog dialog(nullptr);
    AppSettings settings;
    settings.brushes[0] = {QStringLiteral("#000000"), QStringLiteral("#ffffff"), 2};
    settings.brushes[1] = {QStringLiteral("#ff0000"), QStringLiteral("#ffffff"), 3};
    settings.brushes[2] = {QStringLiteral("#3f48cc"), QStringLiteral("#ffffff"), 2};
    settings.brushes[3] = {QStringLiteral("#22b14c"), QStringLiteral("#ffffff"), 3};
    settings.remarkfontsize = 10;
    settings.avoutpath = data.path();
    QString path;
    QTimer::singleShot(300, &dialog, [&] {
        path = shots + QStringLiteral("/settings-xvfb.png");
        QVERIFY(dialog.grab().save(path));
        dialog.reject();
    });
    QCOMPARE(dialog.run(settings), int(QDialog::Rejected));
    qInfo("screenshot: %s", qPrintable(path));
}

QTEST_MAIN(X11DocumentsTest)
#include "tst_x11_documents.moc"
