#include <QtTest>

#include <QScreen>
#include <QTextEdit>

#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "mainwindow/aboutusdialog.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/texteditdialog.h"
#include "screenshotdir.h"
#include "windowsetup.h"

// The whole window as the program starts it, on a real X server. The picture is written as
// "mainwindow-xvfb.png" into the test's working folder (or QB_SCREENSHOT_DIR).
class X11MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void fullWindowScreenshot();
    void dialogScreenshots();
};

void X11MainWindowTest::fullWindowScreenshot()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QTemporaryDir data;
    const auto started = startFirstRun(data.path()); // maximised, as on a first start
    MainWindow &window = *started;
    window.savePersonalText(
        QStringLiteral("<p>三年级二班 数学</p><p>今日课题：分数的初步认识</p>"));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(1500); // the link indicator settles and the layout is done

    const QImage shot = window.grab().toImage();
    const QString path = screenshotDir() + QStringLiteral("/mainwindow-xvfb.png");
    QVERIFY(shot.save(path));
    qInfo("screenshot: %s", qPrintable(path));

    // No title bar from a window manager, and the rows where they belong.
    QVERIFY(window.windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(!(window.windowFlags() & Qt::FramelessWindowHint));
    QCOMPARE(window.geometry().size(), window.screen()->availableGeometry().size());
    const int w = shot.width();
    const int h = shot.height();
    QCOMPARE(QColor(shot.pixel(w / 2, 2)), whiteColor());
    QCOMPARE(QColor(shot.pixel(w - sidePanelWidth() / 2, h - barHeight() - 2)), lightPanelColor());
    QCOMPARE(QColor(shot.pixel(5, titleBarHeight() + toolStripHeight() + 5)),
             documentBackgroundColor());
}

// The note editor and the about dialog, as "noteeditor-xvfb.png" and "about-xvfb.png".
void X11MainWindowTest::dialogScreenshots()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    const QString folder = screenshotDir();
    TextEditDialog editor;
    editor.editor()->setFixedSize(sidePanelWidth(), sidePanelWidth());
    editor.editor()->setHtml(
        QStringLiteral("<p>三年级二班 数学</p><p>今日课题：分数的初步认识</p>"));
    editor.applyLineSpacing(QStringLiteral("1.5"));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QVERIFY(editor.grab().save(folder + QStringLiteral("/noteeditor-xvfb.png")));

    AboutUsDialog about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.grab().save(folder + QStringLiteral("/about-xvfb.png")));
}

QTEST_MAIN(X11MainWindowTest)
#include "tst_x11_mainwindow.moc"
