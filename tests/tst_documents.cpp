#include <unistd.h>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "canvas/canvas.h"
#include "documents/document.h"
#include "documents/documentpicture.h"
#include "documents/scrollarea.h"
#include "documents/slidebackgroundlabel.h"
#include "documents/tabitem.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/toolcursors.h"
#include "mainwindow/appsettingsdialog.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/recentfilescontroler.h"

#include "boxanswerer.h"
#include "fakes.h"
#include "pdffixtures.h"
#include "windowsetup.h"

namespace {

// Also records the enable states the window sets.
class RecordingToolBar : public FakeToolBar
{
public:
    void note(const char *name, bool on) { calls << QStringLiteral("%1:%2").arg(name).arg(on); }
    void setExportEnabled(bool on) override { note("export", on); }
    void setUndoEnabled(bool on) override { note("undo", on); }
    void setRedoEnabled(bool on) override { note("redo", on); }
    void setCutEnabled(bool on) override { note("cut", on); }
    void setCopyEnabled(bool on) override { note("copy", on); }
    void setPasteEnabled(bool on) override { note("paste", on); }
    void setSelectAllEnabled(bool on) override { note("selectAll", on); }
    void setCancelEnabled(bool on) override { note("cancel", on); }
    void setDeleteEnabled(bool on) override { note("delete", on); }
    void setZoomEnabled(bool on) override { note("zoom", on); }
    void setRotateEnabled(bool on) override { note("rotate", on); }
    void setCanvasCleanEnabled(bool on) override { note("clean", on); }
    void setImpureImageEnabled(bool on) override { note("impure", on); }
    void setBoardGridEnabled(bool on) override { note("grid", on); }
    void setPdfResetEnabled(bool on) override { note("pdfReset", on); }
    void setFloatCameraEnabled(bool on) override { note("floatCamera", on); }
    void setCountdownTimerEnabled(bool on) override { note("timer", on); }
};

// A board that notes each command it is given.
class FakeBoard : public DocumentBoard
{
public:
    QList<QPair<int, int>> commands;
    void runCommand(BoardCommand command, int argument) override
    {
        commands.append({int(command), argument});
    }
    QList<int> names() const
    {
        QList<int> result;
        for (const auto &c : commands)
            result << c.first;
        return result;
    }
};

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool writePicture(const QString &path, int w, int h, const char *format = "PNG")
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::red);
    return image.save(path, format);
}

QStringList titles(const QList<TabItem *> &tabs)
{
    QStringList result;
    for (const TabItem *tab : tabs)
        result << tab->title;
    return result;
}

// Tab titles in the order they show in the tab row.
QStringList rowOrder(MainWindow *w)
{
    QList<TabItem *> tabs = w->tabList();
    QLayout *row = tabs.first()->parentWidget()->layout();
    std::sort(tabs.begin(), tabs.end(),
              [row](TabItem *a, TabItem *b) { return row->indexOf(a) < row->indexOf(b); });
    return titles(tabs);
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void tabIsSelectedOnPressAndComesUpOnRelease();
    void tabDropsOnlyTabs();
    void closingChoosesTheNeighbourInOpeningOrder();
    void lastCloseDisablesTheCommands();
    void emptyBoardClosesSilentlyDrawnBoardAsks();
    void pageRowFollowsTheDocumentKind_data();
    void pageRowFollowsTheDocumentKind();
    void stampChoiceChangesTheBoardCursor();
    void closeButtonFreesTheTabLater();
    void dragDropsBeforeOrAfter();
    void boardNumbersAreNotReused();
    void openingBySuffix();
    void secondCopyOfAPicture();
    void hugePictureIsReadWithinThePageLimit();
    void longThinPictureIsNotRefusedForItsReducedSize();
    void recentFiles();
    void recentFilesFromOpening();
    void handOverFile();
    void clipboardPictures();
    void settingsDialogFromTheWindow();
    void keysReachTheBoardThroughTheViewport();
    void slideBackgroundClickGivesTheKeysToTheShow();

private:
    MainWindow *build();
    TabItem *fakeTab(MainWindow *w, const QString &title, int kind, FakeBoard *board = nullptr);

    QTemporaryDir *dir = nullptr;
    RecordingToolBar *toolBar = nullptr;
    QList<MainWindow *> windows;
};

