#include <QtTest>

#include "base/globals.h"
#include "documents/tabitem.h"
#include "drawing/paintproperty.h"
#include "mainwindow/boardcommands.h"
#include "mainwindow/mainwindow.h"

#include "boxanswerer.h"
#include "fakes.h"

#include "toolbar/maintoolbar.h"

namespace {

class FakeBoard : public DocumentBoard
{
public:
    QList<QPair<BoardCommand, int>> commands;
    void runCommand(BoardCommand command, int argument) override
    {
        commands.append({command, argument});
    }
};

struct Expected
{
    const char *signal;
    BoardCommand command;
};

// What each argument-less tool-bar signal must reach.
const Expected table[] = {
    {"exportImageTriggered", BoardCommand::ExportImage},
    {"undoClicked", BoardCommand::Undo},
    {"redoClicked", BoardCommand::Redo},
    {"cutClicked", BoardCommand::Cut},
    {"copyClicked", BoardCommand::Copy},
    {"pasteClicked", BoardCommand::Paste},
    {"selectAllClicked", BoardCommand::SelectAll},
    {"cancelClicked", BoardCommand::Cancel},
    {"deleteClicked", BoardCommand::DeleteSelection},
    {"foreColorClicked", BoardCommand::ApplyForeColor},
    {"backColorClicked", BoardCommand::ApplyBackColor},
    {"shapeTypeChanged", BoardCommand::ApplyShapeType},
    {"lineBoldSizeChanged", BoardCommand::ApplyLineBoldSize},
    {"lineStyleChanged", BoardCommand::ApplyLineStyle},
    {"arrowStyleChanged", BoardCommand::ApplyArrowStyle},
    {"highlightSizeChanged", BoardCommand::ApplyHighlightSize},
    {"eraserSizeChanged", BoardCommand::ApplyEraserSize},
    {"eraserShapeChanged", BoardCommand::ApplyEraserShape},
    {"hasPenLaserClicked", BoardCommand::ApplyPenLaser},
    {"hasLineDegreeClicked", BoardCommand::ApplyLineDegree},
    {"isFillBackColorClicked", BoardCommand::ApplyFillBackColor},
    {"hasIncludedAngleClicked", BoardCommand::ApplyIncludedAngle},
    {"polygonSideCountChanged", BoardCommand::ApplyPolygonSideCount},
    {"startAngleChanged", BoardCommand::ApplyStartAngle},
    {"angleSizeChanged", BoardCommand::ApplyAngleSize},
    {"fontFamilyActivated", BoardCommand::SetTextFontFamily},
    {"fontSizeActivated", BoardCommand::SetTextFontSize},
    {"fontBoldClicked", BoardCommand::SetTextBold},
    {"fontItalicClicked", BoardCommand::SetTextItalic},
    {"fontUnderlineClicked", BoardCommand::SetTextUnderline},
    {"fontDeletelineClicked", BoardCommand::SetTextStrikeOut},
    {"fontColorClicked", BoardCommand::SetTextColor},
    {"textBackColorClicked", BoardCommand::SetTextBackColor},
    {"textFrameColorClicked", BoardCommand::SetTextFrameColor},
    {"textAlignChanged", BoardCommand::SetTextAlign},
    {"textLineHeightActivated", BoardCommand::SetTextLineHeight},
    {"textOrderActivated", BoardCommand::SetTextOrder},
};

} // namespace

class TestBoardCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void eachSignalReachesTheBoardOfTheTabKind_data();
    void eachSignalReachesTheBoardOfTheTabKind();
    void nothingWithoutATab();
    void customBrushClearScreenAndPhotoCleanUp();

private:
    void makeTab(int kind);

    QTemporaryDir *dir = nullptr;
    MainWindow *window = nullptr;
    MainToolBar *bar = nullptr;
    FakeBoard canvasBoard;
    FakeBoard pdfBoard;
};

void TestBoardCommands::init()
{
    dir = new QTemporaryDir;
    appDataDir = dir->path();
    window = new MainWindow;
    window->setToolBarPort(std::make_unique<FakeToolBar>());
    bar = new MainToolBar(window->tools(), window);
    connectBoardCommands(bar, window);
    canvasBoard.commands.clear();
    pdfBoard.commands.clear();
}

