#include <QtTest>

#include <QPushButton>
#include <QScreen>

#include "ownxvfb.h"
#include "screenshotdir.h"
#include "toolbar/maintoolbar.h"
#include "toolbar/shapeaction.h"
#include "windowsetup.h"

// The option strips in the real window, as the program starts it: every tool and every shape,
// toolbar at the top and at the bottom. Nothing may fold into the toolbar's extension button.
// The text-box bar and the sector strip are written as
// "optionstrip-<text|sector>-<screen>-<top|bottom>.png" into the screenshot folder.
class X11OptionStripTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QB_REQUIRE_PROGRAMS({"Xvfb"}); }
    void optionStripHiddenBehindExtensionButton_data();
    void optionStripHiddenBehindExtensionButton();
    void optionStripHiddenBehindExtensionButtonOnSmallScreen();
};

namespace {

// The first shown toolbar item or control that is hidden, or not whole inside its parent and
// the window; empty when there is none.
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
        QList<QWidget *> shown = widget->findChildren<QWidget *>();
        shown.prepend(widget);
        for (QWidget *item : qAsConst(shown)) {
            if (!item->isVisibleTo(widget) && item != widget)
                continue;
            const QRect inWindow(item->mapTo(&window, QPoint(0, 0)), item->size());
            if (!item->isVisible() || !window.rect().contains(inWindow) ||
                !item->parentWidget()->rect().contains(item->geometry()))
                return QStringLiteral("%1 at %2,%3")
                    .arg(item->objectName())
                    .arg(inWindow.x())
                    .arg(inWindow.y());
        }
    }
    return QString();
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
    const auto window =
        startFirstRun(data.path(), [top](MainWindow &m) { m.settings.toolbarpos = top; });
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *bar = window->findChild<MainToolBar *>();
    auto *shapes = window->findChild<ShapeAction *>();
    QVERIFY(bar && shapes);
    const QSize screen = window->screen()->size();
    const QString suffix = QStringLiteral("-%1x%2-%3.png")
                               .arg(screen.width())
                               .arg(screen.height())
                               .arg(QTest::currentDataTag());
    const auto saveStrip = [&](const char *what) {
        const QString path = screenshotDir() + "/optionstrip-" + what + suffix;
        const int y = bar->mapTo(window.get(), QPoint(0, 0)).y();
        QVERIFY2(window->grab(QRect(0, y, window->width(), bar->height())).save(path),
                 qPrintable(path));
        qInfo("screenshot: %s", qPrintable(path));
    };

    for (int tool = 0; tool < 12; ++tool) {
        bar->clickPaintTool(tool);
        const QString folded = foldedItem(*window, bar);
        QVERIFY2(folded.isEmpty(), qPrintable(QStringLiteral("tool %1: ").arg(tool) + folded));
        if (tool == 10)
            saveStrip("text");
    }
    bar->clickPaintTool(7);
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 21, 22, 23, 24, 25, 26, 27, 28}) {
        shapes->shapeButton(id)->click();
        const QString folded = foldedItem(*window, bar);
        QVERIFY2(folded.isEmpty(), qPrintable(QStringLiteral("shape %1: ").arg(id) + folded));
        if (id == 7)
            saveStrip("sector");
    }
}

// The same on an Xvfb of its own at 1366x768, where every size of the window is smaller.
void X11OptionStripTest::optionStripHiddenBehindExtensionButtonOnSmallScreen()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") ||
        QGuiApplication::primaryScreen()->size() == QSize(1366, 768))
        QSKIP("needs an X server other than the small screen");
    runOnOwnXvfb("1366x768x24", {"optionStripHiddenBehindExtensionButton"});
}

QTEST_MAIN(X11OptionStripTest)
#include "tst_x11_optionstrip.moc"
