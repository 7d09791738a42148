#include <QtTest>

#include "base/uimetrics.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"

using namespace PageHistory;

class TestPageHistory : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void undoRedoStateOfEmptyAndOpenHistories();
    void undoTwoOfFiveThenRedoReactivatesTheFourth();
    void keepingANewActionDropsTheUndoneOnes();
    void undoOfAnOpenActionDropsItAndTheUndoneBeforeIt();
    void beginActionDropsUndoneOnlyWhenAsked();
    void droppedActionsAreFreedButTheKeptOneLives();
    void redoNeedsAClosedLastAction();
    void undoWithNothingActiveChangesNothing();
    void closeOpenActionRules();
    void removeAndClearFreeActions();
    void selectionValidity_data();
    void selectionValidity();
    void cleanImpureImageNeedsAShownOpenPastedImage();

private:
    PaintData *addClosed(int type = PaintTool::Pencil, bool active = true);
    PaintData *addOpen(int type = PaintTool::Pencil);

    QObject *canvas = nullptr;
    PageData *page = nullptr;
};

void TestPageHistory::init()
{
    canvas = new QObject;
    page = new PageData(canvas);
}

void TestPageHistory::cleanup()
{
    delete canvas;
    canvas = nullptr;
    page = nullptr;
}

PaintData *TestPageHistory::addClosed(int type, bool active)
{
    auto *action = new PaintData(canvas);
    action->type = type;
    action->active = active;
    action->closed = true;
    page->history.append(action);
    return action;
}

PaintData *TestPageHistory::addOpen(int type)
{
    auto *action = new PaintData(canvas);
    action->type = type;
    action->active = true;
    page->history.append(action);
    return action;
}

void TestPageHistory::undoRedoStateOfEmptyAndOpenHistories()
{
    UndoRedoState state = undoRedoState(page->history);
    QVERIFY(!state.canUndo && !state.canRedo);

    addOpen();
    state = undoRedoState(page->history);
    QVERIFY(state.canUndo && !state.canRedo);

    // An open action after undone ones still offers no redo.
    page->history.first()->closed = true;
    page->history.first()->active = false;
    addOpen();
    state = undoRedoState(page->history);
    QVERIFY(state.canUndo && !state.canRedo);
}

void TestPageHistory::undoTwoOfFiveThenRedoReactivatesTheFourth()
{
    QList<PaintData *> five;
    for (int i = 0; i < 5; ++i)
        five << addClosed();
    QVERIFY(undo(page->history));
    QVERIFY(undo(page->history));
    QVERIFY(!five[3]->active && !five[4]->active && five[2]->active);
    UndoRedoState state = undoRedoState(page->history);
    QVERIFY(state.canUndo && state.canRedo);

    QVERIFY(redo(page->history));
    QVERIFY(five[3]->active);
    QVERIFY(!five[4]->active);
    QCOMPARE(page->history.size(), 5);

    // Undo everything: undo is then impossible, redo possible.
    while (undo(page->history)) {
    }
    state = undoRedoState(page->history);
    QVERIFY(!state.canUndo && state.canRedo);
}

void TestPageHistory::keepingANewActionDropsTheUndoneOnes()
{
    addClosed();
    addClosed();
    addClosed();
    undo(page->history);
    undo(page->history);
    PaintData *fresh = addOpen(PaintTool::Line);
    fresh->closed = true;
    dropRedoTail(page->history, true);
    QCOMPARE(page->history.size(), 2);
    QCOMPARE(page->history.last(), fresh);
    const UndoRedoState state = undoRedoState(page->history);
    QVERIFY(state.canUndo && !state.canRedo);
    QVERIFY(!redo(page->history));
}

void TestPageHistory::undoOfAnOpenActionDropsItAndTheUndoneBeforeIt()
{
    PaintData *first = addClosed();
    PaintData *second = addClosed();
    addClosed();
    undo(page->history);
    QPointer<PaintData> open = addOpen(PaintTool::Shape);
    QVERIFY(undo(page->history));
    QCOMPARE(page->history, (QList<PaintData *>{first, second}));
    QVERIFY(first->active && second->active);
    QVERIFY(open.isNull());
}

void TestPageHistory::beginActionDropsUndoneOnlyWhenAsked()
{
    addClosed();
    addClosed();
    undo(page->history);
    auto *highlight = new PaintData(canvas);
    highlight->type = PaintTool::Highlighter;
    beginAction(page->history, highlight, false);
    QCOMPARE(page->history.size(), 3); // the highlighter drops them at its release
    PageHistory::removeAction(page->history, highlight);

    auto *pen = new PaintData(canvas);
    pen->type = PaintTool::Pen;
    beginAction(page->history, pen, true);
    QCOMPARE(page->history.size(), 2);
    QCOMPARE(page->history.last(), pen);
    QCOMPARE(openLastAction(page->history), pen);
    QCOMPARE(openLastActionOfType(page->history, PaintTool::Pen), pen);
    QCOMPARE(openLastActionOfType(page->history, PaintTool::Pencil), nullptr);
}

void TestPageHistory::droppedActionsAreFreedButTheKeptOneLives()
{
    // A long-lived canvas must not keep every dropped action until it goes.
    addClosed();
    QPointer<PaintData> undone1 = addClosed();
    QPointer<PaintData> undone2 = addClosed();
    undo(page->history);
    undo(page->history);
    QPointer<PaintData> kept = addOpen();
    dropRedoTail(page->history, true);
    QVERIFY(undone1.isNull());
    QVERIFY(undone2.isNull());
    QVERIFY(!kept.isNull());
    QCOMPARE(page->history.last(), kept.data());
    QCOMPARE(canvas->findChildren<PaintData *>().size(), 2);

    QPointer<PaintData> abandoned = page->history.last();
    dropRedoTail(page->history, false);
    QVERIFY(abandoned.isNull());
    QCOMPARE(page->history.size(), 1);

    // Empty history: nothing to do, nothing breaks.
    page->history.clear();
    dropRedoTail(page->history, true);
    QVERIFY(page->history.isEmpty());
}