MainWindow *TestDocuments::build()
{
    auto *window = new MainWindow;
    windows.append(window);
    auto bar = std::make_unique<RecordingToolBar>();
    toolBar = bar.get();
    window->setToolBarPort(std::move(bar));
    window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
    runStartUpSteps(*window);
    toolBar->calls.clear();
    return window;
}

TabItem *TestDocuments::fakeTab(MainWindow *w, const QString &title, int kind, FakeBoard *board)
{
    auto *tab = new TabItem;
    tab->kind = DocumentKind(kind);
    tab->title = title;
    tab->path = title;
    tab->canvasBoard = board;
    w->addTab(tab);
    return tab;
}

void TestDocuments::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    appDataDir = dir->path();
    penInProximity = false;
}

void TestDocuments::cleanup()
{
    for (MainWindow *w : qAsConst(windows)) {
        w->closeAllTabs();
        delete w;
    }
    windows.clear();
    flushDeletes();
    QApplication::clipboard()->clear();
    delete dir;
    dir = nullptr;
}

void TestDocuments::tabIsSelectedOnPressAndComesUpOnRelease()
{
    TabItem tab;
    QButtonGroup group; // as in the window's tab row
    group.addButton(&tab);
    tab.resize(120, 30);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    QSignalSpy clicked(&tab, &TabItem::tabItemClicked);
    QTest::mousePress(&tab, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    QVERIFY(tab.isChecked());
    QCOMPARE(clicked.count(), 1);
    QVERIFY(tab.isDragArmed());
    QTest::mouseRelease(&tab, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    // Regression: the release skipped the button's own handling, leaving it down and armed.
    QVERIFY(!tab.isDown());
    QVERIFY(!tab.isDragArmed());
    QVERIFY(tab.isChecked());
    QCOMPARE(clicked.count(), 1);
    // A later plain move does not start a drag.
    QSignalSpy dragged(&tab, &TabItem::itemDragedBy);
    QTest::mouseMove(&tab, QPoint(100, 10));
    QCOMPARE(dragged.count(), 0);
}

void TestDocuments::tabDropsOnlyTabs()
{
    TabItem tab;
    tab.resize(101, 30);
    QSignalSpy entered(&tab, &TabItem::itemDragEnteredFor);

    QMimeData foreign;
    foreign.setText(QStringLiteral("some text"));
    QDragEnterEvent enterForeign(QPoint(10, 10), Qt::MoveAction, &foreign, Qt::LeftButton,
                                 Qt::NoModifier);
    enterForeign.setAccepted(false);
    QApplication::sendEvent(&tab, &enterForeign);
    QVERIFY(!enterForeign.isAccepted());
    QDragMoveEvent moveForeign(QPoint(10, 10), Qt::MoveAction, &foreign, Qt::LeftButton,
                               Qt::NoModifier);
    QApplication::sendEvent(&tab, &moveForeign);
    QVERIFY(!moveForeign.isAccepted());
    QCOMPARE(entered.count(), 0);
    QCOMPARE(tab.dropMarker(), 0);

    QMimeData mine;
    mine.setData(TabItem::dragFormat, "1");
    QDragEnterEvent enter(QPoint(10, 10), Qt::MoveAction, &mine, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&tab, &enter);
    QVERIFY(enter.isAccepted());
    // Width 101: x up to 50 is the left half.
    QDragMoveEvent left(QPoint(50, 10), Qt::MoveAction, &mine, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&tab, &left);
    QCOMPARE(tab.dropMarker(), 1);
    QDragMoveEvent right(QPoint(51, 10), Qt::MoveAction, &mine, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&tab, &right);
    QCOMPARE(tab.dropMarker(), 2);
    QCOMPARE(entered.count(), 2);
    QCOMPARE(entered.at(0).at(1).toBool(), true);
    QCOMPARE(entered.at(1).at(1).toBool(), false);
    QDragLeaveEvent leave;
    QApplication::sendEvent(&tab, &leave);
    QCOMPARE(tab.dropMarker(), 0);
    QCOMPARE(entered.last().at(0).value<TabItem *>(), nullptr);
}

void TestDocuments::closingChoosesTheNeighbourInOpeningOrder()
{
    MainWindow *w = build();
    FakeBoard boards[4];
    TabItem *a = fakeTab(w, "A", 3, &boards[0]);
    TabItem *b = fakeTab(w, "B", 3, &boards[1]);
    TabItem *c = fakeTab(w, "C", 3, &boards[2]);
    QCOMPARE(w->currentTabItem(), c);
    QCOMPARE(a->serial + 2, c->serial);
    // The tab left makes its board finish editing; the new one gets the keys.
    QCOMPARE(boards[1].names(),
             QList<int>({int(BoardCommand::ResetKeyState), int(BoardCommand::FinishEditing)}));

    // Closing the last current tab: the previous one.
    {
        BoxAnswerer answer(QStringLiteral("确定"));
        w->closeTab(c);
        QCOMPARE(answer.texts, QStringList({QStringLiteral("确定关闭？")}));
    }
    QCOMPARE(w->currentTabItem(), b);
    QVERIFY(b->isChecked());
    flushDeletes();
    TabItem *d = fakeTab(w, "D", 3, &boards[3]);
    QCOMPARE(titles(w->tabList()), QStringList({"A", "B", "D"}));

    // Closing a tab that is not current keeps the current one.
    {
        BoxAnswerer answer(QStringLiteral("确定"));
        w->closeTab(a);
    }
    QCOMPARE(w->currentTabItem(), d);
    flushDeletes();

    // Put D before B on screen: the neighbour still follows the opening order.
    w->onTabDragStarted(d);
    w->onTabDragEntered(b, true);
    w->onTabDragMovedOver(true);
    QCOMPARE(rowOrder(w), QStringList({"D", "B"}));
    b->click();
    QCOMPARE(w->currentTabItem(), b);
    {
        BoxAnswerer answer(QStringLiteral("确定"));
        w->closeTab(b);
    }
    QCOMPARE(w->currentTabItem(), d);

    // "取消" leaves everything as it was.
    {
        BoxAnswerer answer(QStringLiteral("取消"));
        w->closeTab(d);
        QCOMPARE(answer.boxes, 1);
    }
    QCOMPARE(w->currentTabItem(), d);
    QCOMPARE(w->tabList().size(), 1);
}

void TestDocuments::lastCloseDisablesTheCommands()
{
    MainWindow *w = build();
    FakeBoard board;
    TabItem *tab = fakeTab(w, "A", 3, &board);
    QVERIFY(toolBar->calls.contains("export:1"));
    QVERIFY(toolBar->calls.contains("zoom:1"));
    toolBar->calls.clear();
    {
        BoxAnswerer answer(QStringLiteral("确定"));
        w->closeTab(tab);
    }
    QCOMPARE(w->currentTabItem(), nullptr);
    QVERIFY(w->tabList().isEmpty());
    const QStringList off = {"export:0", "undo:0",      "redo:0",   "cut:0",    "copy:0",
                             "paste:0",  "selectAll:0", "cancel:0", "delete:0", "zoom:0",
                             "rotate:0", "clean:0",     "impure:0", "grid:0",   "pdfReset:0"};
    for (const QString &call : off)
        QVERIFY2(toolBar->calls.contains(call), qPrintable(call));
    // Camera and timer keep their state.
    QVERIFY(toolBar->calls.filter("floatCamera").isEmpty());
    QVERIFY(toolBar->calls.filter("timer").isEmpty());
    // Commands after the last close do nothing.
    w->dispatchCommand(BoardCommand::Undo);
    w->onCanvasCleanClicked();
    QVERIFY(board.commands.size() == 1); // only the reset when it became current
}

void TestDocuments::pageRowFollowsTheDocumentKind_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("otherFile");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<int>("kind");
    QTest::newRow("board") << QString() << QStringLiteral("photo.png")
                           << QStringList{"zoom:0", "rotate:0", "grid:1", "pdfReset:0"} << 4;
    QTest::newRow("picture") << QStringLiteral("photo.png") << QStringLiteral("book.pdf")
                             << QStringList{"zoom:1", "rotate:1", "grid:1", "pdfReset:0"} << 3;
    QTest::newRow("PDF") << QStringLiteral("book.pdf") << QString()
                         << QStringList{"zoom:1", "impure:0", "grid:0", "pdfReset:1"} << 2;
}

void TestDocuments::pageRowFollowsTheDocumentKind()
{
    QFETCH(QString, file);
    QFETCH(QString, otherFile);
    QFETCH(QStringList, calls);
    QFETCH(int, kind);
    MainWindow *w = build();
    QVERIFY(writePicture(dir->filePath("photo.png"), 40, 30));
    QVERIFY(writeTestPdf(dir->filePath("book.pdf"), a4Pages(2)));
    const auto open = [w, this](const QString &name) {
        if (name.isEmpty())
            w->newWhiteboardTab(QStringLiteral("#ffffff"));
        else
            w->openFiles({dir->filePath(name)});
        return w->currentTabItem();
    };
    // A document of another kind was current, so every state is set anew.
    TabItem *other = open(otherFile);
    TabItem *tab = open(file);
    QVERIFY(other && tab && tab != other && tab->document);
    QCOMPARE(tab->document->kind(), DocumentKind(kind));
    // A second name of the open PDF (as a case-blind stick spells it) is the open file too.
    const QString book = dir->filePath("book.pdf"), secondName = dir->filePath("Book.PDF");
    QCOMPARE(::link(qPrintable(book), qPrintable(secondName)), 0);
    QCOMPARE(w->isFileOpen(secondName), (file + otherFile).contains("pdf"));
    other->click();
    toolBar->calls.clear();
    tab->click();
    for (const QString &call : calls)
        QVERIFY2(toolBar->calls.contains(call), qPrintable(toolBar->calls.join(' ')));
    QCOMPARE(toolBar->calls.filter(QRegularExpression("^(zoom|grid|pdfReset):")).size(), 3);
}

void TestDocuments::emptyBoardClosesSilentlyDrawnBoardAsks()
{
    MainWindow *w = build();
    w->newWhiteboardTab(QStringLiteral("#ffffff"));
    TabItem *board = w->currentTabItem();
    QVERIFY(board && board->canvas);
    QCOMPARE(board->kind, DocumentKind::Board);
    QCOMPARE(board->board(), static_cast<DocumentBoard *>(board->canvas));
    {
        BoxAnswerer answer(QStringLiteral("取消"));
        w->closeTab(board);
        QCOMPARE(answer.boxes, 0);
    }
    QVERIFY(w->tabList().isEmpty());
    flushDeletes();

    w->newWhiteboardTab(QStringLiteral("#ffffff"));
    board = w->currentTabItem();
    board->canvas->currentPage()->history.append(new PaintData);
    QVERIFY(board->canvas->hasDrawing());
    {
        BoxAnswerer answer(QStringLiteral("取消"));
        w->closeTab(board);
        QCOMPARE(answer.texts, QStringList({QStringLiteral("确定关闭？")}));
    }
    QCOMPARE(w->tabList().size(), 1);
    {
        BoxAnswerer answer(QStringLiteral("确定"));
        w->closeTab(board);
    }
    QVERIFY(w->tabList().isEmpty());
}

void TestDocuments::stampChoiceChangesTheBoardCursor()
{
    MainWindow *w = build();
    w->newWhiteboardTab(QStringLiteral("#ffffff"));
    Canvas *canvas = w->currentTabItem()->canvas;
    w->tools()->paintTool = PaintTool::Stamp;
    w->selectPaintTool();
    const auto shows = [canvas](const QPixmap &expected) {
        return canvas->cursor().pixmap().toImage() == expected.toImage();
    };
    QVERIFY(shows(stampCursor(QString(), QString(), 1.0)));
    w->onStampChecked(QStringLiteral("0"));
    QVERIFY(shows(stampCursor(QStringLiteral("0"), QString(), 1.0)));
    w->onStampTeacherPointerSeted(QStringLiteral("1"));
    QVERIFY(shows(stampCursor(QStringLiteral("0"), QStringLiteral("1"), 1.0)));
}

void TestDocuments::closeButtonFreesTheTabLater()
{
    MainWindow *w = build();
    w->newWhiteboardTab(QStringLiteral("#ffffff"));
    QPointer<TabItem> tab = w->currentTabItem();
    QPointer<ScrollArea> area = tab->scrollArea;
    QPushButton *closeButton = tab->findChild<QPushButton *>();
    QVERIFY(closeButton);
    QCOMPARE(closeButton->toolTip(), QStringLiteral("关闭"));
    // Regression: the tab was deleted inside its own close button's signal.
    closeButton->click();
    QVERIFY(tab);
    QVERIFY(tab->isHidden());
    QVERIFY(w->tabList().isEmpty());
    flushDeletes();
    QVERIFY(!tab);
    QVERIFY(!area);
}

void TestDocuments::dragDropsBeforeOrAfter()
{
    MainWindow *w = build();
    TabItem *a = fakeTab(w, "A", 3);
    TabItem *b = fakeTab(w, "B", 3);
    TabItem *c = fakeTab(w, "C", 3);
    auto drag = [w](TabItem *from, TabItem *onto, bool front, bool success) {
        w->onTabDragStarted(from);
        w->onTabDragEntered(onto, front);
        w->onTabDragMovedOver(success);
    };
    drag(a, c, true, true);
    QCOMPARE(rowOrder(w), QStringList({"B", "A", "C"}));
    drag(b, c, false, true);
    QCOMPARE(rowOrder(w), QStringList({"A", "C", "B"}));
    drag(c, c, true, true);
    QCOMPARE(rowOrder(w), QStringList({"A", "C", "B"}));
    // Ended outside any tab, or cancelled.
    drag(a, nullptr, false, true);
    drag(a, b, false, false);
    QCOMPARE(rowOrder(w), QStringList({"A", "C", "B"}));
    // The lookups keep the opening order.
    QCOMPARE(titles(w->tabList()), QStringList({"A", "B", "C"}));
}

void TestDocuments::boardNumbersAreNotReused()
{
    MainWindow *w = build();
    w->newWhiteboardTab(QStringLiteral("#ffffff"));
    w->newWhiteboardTab(QStringLiteral("#102030"));
    QCOMPARE(titles(w->tabList()), QStringList({"新建画板1", "新建画板2"}));
    TabItem *second = w->currentTabItem();
    QCOMPARE(second->canvas->boardColor(), QColor("#102030"));
    QCOMPARE(second->toolTip(), QStringLiteral("新建画板2"));
    QVERIFY(second->folder.isEmpty());
    w->closeTab(second);
    flushDeletes();
    w->newWhiteboardTab(QStringLiteral("#ffffff"));
    QCOMPARE(titles(w->tabList()), QStringList({"新建画板1", "新建画板3"}));
    // Boards are not recent files.
    QVERIFY(w->recentFiles()->files().isEmpty());
}

void TestDocuments::openingBySuffix()
{
    MainWindow *w = build();
    const QString good = dir->filePath("good.png");
    const QString broken = dir->filePath("broken.png");
    const QString unknown = dir->filePath("notes.xyz");
    const QString missing = dir->filePath("missing.png");
    const QString pdf = dir->filePath("A.PDF");
    QVERIFY(writePicture(good, 64, 48));
    QVERIFY(FileSystem::writeBytes(broken, "not a picture"));
    QVERIFY(FileSystem::writeBytes(unknown, "x"));
    QVERIFY(FileSystem::writeBytes(pdf, "%PDF-1.4"));
    {
        BoxAnswerer answer(QStringLiteral("OK"));
        w->openFiles({missing, good, QString(), unknown, broken, pdf});
        QCOMPARE(answer.texts.size(), 4);
        QCOMPARE(answer.texts.at(0),
                 missing + QStringLiteral("读取失败，请检查文件是否存在或被占用"));
        QCOMPARE(answer.texts.at(1), unknown + QStringLiteral("不支持的文件打开格式"));
        QCOMPARE(answer.texts.at(2), QStringLiteral("读取") + broken + QStringLiteral("失败"));
        // The PDF reaches the PDF board, which names what is wrong with it.
        QCOMPARE(answer.texts.at(3),
                 QStringLiteral("打开") + pdf + QStringLiteral("失败，错误原因：文件格式错误"));
    }
    QCOMPARE(w->tabList().size(), 1);
    TabItem *tab = w->currentTabItem();
    QCOMPARE(tab->kind, DocumentKind::Picture);
    QCOMPARE(tab->title, QStringLiteral("good.png"));
    QCOMPARE(tab->path, good);
    QCOMPARE(tab->toolTip(), good);
    QCOMPARE(tab->folder, dir->path());
    QCOMPARE(tab->info, QStringLiteral("32位 64×48"));
    QVERIFY(tab->canvas && tab->scrollArea);
    QCOMPARE(tab->canvas->mode(), int(Canvas::PictureDocument));
    QCOMPARE(tab->canvas->currentPage()->width, 64);
    QVERIFY(tab->canvas->pointerTracking());
}

void TestDocuments::secondCopyOfAPicture()
{
    MainWindow *w = build();
    const QString photo = dir->filePath("Photo.JPG");
    QVERIFY(writePicture(photo, 40, 40, "JPG"));
    w->openFiles({photo, photo, photo});
    QCOMPARE(titles(w->tabList()), QStringList({"Photo.JPG", "Photo(1).jpg", "Photo(2).jpg"}));
    QCOMPARE(w->countTabsWithPath(photo), 3);
    QCOMPARE(pictureTabTitle(QStringLiteral("/x/a.b.PNG"), 1), QStringLiteral("a.b(1).png"));
    // The first tab opened with the path is the one activated.
    QVERIFY(w->activateTabWithPath(photo));
    QCOMPARE(w->currentTabItem(), w->tabList().first());
    QVERIFY(!w->activateTabWithPath(photo + "x"));
}

void TestDocuments::hugePictureIsReadWithinThePageLimit()
{
    const QString path = dir->filePath("huge.png");
    QVERIFY(writePicture(path, 6000, 1500));
    const QImage image = readDocumentPicture(path);
    QCOMPARE(image.size(), QSize(4096, 1024));
    const QString tall = dir->filePath("tall.bmp");
    QVERIFY(writePicture(tall, 300, 5000, "BMP"));
    QCOMPARE(readDocumentPicture(tall).size().height(), 4096);
    QVERIFY(readDocumentPicture(dir->filePath("none.png")).isNull());

    MainWindow *w = build();
    w->openFiles({path});
    TabItem *tab = w->currentTabItem();
    QVERIFY(tab);
    QCOMPARE(tab->canvas->currentPage()->width, 4096);
    // The info names the picture's own size, not the reduced one.
    QCOMPARE(tab->info, QStringLiteral("32位 6000×1500"));
}

void TestDocuments::longThinPictureIsNotRefusedForItsReducedSize()
{
    const QString strip = dir->filePath("strip.png");
    QVERIFY(writePicture(strip, 20000, 100));
    const QString thin = dir->filePath("thin.png");
    QVERIFY(writePicture(thin, 200, 29));
    MainWindow *w = build();
    {
        BoxAnswerer answer(QStringLiteral("OK"));
        w->openFiles({strip, thin});
        // Only the picture that is too thin on its own is refused.
        QCOMPARE(answer.texts,
                 QStringList{QStringLiteral("不支持的文件尺寸，最小允许尺寸：30×30")});
    }
    QCOMPARE(w->tabList().size(), 1);
    const PageData *page = w->currentTabItem()->canvas->currentPage();
    QCOMPARE(QSize(page->width, page->height), QSize(4096, 30));
    QCOMPARE(page->background.size(), QSize(4096, 30));
}

void TestDocuments::recentFiles()
{
    QMenu menu;
    RecentFilesControler recent(&menu);
    QStringList paths;
    for (int i = 0; i < 11; ++i) {
        paths << dir->filePath(QStringLiteral("f%1.png").arg(i));
        QVERIFY(FileSystem::writeBytes(paths.last(), "x"));
    }
    // Nothing listed: no entries, not even "清空列表".
    recent.load({});
    recent.load({dir->filePath("gone.png")});
    QVERIFY(menu.actions().isEmpty());

    for (const QString &path : qAsConst(paths))
        recent.addFile(path);
    QCOMPARE(recent.files().size(), 10);
    QCOMPARE(recent.files().first(), paths.at(10));
    QVERIFY(!recent.files().contains(paths.at(0)));
    // Reopening a listed file moves it to the front without dropping another.
    recent.addFile(paths.at(5));
    QCOMPARE(recent.files().size(), 10);
    QCOMPARE(recent.files().first(), paths.at(5));
    QCOMPARE(recent.files().last(), paths.at(1));
    recent.addFile(dir->filePath("missing.png"));
    QCOMPARE(recent.files().size(), 10);
    flushDeletes();
    QCOMPARE(menu.actions().size(), 11);
    QCOMPARE(menu.actions().first()->text(), QStringLiteral("» | ") + paths.at(5));
    QCOMPARE(menu.actions().last()->text(), QStringLiteral("清空列表"));

    // A file deleted since stays listed but gets no entry.
    QFile::remove(paths.at(10));
    recent.addFile(paths.at(9));
    flushDeletes();
    QCOMPARE(recent.files().size(), 10);
    QCOMPARE(menu.actions().size(), 10);

    // An entry opens its file; the menu may be rebuilt from inside that signal.
    QSignalSpy opened(&recent, &RecentFilesControler::openFileClicked);
    connect(&recent, &RecentFilesControler::openFileClicked, &recent,
            [&recent](const QString &path) { recent.addFile(path); });
    menu.actions().at(1)->trigger();
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toString(), paths.at(5));
    flushDeletes();

    // "&" shows as itself instead of becoming a mnemonic.
    const QString amp = dir->filePath("R&D.png");
    QVERIFY(FileSystem::writeBytes(amp, "x"));
    recent.addFile(amp);
    flushDeletes();
    QCOMPARE(menu.actions().first()->text(), QStringLiteral("» | ") + dir->filePath("R&&D.png"));
    QCOMPARE(recent.files().first(), amp);

    menu.actions().last()->trigger();
    flushDeletes();
    QVERIFY(recent.files().isEmpty());
    QVERIFY(menu.actions().isEmpty());

    // Loading keeps the existing files in order.
    QMenu other;
    RecentFilesControler loaded(&other);
    loaded.load({paths.at(3), dir->filePath("gone.png"), paths.at(2)});
    QCOMPARE(loaded.files(), QStringList({paths.at(3), paths.at(2)}));
    QCOMPARE(other.actions().size(), 3);
}

