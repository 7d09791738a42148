#include <QtTest>

#include "canvas/canvas.h"
#include "documents/documenthost.h"
#include "documents/scrollarea.h"
#include "documents/slideoutlinecombo.h"
#include "documents/slideshowdocument.h"
#include "documents/tabitem.h"
#include "documents/toolbarport.h"
#include "drawing/paintproperty.h"

#include "fakeslidebridge.h"
#include "requiredprograms.h"
#include "slidefixtures.h"

// A window as the slide show sees it: a document area, the page row and the tab row,
// recording what it is told; its tab row switches tabs the way the window's does.
class FakeDocumentHost : public DocumentHost
{
public:
    FakeDocumentHost()
    {
        window.resize(1200, 800);
        area->setGeometry(0, 0, 1200, 700);
        window.show();
    }
    ~FakeDocumentHost() override { qDeleteAll(tabs); }

    void setUndoEnabled(bool) override {}
    void setRedoEnabled(bool) override {}
    void setCutEnabled(bool) override {}
    void setCopyEnabled(bool) override {}
    void setCancelEnabled(bool) override {}
    void setDeleteEnabled(bool) override {}
    void setRotateEnabled(bool) override {}
    void setClearScreenEnabled(bool) override {}
    void setClearColorEnabled(bool) override {}
    void clickPaintTool(int) override {}
    void clickFontBold() override {}
    void clickFontItalic() override {}
    void clickFontUnderline() override {}
    void showMessage(const QString &text) override { messages << text; }
    bool askQuestion(const QString &) override { return true; }
    bool isFileOpen(const QString &) const override { return false; }
    void handleShortcutKey(int, Qt::KeyboardModifiers) override {}
    void navigateSlideShow(int) override {}
    QPixmap grabSlidePicture() override { return QPixmap(); }
    QImage slidePageImage(int) override { return QImage(); }
    void requestClose() override {}
    QRect documentAreaGeometry() const override { return area->geometry(); }
    void fillPageComboBox(const QStringList &, const QList<int> &) override {}
    void selectPageInComboBox(int) override {}
    void setPdfPageRange(int, int) override {}
    bool isClosing() const override { return false; }
    QWidget *documentArea() const override { return area; }
    ToolBarPort *toolBar() const override { return const_cast<ToolBarPort *>(&bar); }
    PaintProperty *tools() const override { return const_cast<PaintProperty *>(&paint); }
    void setPageLabel(int current, int count) override
    {
        pageLabel = QStringLiteral("%1/%2").arg(current).arg(count);
    }
    void setProgressPercent(double) override {}
    void setAuxLabelAText(const QString &text) override { auxA = text; }
    void setAuxLabelBText(const QString &) override {}
    void setSlideControlsVisible(bool visible) override { slideControls = visible; }
    void setPdfPageControlsVisible(bool) override {}
    SlideOutlineCombo *slideOutline() const override { return outline; }
    RemarkShower *remarkPanel() const override { return nullptr; }
    TabItem *currentTabItem() const override { return current; }
    void addTab(TabItem *tab) override
    {
        if (current && current->document)
            current->document->hidden();
        tabs << tab;
        current = tab;
        tab->scrollArea->setParent(area);
        tab->scrollArea->setGeometry(area->rect());
        tab->scrollArea->show();
        tab->document->shown();
        auxA.clear();
        tab->document->updatePageRow();
    }
    void addRecentFile(const QString &path) override { recent << path; }
    void showRemark(const QString &text) override { remark = text; }
    const AppSettings &appSettings() const override { return settings; }

    QWidget window;
    QWidget *area = new QWidget(&window);
    SlideOutlineCombo *outline = new SlideOutlineCombo(&window);
    ToolBarPort bar;
    PaintProperty paint;
    AppSettings settings;
    TabItem *current = nullptr;
    QList<TabItem *> tabs;
    QStringList messages, recent;
    QString auxA, pageLabel, remark;
    bool slideControls = false;
};

// The slide-show document on its own, over LibreOffice's conversion of a real presentation:
// the tab it builds, its pages and notes, the live show it steps and loses, and its close.
class TestSlideShowDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void openTurnAndClose();
    void liveStepsThenLoss();

private:
    OfficeFakes office;
    QString lesson;
};

void TestSlideShowDocument::initTestCase()
{
    QB_REQUIRE_PROGRAM("soffice");
    QVERIFY(office.dir.isValid() && office.setUp());
    QVERIFY(writeRealPresentation(
        office.dir.filePath("lesson.fodp"), office.dir.path(), office.dir.filePath("profile"),
        {{"一", {"先复习"}, "#336699"}, {"二", {}, {}}, {"三", {"最后"}, {}}}));
    lesson = office.dir.filePath("lesson.pptx");
    office.use("real");
}

