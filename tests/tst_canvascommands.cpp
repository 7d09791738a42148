#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include "base/filesystem.h"
#include "base/uimetrics.h"
#include "boarddriver.h"
#include "drawing/pagehistory.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "toolbar/stampdialog.h"

namespace {
// A few strokes across the board so that selections have something to carry.
void scribble(CanvasBoard &board)
{
    board.useTool(PaintTool::Pen);
    board.property.lineBoldSize = 6;
    board.property.foreColor = QStringLiteral("#204080");
    board.drag(QPointF(30, 40), QPointF(350, 260), 25, 5);
    board.property.foreColor = QStringLiteral("#c03020");
    board.drag(QPointF(40, 250), QPointF(330, 30), 25, 5);
}

void selectRegion(CanvasBoard &board, const QPointF &from, const QPointF &to)
{
    board.useTool(PaintTool::Selection);
    board.drag(from, to, 5, 30);
}

QByteArray firstBytes(const QString &path, int n)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(n);
}

const QByteArray pngMagic("\x89PNG", 4);
const QByteArray jpegMagic("\xFF\xD8\xFF", 3);
} // namespace

class TestCanvasCommands : public QObject
{
    Q_OBJECT

private slots:
    void undoAndRedoActOnTheShownItemFirst();
    void undoRemovesTheLastPointOfAnUnfinishedConnectedLine();
    void deleteOnALiftedSelectionIsOneUndoableAction();
    void deleteOnAFreshSelectionErasesTheRegion();
    void cancelAfterALiftRestoresThePixels();
    void movedSelectionIsReplayedWhereItWasDropped();
    void clearScreenTurnsUndoAndRedoOff();
    void exportChoosesTheFormatBySuffix();
    void exportAddsTheChosenFilterSuffix_data();
    void exportAddsTheChosenFilterSuffix();
    void exportReportsAFailedSave();
    void exportedSelectionIsTheSameAtAnyZoom();
    void mirroredSelectionCopiesWhatIsShown_data();
    void mirroredSelectionCopiesWhatIsShown();
    void pasteShowsThePictureAndDeleteDropsIt();
    void photoCleanUpIgnoresABadIndex();
    void selectAllFramesTheWholePage();
    void rotateTurnsOnlyPictureDocuments();
    void styleOptionsReachTheShownItem();
    void italicAndBoldReachTheTextBox();
    void toolCursors();
    void commitsWorkOnAHiddenCanvas();
    void movedSelectionInATurnedView_data();
    void movedSelectionInATurnedView();
    void pastedPictureInATurnedView_data();
    void pastedPictureInATurnedView();
    void stampInATurnedView_data();
    void stampInATurnedView();
};

void TestCanvasCommands::undoAndRedoActOnTheShownItemFirst()
{
    CanvasBoard board;
    scribble(board);
    QCOMPARE(board.history().size(), 2);
    board.canvas.undo();
    QVERIFY(!board.history().at(1)->active);

    // A line is shown: undo takes it away and leaves the history alone.
    board.useTool(PaintTool::Line);
    board.drag(QPointF(20, 20), QPointF(200, 100));
    QVERIFY(!board.canvas.lineItem()->isHidden());
    QCOMPARE(board.history().size(), 3);
    // Redo does nothing while an item is shown.
    board.canvas.redo();
    QVERIFY(!board.history().at(1)->active);
    board.canvas.undo();
    QVERIFY(board.canvas.lineItem()->isHidden());
    QCOMPARE(board.history().size(), 2);
    QVERIFY(board.history().at(0)->active);
    QVERIFY(!board.history().at(1)->active);

    // A shown text box undoes its own typing.
    QTextEdit *editor = board.openTextBox(QPointF(60, 60))->textEditor();
    QTest::keyClicks(editor, QStringLiteral("ab"));
    const int actions = board.history().size();
    board.canvas.undo();
    QVERIFY(!board.canvas.textBoxItem()->isHidden());
    QVERIFY(editor->toPlainText().size() < 2);
    QCOMPARE(board.history().size(), actions);
    board.canvas.cancel();

    // With nothing shown the history steps back and forth.
    QVERIFY(board.canvas.textBoxItem()->isHidden());
    board.canvas.redo();
    QVERIFY(board.history().at(1)->active);
    QCOMPARE(board.lastCall(QStringLiteral("redo")), QStringLiteral("redo 0"));
    board.canvas.undo();
    board.canvas.undo();
    QVERIFY(!board.history().at(0)->active);
    QCOMPARE(board.lastCall(QStringLiteral("undo")), QStringLiteral("undo 0"));
    QCOMPARE(paintedPixels(board.inkImage()), 0);
}