void TestDocuments::recentFilesFromOpening()
{
    const QString picture = dir->filePath("p.png");
    QVERIFY(writePicture(picture, 50, 50));
    MainWindow *w = build();
    w->openFiles({picture});
    QCOMPARE(w->recentFiles()->files(), QStringList({picture}));
    // Saved at quit and listed again at the next start.
    w->saveSettings();
    MainWindow *next = build();
    QCOMPARE(next->recentFiles()->files(), QStringList({picture}));
}

void TestDocuments::handOverFile()
{
    const QString a = dir->filePath("a.pdf");
    const QString b = dir->filePath("b.png");
    QVERIFY(FileSystem::writeBytes(a, "%PDF-1.4"));
    QVERIFY(writePicture(b, 40, 30));
    QVERIFY(FileSystem::writeBytes(handOverFilePath(), (a + ";;" + b).toUtf8()));
    BoxAnswerer answer(QStringLiteral("OK"));
    MainWindow *w = build();
    QTRY_COMPARE(w->tabList().size(), 1);
    QCOMPARE(w->currentTabItem()->path, b);
    // a.pdf reached the PDF board (a header only: its format is wrong), nothing was said of the
    // empty part.
    QTRY_COMPARE(answer.texts.size(), 1);
    QCOMPARE(answer.texts.first(),
             QStringLiteral("打开") + a + QStringLiteral("失败，错误原因：文件格式错误"));
    QVERIFY(FileSystem::readAll(handOverFilePath()).isEmpty());
}

