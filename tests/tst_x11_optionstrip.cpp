#include <QtTest>

#include <QAction>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

#include "app/globals.h"
#include "mainwindow/mainwindow.h"
#include "screenshotdir.h"
#include "toolbar/maintoolbar.h"
#include "toolbar/shapeaction.h"
#include "windowsetup.h"

// The option strips in the real window, as the program starts it: every tool and every shape,
// toolbar at the top and at the bottom. Nothing may fold into the toolbar's extension button.
// The strip with the text-box bar and with the sector fields is written as
// "optionstrip-<what>-<screen>-<top|bottom>.png" into QB_SCREENSHOT_DIR or the working folder.
class X11OptionStripTest : public QObject
{
    Q_OBJECT

private slots:
    void optionStripHiddenBehindExtensionButton_data();
    void optionStripHiddenBehindExtensionButton();
    void optionStripHiddenBehindExtensionButtonOnSmallScreen();
};

namespace {

// Every shown toolbar item and control is visible, whole inside its parent and inside the window;
// returns the first that is not.
QString foldedItem(MainWindow &window, MainToolBar *bar)
{
    QCoreApplication::processEvents();
    const QWidget *extension = bar->findChild<QWidget *>(QStringLiteral("qt_toolbar_ext_button"));
    if (extension && extension->isVisible())
        return QStringLiteral("the extension button shows");
    const QList<QAction *> actions = bar->actions();
    for (QAction *action : actions) {
        QWidget *widget = bar->widgetForAction(action);
        if (!widget || !action->isVisible())
            continue;
        // The groups' own margins and rows are sized to the strip: the toolbar adds none.
        if (widget->y() != 0 || widget->height() != bar->height())
            return widget->objectName() + QStringLiteral(" does not fill the strip's height");
        QList<QWidget *> shown{widget};
        const QList<QWidget *> children = widget->findChildren<QWidget *>();
        for (QWidget *child : children) {
            if (child->isVisibleTo(widget))
                shown.append(child);
        }
        for (QWidget *item : qAsConst(shown)) {
            const QRect inWindow(item->mapTo(&window, QPoint(0, 0)), item->size());
            const QWidget *parent = item->parentWidget();
            if (!item->isVisible() || !window.rect().contains(inWindow) ||
                !parent->rect().contains(item->geometry()))
                return QStringLiteral("%1 at %2,%3")
                    .arg(item->objectName())
                    .arg(inWindow.x())
                    .arg(inWindow.y());
        }
    }
    return QString();
}

void saveStrip(MainWindow &window, MainToolBar *bar, const QString &name)
{
    const QString folder = screenshotDir();
    const QRect band(0, bar->mapTo(&window, QPoint(0, 0)).y(), window.width(), bar->height());
    const QString path = folder + QStringLiteral("/optionstrip-") + name + QStringLiteral(".png");
    QVERIFY2(window.grab(band).save(path), qPrintable(path));
    qInfo("screenshot: %s", qPrintable(path));
}

} // namespace

void X11OptionStripTest::optionStripHiddenBehindExtensionButton_data()
{
    QTest::addColumn<bool>("top");
    QTest::newRow("top") << true;
    QTest::newRow("bottom") << false;
}

void X11OptionStripTest::optionStripHiddenBehindExtensionButton()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QFETCH(bool, top);
    QTemporaryDir data;
    appDataDir = data.path();
    QFont font = QApplication::font();
    font.setFamily(QStringLiteral("SimHei"));
    font.setPointSize(8);
    QApplication::setFont(font);

    MainWindow window;
    runStartUpSteps(window, [&](MainWindow &m) {
        m.settings.winw = 0; // clean settings: the whole available screen
        m.settings.toolbarpos = top;
    });
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *bar = window.findChild<MainToolBar *>();
    QVERIFY(bar);
    const QSize screen = window.screen()->size();
    const QString suffix = QStringLiteral("-%1x%2-").arg(screen.width()).arg(screen.height()) +
                           QString::fromLatin1(QTest::currentDataTag());

    for (int tool = 0; tool < 12; ++tool) {
        bar->clickPaintTool(tool);
        const QString folded = foldedItem(window, bar);
        QVERIFY2(folded.isEmpty(), qPrintable(QStringLiteral("tool %1: ").arg(tool) + folded));
        if (tool == 10)
            saveStrip(window, bar, QStringLiteral("text") + suffix);
    }
    bar->clickPaintTool(7);
    auto *shapes = bar->findChild<ShapeAction *>();
    QVERIFY(shapes);
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 21, 22, 23, 24, 25, 26, 27, 28}) {
        shapes->shapeButton(id)->click();
        const QString folded = foldedItem(window, bar);
        QVERIFY2(folded.isEmpty(), qPrintable(QStringLiteral("shape %1: ").arg(id) + folded));
        if (id == 7)
            saveStrip(window, bar, QStringLiteral("sector") + suffix);
    }
}

// The same on a 1366x768 screen of its own, where every size of the window is smaller.
void X11OptionStripTest::optionStripHiddenBehindExtensionButtonOnSmallScreen()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    if (QGuiApplication::primaryScreen()->size() == QSize(1366, 768))
        QSKIP("this is the small screen");
    QProcess server;
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1366x768x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    QVERIFY2(server.waitForStarted(), "Xvfb does not start");
    QVERIFY(server.waitForReadyRead(20000));
    const QByteArray display = server.readLine().trimmed();
    QVERIFY(!display.isEmpty());

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(display));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("optionStripHiddenBehindExtensionButton")});
    const bool finished = child.waitForFinished(120000);
    const QByteArray output = child.readAll();
    server.terminate();
    server.waitForFinished(5000);
    QVERIFY2(finished, output.constData());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             output.constData());
    qInfo("%s", output.constData());
}

QTEST_MAIN(X11OptionStripTest)
#include "tst_x11_optionstrip.moc"