void TestCanvasCommands::undoRemovesTheLastPointOfAnUnfinishedConnectedLine()
{
    CanvasBoard board;
    board.useTool(PaintTool::Polyline);
    board.press(QPointF(50, 50));
    board.release(QPointF(50, 50));
    CanvasFCLine *polyline = board.canvas.connectedLineItem();
    polyline->addPoint(QPointF(150, 60), false);
    polyline->addPoint(QPointF(120, 160), false);
    QCOMPARE(polyline->points().size(), 3);
    board.canvas.undo();
    QCOMPARE(polyline->points().size(), 2);
    QCOMPARE(board.history().size(), 1);
    board.canvas.undo();
    QCOMPARE(polyline->points().size(), 1);
    board.canvas.undo();
    QVERIFY(polyline->isHidden());
    QVERIFY(board.history().isEmpty());

    // Presses beside the unfinished figure add its points to the one action.
    board.press(QPointF(50, 50));
    board.release(QPointF(50, 50));
    board.press(QPointF(250, 60));
    board.release(QPointF(250, 60));
    QCOMPARE(polyline->points().size(), 2);
    QCOMPARE(board.history().size(), 1);
    polyline->addPoint(QPointF(120, 160), false);
    board.canvas.commitShownItems();
    QCOMPARE(board.history().size(), 1);
    QVERIFY(board.last()->closed);
    QCOMPARE(board.last()->points.size(), 3);
    QVERIFY(paintedPixels(board.inkImage()) > 100);
}

void TestCanvasCommands::deleteOnALiftedSelectionIsOneUndoableAction()
{
    CanvasBoard board;
    scribble(board);
    const QImage before = board.composite();
    selectRegion(board, QPointF(100, 80), QPointF(220, 180));
    CanvasMarquee *marquee = board.canvas.marqueeItem();
    QVERIFY(!marquee->isHidden());
    // The first nudge lifts the region off the page.
    marquee->nudge(4);
    QVERIFY(board.last()->sourceFixed);
    QVERIFY(!marquee->contentPixmap().isNull());
    QVERIFY(board.composite() != before);

    board.canvas.deleteSelection();
    QVERIFY(marquee->isHidden());
    QCOMPARE(board.history().size(), 3);
    QCOMPARE(board.last()->value2, int(SelectionKind::DeletedRegion));
    QVERIFY(board.last()->closed);
    const QImage deleted = board.composite();
    QCOMPARE(deleted.pixel(160, 130), qRgb(255, 255, 255));
    board.canvas.refreshPage();
    QCOMPARE(board.composite(), deleted);

    board.canvas.undo();
    QCOMPARE(board.composite(), before);
    QCOMPARE(board.lastCall(QStringLiteral("redo")), QStringLiteral("redo 1"));
}

void TestCanvasCommands::deleteOnAFreshSelectionErasesTheRegion()
{
    CanvasBoard board;
    scribble(board);
    const QImage before = board.composite();
    selectRegion(board, QPointF(100, 80), QPointF(220, 180));
    QTest::keyClick(&board.canvas, Qt::Key_Backspace);
    QCOMPARE(board.history().size(), 3);
    QVERIFY(board.last()->closed);
    const QImage after = board.composite();
    for (int y = 82; y < 178; y += 4) {
        for (int x = 102; x < 218; x += 4)
            QCOMPARE(after.pixel(x, y), qRgb(255, 255, 255));
    }
    board.canvas.undo();
    QCOMPARE(board.composite(), before);
}

