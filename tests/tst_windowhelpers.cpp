#include <QtTest>

#include <QTextBlock>
#include <QTextEdit>

#include "base/filesystem.h"
#include "base/windowsearch.h"
#include "mainwindow/handoffwatch.h"
#include "mainwindow/personallogo.h"
#include "mainwindow/texteditdialog.h"
#include "platform/suspendwatcher.h"

#include "fakes.h"

namespace {
// A hand-over watch and what it hands over, for a file in a folder of its own.
struct HandOff
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("opflist.dll"));
    HandOffWatch watch;
    QSignalSpy spy{&watch, &HandOffWatch::filesHandedOver};
};
} // namespace

// Window search, the hand-over watch, the logo store and the note editor.
class WindowHelpersTest : public QObject
{
    Q_OBJECT

private slots:
    void windowSearch();
    void handOffTwiceInARow();
    void handOffAtStart();
    void oneHandOffIsReadOnce();
    void logoReplacement();
    void hugeLogoIsDecodedAtPanelSize();
    void noteEditorFontStyle();
    void noteEditorLineSpacingAndClear();
    void noteEditorFontAppliesToAll();
    void suspendNoticeOnlyWhenGoingToSleep();
};

void WindowHelpersTest::windowSearch()
{
    FakeTree tree;
    tree.tops = {1, 2, 3, 4};
    tree.titles = {{1, "  墨岚白板(Quillboard) "},
                   {2, "墨岚白板(quillboard)"},
                   {3, "Show"},
                   {4, "Deck - Show"},
                   {30, "show child"},
                   {31, "inner show"}};
    tree.children = {{3, {30}}, {30, {31}}};
    WindowHandle found = 0;
    QVERIFY(findTopLevelWindowByTitle(tree, QStringLiteral("墨岚白板(Quillboard)"), found));
    QCOMPARE(found, WindowHandle(1));
    QVERIFY(!findTopLevelWindowByTitle(tree, QStringLiteral("墨岚白板(QUILLBOARD)"), found));
    QCOMPARE(found, WindowHandle(0));
    QList<WindowHandle> list;
    // Window 3 matches by its own title and by two descendants: listed three times.
    QVERIFY(findWindowsByTitleText(tree, QStringLiteral("SHOW"), list));
    QCOMPARE(list, (QList<WindowHandle>{3, 3, 3, 4}));
    QVERIFY(findWindowsByTitleText(tree, QString(), list));
    QCOMPARE(list.size(), 6);
    QVERIFY(!findWindowsByTitleText(tree, QStringLiteral("nothing"), list));
    QVERIFY(list.isEmpty());
    QCOMPARE(countChildWindows(tree, 3), 2);
    QCOMPARE(countChildWindows(tree, 4), 0);
}

void WindowHelpersTest::handOffTwiceInARow()
{
    HandOff handOff;
    const QString &path = handOff.path;
    QSignalSpy &spy = handOff.spy;
    handOff.watch.start(path);
    QVERIFY(FileSystem::fileExists(path));
    FileSystem::writeBytes(path, QStringLiteral("/a/一.pdf;/a/b.png").toUtf8());
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toStringList(), (QStringList{"/a/一.pdf", "/a/b.png"}));
    QCOMPARE(FileSystem::readAll(path), QByteArray());
    // The second start replaces the file: the watch must follow it.
    const QString fresh = handOff.dir.filePath(QStringLiteral("new"));
    FileSystem::writeBytes(fresh, "/c.pptx");
    QFile::remove(path);
    QVERIFY(QFile::rename(fresh, path));
    QTRY_COMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toStringList(), QStringList{"/c.pptx"});
    FileSystem::writeBytes(path, "/d.jpg");
    QTRY_COMPARE(spy.count(), 3);
    QCOMPARE(spy.at(2).at(0).toStringList(), QStringList{"/d.jpg"});
}

void WindowHelpersTest::handOffAtStart()
{
    HandOff handOff;
    const QString &path = handOff.path;
    QSignalSpy &spy = handOff.spy;
    // Written before the watch began: opened, not lost.
    FileSystem::writeBytes(path, "/early.pdf");
    handOff.watch.start(path);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toStringList(), QStringList{"/early.pdf"});
    QCOMPARE(FileSystem::readAll(path), QByteArray());
}

