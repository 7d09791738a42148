#include <QClipboard>
#include <QPainter>
#include <QtTest>

#include "base/filesystem.h"

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestFileSystem : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void copyFileAs();
    void copyOntoItselfKeepsTheFile();
    void failedCopyKeepsTheOldTarget();
    void makeDirCreatesOneLevel();
    void clearDirKeepsFolderAndItsOwnHiddenFiles();
    void readLinesHandlesCrLfAndNul();
    void nameParts();
    void resolveFilePath();
    void clipboardTests();
    void backslashIsAFileNameCharacter();
    void shortWriteIsAFailure();
    void pngPicturesAreCompressed();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

void TestFileSystem::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestFileSystem::copyFileAs()
{
    const QString src = dir->filePath("Photo.PNG");
    writeFile(src, "new");
    QVERIFY(QDir(dir->path()).mkdir("out"));
    const QString out = dir->filePath("out");
    writeFile(out + "/logo.png", "old");
    QCOMPARE(FileSystem::copyFileAs(src, out, "logo"), QStringLiteral("png"));
    QCOMPARE(FileSystem::readAll(out + "/logo.png"), QByteArray("new"));
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{"logo.png"}); // no leftovers

    QCOMPARE(FileSystem::copyFileAs(dir->filePath("missing.png"), out, "x"), QString());
    const QString noSuffix = dir->filePath("README");
    writeFile(noSuffix, "r");
    QCOMPARE(FileSystem::copyFileAs(noSuffix, out, "r"), QString());
    QVERIFY(FileSystem::copyFileWithSuffix(src, out, "copy", "jpg"));
    QCOMPARE(FileSystem::readAll(out + "/copy.jpg"), QByteArray("new"));
}

void TestFileSystem::copyOntoItselfKeepsTheFile()
{
    const QString src = dir->filePath("mylogo.png");
    writeFile(src, "logo bytes");
    QCOMPARE(FileSystem::copyFileAs(src, dir->path(), "mylogo"), QStringLiteral("png"));
    QCOMPARE(FileSystem::readAll(src), QByteArray("logo bytes"));
}

void TestFileSystem::failedCopyKeepsTheOldTarget()
{
    const QString src = dir->filePath("a.png");
    writeFile(src, "new");
    // The target name is taken by a folder that cannot be replaced: the copy fails and
    // leaves the folder and its content alone, with no temporary file behind.
    QVERIFY(QDir().mkpath(dir->filePath("target.png")));
    writeFile(dir->filePath("target.png/keep"), "old");
    QCOMPARE(FileSystem::copyFileAs(src, dir->path(), "target"), QString());
    QCOMPARE(FileSystem::readAll(dir->filePath("target.png/keep")), QByteArray("old"));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{"a.png"});
    // A target folder that does not exist fails without touching anything.
    QCOMPARE(FileSystem::copyFileAs(src, dir->filePath("nowhere"), "target"), QString());
}

void TestFileSystem::makeDirCreatesOneLevel()
{
    QVERIFY(!FileSystem::makeDir(dir->filePath("a/b")));
    QVERIFY(FileSystem::makeDir(dir->filePath("a")));
    QVERIFY(FileSystem::dirExists(dir->filePath("a")));
    QVERIFY(FileSystem::isWritableDir(dir->filePath("a")));
    QVERIFY(!FileSystem::isWritableDir(dir->filePath("nope")));
    QVERIFY(!FileSystem::fileExists(dir->filePath("a")));
}

void TestFileSystem::clearDirKeepsFolderAndItsOwnHiddenFiles()
{
    const QString root = dir->filePath("clip");
    QVERIFY(QDir().mkpath(root + "/sub/deeper"));
    writeFile(root + "/a.png", "a");
    writeFile(root + "/.hidden", "h");
    writeFile(root + "/sub/.inner", "i");
    writeFile(root + "/sub/deeper/x", "x");
    QVERIFY(QFile::link(root + "/gone", root + "/.dangling"));
    QVERIFY(QFile::link(root + "/gone", root + "/dangling"));
    FileSystem::clearDir(root);
    QVERIFY(QFileInfo(root).isDir());
    const QDir::Filters everything =
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QCOMPARE(QDir(root).entryList(everything), (QStringList{".dangling", ".hidden"}));
    FileSystem::clearDir(dir->filePath("missing")); // nothing happens
    FileSystem::clearDir(QString());
}

void TestFileSystem::readLinesHandlesCrLfAndNul()
{
    const QString path = dir->filePath("stamp.ini");
    writeFile(path, QByteArray("one\r\n   \r\n two \n\nthr\0ee\nlast", 28));
    const QList<QByteArray> raw = FileSystem::readLines(path);
    QCOMPARE(raw.size(), 6);
    QCOMPARE(raw.at(0), QByteArray("one\n"));
    QCOMPARE(raw.at(1), QByteArray("   \n"));
    QCOMPARE(raw.at(5), QByteArray("last"));
    QCOMPARE(FileSystem::readTrimmedLines(path), (QStringList{"one", "two", "thr", "last"}));
    QVERIFY(FileSystem::readLines(dir->filePath("missing")).isEmpty());

    FileSystem::writeLines(path, {"甲", "b"});
    QCOMPARE(FileSystem::readAll(path), QByteArray("甲\nb\n"));
    QVERIFY(FileSystem::writeBytes(path, "x"));
    QVERIFY(!FileSystem::writeBytes(dir->filePath("no/such/file"), "x"));
}