void TestCanvasCommands::cancelAfterALiftRestoresThePixels()
{
    CanvasBoard board;
    scribble(board);
    const QImage before = board.composite();
    selectRegion(board, QPointF(100, 80), QPointF(220, 180));
    board.canvas.marqueeItem()->nudge(2);
    board.canvas.marqueeItem()->nudge(2);
    QVERIFY(board.composite() != before);
    board.canvas.cancel();
    QVERIFY(board.canvas.marqueeItem()->isHidden());
    QCOMPARE(board.history().size(), 2);
    QCOMPARE(board.composite(), before);
    QCOMPARE(board.lastCall(QStringLiteral("redo")), QStringLiteral("redo 0"));

    // Undo of a lifted selection puts it back the same way.
    selectRegion(board, QPointF(100, 80), QPointF(220, 180));
    board.canvas.marqueeItem()->nudge(3);
    board.canvas.undo();
    QCOMPARE(board.composite(), before);
    QCOMPARE(board.history().size(), 2);
}

void TestCanvasCommands::movedSelectionIsReplayedWhereItWasDropped()
{
    CanvasBoard board;
    scribble(board);
    selectRegion(board, QPointF(100, 80), QPointF(220, 180));
    const QImage lifted = board.composite().copy(100, 80, 120, 100);
    for (int i = 0; i < 30; ++i)
        board.canvas.marqueeItem()->nudge(4);
    board.canvas.commitShownItems();
    QVERIFY(board.canvas.marqueeItem()->isHidden());
    QCOMPARE(board.history().size(), 3);
    PaintData *move = board.last();
    QVERIFY(move->closed);
    QCOMPARE(move->value2, int(SelectionKind::MovedRegion));
    QCOMPARE(move->points.at(0), QPointF(100, 80));
    QCOMPARE(move->points.at(1), QPointF(220, 180));
    const QImage after = board.composite();
    // The source column left of the moved frame is bare, the frame shows the region.
    QCOMPARE(after.pixel(110, 130), qRgb(255, 255, 255));
    int differing = 0;
    const QImage moved = after.copy(130, 80, 120, 100);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 120; ++x)
            differing += moved.pixel(x, y) != lifted.pixel(x, y);
    }
    QVERIFY2(differing < 120, qPrintable(QString::number(differing)));
    // Undo and redo go through the replay and give the same page.
    board.canvas.undo();
    board.canvas.redo();
    QCOMPARE(board.composite(), after);
}

void TestCanvasCommands::clearScreenTurnsUndoAndRedoOff()
{
    CanvasBoard board;
    scribble(board);
    board.canvas.undo();
    board.host.answer = false;
    board.canvas.confirmClearScreen();
    QCOMPARE(board.history().size(), 2);
    QCOMPARE(board.lastCall(QStringLiteral("question")),
             QStringLiteral("question 清屏后无法恢复，确定继续？"));
    board.host.answer = true;
    board.canvas.confirmClearScreen();
    QVERIFY(board.history().isEmpty());
    QCOMPARE(board.lastCall(QStringLiteral("undo")), QStringLiteral("undo 0"));
    QCOMPARE(board.lastCall(QStringLiteral("redo")), QStringLiteral("redo 0"));
    QCOMPARE(paintedPixels(board.inkImage()), 0);
    // Nothing to clear: no question.
    board.host.calls.clear();
    board.canvas.confirmClearScreen();
    QVERIFY(board.lastCall(QStringLiteral("question")).isEmpty());
}

void TestCanvasCommands::exportChoosesTheFormatBySuffix()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CanvasBoard board;
    scribble(board);
    QString answer;
    QStringList startNames;
    QStringList selectedFilters;
    board.canvas.setSavePathAsker([&](const QString &title, const QString &startName,
                                      const QString &filter, QString *selectedFilter) {
        [&]() {
            QCOMPARE(title, QStringLiteral("导出为图片"));
            QCOMPARE(filter, QStringLiteral("PNG(*.png);;JPG(*.jpg)"));
        }();
        startNames << startName;
        selectedFilters << (selectedFilter ? *selectedFilter : QString());
        return answer;
    });
    const struct
    {
        const char *name;
        const char *saved;
        QByteArray magic;
    } cases[] = {
        {"page.png", "page.png", pngMagic},
        {"page.JPG", "page.JPG", jpegMagic},
        {"page.jpeg", "page.jpeg", jpegMagic},
        {"page.Jpeg", "page.Jpeg", jpegMagic},
        // The filter of the last export stays chosen: a bare name becomes a JPG.
        {"page", "page.jpg", jpegMagic},
        {"page.bmp", "page.bmp", pngMagic},
    };
    for (const auto &c : cases) {
        answer = dir.filePath(QString::fromLatin1(c.name));
        const QString saved = dir.filePath(QString::fromLatin1(c.saved));
        board.canvas.exportImage();
        QVERIFY2(QFile::exists(saved), c.name);
        QCOMPARE(firstBytes(saved, c.magic.size()), c.magic);
        QCOMPARE(board.canvas.currentPage()->note, saved);
    }
    // The last path is offered again with its format chosen.
    QCOMPARE(startNames.first(), QString());
    QCOMPARE(selectedFilters.first(), QString());
    QCOMPARE(startNames.at(2), dir.filePath(QStringLiteral("page.JPG")));
    QCOMPARE(selectedFilters.at(2), QStringLiteral("JPG(*.jpg)"));
    QCOMPARE(selectedFilters.at(1), QStringLiteral("PNG(*.png)"));
    // Cancelling the question saves nothing and keeps the note.
    const QString note = board.canvas.currentPage()->note;
    answer.clear();
    board.canvas.exportImage();
    QCOMPARE(board.canvas.currentPage()->note, note);
    QVERIFY(board.lastCall(QStringLiteral("message")).isEmpty());

    // The saved page is what the board shows.
    QImage saved(dir.filePath(QStringLiteral("page.png")));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             board.composite().convertToFormat(QImage::Format_RGB32));
}