void TestDocuments::clipboardPictures()
{
    MainWindow *w = build();
    {
        BoxAnswerer answer(QStringLiteral("OK"));
        w->openFromClipboard();
        QCOMPARE(answer.texts, QStringList({QStringLiteral("剪贴板内容为空")}));
    }
    QImage image(80, 60, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QApplication::clipboard()->setImage(image);
    w->openFromClipboard();
    w->openFromClipboard();
    QCOMPARE(titles(w->tabList()), QStringList({"截图_1.png", "截图_2.png"}));
    QVERIFY(FileSystem::fileExists(clipboardDirPath() + QStringLiteral("/截图_2.png")));
    QCOMPARE(QImage(clipboardDirPath() + QStringLiteral("/截图_1.png")).size(), QSize(80, 60));

    // Files on the clipboard come first.
    const QString file = dir->filePath("c.png");
    QVERIFY(writePicture(file, 30, 30));
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(file), QUrl(QStringLiteral("https://example.invalid/x"))});
    mime->setImageData(image);
    QApplication::clipboard()->setMimeData(mime);
    w->openFromClipboard();
    QCOMPARE(titles(w->tabList()).mid(2), QStringList({"c.png", "截图_3.png"}));
}

void TestDocuments::settingsDialogFromTheWindow()
{
    MainWindow *w = build();
    w->settings.avoutpath = dir->path();
    bool recordingEditable = false;
    w->appSettingsDialogHook = [&](AppSettingsDialog &dialog) {
        dialog.screenGrabber = [] { return QPixmap(); };
        QTimer::singleShot(0, &dialog, [&] {
            recordingEditable = dialog.outputFolderEdit->isEnabled();
            dialog.brushSizeCombo[1]->setCurrentText(QStringLiteral("9"));
            dialog.okButton->click();
        });
    };
    w->openAppSettings();
    QVERIFY(recordingEditable);
    QCOMPARE(w->settings.brushes[1].size, 9);
    // The accepted settings are applied: the tool bar gets the brushes.
    QVERIFY(toolBar->calls.filter(QStringLiteral("preset:2:9:")).size() == 1);

    toolBar->calls.clear();
    w->appSettingsDialogHook = [&](AppSettingsDialog &dialog) {
        dialog.screenGrabber = [] { return QPixmap(); };
        QTimer::singleShot(0, &dialog, [&] {
            dialog.brushSizeCombo[1]->setCurrentText(QStringLiteral("2"));
            dialog.cancelButton->click();
        });
    };
    w->openAppSettings();
    QCOMPARE(w->settings.brushes[1].size, 9);
    QVERIFY(toolBar->calls.filter(QStringLiteral("preset")).isEmpty());
}

