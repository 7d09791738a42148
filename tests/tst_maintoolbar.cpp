#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <vector>

#include "base/globals.h"
#include "base/paths.h"
#include "drawing/paintproperty.h"
#include "drawing/pixmaputils.h"
#include "toolbar/maintoolbar.h"
#include "toolbar/paction.h"
#include "toolbar/shapeaction.h"
#include "toolbar/slider.h"
#include "toolbar/stampdialog.h"
#include "toolbar/textboxtoolbar.h"
#include "toolbarcommands.h"

namespace {

// One spy on every signal that MainToolBar declares itself.
class AllSignalsSpy
{
public:
    explicit AllSignalsSpy(MainToolBar *bar)
    {
        const QMetaObject *meta = bar->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() != QMetaMethod::Signal)
                continue;
            names.append(method.methodSignature());
            spies.push_back(
                std::make_unique<QSignalSpy>(bar, ("2" + method.methodSignature()).constData()));
        }
    }
    int signalCount() const { return int(spies.size()); }
    QStringList fired() const
    {
        QStringList result;
        for (size_t i = 0; i < spies.size(); ++i) {
            if (!spies[i]->isEmpty())
                result.append(QString::fromLatin1(names[int(i)]));
        }
        return result;
    }
    // One entry per emission, in the class's signal order.
    QStringList emissions() const
    {
        QStringList result;
        for (size_t i = 0; i < spies.size(); ++i) {
            for (int n = 0; n < spies[i]->count(); ++n)
                result.append(QString::fromLatin1(names[int(i)]));
        }
        return result;
    }

private:
    QList<QByteArray> names;
    std::vector<std::unique_ptr<QSignalSpy>> spies;
};

QImage iconImage(const QAbstractButton *button)
{
    const QIcon icon = button->icon();
    const QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        return QImage();
    return icon.pixmap(sizes.first()).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage resourceImage(const QString &name)
{
    return QPixmap(":/icon/" + name).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestMainToolBar : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void setupEmitsNothingAndDisablesEveryCommand();
    void outOfRangeClicksDoNothing();
    void shortcutsMatchTheirToolTips();
    void exportMenuFollowsTheExportButton();
    void disableThenEnableRestoresExactIcon();
    void rotateAndGridMenus();
    void optionStripPerTool_data();
    void optionStripPerTool();
    void geometryToolFollowsShape();
    void clickingCurrentToolEmitsAgain();
    void eraserSliderAndSpinBoxEmitOnceWithoutEcho();
    void geometrySpinBoxesWaitForReturn_data();
    void geometrySpinBoxesWaitForReturn();
    void optionMenusAndToggles();
    void recordingStateTable();
    void recordTimeLabel();
    void presetBrushWritesAllBeforeItsOneSignal();
    void colourQuestions();
    void textBoxStyleKeys();
    void pickerSignalsReachTheToolBarOnce();
    void widthStaysFixedAndFocusStaysWithCanvas();

private:
    template <typename T>
    T *child(const char *name) const
    {
        T *found = bar->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("missing child %s", name);
        return found;
    }
    QStringList visibleOptions() const;
    void enableAll();

    std::unique_ptr<QTemporaryDir> temp;
    PaintProperty *property = nullptr;
    MainToolBar *bar = nullptr;
};

void TestMainToolBar::init()
{
    // The stamp picker reads and writes its store below appDataDir.
    temp = std::make_unique<QTemporaryDir>();
    QVERIFY(temp->isValid());
    appDataDir = temp->path();
    QVERIFY(QDir().mkpath(stampDirPath()));
    property = new PaintProperty;
    bar = new MainToolBar(property);
    bar->buildLayouts();
    bar->connectSignals();
    bar->setNoFocusPolicy();
    bar->completeSetup();
}

void TestMainToolBar::cleanup()
{
    delete bar;
    delete property;
    temp.reset();
}

void TestMainToolBar::enableAll()
{
    setAllCommandsEnabled(bar, true);
}

QStringList TestMainToolBar::visibleOptions() const
{
    QStringList shown;
    for (const char *name : {"toolOptionAction", "textBoxAction", "stampAction"}) {
        if (child<QAction>(name)->isVisible())
            shown.append(QString::fromLatin1(name));
    }
    const QWidget *strip = child<QWidget>("toolOptionStrip");
    const QList<QWidget *> controls =
        strip->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget *control : controls) {
        if (!control->isHidden() && !control->objectName().isEmpty())
            shown.append(control->objectName());
    }
    return shown;
}