void TestCanvasCommands::exportAddsTheChosenFilterSuffix_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << "page1"
                         << "PNG(*.png)"
                         << "page1.png" << pngMagic;
    QTest::newRow("jpg") << "page1"
                         << "JPG(*.jpg)"
                         << "page1.jpg" << jpegMagic;
    QTest::newRow("trailing dot") << "page1."
                                  << "PNG(*.png)"
                                  << "page1.png" << pngMagic;
    QTest::newRow("own suffix") << "page1.png"
                                << "JPG(*.jpg)"
                                << "page1.png" << pngMagic;
    // The dialog asked about "old", not about "old.png": the replace question comes here.
    QTest::newRow("replace declined") << "old"
                                      << "PNG(*.png)"
                                      << "old.png" << QByteArray("old");
    QTest::newRow("replace accepted") << "old"
                                      << "PNG(*.png)"
                                      << "old.png" << pngMagic;
}

void TestCanvasCommands::exportAddsTheChosenFilterSuffix()
{
    // Regression: "page1" typed with the filter "PNG(*.png)" was saved as a file named "page1".
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, saved);
    QFETCH(QByteArray, magic);
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.png"));
    QVERIFY(FileSystem::writeBytes(old, "old"));
    CanvasBoard board;
    scribble(board);
    board.host.answer = QByteArray(QTest::currentDataTag()) != "replace declined";
    board.canvas.setSavePathAsker(
        [&](const QString &, const QString &, const QString &, QString *selected) {
            *selected = filter;
            return dir.filePath(typed);
        });
    board.canvas.exportImage();
    QCOMPARE(firstBytes(dir.filePath(saved), magic.size()), magic);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), saved == "old.png" ? 1 : 2);
    QCOMPARE(board.host.callsStartingWith(QStringLiteral("question")).size(),
             saved == "old.png" ? 1 : 0);
}

void TestCanvasCommands::exportReportsAFailedSave()
{
    QTemporaryDir dir;
    CanvasBoard board;
    scribble(board);
    const QString path = dir.filePath(QStringLiteral("missing/folder/page.png"));
    board.canvas.setSavePathAsker(
        [&](const QString &, const QString &, const QString &, QString *) { return path; });
    board.canvas.exportImage();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(board.lastCall(QStringLiteral("message")),
             QStringLiteral("message 保存") + path + QStringLiteral("失败"));
}