void TestSlideShowDocument::openTurnAndClose()
{
    FakeDocumentHost host;
    SlideShowDocument doc(host, &host.window);
    doc.setSlideShowBridgeFactory(nullptr);
    QVERIFY(doc.openPresentation(lesson));
    QCOMPARE(host.messages, QStringList());
    QCOMPARE(host.tabs.size(), 1);
    TabItem *tab = host.tabs.first();
    QCOMPARE(tab->document, static_cast<Document *>(&doc));
    QCOMPARE(tab->canvas, doc.overlay());
    QCOMPARE(tab->path, lesson);
    QCOMPARE(doc.overlay()->pageCount(), 3);
    QCOMPARE(doc.slideThumbnailCount(), 3);
    QCOMPARE(doc.slideNoteTexts(), (QStringList{"先复习", "", "最后"}));
    QCOMPARE(doc.slideColourNames().first(), QStringLiteral("#336699"));
    QCOMPARE(host.recent, QStringList{lesson});
    QVERIFY(host.slideControls);
    QCOMPARE(host.pageLabel, QStringLiteral("1/3"));
    QCOMPARE(host.remark, QStringLiteral("先复习"));
    // No bridge: the pages run as pictures from the start.
    QCOMPARE(host.auxA, QStringLiteral("幻灯片载入失败，当前以图片模式运行"));

    doc.navigate(SlideCommand::NextPage);
    QCOMPARE(doc.slidePage(), 2);
    QCOMPARE(host.pageLabel, QStringLiteral("2/3"));
    QCOMPARE(host.remark, QStringLiteral("此处展示备注"));
    doc.navigate(SlideCommand::PreviousPage);
    doc.navigate(SlideCommand::PreviousPage);
    QCOMPARE(doc.slidePage(), 3);

    // One show at a time.
    doc.openSlideFile(lesson);
    QCOMPARE(host.messages,
             QStringList{lesson + QStringLiteral("打开被取消，仅支持打开单个幻灯片文件")});
    QCOMPARE(host.tabs.size(), 1);

    doc.close();
    QCOMPARE(doc.slidePage(), 0);
    QCOMPARE(doc.slideStampText(), QString());
    QCOMPARE(doc.overlay()->pageCount(), 0);
    QVERIFY(doc.overlay()->isHidden());
    QCOMPARE(doc.overlay()->parentWidget(), &host.window);
    QCOMPARE(filesBelow(pptCacheDirPath()), QStringList());
}

void TestSlideShowDocument::liveStepsThenLoss()
{
    FakeDocumentHost host;
    SlideShowDocument doc(host, &host.window);
    FakeSlideBridge *bridge = nullptr;
    doc.setSlideShowBridgeFactory([&bridge](QObject *parent) {
        bridge = new FakeSlideBridge(parent);
        return bridge;
    });
    QVERIFY(doc.openPresentation(lesson));
    QVERIFY(bridge);
    QTRY_VERIFY_WITH_TIMEOUT(doc.isSlideShowAlive(), 10000);
    QCOMPARE(host.auxA, QString());
    QCOMPARE(doc.overlay()->pageCount(), 3);

    bridge->sent.clear();
    doc.navigate(SlideCommand::NextStep);
    QTRY_VERIFY(!bridge->isBusy());
    QCOMPARE(doc.slidePage(), 1);
    doc.navigate(SlideCommand::NextPage);
    QTRY_VERIFY(!bridge->isBusy());
    QCOMPARE(bridge->commands(),
             (QList<int>{SlideShowBridge::NextStep, SlideShowBridge::GotoSlide}));
    QCOMPARE(bridge->sent.last().second, 2);
    QCOMPARE(bridge->slide, 2);
    QCOMPARE(doc.slidePage(), 2);
    QCOMPARE(host.pageLabel, QStringLiteral("2/3"));

    // The office dies: the pages go on as pictures where the show was.
    bridge->die();
    QTRY_VERIFY(!doc.isSlideShowAlive());
    QCOMPARE(host.auxA, QStringLiteral("幻灯片模式异常退出，转入图片模式"));
    QCOMPARE(doc.slidePage(), 2);
    doc.navigate(SlideCommand::NextPage);
    QCOMPARE(doc.slidePage(), 3);
    QCOMPARE(bridge->commands().size(), 2);

    doc.close();
    QCOMPARE(doc.overlay()->pageCount(), 0);
    QVERIFY(!doc.isSlideShowAlive());
}

QTEST_MAIN(TestSlideShowDocument)
#include "tst_slideshowdocument.moc"