void TestFileSystem::nameParts()
{
    QCOMPARE(FileSystem::lowerSuffix("/a/b.TAR.GZ"), QStringLiteral("gz"));
    QCOMPARE(FileSystem::lowerSuffix("/a.dir/noext"), QString());
    QCOMPARE(FileSystem::completeBaseName("/x/课件.v2.PPTX"), QStringLiteral("课件.v2"));
    QCOMPARE(FileSystem::fileName("/x/y.png"), QStringLiteral("y.png"));
    QCOMPARE(FileSystem::absolutePath("/x/y.png"), QStringLiteral("/x"));
}

void TestFileSystem::resolveFilePath()
{
    const QString file = dir->filePath("f.png");
    writeFile(file, "x");
    QCOMPARE(FileSystem::resolveFilePath(file), file);
    QCOMPARE(FileSystem::resolveFilePath(dir->filePath("missing.png")), QString());
    const QString link = dir->filePath("link.png");
    QVERIFY(QFile::link(file, link));
    QCOMPARE(FileSystem::resolveFilePath(link), file);
}

void TestFileSystem::clipboardTests()
{
    const QString png = dir->filePath("Shot.PNG");
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(png, "PNG"));
    const QString pdf = dir->filePath("doc.pdf");
    writeFile(pdf, "%PDF-1.4\n");

    QMimeData urls;
    urls.setUrls({QUrl("https://example.invalid/a.png"), QUrl::fromLocalFile(pdf),
                  QUrl::fromLocalFile(png)});
    QVERIFY(FileSystem::mimeHasOpenableFile(&urls, {"png"}));
    QVERIFY(FileSystem::mimeHasOpenableFile(&urls, {"pdf"}));
    QVERIFY(!FileSystem::mimeHasOpenableFile(&urls, {"docx"}));
    QVERIFY(FileSystem::mimeHasImage(&urls));
    QCOMPARE(FileSystem::mimeImage(&urls).size(), QSize(4, 3));

    QMimeData onlyPdf;
    onlyPdf.setUrls({QUrl::fromLocalFile(pdf)});
    QVERIFY(!FileSystem::mimeHasImage(&onlyPdf));
    QVERIFY(FileSystem::mimeImage(&onlyPdf).isNull());

    QMimeData picture;
    picture.setImageData(image);
    QVERIFY(FileSystem::mimeHasOpenableFile(&picture, {}));
    QVERIFY(FileSystem::mimeHasImage(&picture));
    QCOMPARE(FileSystem::mimeImage(&picture).pixelColor(0, 0), QColor(Qt::red));

    QMimeData text;
    text.setText("hello");
    QVERIFY(!FileSystem::mimeHasOpenableFile(&text, {"png"}));
    QVERIFY(!FileSystem::mimeHasImage(nullptr));

    // The system clipboard goes through the same tests.
    QGuiApplication::clipboard()->setImage(image);
    QVERIFY(FileSystem::clipboardHasImage());
    QCOMPARE(FileSystem::clipboardImage().size(), QSize(4, 3));
}

void TestFileSystem::backslashIsAFileNameCharacter()
{
    const QString file = dir->filePath("a\\b.png");
    writeFile(file, "x");
    QCOMPARE(FileSystem::resolveFilePath(file), file);
    // "a/b.png" names a file in a folder that does not exist.
    QCOMPARE(FileSystem::resolveFilePath(dir->filePath("c\\d.png")), QString());
}

void TestFileSystem::shortWriteIsAFailure()
{
    // Every write to /dev/full fails with "no space left".
    QVERIFY(!FileSystem::writeBytes("/dev/full", "abc"));
    QVERIFY(!FileSystem::writeLines("/dev/full", {"a", "b"}));
    const QString file = dir->filePath("lines.txt");
    QVERIFY(FileSystem::writeLines(file, {"a", "b"}));
    QCOMPARE(FileSystem::readAll(file), QByteArray("a\nb\n"));
    QVERIFY(FileSystem::writeBytes(file, QByteArray()));
}

void TestFileSystem::pngPicturesAreCompressed()
{
    // A board with a few strokes, the size of an exported page.
    QImage board(1920, 869, QImage::Format_ARGB32);
    board.fill(Qt::white);
    QPainter painter(&board);
    painter.setPen(QPen(Qt::red, 6));
    painter.drawLine(100, 100, 1800, 700);
    painter.drawEllipse(QRect(400, 200, 500, 300));
    painter.end();

    const QString png = dir->filePath("board.png");
    QVERIFY(FileSystem::savePicture(board, png, "PNG"));
    QVERIFY2(QFileInfo(png).size() < 300 * 1024,
             qPrintable(QString::number(QFileInfo(png).size())));
    QCOMPARE(QImage(png).convertToFormat(QImage::Format_ARGB32), board);

    // JPG stays at the highest quality.
    const QString jpg = dir->filePath("board.jpg");
    QVERIFY(FileSystem::savePicture(board, jpg, "JPG"));
    QByteArray best;
    QBuffer buffer(&best);
    QVERIFY(board.save(&buffer, "JPG", 100));
    QCOMPARE(FileSystem::readAll(jpg), best);
    QVERIFY(!FileSystem::savePicture(QImage(), dir->filePath("null.png"), "PNG"));
}

QTEST_MAIN(TestFileSystem)
#include "tst_filesystem.moc"