void TestMainToolBar::setupEmitsNothingAndDisablesEveryCommand()
{
    // A second toolbar, watched from its construction on.
    PaintProperty fresh;
    fresh.paintTool = 5;
    fresh.eraserShape = 1;
    MainToolBar other(&fresh);
    AllSignalsSpy setupSpy(&other);
    QVERIFY(setupSpy.signalCount() >= 50);
    other.buildLayouts();
    other.connectSignals();
    other.setNoFocusPolicy();
    other.completeSetup();
    QCOMPARE(setupSpy.fired(), QStringList());
    QCOMPARE(fresh.paintTool, 0);
    // The eraser shape combo starts at its first entry whatever the record holds.
    QCOMPARE(other.findChild<QComboBox *>("eraserShapeCombo")->currentIndex(), 0);

    const char *commands[] = {"openClipboardButton", "exportButton",      "undoButton",
                              "redoButton",          "cutButton",         "copyButton",
                              "pasteButton",         "selectAllButton",   "cancelButton",
                              "deleteButton",        "zoomInButton",      "zoomOutButton",
                              "rotateButton",        "clearScreenButton", "clearColorButton",
                              "gridButton",          "floatCameraButton", "countdownTimerButton",
                              "pdfResetButton",      "recordStartButton", "recordStopButton"};
    for (const char *name : commands)
        QVERIFY2(!child<QToolButton>(name)->isEnabled(), name);
    for (const char *name : {"openFileButton", "newBoardButton", "appSettingsButton",
                             "foreColorButton", "backColorButton", "presetButton1"})
        QVERIFY2(child<QToolButton>(name)->isEnabled(), name);
    QVERIFY(child<QPushButton>("toolButton0")->isChecked());

    AllSignalsSpy spy(bar);
    bar->clickOpenClipboardFile();
    bar->triggerExportImage();
    bar->clickUndo();
    bar->clickRedo();
    bar->clickCut();
    bar->clickCopy();
    bar->clickPaste();
    bar->clickSelectAll();
    bar->clickCancel();
    bar->clickDelete();
    bar->clickZoom(1);
    bar->clickZoom(2);
    bar->clickCanvasClean();
    bar->clickRecordStart();
    bar->clickRecordStop();
    for (const char *name : commands)
        child<QToolButton>(name)->click();
    child<QAction>("exportImageAction")->trigger();
    child<QAction>("exportPdfAction")->trigger();
    QCOMPARE(spy.fired(), QStringList());
    QCOMPARE(bar->currentRecordState(), 0);
}

void TestMainToolBar::outOfRangeClicksDoNothing()
{
    enableAll();
    bar->clickPaintTool(5);
    AllSignalsSpy spy(bar);
    bar->clickPaintTool(12);
    bar->clickPaintTool(-1);
    bar->clickPresetBrush(0);
    bar->clickPresetBrush(5);
    bar->clickZoom(3);
    bar->clickZoom(0);
    QCOMPARE(spy.fired(), QStringList());
    QCOMPARE(property->paintTool, 5);
    QVERIFY(child<QPushButton>("toolButton5")->isChecked());

    QSignalSpy zoom(bar, &MainToolBar::zoomClicked);
    bar->clickZoom(1);
    bar->clickZoom(2);
    QCOMPARE(zoom.count(), 2);
    QCOMPARE(zoom.at(0).at(0).toInt(), 1);
    QCOMPARE(zoom.at(1).at(0).toInt(), 2);
}