void TestCanvasCommands::exportedSelectionIsTheSameAtAnyZoom()
{
    QTemporaryDir dir;
    QImage images[2];
    const double zooms[2] = {1.0, 1.5};
    for (int i = 0; i < 2; ++i) {
        CanvasBoard board;
        scribble(board);
        board.canvas.setZoom(zooms[i]);
        const double z = zooms[i];
        selectRegion(board, QPointF(100, 80) * z, QPointF(220, 180) * z);
        const QString path = dir.filePath(QStringLiteral("sel%1.png").arg(i));
        board.canvas.setSavePathAsker(
            [&](const QString &, const QString &, const QString &, QString *) { return path; });
        board.canvas.exportImage();
        // The selection stays for editing.
        QVERIFY(!board.canvas.marqueeItem()->isHidden());
        images[i] = QImage(path);
        QVERIFY(!images[i].isNull());
    }
    QCOMPARE(images[0].size(), QSize(120, 100));
    QCOMPARE(images[1].size(), images[0].size());
    QCOMPARE(images[1], images[0]);

    // A lifted and moved selection exports what it carries.
    CanvasBoard board;
    scribble(board);
    const QImage region = board.composite().copy(100, 80, 120, 100);
    selectRegion(board, QPointF(100, 80), QPointF(220, 180));
    board.canvas.marqueeItem()->nudge(2);
    const QPixmap moved = board.canvas.selectionImage();
    QCOMPARE(moved.size(), QSize(120, 100));
    QCOMPARE(moved.toImage().convertToFormat(QImage::Format_RGB32),
             region.convertToFormat(QImage::Format_RGB32));
}

void TestCanvasCommands::mirroredSelectionCopiesWhatIsShown_data()
{
    QTest::addColumn<QVector<int>>("kinds"); // rotate menu entries: 1, 2 turns, 3, 4 mirrors
    QTest::newRow("upright") << QVector<int>{};
    QTest::newRow("left") << QVector<int>{1};
    QTest::newRow("half") << QVector<int>{1, 1};
    QTest::newRow("right") << QVector<int>{2};
    QTest::newRow("mirror left-right") << QVector<int>{3};
    QTest::newRow("mirror top-bottom") << QVector<int>{4};
    QTest::newRow("mirror, left") << QVector<int>{3, 1};
    QTest::newRow("mirror, right") << QVector<int>{3, 2};
}

void TestCanvasCommands::mirroredSelectionCopiesWhatIsShown()
{
    QFETCH(QVector<int>, kinds);
    const bool mirrored = kinds.contains(3) || kinds.contains(4);
    CanvasBoard board;
    // A mark in the top-left corner of the region (100, 80)-(220, 160).
    board.useTool(PaintTool::Pencil);
    board.property.lineBoldSize = 9;
    board.drag(QPointF(110, 90), QPointF(125, 100));
    selectRegion(board, QPointF(100, 80), QPointF(220, 160));
    for (int kind : kinds)
        board.canvas.setRotateType(kind);
    board.canvas.copy();
    const QImage copied = QApplication::clipboard()->image();
    // Turns are undone; a mirror is kept as a mirror left to right.
    QCOMPARE(copied.size(), QSize(120, 80));
    const QRect mark = QRect(10, 10, 15, 10).adjusted(-6, -6, 6, 6);
    const QRect expected =
        mirrored ? QRect(120 - mark.right() - 1, mark.y(), mark.width(), mark.height()) : mark;
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < copied.height(); ++y) {
        for (int x = 0; x < copied.width(); ++x) {
            if (qGray(copied.pixel(x, y)) < 128)
                ++(expected.contains(x, y) ? inside : outside);
        }
    }
    QVERIFY2(inside > 50 && outside == 0,
             qPrintable(QStringLiteral("%1 %2").arg(inside).arg(outside)));
}

void TestCanvasCommands::pasteShowsThePictureAndDeleteDropsIt()
{
    CanvasBoard board;
    QImage picture(60, 40, QImage::Format_ARGB32);
    picture.fill(QColor(10, 200, 30));
    QApplication::clipboard()->setImage(picture);
    board.canvas.paste();
    QCOMPARE(board.lastCall(QStringLiteral("tool")), QStringLiteral("tool 1"));
    QVERIFY(!board.canvas.marqueeItem()->isHidden());
    QCOMPARE(board.canvas.currentPage()->pastedImages.size(), 1);
    PaintData *action = board.last();
    QCOMPARE(action->type, 1);
    QCOMPARE(action->value2, int(SelectionKind::PastedImage));
    QCOMPARE(action->text, QStringLiteral("0"));
    QCOMPARE(action->points.size(), 8);
    QCOMPARE(board.lastCall(QStringLiteral("undo")), QStringLiteral("undo 1"));

    board.canvas.deleteSelection();
    QVERIFY(board.history().isEmpty());
    QVERIFY(board.canvas.marqueeItem()->isHidden());

    // Committed, it lands on the page where it was shown.
    board.canvas.paste();
    board.canvas.commitShownItems();
    QCOMPARE(board.history().size(), 1);
    QVERIFY(board.last()->closed);
    QCOMPARE(board.composite().pixel(30, 20), qRgb(10, 200, 30));
}

