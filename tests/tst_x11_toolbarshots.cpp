// Renders the toolbar, its option strips and its menus to PNG files for a person to look at:
// <test program folder>/screenshots/toolbar_*.png.
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "drawing/paintproperty.h"
#include "toolbar/maintoolbar.h"
#include "toolbar/shapeaction.h"
#include "toolbarcommands.h"

class TestToolBarShots : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeToolBar();
    void optionStrips_data();
    void optionStrips();
    void pickersFitTheToolBar();
    void menus();
    void shortcutsOnX11();
    void cleanupTestCase();

private:
    void save(QWidget *widget, const QString &name);
    void enableAll();

    QString folder;
    QTemporaryDir dataDir;
    PaintProperty *property = nullptr;
    QWidget *host = nullptr;
    MainToolBar *bar = nullptr;
};

void TestToolBarShots::initTestCase()
{
    folder = QCoreApplication::applicationDirPath() + "/screenshots";
    QVERIFY(QDir().mkpath(folder));
    // The stamp picker's store.
    QVERIFY(dataDir.isValid());
    appDataDir = dataDir.path();
    QVERIFY(QDir().mkpath(stampDirPath()));
    property = new PaintProperty;
    // Like the main window's toolbar strip: a parent, so the toolbar takes its full width.
    host = new QWidget;
    host->setStyleSheet("QWidget#host{background-color:white;}");
    host->setObjectName("host");
    bar = new MainToolBar(property, host);
    bar->setObjectName("mainToolBar");
    bar->setFixedHeight(toolStripHeight());
    bar->setStyleSheet("QToolBar#mainToolBar{background-color:white;border:0;}");
    bar->buildLayouts();
    bar->connectSignals();
    bar->setNoFocusPolicy();
    bar->completeSetup();
    host->resize(bar->width(), bar->height());
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host));
}

void TestToolBarShots::cleanupTestCase()
{
    delete host;
    delete property;
}

void TestToolBarShots::save(QWidget *widget, const QString &name)
{
    QCoreApplication::processEvents();
    const QPixmap picture = widget->grab();
    QVERIFY(!picture.isNull());
    const QString path = folder + "/toolbar_" + name + ".png";
    QVERIFY2(picture.save(path), qPrintable(path));
    qInfo("wrote %s", qPrintable(path));
}

void TestToolBarShots::enableAll()
{
    setAllCommandsEnabled(bar, true);
}

void TestToolBarShots::wholeToolBar()
{
    save(bar, "disabled");
    enableAll();
    bar->setRecordTime(3725);
    save(bar, "enabled");
    // Every command button carries an icon.
    const QList<QToolButton *> buttons = bar->findChildren<QToolButton *>();
    for (const QToolButton *button : buttons) {
        if (button->isVisibleTo(bar))
            QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
    }
}

void TestToolBarShots::optionStrips_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QString>("strip");
    QTest::newRow("line") << 6 << 1 << "toolOptionStrip";
    QTest::newRow("shape") << 7 << 1 << "toolOptionStrip";
    QTest::newRow("shape_polygon") << 7 << 6 << "toolOptionStrip";
    QTest::newRow("shape_sector") << 7 << 7 << "toolOptionStrip";
    QTest::newRow("pen") << 3 << 1 << "toolOptionStrip";
    QTest::newRow("highlighter") << 4 << 1 << "toolOptionStrip";
    QTest::newRow("eraser") << 5 << 1 << "toolOptionStrip";
    QTest::newRow("connectedline") << 8 << 1 << "toolOptionStrip";
    QTest::newRow("text") << 10 << 1 << "textBoxBar";
    QTest::newRow("stamp") << 11 << 1 << "stampDialog";
}

void TestToolBarShots::optionStrips()
{
    QFETCH(int, tool);
    QFETCH(int, shape);
    QFETCH(QString, strip);
    bar->clickPaintTool(tool);
    if (tool == 7)
        bar->findChild<ShapeAction *>()->shapeButton(shape)->click();
    QCoreApplication::processEvents();
    QWidget *widget = bar->findChild<QWidget *>(strip);
    QVERIFY(widget && widget->isVisible());
    save(widget, QString("strip_") + QTest::currentDataTag());
}

void TestToolBarShots::pickersFitTheToolBar()
{
    // The toolbar's width is fixed once, with the text-box bar showing: each picker must
    // still fit, or the toolbar would fold its end into an overflow button.
    const QList<QPair<int, QString>> pickers = {{10, "textBoxBar"}, {11, "stampDialog"}};
    for (const auto &picker : pickers) {
        bar->clickPaintTool(picker.first);
        QCoreApplication::processEvents();
        save(bar, "tool_" + picker.second);
        const QWidget *widget = bar->findChild<QWidget *>(picker.second);
        QVERIFY(widget && widget->isVisible());
        QVERIFY2(bar->rect().contains(widget->geometry()), qPrintable(picker.second));
        const QWidget *overflow = bar->findChild<QWidget *>("qt_toolbar_ext_button");
        QVERIFY(!overflow || !overflow->isVisible());
    }
}

void TestToolBarShots::menus()
{
    bar->clickPaintTool(6);
    const QPoint below = bar->mapToGlobal(QPoint(0, bar->height()));
    for (const char *name : {"shapeButton", "lineWidthButton", "lineStyleButton", "arrowButton",
                             "rotateButton", "gridButton", "exportButton"}) {
        QMenu *menu = bar->findChild<QToolButton *>(name)->menu();
        QVERIFY(menu);
        menu->popup(below);
        QCoreApplication::processEvents();
        save(menu, QString("menu_") + name);
        menu->hide();
    }
}

void TestToolBarShots::shortcutsOnX11()
{
    // X11 binds Redo first to Ctrl+Shift+Z and ZoomIn to Ctrl++ and Ctrl+=; the buttons keep
    // the combinations their tool tips name.
    const QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    QVERIFY(!redoKeys.isEmpty());
    qInfo("platform Redo: %s", qPrintable(redoKeys.first().toString()));
    const QList<QPair<const char *, const char *>> expected = {
        {"redoButton", "Ctrl+Y"},     {"undoButton", "Ctrl+Z"},    {"zoomInButton", "Ctrl++"},
        {"zoomOutButton", "Ctrl+-"},  {"cancelButton", "Esc"},     {"deleteButton", "Delete"},
        {"openFileButton", "Ctrl+O"}, {"newBoardButton", "Ctrl+N"}};
    for (const auto &entry : expected) {
        QCOMPARE(bar->findChild<QToolButton *>(entry.first)->shortcut(),
                 QKeySequence(QString::fromLatin1(entry.second)));
    }
}

QTEST_MAIN(TestToolBarShots)
#include "tst_x11_toolbarshots.moc"