void TestMainToolBar::shortcutsMatchTheirToolTips()
{
    const QList<QPair<const char *, const char *>> expected = {
        {"openFileButton", "Ctrl+O"},     {"openClipboardButton", "Ctrl+Alt+O"},
        {"newBoardButton", "Ctrl+N"},     {"undoButton", "Ctrl+Z"},
        {"redoButton", "Ctrl+Y"},         {"cutButton", "Ctrl+X"},
        {"copyButton", "Ctrl+C"},         {"pasteButton", "Ctrl+V"},
        {"selectAllButton", "Ctrl+A"},    {"cancelButton", "Esc"},
        {"deleteButton", "Delete"},       {"zoomInButton", "Ctrl++"},
        {"zoomOutButton", "Ctrl+-"},      {"clearScreenButton", "F4"},
        {"recordStartButton", "Ctrl+F1"}, {"recordStopButton", "Ctrl+F2"},
        {"presetButton1", "Ctrl+1"},      {"presetButton4", "Ctrl+4"}};
    for (const auto &entry : expected) {
        const QToolButton *button = child<QToolButton>(entry.first);
        QCOMPARE(button->shortcut(), QKeySequence(QString::fromLatin1(entry.second)));
    }
    // Redo keeps the combination its tool tip names, whatever the platform prefers.
    QCOMPARE(child<QToolButton>("redoButton")->toolTip(), QString("重做 Ctrl+Y"));
    QVERIFY(child<QToolButton>("redoButton")->shortcut() != QKeySequence("Ctrl+Shift+Z"));
    QCOMPARE(child<QToolButton>("zoomOutButton")->toolTip(), QString("缩小 Ctrl--"));
    QCOMPARE(child<QAction>("exportImageAction")->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(child<QPushButton>("toolButton0")->shortcut(), QKeySequence("Alt+M"));
    QCOMPARE(child<QPushButton>("toolButton11")->shortcut(), QKeySequence("Alt+0"));
    QCOMPARE(child<QPushButton>("toolButton4")->toolTip(),
             QString("荧光笔 Alt+3 \nShift：水平绘制"));
}

void TestMainToolBar::exportMenuFollowsTheExportButton()
{
    QSignalSpy image(bar, &MainToolBar::exportImageTriggered);
    QSignalSpy pdf(bar, &MainToolBar::exportPDFTriggered);
    QAction *imageAction = child<QAction>("exportImageAction");
    QAction *pdfAction = child<QAction>("exportPdfAction");
    QVERIFY(!imageAction->isEnabled());
    QVERIFY(!pdfAction->isEnabled());
    bar->triggerExportImage();
    QCOMPARE(image.count(), 0);

    bar->setExportEnabled(true);
    QVERIFY(imageAction->isEnabled() && pdfAction->isEnabled());
    bar->triggerExportImage();
    pdfAction->trigger();
    QCOMPARE(image.count(), 1);
    QCOMPARE(pdf.count(), 1);

    bar->setExportEnabled(false);
    bar->triggerExportImage();
    QCOMPARE(image.count(), 1);
}

void TestMainToolBar::disableThenEnableRestoresExactIcon()
{
    struct Setter
    {
        void (MainToolBar::*set)(bool);
        const char *button;
        const char *icon;
    };
    const Setter setters[] = {
        {&MainToolBar::setOpenClipboardFileEnabled, "openClipboardButton",
         "maintoolbar/openclipboard.png"},
        {&MainToolBar::setExportEnabled, "exportButton", "maintoolbar/saveasimage.png"},
        {&MainToolBar::setUndoEnabled, "undoButton", "maintoolbar/undo.png"},
        {&MainToolBar::setRedoEnabled, "redoButton", "maintoolbar/redo.png"},
        {&MainToolBar::setCutEnabled, "cutButton", "maintoolbar/cut.png"},
        {&MainToolBar::setCopyEnabled, "copyButton", "maintoolbar/copy.png"},
        {&MainToolBar::setPasteEnabled, "pasteButton", "maintoolbar/paste.png"},
        {&MainToolBar::setSelectAllEnabled, "selectAllButton", "maintoolbar/selectall.png"},
        {&MainToolBar::setCancelEnabled, "cancelButton", "maintoolbar/cancel.png"},
        {&MainToolBar::setDeleteEnabled, "deleteButton", "maintoolbar/delete.png"},
        {&MainToolBar::setZoomEnabled, "zoomInButton", "maintoolbar/zoomin.png"},
        {&MainToolBar::setZoomEnabled, "zoomOutButton", "maintoolbar/zoomout.png"},
        {&MainToolBar::setRotateEnabled, "rotateButton", "maintoolbar/rotate.png"},
        {&MainToolBar::setCanvasCleanEnabled, "clearScreenButton", "maintoolbar/clearscreen.png"},
        {&MainToolBar::setImpureImageEnabled, "clearColorButton", "maintoolbar/clearcolor.png"},
        {&MainToolBar::setBoardGridEnabled, "gridButton", "maintoolbar/grid.png"},
        {&MainToolBar::setFloatCameraEnabled, "floatCameraButton", "floatcamera/floatcamera.png"},
        {&MainToolBar::setCountdownTimerEnabled, "countdownTimerButton",
         "maintoolbar/countdowntimer.png"},
        {&MainToolBar::setPdfResetEnabled, "pdfResetButton", "maintoolbar/pdfreset.png"},
        {&MainToolBar::setRecordStartEnabled, "recordStartButton",
         "maintoolbar/avrecorder/start.png"},
        {&MainToolBar::setRecordStopEnabled, "recordStopButton", "maintoolbar/avrecorder/stop.png"},
    };
    auto images = [](const Setter &setter) {
        const QImage normal = resourceImage(QString::fromLatin1(setter.icon));
        const QImage greyed = greyedPixmap(QPixmap::fromImage(normal))
                                  .toImage()
                                  .convertToFormat(QImage::Format_ARGB32);
        return qMakePair(normal, greyed);
    };
    // Every command starts greyed.
    for (const Setter &setter : setters) {
        const auto [normal, greyed] = images(setter);
        QVERIFY2(!normal.isNull(), setter.icon);
        QVERIFY(greyed != normal);
        QVERIFY2(iconImage(child<QToolButton>(setter.button)) == greyed, setter.button);
    }
    for (const Setter &setter : setters) {
        const QToolButton *button = child<QToolButton>(setter.button);
        const auto [normal, greyed] = images(setter);
        (bar->*setter.set)(true);
        QVERIFY(button->isEnabled());
        QVERIFY2(iconImage(button) == normal, setter.button);
        (bar->*setter.set)(false);
        QVERIFY(!button->isEnabled());
        QVERIFY2(iconImage(button) == greyed, setter.button);
        (bar->*setter.set)(true);
        QVERIFY2(iconImage(button) == normal, setter.button);
    }
}

void TestMainToolBar::rotateAndGridMenus()
{
    bar->setRotateEnabled(true);
    bar->setBoardGridEnabled(true);
    auto *rotate = child<QToolButton>("rotateButton");
    auto *grid = child<QToolButton>("gridButton");
    QCOMPARE(rotate->popupMode(), QToolButton::MenuButtonPopup);

    // A click on the button's body opens its menu; closing it without a choice emits nothing.
    AllSignalsSpy silent(bar);
    for (QToolButton *button : {rotate, grid}) {
        bool opened = false;
        QTimer::singleShot(50, this, [&] {
            opened = button->menu()->isVisible();
            button->menu()->close();
        });
        button->click();
        QVERIFY(opened);
    }
    QCOMPARE(silent.fired(), QStringList());

    QSignalSpy rotated(bar, &MainToolBar::rotateTypeChanged);
    QStringList rotateTexts;
    const QList<QAction *> rotateActions = rotate->menu()->actions();
    for (QAction *action : rotateActions) {
        rotateTexts.append(action->isSeparator() ? "-" : action->text());
        action->trigger();
    }
    QCOMPARE(rotateTexts, (QStringList{"向左旋转90度(L)", "向右旋转90度(R)", "-", "水平反转(H)",
                                       "垂直反转(V)"}));
    QCOMPARE(rotated.count(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(rotated.at(i).at(0).toInt(), i + 1);

    QSignalSpy gridded(bar, &MainToolBar::boardGridTypeChanged);
    QStringList gridTexts;
    const QList<QAction *> gridActions = grid->menu()->actions();
    for (QAction *action : gridActions) {
        gridTexts.append(action->isSeparator() ? "-" : action->text());
        action->trigger();
    }
    QCOMPARE(gridTexts, (QStringList{"水平分割线", "竖直分割线", "网格线", "删除分割线", "-",
                                     "增加间距", "缩小间距"}));
    QList<int> types;
    for (const QList<QVariant> &arguments : qAsConst(gridded))
        types.append(arguments.at(0).toInt());
    QCOMPARE(types, (QList<int>{1, 2, 3, 0, 4, 5}));

    // The floating camera window is placed by the camera button's screen rectangle.
    const QRect rect = bar->floatCameraButtonRect();
    const QToolButton *camera = child<QToolButton>("floatCameraButton");
    QCOMPARE(rect.size(), camera->size());
    QCOMPARE(rect.topLeft(), camera->mapToGlobal(QPoint(0, 0)));
}

void TestMainToolBar::optionStripPerTool_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QStringList>("shown");
    const QString strip = "toolOptionAction";
    QTest::newRow("mouse") << 0 << QStringList();
    QTest::newRow("selection") << 1 << QStringList();
    QTest::newRow("pencil") << 2 << QStringList{strip, "lineWidthButton", "laserButton"};
    QTest::newRow("pen") << 3 << QStringList{strip, "lineWidthButton", "laserButton"};
    QTest::newRow("highlighter") << 4 << QStringList{strip, "highlighterRow"};
    QTest::newRow("eraser") << 5
                            << QStringList{strip, "eraserSlider", "eraserSpinBox",
                                           "eraserShapeCombo"};
    QTest::newRow("line") << 6
                          << QStringList{strip, "lineWidthButton", "lineStyleButton", "arrowButton",
                                         "degreeButton"};
    QTest::newRow("shape") << 7
                           << QStringList{strip, "shapeButton", "lineWidthButton",
                                          "lineStyleButton", "fillButton"};
    QTest::newRow("connected line") << 8
                                    << QStringList{strip, "lineWidthButton", "lineStyleButton",
                                                   "fillButton", "angleValueButton"};
    QTest::newRow("free curve") << 9
                                << QStringList{strip, "lineWidthButton", "lineStyleButton",
                                               "fillButton"};
    QTest::newRow("text box") << 10 << QStringList{"textBoxAction"};
    QTest::newRow("stamp") << 11 << QStringList{"stampAction"};
}

void TestMainToolBar::optionStripPerTool()
{
    QFETCH(int, tool);
    QFETCH(QStringList, shown);
    QCOMPARE(visibleOptions(), QStringList());
    QSignalSpy spy(bar, &MainToolBar::paintToolClicked);
    // Pass through another tool first so that nothing is left over from it.
    bar->clickPaintTool(tool == 7 ? 5 : 7);
    bar->clickPaintTool(tool);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(property->paintTool, tool);
    QVERIFY(child<QPushButton>(qPrintable(QString("toolButton%1").arg(tool)))->isChecked());
    QStringList actual = visibleOptions();
    actual.sort();
    shown.sort();
    QCOMPARE(actual, shown);
}

void TestMainToolBar::geometryToolFollowsShape()
{
    ShapeAction *picker = bar->findChild<ShapeAction *>();
    QVERIFY(picker);
    QSignalSpy spy(bar, &MainToolBar::shapeTypeChanged);
    bar->clickPaintTool(7);

    const QStringList base = {"toolOptionAction", "shapeButton", "lineWidthButton", "fillButton"};
    auto expect = [&](QStringList extra) {
        QStringList wanted = base + extra;
        wanted.sort();
        QStringList actual = visibleOptions();
        actual.sort();
        return actual == wanted ? QString() : actual.join(",");
    };

    picker->shapeButton(6)->click();
    QCOMPARE(property->shapeType, 6);
    QCOMPARE(expect({"lineStyleButton", "sidesSpinBox"}), QString());
    picker->shapeButton(7)->click();
    QCOMPARE(expect({"lineStyleButton", "angleGroup"}), QString());
    picker->shapeButton(21)->click();
    QCOMPARE(expect({"degreeButton"}), QString());
    picker->shapeButton(2)->click();
    QCOMPARE(expect({"lineStyleButton"}), QString());
    // The current shape again re-applies the rules and emits again.
    picker->shapeButton(2)->click();
    QCOMPARE(spy.count(), 5);
    QCOMPARE(spy.count(), 5);

    // Choosing the tool with a remembered shape shows that shape's options.
    picker->shapeButton(8)->click();
    bar->clickPaintTool(0);
    QCOMPARE(visibleOptions(), QStringList());
    bar->clickPaintTool(7);
    QCOMPARE(expect({"lineStyleButton", "angleGroup"}), QString());
    picker->shapeButton(22)->click();
    bar->clickPaintTool(6);
    bar->clickPaintTool(7);
    QCOMPARE(expect({"degreeButton"}), QString());
    QCOMPARE(property->shapeType, 22);
}

void TestMainToolBar::clickingCurrentToolEmitsAgain()
{
    QSignalSpy spy(bar, &MainToolBar::paintToolClicked);
    int toolAtEmit = -1;
    connect(bar, &MainToolBar::paintToolClicked, this, [&] { toolAtEmit = property->paintTool; });
    bar->clickPaintTool(4);
    bar->clickPaintTool(4);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(toolAtEmit, 4);
    QVERIFY(child<QPushButton>("toolButton4")->isChecked());
    QCOMPARE(visibleOptions(), (QStringList{"toolOptionAction", "highlighterRow"}));
    bar->clickPaintTool(0);
    QCOMPARE(spy.count(), 3);
    QVERIFY(child<QPushButton>("toolButton0")->isChecked());
    QVERIFY(!child<QPushButton>("toolButton4")->isChecked());
}

void TestMainToolBar::eraserSliderAndSpinBoxEmitOnceWithoutEcho()
{
    bar->show();
    bar->clickPaintTool(5);
    auto *slider = child<Slider>("eraserSlider");
    auto *spinBox = child<QSpinBox>("eraserSpinBox");
    QCOMPARE(slider->value(), 2);
    QCOMPARE(spinBox->value(), 2);
    QCOMPARE(slider->minimum(), 1);
    QCOMPARE(slider->maximum(), 20);
    QCOMPARE(spinBox->maximum(), 20);

    QSignalSpy spy(bar, &MainToolBar::eraserSizeChanged);
    QSignalSpy spinSpy(spinBox, QOverload<int>::of(&QSpinBox::valueChanged));
    slider->setValue(7);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spinBox->value(), 7);
    QCOMPARE(spinSpy.count(), 0);
    QCOMPARE(property->eraserSize, 7);

    // Typing "12" gives one change, for the finished value.
    spy.clear();
    QSignalSpy sliderSpy(slider, &QSlider::valueChanged);
    spinBox->setFocus();
    spinBox->selectAll();
    QTest::keyClicks(spinBox, "12");
    QCOMPARE(spy.count(), 0);
    QTest::keyClick(spinBox, Qt::Key_Return);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(property->eraserSize, 12);
    QCOMPARE(slider->value(), 12);
    QCOMPARE(sliderSpy.count(), 0);

    // Out-of-range values are clamped by the controls.
    spy.clear();
    slider->setValue(40);
    QCOMPARE(property->eraserSize, 20);
    QCOMPARE(spinBox->value(), 20);
    QCOMPARE(spy.count(), 1);

    // The shape spin boxes take each typed value at once, without Return.
    QSignalSpy sides(bar, &MainToolBar::polygonSideCountChanged);
    auto *sidesBox = child<QSpinBox>("sidesSpinBox");
    sidesBox->selectAll();
    QTest::keyClicks(sidesBox, "12");
    QCOMPARE(sides.count(), 1);
    QCOMPARE(property->polygonSideCount, 12);
    QCOMPARE(sidesBox->toolTip(), QString("设置边数(3-30)"));
    QCOMPARE(child<QSpinBox>("startAngleSpinBox")->toolTip(), QString("设置起始角(-360°~360°)"));
    QCOMPARE(child<QSpinBox>("startAngleSpinBox")->minimum(), -360);
    QCOMPARE(child<QSpinBox>("angleSizeSpinBox")->toolTip(), QString("设置角度值(1°~360°)"));
}

void TestMainToolBar::geometrySpinBoxesWaitForReturn_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("changes"); // each typed digit that makes a value in range
    QTest::newRow("sides") << 6 << "sidesSpinBox" << QByteArray(SIGNAL(polygonSideCountChanged()))
                           << "12" << 1;
    QTest::newRow("start angle") << 7 << "startAngleSpinBox"
                                 << QByteArray(SIGNAL(startAngleChanged())) << "-45" << 2;
    QTest::newRow("angle") << 8 << "angleSizeSpinBox" << QByteArray(SIGNAL(angleSizeChanged()))
                           << "90" << 2;
}