void TestCanvasCommands::photoCleanUpIgnoresABadIndex()
{
    CanvasBoard board;
    QImage picture(60, 40, QImage::Format_ARGB32);
    picture.fill(QColor(240, 240, 240));
    QApplication::clipboard()->setImage(picture);
    board.canvas.paste();
    QVERIFY(board.canvas.canCleanImpureImage());
    const QPixmap original = board.canvas.currentPage()->pastedImages.first();
    for (const char *bad : {"-1", "1", "x"}) {
        board.last()->text = QString::fromLatin1(bad);
        board.canvas.cleanImpureImage();
        QCOMPARE(board.canvas.currentPage()->pastedImages.size(), 1);
        QCOMPARE(board.canvas.currentPage()->pastedImages.first().toImage(), original.toImage());
    }
    board.last()->text = QStringLiteral("0");
    board.canvas.cleanImpureImage();
    // The light paper becomes the board colour.
    QCOMPARE(board.canvas.currentPage()->pastedImages.first().toImage().pixel(5, 5),
             qRgb(255, 255, 255));
}

void TestCanvasCommands::selectAllFramesTheWholePage()
{
    CanvasBoard board;
    scribble(board);
    board.property.paintTool = PaintTool::Pen;
    board.canvas.selectAll();
    QCOMPARE(board.lastCall(QStringLiteral("tool")), QStringLiteral("tool 1"));
    QVERIFY(!board.canvas.marqueeItem()->isHidden());
    QCOMPARE(board.last()->points.at(0), QPointF(0, 0));
    QCOMPARE(board.last()->points.at(1), QPointF(400, 300));
    board.canvas.copy();
    QCOMPARE(QApplication::clipboard()->image().size(), QSize(400, 300));
}

void TestCanvasCommands::rotateTurnsOnlyPictureDocuments()
{
    CanvasBoard board;
    board.canvas.setRotateType(1);
    QCOMPARE(board.canvas.size(), QSize(400, 300));

    CanvasBoard picture(QSize(400, 300), Canvas::PictureDocument);
    QSignalSpy sized(&picture.canvas, &Canvas::sizeChanged);
    picture.canvas.setRotateType(2);
    QCOMPARE(picture.canvas.size(), QSize(300, 400));
    QCOMPARE(sized.size(), 1);
    // With a selection shown the selection turns instead.
    selectRegion(picture, QPointF(20, 20), QPointF(120, 60));
    CanvasMarquee *marquee = picture.canvas.marqueeItem();
    const QPointF edge = marquee->secondCorner() - marquee->firstCorner();
    QVERIFY(qAbs(edge.y()) < 1e-6);
    picture.canvas.setRotateType(1);
    QCOMPARE(picture.canvas.size(), QSize(300, 400));
    const QPointF turned = marquee->secondCorner() - marquee->firstCorner();
    QVERIFY(qAbs(turned.x()) < 1e-6);
    QCOMPARE(qAbs(turned.y()), qAbs(edge.x()));
    // The turn lifted the region: the selection is kept as a move.
    QVERIFY(picture.last()->sourceFixed);
}