void WindowHelpersTest::oneHandOffIsReadOnce()
{
    HandOff handOff;
    const QString &path = handOff.path;
    QSignalSpy &spy = handOff.spy;
    handOff.watch.start(path);
    FileSystem::writeBytes(path, "/a.pdf");
    QTRY_COMPARE(spy.count(), 1);
    QTest::qWait(100);
    // Once emptied, the file is left alone: no read empties it again.
    QFileSystemWatcher observer({path});
    QSignalSpy changes(&observer, &QFileSystemWatcher::fileChanged);
    QTest::qWait(1200);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(FileSystem::readAll(path), QByteArray());
}

void WindowHelpersTest::logoReplacement()
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    const QString png = dir.filePath(QStringLiteral("a.PNG"));
    const QString jpeg = dir.filePath(QStringLiteral("b.jpeg"));
    FileSystem::writeBytes(png, "png-bytes");
    FileSystem::writeBytes(jpeg, "jpeg-bytes");

    QVERIFY(personallogo::replace(png, config));
    QCOMPARE(personallogo::currentFile(config), config + QStringLiteral("/mylogo.png"));
    // A failed copy keeps the logo.
    QVERIFY(!personallogo::replace(dir.filePath(QStringLiteral("missing.png")), config));
    QCOMPARE(FileSystem::readAll(config + QStringLiteral("/mylogo.png")), QByteArray("png-bytes"));
    // Choosing the logo file itself keeps it.
    QVERIFY(personallogo::replace(config + QStringLiteral("/mylogo.png"), config));
    QCOMPARE(FileSystem::readAll(config + QStringLiteral("/mylogo.png")), QByteArray("png-bytes"));
    // ".jpeg" is stored where the loader looks, and the old logo goes.
    QVERIFY(personallogo::replace(jpeg, config));
    QCOMPARE(personallogo::currentFile(config), config + QStringLiteral("/mylogo.jpg"));
    QVERIFY(!FileSystem::fileExists(config + QStringLiteral("/mylogo.png")));
    QVERIFY(!FileSystem::fileExists(config + QStringLiteral("/mylogo.jpeg")));
    QCOMPARE(FileSystem::readAll(config + QStringLiteral("/mylogo.jpg")), QByteArray("jpeg-bytes"));
    // A folder we cannot write keeps the logo too.
    QFile(config).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    if (!QFileInfo(config).isWritable()) {
        QVERIFY(!personallogo::replace(png, config));
        QCOMPARE(personallogo::currentFile(config), config + QStringLiteral("/mylogo.jpg"));
    }
    QFile(config).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Memory figures of this process in kB ("VmRSS", "VmHWM").
