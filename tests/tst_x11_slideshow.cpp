#include <QtTest>

#include <QAbstractButton>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include "app/filesystem.h"
#include "app/globals.h"
#include "app/paths.h"
#include "canvas/canvas.h"
#include "drawing/pagedata.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/tabitem.h"
#include "slideshow/remarkshower.h"

#include "screenshotdir.h"
#include "slidefixtures.h"
#include "windowsetup.h"

// A teacher's slide lesson through the X server: a presentation opened from the command line,
// pages turned with the arrow keys, a pen stroke on the first slide, the ink found again after
// turning back. The window with the notes strip is kept as "slideshow-xvfb.png" in the test's
// working folder (or QB_SCREENSHOT_DIR).
class X11SlideShowTest : public QObject
{
    Q_OBJECT

private slots:
    void lessonWithSlides();

private:
    void xdo(const QStringList &arguments);
    void key(const QString &name);
    QAbstractButton *buttonWithTip(const QString &tipStart);

    MainWindow *window = nullptr;
};

void X11SlideShowTest::xdo(const QStringList &arguments)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

void X11SlideShowTest::key(const QString &name)
{
    xdo({"key", name});
    QTest::qWait(200);
}

QAbstractButton *X11SlideShowTest::buttonWithTip(const QString &tipStart)
{
    const QList<QAbstractButton *> buttons = window->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (button->isVisible() && button->toolTip().startsWith(tipStart))
            return button;
    }
    return nullptr;
}

void X11SlideShowTest::lessonWithSlides()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    if (QProcess::execute(QStringLiteral("xdotool"), {"version"}) != 0)
        QSKIP("needs xdotool");
    QTemporaryDir data;
    appDataDir = data.path();
    const QString shots = screenshotDir();

    const QList<SlideSpec> slides = {
        {QStringLiteral("第一页：复习"),
         {QStringLiteral("先请两位同学复述上节课的三个要点，"),
          QStringLiteral("再用五分钟做课堂练习第一题到第三题，最后讲评共性错误。").repeated(8)},
         QStringLiteral("#dbe9f7"),
         false},
        {QStringLiteral("第二页：新课"), {}, QString(), false},
        {QStringLiteral("第三页：练习"), {QStringLiteral("练习答案在讲义背面")}, QString(), false}};
    const QString pptx = data.filePath(QStringLiteral("第二课.pptx"));
    if (!writeRealPresentation(data.filePath(QStringLiteral("第二课.fodp")), data.path(),
                               data.filePath(QStringLiteral("make-profile")), slides))
        QSKIP("needs LibreOffice (soffice)");

    MainWindow w;
    window = &w;
    mainWindow = &w;
    runStartUpSteps(w, [&](MainWindow &m) {
        m.settings.winw = 0;
        m.settings.showremark = true;
    });
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(300);

    QStringList messages;
    QTimer boxes;
    connect(&boxes, &QTimer::timeout, this, [&messages] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->reject();
        }
    });
    boxes.start(50);
    w.openFilesFromArguments({pptx});
    QTRY_VERIFY_WITH_TIMEOUT(w.currentTabItem(), 60000);
    QCOMPARE(messages, QStringList());
    TabItem *tab = w.currentTabItem();
    QCOMPARE(tab->kind, 1);
    Canvas *canvas = tab->canvas;
    QCOMPARE(canvas->pageCount(), 3);
    QTest::qWait(500);
    QVERIFY(w.remarkPanel()->isVisible());
    QCOMPARE(w.remarkPanel()->remark().left(4), QStringLiteral("先请两位"));

    // Pages turn with the keys, and wrap.
    key("Right");
    QTRY_COMPARE(w.slidePage(), 2);
    QCOMPARE(w.remarkPanel()->remark(), QStringLiteral("此处展示备注"));
    key("Right");
    key("Right");
    QTRY_COMPARE(w.slidePage(), 1);

    // A pen stroke on the first slide.
    QAbstractButton *pen = buttonWithTip(QStringLiteral("钢笔"));
    QVERIFY(pen);
    const QPoint penAt = pen->mapToGlobal(pen->rect().center());
    xdo({"mousemove", "--sync", QString::number(penAt.x()), QString::number(penAt.y()), "click",
         "1"});
    QTest::qWait(200);
    const QPoint origin = canvas->mapToGlobal(QPoint(0, 0));
    const QPoint from = origin + QPoint(canvas->width() / 5, canvas->height() * 2 / 3);
    const QPoint to = origin + QPoint(canvas->width() * 3 / 5, canvas->height() * 3 / 4);
    xdo({"mousemove", "--sync", QString::number(from.x()), QString::number(from.y())});
    xdo({"mousedown", "1"});
    for (int i = 1; i <= 12; ++i) {
        const QPoint p = from + (to - from) * i / 12 + QPoint(0, (i % 4) * 6);
        xdo({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y())});
        QTest::qWait(20);
    }
    xdo({"mouseup", "1"});
    QTRY_VERIFY(canvas->hasDrawing());

    // Away and back: the ink is still on slide 1.
    key("Left");
    QTRY_COMPARE(w.slidePage(), 3);
    QVERIFY(!canvas->hasDrawing());
    key("Right");
    QTRY_COMPARE(w.slidePage(), 1);
    QVERIFY(canvas->hasDrawing());
    QTest::qWait(300);

    // Notes wider than the strip run as a ticker from its start button.
    QList<QPushButton *> tickerButtons = w.remarkPanel()->findChildren<QPushButton *>();
    QPushButton *start = nullptr;
    for (QPushButton *b : tickerButtons) {
        if (b->toolTip() == QStringLiteral("开始"))
            start = b;
    }
    QVERIFY(start && start->isEnabled());
    const QPoint startAt = start->mapToGlobal(start->rect().center());
    xdo({"mousemove", "--sync", QString::number(startAt.x()), QString::number(startAt.y()), "click",
         "1"});
    QTRY_VERIFY(w.remarkPanel()->scrollOffset() > 40);
    QCOMPARE(start->toolTip(), QStringLiteral("暂停"));

    const QString shot = shots + QStringLiteral("/slideshow-xvfb.png");
    QVERIFY(w.grab().save(shot));
    boxes.stop();
    mainWindow = nullptr;
    w.closeAllTabs();
}

QTEST_MAIN(X11SlideShowTest)
#include "tst_x11_slideshow.moc"