void TestMainToolBar::geometrySpinBoxesWaitForReturn()
{
    QFETCH(int, shape);
    QFETCH(QString, box);
    QFETCH(QByteArray, signal);
    QFETCH(QString, keys);
    QFETCH(int, changes);
    bar->show();
    bar->clickPaintTool(7);
    bar->findChild<ShapeAction *>()->shapeButton(shape)->click();
    auto *spinBox = child<QSpinBox>(box.toLatin1().constData());
    QSignalSpy spy(bar, signal.constData());
    spinBox->setFocus();
    spinBox->selectAll();
    QTest::keyClicks(spinBox, keys);
    // Neither Return nor a focus change: the canvas follows the typing.
    QCOMPARE(spy.count(), changes);
    const int stored[] = {property->polygonSideCount, property->startAngle, property->angleSize};
    QCOMPARE(stored[shape - 6], keys.toInt());
}

void TestMainToolBar::optionMenusAndToggles()
{
    auto entries = [&](const char *name) {
        QList<PAction *> list;
        const QList<QAction *> actions = child<QToolButton>(name)->menu()->actions();
        for (QAction *action : actions)
            list.append(qobject_cast<PAction *>(action));
        return list;
    };
    const QList<PAction *> widths = entries("lineWidthButton");
    const QList<PAction *> styles = entries("lineStyleButton");
    const QList<PAction *> arrows = entries("arrowButton");
    QCOMPARE(widths.size(), 5);
    QVERIFY(widths[0]->button()->isChecked());
    QVERIFY(styles[0]->button()->isChecked());
    QVERIFY(arrows[0]->button()->isChecked());
    QCOMPARE(widths[0]->button()->size(), QSize(4 * bar->buttonSize(), bar->buttonSize()));

    // The menus belong to the option strip, which is usable while a line tool is current.
    bar->clickPaintTool(6);
    QSignalSpy widthSpy(bar, &MainToolBar::lineBoldSizeChanged);
    widths[3]->button()->click();
    QCOMPARE(property->lineBoldSize, 7);
    QCOMPARE(widthSpy.count(), 1);
    QVERIFY(!widths[0]->button()->isChecked());

    QSignalSpy styleSpy(bar, &MainToolBar::lineStyleChanged);
    styles[4]->button()->click();
    QCOMPARE(property->lineStyle, 5);
    QCOMPARE(styleSpy.count(), 1);

    QSignalSpy arrowSpy(bar, &MainToolBar::arrowStyleChanged);
    arrows[4]->button()->click();
    QCOMPARE(property->arrowStyle, 4);
    arrows[0]->button()->click();
    QCOMPARE(property->arrowStyle, 0);
    QCOMPARE(arrowSpy.count(), 2);

    // Setters without an entry store the value, leave the entry and stay silent.
    AllSignalsSpy silent(bar);
    bar->setLineBoldSize(4);
    QCOMPARE(property->lineBoldSize, 4);
    QVERIFY(widths[3]->button()->isChecked());
    bar->setLineBoldSize(2);
    QVERIFY(widths[0]->button()->isChecked());
    bar->setLineStyle(3);
    QVERIFY(styles[2]->button()->isChecked());
    bar->setArrowStyle(2);
    QCOMPARE(property->arrowStyle, 2);
    QVERIFY(arrows[2]->button()->isChecked());
    QCOMPARE(silent.fired(), QStringList());

    QSignalSpy highlight(bar, &MainToolBar::highlightSizeChanged);
    QVERIFY(child<QPushButton>("highlighterButton2")->isChecked());
    child<QPushButton>("highlighterButton4")->click();
    QCOMPARE(property->highlightSize, 4);
    QCOMPARE(highlight.count(), 1);
    QVERIFY(!child<QPushButton>("highlighterButton2")->isChecked());

    QSignalSpy shape(bar, &MainToolBar::eraserShapeChanged);
    auto *combo = child<QComboBox>("eraserShapeCombo");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(1), QString("圆形"));
    QVERIFY(QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 1)));
    QCOMPARE(property->eraserShape, 1);
    QCOMPARE(shape.count(), 1);

    const QList<QPair<const char *, bool PaintProperty::*>> toggles = {
        {"laserButton", &PaintProperty::hasPenLaser},
        {"degreeButton", &PaintProperty::hasLineDegree},
        {"fillButton", &PaintProperty::isFillBackColor},
        {"angleValueButton", &PaintProperty::hasIncludedAngle}};
    AllSignalsSpy toggleSpy(bar);
    for (const auto &toggle : toggles) {
        auto *button = child<QPushButton>(toggle.first);
        QVERIFY(!button->isChecked());
        button->click();
        QCOMPARE(property->*(toggle.second), true);
        button->click();
        QCOMPARE(property->*(toggle.second), false);
    }
    QCOMPARE(toggleSpy.fired(),
             (QStringList{"isFillBackColorClicked()", "hasPenLaserClicked()",
                          "hasLineDegreeClicked()", "hasIncludedAngleClicked()"}));
}