qint64 memoryFigure(const QByteArray &name)
{
    const QList<QByteArray> lines = FileSystem::readAll("/proc/self/status").split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void WindowHelpersTest::hugeLogoIsDecodedAtPanelSize()
{
    QTemporaryDir dir;
    // A PNG stored under the other suffix: the content decides.
    const QString path = dir.filePath(QStringLiteral("mylogo.jpg"));
    {
        QImage huge(4000, 4000, QImage::Format_ARGB32);
        huge.fill(QColor(20, 120, 200));
        QVERIFY(huge.save(path, "PNG"));
    }
    // Resets the peak to the present size, so the peak below is the decoding's alone.
    if (!FileSystem::writeBytes(QStringLiteral("/proc/self/clear_refs"), "5"))
        QSKIP("no resettable peak memory figure");
    const qint64 before = memoryFigure("VmRSS");
    const QImage logo = personallogo::readScaled(path, QSize(346, 115));
    const qint64 peak = memoryFigure("VmHWM");
    QCOMPARE(logo.size(), QSize(115, 115));
    QCOMPARE(logo.pixelColor(57, 57), QColor(20, 120, 200));
    // A full decode would take 64 MB.
    QVERIFY2(peak - before < 16 * 1024, qPrintable(QString::number(peak - before)));

    // A small logo is enlarged to the panel as before.
    QImage small(30, 10, QImage::Format_RGB32);
    small.fill(Qt::red);
    QVERIFY(small.save(path, "PNG"));
    QCOMPARE(personallogo::readScaled(path, QSize(346, 115)).size(), QSize(345, 115));
    QVERIFY(
        personallogo::readScaled(dir.filePath(QStringLiteral("none.png")), QSize(9, 9)).isNull());
}

void WindowHelpersTest::noteEditorFontStyle()
{
    QFont simHei(QStringLiteral("SimHei"));
    QCOMPARE(TextEditDialog::fontForDialog(simHei).family(), QStringLiteral("黑体"));
    QFont font(QStringLiteral("Sans"));
    font.setWeight(57);
    QCOMPARE(TextEditDialog::fontForDialog(font).styleName(), QStringLiteral("Regular"));
    font.setWeight(63);
    QCOMPARE(TextEditDialog::fontForDialog(font).styleName(), QStringLiteral("Bold"));
    font.setItalic(true);
    QCOMPARE(TextEditDialog::fontForDialog(font).styleName(), QStringLiteral("Bold Italic"));
    font.setWeight(50);
    QCOMPARE(TextEditDialog::fontForDialog(font).styleName(), QStringLiteral("Italic"));
    font.setStyleName(QStringLiteral("Condensed"));
    QCOMPARE(TextEditDialog::fontForDialog(font).styleName(), QStringLiteral("Condensed"));
}

void WindowHelpersTest::noteEditorLineSpacingAndClear()
{
    TextEditDialog dialog;
    dialog.editor()->setHtml(QStringLiteral("<p>一</p><p>二</p><p>三</p>"));
    dialog.applyLineSpacing(QStringLiteral("2"));
    int blocks = 0;
    for (QTextBlock b = dialog.editor()->document()->begin(); b.isValid(); b = b.next()) {
        QCOMPARE(b.blockFormat().lineHeight(), 200.0);
        QCOMPARE(b.blockFormat().lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
        ++blocks;
    }
    QCOMPARE(blocks, 3);
    QCOMPARE(dialog.editor()->textCursor().block(), dialog.editor()->document()->lastBlock());
    dialog.applyLineSpacing(QStringLiteral("1.5"));
    QCOMPARE(dialog.editor()->document()->firstBlock().blockFormat().lineHeight(), 150.0);
    dialog.clearText();
    QVERIFY(dialog.plainText().isEmpty());
    QVERIFY(dialog.html().contains(QStringLiteral("<body")));
}

void WindowHelpersTest::noteEditorFontAppliesToAll()
{
    TextEditDialog dialog;
    dialog.editor()->setHtml(QStringLiteral("<p>abc <b>def</b></p><p>ghi</p>"));
    QTextCursor part = dialog.editor()->textCursor();
    part.setPosition(1);
    part.setPosition(2, QTextCursor::KeepAnchor);
    dialog.editor()->setTextCursor(part);
    QFont offered;
    dialog.fontPicker = [&offered](const QFont &initial, bool &ok) {
        offered = initial;
        ok = true;
        QFont chosen(QStringLiteral("Serif"));
        chosen.setPointSize(21);
        return chosen;
    };
    dialog.chooseFont();
    QVERIFY(!dialog.editor()->textCursor().hasSelection());
    QTextCursor probe(dialog.editor()->document());
    for (int pos = 1; pos <= dialog.plainText().size(); ++pos) {
        probe.setPosition(pos);
        QCOMPARE(probe.charFormat().font().pointSize(), 21);
    }
    // Cancelled: the text stays, the selection goes.
    dialog.editor()->selectAll();
    dialog.fontPicker = [](const QFont &initial, bool &ok) {
        ok = false;
        return initial;
    };
    dialog.chooseFont();
    QVERIFY(!dialog.editor()->textCursor().hasSelection());
    probe.setPosition(2);
    QCOMPARE(probe.charFormat().font().pointSize(), 21);
}

void WindowHelpersTest::suspendNoticeOnlyWhenGoingToSleep()
{
    // Without logind (as here, most likely) the watcher stays quiet and harmless.
    SuspendWatcher watcher;
    QSignalSpy spy(&watcher, &SuspendWatcher::suspending);
    QVERIFY(QMetaObject::invokeMethod(&watcher, "onPrepareForSleep", Q_ARG(bool, false)));
    QCOMPARE(spy.count(), 0);
    QVERIFY(QMetaObject::invokeMethod(&watcher, "onPrepareForSleep", Q_ARG(bool, true)));
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(WindowHelpersTest)
#include "tst_windowhelpers.moc"