void TestDocuments::keysReachTheBoardThroughTheViewport()
{
    MainWindow *w = build();
    FakeBoard board;
    auto *tab = new TabItem;
    tab->kind = DocumentKind::Picture;
    tab->canvasBoard = &board;
    tab->scrollArea = new ScrollArea(w);
    w->addTab(tab);
    board.commands.clear();
    // Regression: the viewport swallowed Ctrl and Shift, so the board never saw them.
    QTest::keyPress(tab->scrollArea, Qt::Key_Control);
    QTest::keyRelease(tab->scrollArea, Qt::Key_Control);
    QTest::keyPress(tab->scrollArea, Qt::Key_Shift);
    QTest::keyPress(tab->scrollArea, Qt::Key_PageDown);
    const QList<QPair<int, int>> expected = {{int(BoardCommand::SetCtrlPressed), 1},
                                             {int(BoardCommand::SetCtrlPressed), 0},
                                             {int(BoardCommand::SetShiftPressed), 1},
                                             {int(BoardCommand::HandleDirectionKey), 2}};
    QCOMPARE(board.commands, expected);
    // Arrow keys on the viewport are its own direction requests.
    QSignalSpy directions(tab->scrollArea, &ScrollArea::directionKeyPressed);
    QTest::keyPress(tab->scrollArea, Qt::Key_Left);
    QCOMPARE(directions.count(), 1);
    QCOMPARE(board.commands.size(), 4);
}

void TestDocuments::slideBackgroundClickGivesTheKeysToTheShow()
{
    MainWindow *w = build();
    Canvas *overlay = w->findChild<Canvas *>();
    QVERIFY(overlay && overlay->mode() == Canvas::SlideOverlay);
    QVERIFY(overlay->loadPages({QSize(400, 300)}, {QPixmap()}));
    auto *tab = new TabItem;
    tab->kind = DocumentKind::SlideShow;
    tab->setCanvas(overlay);
    w->addTab(tab);
    auto *label = new SlideBackgroundLabel(w);
    QWidget *step = overlay->previousStepButton();
    step->setFocus();
    QCOMPARE(overlay->focusWidget(), step);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(label, &press);
    // The overlay (a window of its own) has the keys again.
    QCOMPARE(overlay->focusWidget(), static_cast<QWidget *>(overlay));
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