void TestMainToolBar::recordingStateTable()
{
    bar->setRecordStartEnabled(true);
    auto *start = child<QToolButton>("recordStartButton");
    auto *stop = child<QToolButton>("recordStopButton");
    auto *label = child<QLabel>("recordTimeLabel");
    const QImage startIcon = resourceImage("maintoolbar/avrecorder/start.png");
    const QImage pauseIcon = resourceImage("maintoolbar/avrecorder/pause.png");

    QSignalSpy startSpy(bar, &MainToolBar::recordStartClicked);
    QSignalSpy stopSpy(bar, &MainToolBar::recordStopClicked);
    QList<int> stateAtEmit;
    connect(bar, &MainToolBar::recordStartClicked, this,
            [&] { stateAtEmit.append(bar->currentRecordState()); });
    connect(bar, &MainToolBar::recordStopClicked, this,
            [&] { stateAtEmit.append(bar->currentRecordState()); });

    const struct
    {
        int expectedState;
        const QImage *icon;
    } steps[] = {{1, &pauseIcon}, {2, &startIcon}, {3, &pauseIcon}, {2, &startIcon}};
    for (const auto &step : steps) {
        bar->clickRecordStart();
        QCOMPARE(bar->currentRecordState(), step.expectedState);
        QCOMPARE(startSpy.last().at(0).toInt(), step.expectedState);
        QCOMPARE(iconImage(start), *step.icon);
        QVERIFY(stop->isEnabled());
    }
    QCOMPARE(startSpy.count(), 4);
    QCOMPARE(stateAtEmit, (QList<int>{1, 2, 3, 2}));

    bar->setRecordTime(75);
    QCOMPARE(label->text(), QString("00:01:15"));
    bar->clickRecordStop();
    QCOMPARE(stopSpy.count(), 1);
    QCOMPARE(stateAtEmit.last(), 0);
    QCOMPARE(bar->currentRecordState(), 0);
    QVERIFY(!stop->isEnabled());
    QCOMPARE(label->text(), QString("00:00:00"));
    QCOMPARE(iconImage(start), startIcon);

    // Stop is disabled while idle: its key does nothing.
    bar->clickRecordStop();
    QCOMPARE(stopSpy.count(), 1);

    // A reset after an error puts everything back and emits nothing.
    bar->clickRecordStart();
    QCOMPARE(bar->currentRecordState(), 1);
    bar->setRecordTime(9);
    AllSignalsSpy silent(bar);
    bar->resetRecordState();
    QCOMPARE(silent.fired(), QStringList());
    QCOMPARE(bar->currentRecordState(), 0);
    QVERIFY(!stop->isEnabled());
    QCOMPARE(label->text(), QString("00:00:00"));
    bar->resetRecordState();
    QVERIFY(!stop->isEnabled());

    // Enabling the start button shows its start icon even while recording.
    bar->setRecordState(1);
    bar->setRecordStartEnabled(true);
    QCOMPARE(iconImage(start), startIcon);

    // Unknown states are only stored; the next click starts again.
    bar->setRecordState(7);
    QCOMPARE(bar->currentRecordState(), 7);
    QVERIFY(stop->isEnabled());
    startSpy.clear();
    bar->clickRecordStart();
    QCOMPARE(startSpy.last().at(0).toInt(), 0);
    QCOMPARE(bar->currentRecordState(), 0);
}