void TestBoardCommands::cleanup()
{
    delete window;
    window = nullptr;
    delete dir;
}

void TestBoardCommands::makeTab(int kind)
{
    auto *tab = new TabItem;
    tab->kind = DocumentKind(kind);
    tab->canvasBoard = &canvasBoard;
    tab->pdfBoard = &pdfBoard;
    window->addTab(tab);
    canvasBoard.commands.clear();
    pdfBoard.commands.clear();
}

void TestBoardCommands::eachSignalReachesTheBoardOfTheTabKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("slide show") << 1;
    QTest::newRow("PDF") << 2;
    QTest::newRow("picture") << 3;
    QTest::newRow("board") << 4;
}

void TestBoardCommands::eachSignalReachesTheBoardOfTheTabKind()
{
    QFETCH(int, kind);
    makeTab(kind);
    FakeBoard &target = kind == 2 ? pdfBoard : canvasBoard;
    FakeBoard &other = kind == 2 ? canvasBoard : pdfBoard;
    for (const Expected &entry : table) {
        target.commands.clear();
        QVERIFY(QMetaObject::invokeMethod(bar, entry.signal));
        QCOMPARE(target.commands.size(), 1);
        QVERIFY2(target.commands.first().first == entry.command, entry.signal);
    }
    target.commands.clear();
    emit bar->zoomClicked(2);
    emit bar->rotateTypeChanged(3);
    QCOMPARE(target.commands.size(), 2);
    QVERIFY(target.commands.at(0) == qMakePair(BoardCommand::ZoomStep, 2));
    QVERIFY(target.commands.at(1) == qMakePair(BoardCommand::SetRotateType, 3));
    // A tool choice reaches the board too.
    target.commands.clear();
    window->selectPaintTool();
    QCOMPARE(target.commands.size(), 1);
    QVERIFY(target.commands.first().first == BoardCommand::ApplyPaintTool);
    QVERIFY(other.commands.isEmpty());
}

void TestBoardCommands::nothingWithoutATab()
{
    for (const Expected &entry : table)
        QVERIFY(QMetaObject::invokeMethod(bar, entry.signal));
    emit bar->zoomClicked(1);
    emit bar->customBrushClicked();
    emit bar->canvasCleanClicked();
    BoxAnswerer answer(QStringLiteral("确定"));
    emit bar->impureImageClicked();
    QCOMPARE(answer.boxes, 0);
    QVERIFY(canvasBoard.commands.isEmpty());
    QVERIFY(pdfBoard.commands.isEmpty());
}

void TestBoardCommands::customBrushClearScreenAndPhotoCleanUp()
{
    makeTab(3);
    emit bar->customBrushClicked();
    QCOMPARE(canvasBoard.commands.size(), 3);
    QVERIFY(canvasBoard.commands.at(0).first == BoardCommand::ApplyLineBoldSize);
    QVERIFY(canvasBoard.commands.at(1).first == BoardCommand::ApplyForeColor);
    QVERIFY(canvasBoard.commands.at(2).first == BoardCommand::ApplyBackColor);

    canvasBoard.commands.clear();
    window->settings.hascleannotice = true;
    emit bar->canvasCleanClicked();
    window->settings.hascleannotice = false;
    emit bar->canvasCleanClicked();
    QCOMPARE(canvasBoard.commands.size(), 2);
    QVERIFY(canvasBoard.commands.at(0).first == BoardCommand::ConfirmClearScreen);
    QVERIFY(canvasBoard.commands.at(1).first == BoardCommand::ClearScreen);

    canvasBoard.commands.clear();
    {
        BoxAnswerer answer(QStringLiteral("取消"));
        emit bar->impureImageClicked();
        QCOMPARE(answer.text, QStringLiteral("试题照片清理功能不支持撤销，确认继续？"));
    }
    QVERIFY(canvasBoard.commands.isEmpty());
    {
        BoxAnswerer answer(QStringLiteral("确定"));
        emit bar->impureImageClicked();
    }
    QCOMPARE(canvasBoard.commands.size(), 1);
    QVERIFY(canvasBoard.commands.at(0).first == BoardCommand::CleanImpureImage);
}

QTEST_MAIN(TestBoardCommands)
#include "tst_boardcommands.moc"