void TestCanvasCommands::styleOptionsReachTheShownItem()
{
    CanvasBoard board;
    board.useTool(PaintTool::Line);
    board.drag(QPointF(20, 20), QPointF(200, 100));
    board.property.paintTool = PaintTool::Pencil;
    const QCursor cursor = board.canvas.cursor();
    board.property.foreColor = QStringLiteral("#ff0000");
    board.canvas.applyForeColor();
    QCOMPARE(board.canvas.lineItem()->lineStyle().color, QStringLiteral("#ff0000"));
    QCOMPARE(board.canvas.cursor().pixmap().toImage(), cursor.pixmap().toImage());
    board.property.arrowStyle = 2;
    board.canvas.applyArrowStyle();
    QCOMPARE(board.canvas.lineItem()->lineStyle().arrowStyle, 2);
    board.canvas.commitShownItems();
    QCOMPARE(board.last()->color, QStringLiteral("#ff0000"));
    QCOMPARE(board.last()->value1, 2);

    // Shapes: the fill follows the fill option; a side count needs a shown shape.
    board.property.isFillBackColor = false;
    board.property.backColor = QStringLiteral("#00ff00");
    board.canvas.applyPolygonSideCount();
    board.useTool(PaintTool::Shape);
    board.property.isFillBackColor = true;
    board.drag(QPointF(50, 50), QPointF(250, 200));
    QCOMPARE(board.canvas.marqueeItem()->shapeStyle().fillColor, QStringLiteral("#00ff00"));
    board.property.isFillBackColor = false;
    board.canvas.applyFillBackColor();
    QCOMPARE(board.canvas.marqueeItem()->shapeStyle().fillColor, QString());
    board.property.shapeType = 6;
    board.property.polygonSideCount = 7;
    board.canvas.applyShapeType();
    board.canvas.applyPolygonSideCount();
    QCOMPARE(board.canvas.marqueeItem()->shapeStyle().polygonSideCount, 7);
    board.canvas.commitShownItems();
    QCOMPARE(board.last()->value1, 6);
    QCOMPARE(board.last()->text, QStringLiteral("7"));
    QCOMPARE(board.last()->color2, QString());
}

void TestCanvasCommands::italicAndBoldReachTheTextBox()
{
    CanvasBoard board;
    CanvasTextBox *box = board.openTextBox(QPointF(40, 40));
    QVERIFY(!box->isHidden());
    board.property.fontItalic = true;
    board.canvas.setTextItalic();
    board.property.fontBold = true;
    board.canvas.setTextBold();
    QVERIFY(box->textStyle().fontItalic);
    QVERIFY(box->textStyle().fontBold);
    QVERIFY(box->textEditor()->font().italic());
    QCOMPARE(box->textEditor()->font().weight(), int(QFont::Bold));
    board.property.fontBold = false;
    board.canvas.setTextBold();
    QVERIFY(!box->textStyle().fontBold);
    QVERIFY(box->textStyle().fontItalic);
    board.property.textFrameColor = QStringLiteral("#112233");
    board.canvas.setTextFrameColor();
    QCOMPARE(box->borderColor(), QStringLiteral("#112233"));
    // Without a shown box nothing changes.
    board.canvas.cancel();
    board.property.fontUnderline = true;
    board.canvas.setTextUnderline();
    QVERIFY(!box->textStyle().fontUnderline);
}

void TestCanvasCommands::toolCursors()
{
    CanvasBoard board;
    const struct
    {
        int tool;
        Qt::CursorShape shape;
    } shapes[] = {
        {PaintTool::Mouse, Qt::ArrowCursor},
        {PaintTool::Selection, Qt::CrossCursor},
        {PaintTool::Line, Qt::CrossCursor},
        {PaintTool::Shape, Qt::CrossCursor},
        {PaintTool::Polyline, Qt::PointingHandCursor},
        {PaintTool::TextBox, Qt::IBeamCursor},
        {PaintTool::Pencil, Qt::BitmapCursor},
        {PaintTool::Eraser, Qt::BitmapCursor},
    };
    for (const auto &s : shapes) {
        board.useTool(s.tool);
        QCOMPARE(board.canvas.cursor().shape(), s.shape);
    }
    // The eraser picture follows the zoom, from the pointer.
    board.property.eraserSize = 5;
    board.useTool(PaintTool::Eraser);
    board.canvas.setZoom(1.5);
    QCOMPARE(board.canvas.cursor().pixmap().size(), QSize(45, 45));
    QCOMPARE(board.canvas.cursor().hotSpot(), QPoint(0, 0));

    // A teacher pointer replaces every tool cursor, with a red dot at its tip.
    board.property.stampTeacherPointer = QStringLiteral("1");
    board.useTool(PaintTool::Line);
    const QImage pointer = board.canvas.cursor().pixmap().toImage();
    QCOMPARE(pointer.size(), QSize(96, 96));
    QCOMPARE(QColor(pointer.pixel(2, 2)).red(), 255);
    QCOMPARE(QColor(pointer.pixel(2, 2)).green(), 0);
}