void TestMainToolBar::recordTimeLabel()
{
    QCOMPARE(MainToolBar::recordTimeText(0), QString("00:00:00"));
    QCOMPARE(MainToolBar::recordTimeText(3725), QString("01:02:05"));
    QCOMPARE(MainToolBar::recordTimeText(360000), QString("100:00:00"));
    QCOMPARE(MainToolBar::recordTimeText(59), QString("00:00:59"));
    QCOMPARE(MainToolBar::recordTimeText(3600), QString("01:00:00"));
    auto *label = child<QLabel>("recordTimeLabel");
    QCOMPARE(label->text(), QString("00:00:00"));
    bar->setRecordTime(3725);
    QCOMPARE(label->text(), QString("01:02:05"));
    bar->setRecordTime(360000);
    QCOMPARE(label->text(), QString("100:00:00"));
}

void TestMainToolBar::presetBrushWritesAllBeforeItsOneSignal()
{
    AllSignalsSpy spy(bar);
    QList<QVariant> seen;
    connect(bar, &MainToolBar::customBrushClicked, this, [&] {
        seen = {property->lineBoldSize, property->foreColor, property->backColor};
    });
    bar->clickPresetBrush(2);
    QCOMPARE(spy.fired(), QStringList{"customBrushClicked()"});
    QCOMPARE(seen, (QList<QVariant>{3, "#ff0000", "#ffffff"}));

    bar->setPresetBrush(4, 9, "#123456", "#abcdef");
    bar->setPresetBrush(5, 7, "#000000", "#000000");
    bar->setPresetBrush(0, 7, "#000000", "#000000");
    QCOMPARE(bar->presetBrush(4).size, 9);
    QCOMPARE(bar->presetBrush(3).forecolor, QString("#3f48cc"));
    bar->clickPresetBrush(4);
    QCOMPARE(seen, (QList<QVariant>{9, "#123456", "#abcdef"}));
    // The width menu follows the preset.
    const QList<QAction *> widths = child<QToolButton>("lineWidthButton")->menu()->actions();
    QVERIFY(qobject_cast<PAction *>(widths[4])->button()->isChecked());
    QCOMPARE(spy.fired(), QStringList{"customBrushClicked()"});

    // The preset picture: fore square at (4,4), back square at (12,12), 32 pixels.
    const QImage picture = MainToolBar::presetBrushPixmap(32, 2, "#ff0000", "#0000ff").toImage();
    QCOMPARE(picture.size(), QSize(32, 32));
    QCOMPARE(QColor(picture.pixel(5, 5)), QColor("#ff0000"));
    QCOMPARE(QColor(picture.pixel(26, 26)), QColor("#0000ff"));
    QCOMPARE(qAlpha(picture.pixel(31, 0)), 0);

    // No colour is no fill, never black.
    for (const QString &none : {QString(), QString("NONE"), QString("#12")}) {
        const QImage empty = MainToolBar::presetBrushPixmap(32, 2, none, none).toImage();
        QCOMPARE(QColor(empty.pixel(5, 5)), QColor(Qt::white));
        QCOMPARE(QColor(empty.pixel(26, 26)), QColor(Qt::white));
    }
}