void TestPageHistory::redoNeedsAClosedLastAction()
{
    addClosed(PaintTool::Pencil, false);
    PaintData *open = addOpen();
    QVERIFY(!redo(page->history));
    QVERIFY(!page->history.first()->active);
    open->closed = true;
    QVERIFY(redo(page->history));
    QVERIFY(page->history.first()->active);
    QVERIFY(!redo(page->history));
}

void TestPageHistory::undoWithNothingActiveChangesNothing()
{
    QVERIFY(!undo(page->history));
    addClosed(PaintTool::Pencil, false);
    QVERIFY(!undo(page->history));
    QCOMPARE(page->history.size(), 1);
}

void TestPageHistory::closeOpenActionRules()
{
    QVERIFY(!closeOpenAction(page->history));

    // A highlighter dot is not kept.
    addClosed();
    QPointer<PaintData> dot = addOpen(PaintTool::Highlighter);
    dot->points << QPointF(1, 1);
    QVERIFY(closeOpenAction(page->history));
    QVERIFY(dot.isNull());
    QCOMPARE(page->history.size(), 1);

    // Any other open action is closed and its redo branch goes.
    addClosed();
    undo(page->history);
    PaintData *band = addOpen(PaintTool::Highlighter);
    band->points << QPointF(1, 1) << QPointF(5, 5);
    QVERIFY(closeOpenAction(page->history));
    QVERIFY(band->closed);
    QCOMPARE(page->history.size(), 2);
    QCOMPARE(page->history.last(), band);
    QVERIFY(!closeOpenAction(page->history));
}

void TestPageHistory::removeAndClearFreeActions()
{
    QPointer<PaintData> a = addClosed();
    QPointer<PaintData> b = addOpen(PaintTool::Line);
    auto *stranger = new PaintData(canvas);
    QVERIFY(!PageHistory::removeAction(page->history, stranger));
    QVERIFY(!PageHistory::removeAction(page->history, nullptr));
    QVERIFY(PageHistory::removeAction(page->history, b));
    QVERIFY(b.isNull());
    QCOMPARE(page->history.size(), 1);
    clearHistory(page->history);
    QVERIFY(a.isNull());
    QVERIFY(page->history.isEmpty());
}

void TestPageHistory::selectionValidity_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("sourceFixed");
    QTest::addColumn<QRectF>("source");
    QTest::addColumn<bool>("frameComplete");
    QTest::addColumn<bool>("marqueeValid");
    QTest::addColumn<bool>("valid");
    const QRectF good(10, 10, 50, 40);
    const QRectF flat(10, 10, 50, 0);
    QTest::newRow("moved ok") << 0 << true << good << true << false << true;
    QTest::newRow("moved not lifted") << 0 << false << good << true << true << false;
    QTest::newRow("moved frame unset") << 0 << true << good << false << true << false;
    QTest::newRow("moved flat source") << 0 << true << flat << true << true << false;
    QTest::newRow("deleted ok") << 1 << false << good << false << false << true;
    QTest::newRow("deleted flat") << 1 << true << flat << true << true << false;
    QTest::newRow("deleted zero width") << 1 << true << QRectF(3, 3, 0, 9) << true << true << false;
    QTest::newRow("pasted valid frame") << 2 << true << flat << false << true << true;
    QTest::newRow("pasted invalid frame") << 2 << true << good << true << false << false;
    QTest::newRow("other kind") << 7 << false << flat << false << false << true;
}

void TestPageHistory::selectionValidity()
{
    QFETCH(int, kind);
    QFETCH(bool, sourceFixed);
    QFETCH(QRectF, source);
    QFETCH(bool, frameComplete);
    QFETCH(bool, marqueeValid);
    QFETCH(bool, valid);
    PaintData action;
    action.type = PaintTool::Selection;
    action.value2 = kind;
    action.sourceFixed = sourceFixed;
    // Corners given in the opposite order: the rectangle is normalised.
    action.points << source.bottomRight() << source.topLeft();
    for (int i = 2; i < 8; ++i)
        action.points << (frameComplete || i != 5 ? QPointF(i, i) : invalidPointF);
    QCOMPARE(isSelectionActionValid(&action, marqueeValid), valid);
    QVERIFY(!isSelectionActionValid(nullptr, true));
}

void TestPageHistory::cleanImpureImageNeedsAShownOpenPastedImage()
{
    QVERIFY(!canCleanImpureImage(page->history, true));
    PaintData *paste = addOpen(PaintTool::Selection);
    paste->value2 = SelectionKind::PastedImage;
    QVERIFY(canCleanImpureImage(page->history, true));
    QVERIFY(!canCleanImpureImage(page->history, false));
    paste->value2 = SelectionKind::MovedRegion;
    QVERIFY(!canCleanImpureImage(page->history, true));
    paste->value2 = SelectionKind::PastedImage;
    paste->closed = true;
    QVERIFY(!canCleanImpureImage(page->history, true));
    // A shape not yet on the page is not a photo.
    PaintData *shape = addOpen(PaintTool::Shape);
    shape->value2 = 2;
    QVERIFY(!canCleanImpureImage(page->history, true));
}

QTEST_MAIN(TestPageHistory)
#include "tst_pagehistory.moc"