void TestCanvasCommands::commitsWorkOnAHiddenCanvas()
{
    // A canvas of a tab that is not current is off screen; its items must still end up hidden.
    CanvasBoard board;
    board.openTextBox(QPointF(40, 40))->textEditor()->setPlainText(QStringLiteral("kept"));
    board.canvas.hide();
    board.canvas.finishEditing();
    QVERIFY(board.canvas.textBoxItem()->isHidden());
    QCOMPARE(board.history().size(), 1);
    QVERIFY(board.last()->closed);
    // So the next command acts on the history, not on a box that is gone.
    board.canvas.undo();
    QVERIFY(!board.last()->active);
}

void TestCanvasCommands::movedSelectionInATurnedView_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("upright") << 0;
    QTest::newRow("quarter left") << 1;
    QTest::newRow("quarter right") << 2;
    QTest::newRow("mirrored") << 3;
    QTest::newRow("flipped") << 4;
}

void TestCanvasCommands::movedSelectionInATurnedView()
{
    QFETCH(int, kind);
    CanvasBoard board(QSize(400, 300), Canvas::PictureDocument);
    board.canvas.setRotateType(kind);
    scribble(board);
    const QImage before = board.canvas.grab().toImage();
    selectRegion(board, QPointF(60, 60), QPointF(200, 200));
    for (int i = 0; i < 20; ++i)
        board.canvas.marqueeItem()->nudge(4);
    board.canvas.commitShownItems();
    const QImage after = board.canvas.grab().toImage();
    // The committed region is the region as it was on screen, twenty pixels to the right: the
    // replay neither turns nor mirrors it.
    int differing = 0;
    for (int y = 70; y < 190; ++y) {
        for (int x = 90; x < 210; ++x) {
            differing += after.pixel(x, y) != before.pixel(x - 20, y);
        }
    }
    QVERIFY2(differing < 200, qPrintable(QString::number(differing)));
}

void TestCanvasCommands::pastedPictureInATurnedView_data()
{
    movedSelectionInATurnedView_data();
}

void TestCanvasCommands::pastedPictureInATurnedView()
{
    QFETCH(int, kind);
    CanvasBoard board(QSize(400, 300), Canvas::PictureDocument);
    board.canvas.setRotateType(kind);
    // Red on the left, blue on the right, a green strip along the top.
    QImage picture(80, 60, QImage::Format_RGB32);
    picture.fill(QColor(Qt::blue));
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    }
    for (int x = 0; x < 80; ++x) {
        for (int y = 0; y < 10; ++y)
            picture.setPixel(x, y, qRgb(0, 255, 0));
    }
    QApplication::clipboard()->setImage(picture);
    board.canvas.paste();
    board.canvas.commitShownItems();
    const QImage after = board.canvas.grab().toImage();
    // It lands upright where it was shown, at the top-left of the view.
    QCOMPARE(after.pixel(20, 40), qRgb(255, 0, 0));
    QCOMPARE(after.pixel(60, 40), qRgb(0, 0, 255));
    QCOMPARE(after.pixel(40, 4), qRgb(0, 255, 0));
}

void TestCanvasCommands::stampInATurnedView_data()
{
    movedSelectionInATurnedView_data();
}

void TestCanvasCommands::stampInATurnedView()
{
    QFETCH(int, kind);
    CanvasBoard board(QSize(400, 300), Canvas::PictureDocument);
    board.canvas.setRotateType(kind);
    board.property.stampName = QStringLiteral("2");
    board.useTool(PaintTool::Stamp);
    board.press(QPointF(50, 40));
    board.release(QPointF(50, 40));
    QVERIFY(board.last()->closed);
    // The stamp starts at the pointer, upright on screen.
    QImage stamp = StampDialog::stampPixmap(QStringLiteral("2")).toImage();
    QImage expected(board.canvas.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.drawImage(QPoint(50, 40), stamp);
    }
    const QImage after = board.canvas.grab().toImage().convertToFormat(expected.format());
    int differing = 0;
    for (int y = 40; y < 40 + stamp.height(); ++y) {
        for (int x = 50; x < 50 + stamp.width(); ++x) {
            const QColor a = after.pixelColor(x, y);
            const QColor b = expected.pixelColor(x, y);
            differing += qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) > 24;
        }
    }
    QVERIFY2(differing < stamp.width(), qPrintable(QString::number(differing)));
}

QTEST_MAIN(TestCanvasCommands)
#include "tst_canvascommands.moc"