void TestMainToolBar::colourQuestions()
{
    QStringList asked;
    QString answer;
    bar->setColorPicker([&](const QString &title, const QString &initial, const QString &extra) {
        asked = QStringList{title, initial, extra};
        return answer;
    });
    QSignalSpy fore(bar, &MainToolBar::foreColorClicked);
    QSignalSpy back(bar, &MainToolBar::backColorClicked);
    QSignalSpy board(bar, &MainToolBar::newBoardClicked);

    answer = QString();
    child<QToolButton>("foreColorButton")->click();
    QCOMPARE(asked, (QStringList{"编辑前景色", "#000000", ""}));
    QCOMPARE(fore.count(), 0);
    QCOMPARE(property->foreColor, QString("#000000"));

    answer = "#00FF00";
    child<QToolButton>("foreColorButton")->click();
    QCOMPARE(fore.count(), 1);
    QCOMPARE(property->foreColor, QString("#00FF00"));
    child<QToolButton>("foreColorButton")->click();
    QCOMPARE(asked.at(1), QString("#00FF00"));
    QCOMPARE(fore.count(), 2);

    answer = "#112233";
    child<QToolButton>("backColorButton")->click();
    QCOMPARE(asked, (QStringList{"编辑背景色", "#ffffff", ""}));
    QCOMPARE(back.count(), 1);
    QCOMPARE(property->backColor, QString("#112233"));

    // "NONE" is no colour: a pen colour cannot take it.
    answer = "NONE";
    child<QToolButton>("backColorButton")->click();
    QCOMPARE(back.count(), 1);
    QCOMPARE(property->backColor, QString("#112233"));

    answer = QString();
    bar->clickNewBoard();
    QCOMPARE(asked, (QStringList{"选择画板背景色", "#ffffff", ""}));
    QCOMPARE(board.count(), 0);
    answer = "#FFFFEE";
    bar->clickNewBoard();
    QCOMPARE(board.count(), 1);
    QCOMPARE(board.at(0).at(0).toString(), QString("#FFFFEE"));

    // Without a picker every question counts as closed.
    bar->setColorPicker(nullptr);
    bar->clickNewBoard();
    child<QToolButton>("foreColorButton")->click();
    QCOMPARE(board.count(), 1);
    QCOMPARE(fore.count(), 2);
}

void TestMainToolBar::textBoxStyleKeys()
{
    // The bar's keys act while the text-box tool is current, as its bar is shown then.
    bar->clickPaintTool(10);
    auto *boldButton = child<QPushButton>("boldButton");
    AllSignalsSpy spy(bar);
    bar->clickFontBold();
    QCOMPARE(spy.emissions(), QStringList{"fontBoldClicked()"});
    QVERIFY(property->fontBold);
    QVERIFY(boldButton->isChecked());
    bar->clickFontBold();
    QVERIFY(!property->fontBold);
    QVERIFY(!boldButton->isChecked());
    bar->clickFontItalic();
    bar->clickFontUnderline();
    QCOMPARE(spy.emissions(), (QStringList{"fontBoldClicked()", "fontBoldClicked()",
                                           "fontItalicClicked()", "fontUnderlineClicked()"}));
    QVERIFY(property->fontItalic && property->fontUnderline);
    QVERIFY(child<QPushButton>("italicButton")->isChecked());
    QVERIFY(child<QPushButton>("underlineButton")->isChecked());
}

void TestMainToolBar::pickerSignalsReachTheToolBarOnce()
{
    // Every signal of the text-box bar leaves the toolbar once, under the same name.
    auto *textBar = bar->findChild<TextBoxToolBar *>();
    QVERIFY(textBar);
    const QMetaObject *meta = textBar->metaObject();
    int relayed = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        AllSignalsSpy spy(bar);
        QVERIFY(method.invoke(textBar, Qt::DirectConnection));
        QCOMPARE(spy.emissions(), QStringList{QString::fromLatin1(method.methodSignature())});
        ++relayed;
    }
    QCOMPARE(relayed, 12);

    // A control of the bar has written its field when the toolbar's signal arrives. The bar
    // takes clicks only while its tool is current: a hidden toolbar action disables its widget.
    bar->clickPaintTool(10);
    QObject receiver;
    bool strikeOutSeen = false;
    connect(bar, &MainToolBar::fontDeletelineClicked, &receiver,
            [&] { strikeOutSeen = property->fontDeleteline; });
    AllSignalsSpy controlSpy(bar);
    child<QPushButton>("deletelineButton")->click();
    QCOMPARE(controlSpy.emissions(), QStringList{"fontDeletelineClicked()"});
    QVERIFY(strikeOutSeen);

    // The bar asks the toolbar's colour picker, and without one its questions count as closed.
    QStringList asked;
    bar->setColorPicker([&](const QString &title, const QString &initial, const QString &extra) {
        asked = QStringList{title, initial, extra};
        return QString("#112233");
    });
    AllSignalsSpy colourSpy(bar);
    child<QToolButton>("frameColorButton")->click();
    QCOMPARE(asked, (QStringList{"编辑边框颜色", "#000000", "无边框颜色"}));
    QCOMPARE(colourSpy.emissions(), QStringList{"textFrameColorClicked()"});
    QCOMPARE(property->textFrameColor, QString("#112233"));
    bar->setColorPicker(nullptr);
    child<QToolButton>("fontColorButton")->click();
    QCOMPARE(colourSpy.emissions(), QStringList{"textFrameColorClicked()"});
    QCOMPARE(property->fontColor, QString("#000000"));

    // A stamp choice and the pointer button pass their stamp names on unchanged.
    auto *stamps = bar->findChild<StampDialog *>();
    QVERIFY(stamps);
    QCOMPARE(stamps->stampNameList(), (QStringList{"0", "1", "2"}));
    bar->clickPaintTool(11);
    AllSignalsSpy stampSpy(bar);
    QSignalSpy checkedSpy(bar, &MainToolBar::stampChecked);
    QSignalSpy pointerSpy(bar, &MainToolBar::stampTeacherPointerSeted);
    QAbstractButton *halfTick = stamps->stampGroup()->button(2);
    QCOMPARE(halfTick->statusTip(), QString("1"));
    halfTick->click();
    QCOMPARE(stampSpy.emissions(), QStringList{"stampChecked(QString)"});
    QCOMPARE(checkedSpy.at(0).at(0).toString(), QString("1"));
    auto *pointer = child<QPushButton>("pointerButton");
    pointer->click();
    pointer->click();
    QCOMPARE(stampSpy.emissions(),
             (QStringList{"stampChecked(QString)", "stampTeacherPointerSeted(QString)",
                          "stampTeacherPointerSeted(QString)"}));
    QCOMPARE(pointerSpy.at(0).at(0).toString(), QString("1"));
    QCOMPARE(pointerSpy.at(1).at(0).toString(), QString());
}

void TestMainToolBar::widthStaysFixedAndFocusStaysWithCanvas()
{
    bar->show();
    const int width = bar->width();
    QCOMPARE(bar->minimumWidth(), bar->maximumWidth());
    for (int tool : {5, 7, 10, 11, 0}) {
        bar->clickPaintTool(tool);
        QCoreApplication::processEvents();
        QCOMPARE(bar->width(), width);
    }
    QCOMPARE(bar->focusPolicy(), Qt::NoFocus);
    QCOMPARE(child<QPushButton>("toolButton3")->focusPolicy(), Qt::NoFocus);
    QCOMPARE(child<QToolButton>("undoButton")->focusPolicy(), Qt::NoFocus);
    QCOMPARE(child<QPushButton>("laserButton")->focusPolicy(), Qt::NoFocus);
    for (const char *name : {"textBoxBar", "stampDialog"}) {
        auto *picker = child<QWidget>(name);
        QCOMPARE(picker->focusPolicy(), Qt::NoFocus);
        // Combo-box pop-ups are windows of their own and take focus only while open.
        const QList<QWidget *> controls = picker->findChildren<QWidget *>();
        for (const QWidget *control : controls) {
            if (control->window() != picker->window())
                continue;
            QVERIFY2(control->focusPolicy() == Qt::NoFocus,
                     qPrintable(QString("%1 %2 %3")
                                    .arg(name, control->metaObject()->className(),
                                         control->objectName())));
        }
    }
    for (const char *name :
         {"eraserSpinBox", "sidesSpinBox", "startAngleSpinBox", "angleSizeSpinBox"})
        QCOMPARE(child<QSpinBox>(name)->focusPolicy(), Qt::ClickFocus);
}

QTEST_MAIN(TestMainToolBar)
#include "tst_maintoolbar.moc"
