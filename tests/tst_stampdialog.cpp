#include <QtTest>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "toolbar/flowlayout.h"
#include "toolbar/stampdialog.h"

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

namespace {

QString makePicture(const QString &path, const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    if (!image.save(path, "PNG"))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QStringList buttonOrder(StampDialog &dialog)
{
    QStringList names;
    const QList<QAbstractButton *> buttons = dialog.stampGroup()->buttons();
    for (int id = 1; id <= buttons.size(); ++id) {
        QAbstractButton *button = dialog.stampGroup()->button(id);
        names << (button ? button->statusTip() : QStringLiteral("?"));
    }
    return names;
}

QAbstractButton *stampButton(StampDialog &dialog, const QString &name)
{
    const QList<QAbstractButton *> buttons = dialog.stampGroup()->buttons();
    for (QAbstractButton *button : buttons) {
        if (button->statusTip() == name)
            return button;
    }
    return nullptr;
}

// Clicks the stamp's button; false when there is none.
bool clickStamp(StampDialog &dialog, const QString &name)
{
    QAbstractButton *button = stampButton(dialog, name);
    if (button)
        button->click();
    return button;
}

QPushButton *command(StampDialog &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QString::fromLatin1(name));
}

} // namespace

class TestStampDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void builtInStampsWithoutOrderFile();
    void emptyOrderFileGivesEmptyPicker();
    void namesWithoutPictureAreSkippedAndDropped();
    void traversalNamesAreRefused();
    void duplicateNamesGetOneButton();
    void importStoresScaledPicturesUnderUniqueNames();
    void importSkipsFilesThatAreNoPictures();
    void importReportsPicturesThatCannotBeSaved();
    void importWithoutStampFolderShowsTheMessage();
    void movesSwapNeighboursAndRenumber();
    void deletingImportedStampRemovesItsFile();
    void deletingBuiltInStampRemovesNoFile();
    void deletionNeedsConfirmation();
    void deletionQuestionOffersConfirmAndCancel();
    void pointerButtonReportsTheCurrentStamp();
    void scaledToFitKeepsTheAspectRatio();

private:
    std::unique_ptr<StampDialog> makeDialog();
    void writeOrder(const QStringList &lines);

    std::unique_ptr<QTemporaryDir> temp;
    QStringList chosenFiles;
    QStringList messages;
    QStringList questions;
    bool answer = true;
    qint64 clock = 1000;
};

void TestStampDialog::init()
{
    temp = std::make_unique<QTemporaryDir>();
    QVERIFY(temp->isValid());
    appDataDir = temp->path() + "/data";
    QVERIFY(QDir().mkpath(stampDirPath()));
    chosenFiles.clear();
    messages.clear();
    questions.clear();
    answer = true;
    clock = 1000;
}

void TestStampDialog::cleanup()
{
    temp.reset();
}

std::unique_ptr<StampDialog> TestStampDialog::makeDialog()
{
    auto dialog = std::make_unique<StampDialog>();
    dialog->setFileChooser([this](QWidget *) { return chosenFiles; });
    dialog->setMessage([this](const QString &text) { messages << text; });
    dialog->setQuestion([this](const QString &text) {
        questions << text;
        return answer;
    });
    dialog->setClock([this] { return clock; });
    return dialog;
}

void TestStampDialog::writeOrder(const QStringList &lines)
{
    FileSystem::writeLines(stampListFilePath(), lines);
}

void TestStampDialog::builtInStampsWithoutOrderFile()
{
    QVERIFY(!QFile::exists(stampListFilePath()));
    auto dialog = makeDialog();
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2"}));
    QCOMPARE(dialog->stampNameList(), QStringList({"0", "1", "2"}));
    for (const char *name : {"0", "1", "2"})
        QVERIFY(!StampDialog::stampPixmap(name).isNull());
    QVERIFY(dialog->isHidden());
    dialog.reset();
    QCOMPARE(FileSystem::readTrimmedLines(stampListFilePath()), QStringList({"0", "1", "2"}));
}

void TestStampDialog::emptyOrderFileGivesEmptyPicker()
{
    writeOrder({});
    QVERIFY(QFile::exists(stampListFilePath()));
    auto dialog = makeDialog();
    QCOMPARE(dialog->stampGroup()->buttons().size(), 0);
    dialog.reset();
    QCOMPARE(FileSystem::readTrimmedLines(stampListFilePath()), QStringList());
}

void TestStampDialog::namesWithoutPictureAreSkippedAndDropped()
{
    makePicture(stampDirPath() + "/5.sps", QSize(20, 20), Qt::red);
    FileSystem::writeBytes(stampDirPath() + "/broken.sps", "not a picture");
    writeOrder({"2", "missing.sps", "5.sps", "broken.sps", "0"});
    auto dialog = makeDialog();
    QCOMPARE(buttonOrder(*dialog), QStringList({"2", "5.sps", "0"}));
    dialog.reset();
    QCOMPARE(FileSystem::readTrimmedLines(stampListFilePath()), QStringList({"2", "5.sps", "0"}));
}

void TestStampDialog::traversalNamesAreRefused()
{
    const QString outside = makePicture(temp->path() + "/outside.png", QSize(10, 10), Qt::blue);
    makePicture(appDataDir + "/inside.png", QSize(10, 10), Qt::blue);
    const QStringList bad{"../outside.png",       "../../outside.png", outside, "..", ".",
                          "sub/../../inside.png", "..\\inside.png"};
    for (const QString &name : bad)
        QVERIFY2(StampDialog::stampPixmap(name).isNull(), qPrintable(name));
    writeOrder(bad + QStringList{"1"});
    auto dialog = makeDialog();
    QCOMPARE(buttonOrder(*dialog), QStringList({"1"}));
    dialog.reset();
    QCOMPARE(FileSystem::readTrimmedLines(stampListFilePath()), QStringList({"1"}));
    QVERIFY(QFile::exists(outside));
    QVERIFY(!StampDialog::isPlainFileName("a/b"));
    QVERIFY(StampDialog::isPlainFileName("1700000000000.sps"));
}

void TestStampDialog::duplicateNamesGetOneButton()
{
    makePicture(stampDirPath() + "/7.sps", QSize(20, 20), Qt::red);
    writeOrder({"7.sps", "0", "7.sps"});
    auto dialog = makeDialog();
    QCOMPARE(buttonOrder(*dialog), QStringList({"7.sps", "0"}));
}

void TestStampDialog::importStoresScaledPicturesUnderUniqueNames()
{
    auto dialog = makeDialog();
    QSignalSpy checked(dialog.get(), &StampDialog::stampChecked);
    chosenFiles << makePicture(temp->path() + "/wide.png", QSize(400, 100), Qt::green)
                << makePicture(temp->path() + "/small.png", QSize(12, 30), Qt::red);
    // The clock stands still, as it does for two files read within one millisecond; a file
    // left by an earlier import holds the next millisecond.
    makePicture(stampDirPath() + "/1001.sps", QSize(5, 5), Qt::black);
    dialog->addCustomStamps();

    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2", "1000.sps", "1002.sps"}));
    const int side = dialog->largestStoredSide();
    const QImage wide(stampDirPath() + "/1000.sps", "PNG");
    QCOMPARE(wide.size(), QSize(400, 100).scaled(side, side, Qt::KeepAspectRatio));
    QCOMPARE(wide.pixelColor(wide.width() / 2, wide.height() / 2), QColor(Qt::green));
    QCOMPARE(QImage(stampDirPath() + "/1002.sps", "PNG").size(), QSize(12, 30));
    QCOMPARE(QImage(stampDirPath() + "/1001.sps", "PNG").size(), QSize(5, 5));

    // The last import is chosen and the order is on disk before the picker goes away.
    QCOMPARE(checked.count(), 1);
    QCOMPARE(checked.at(0).at(0).toString(), QStringLiteral("1002.sps"));
    QCOMPARE(dialog->currentStamp(), QStringLiteral("1002.sps"));
    QVERIFY(stampButton(*dialog, "1002.sps")->isChecked());
    QCOMPARE(FileSystem::readTrimmedLines(stampListFilePath()),
             QStringList({"0", "1", "2", "1000.sps", "1002.sps"}));
    // The button picture fits the button.
    const QSize iconSize = stampButton(*dialog, "1000.sps")->iconSize();
    QVERIFY(iconSize.width() <= dialog->stampButtonSide());
    QVERIFY(iconSize.height() <= dialog->stampButtonSide());
    QVERIFY(messages.isEmpty());
}

void TestStampDialog::importSkipsFilesThatAreNoPictures()
{
    auto dialog = makeDialog();
    QSignalSpy checked(dialog.get(), &StampDialog::stampChecked);
    FileSystem::writeBytes(temp->path() + "/text.png", "hello");
    chosenFiles << temp->path() + "/text.png" << temp->path() + "/absent.png";
    dialog->addCustomStamps();
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2"}));
    QCOMPARE(checked.count(), 0);
    QVERIFY(messages.isEmpty());
    QCOMPARE(QDir(stampDirPath()).entryList(QDir::Files), QStringList());
}

void TestStampDialog::importReportsPicturesThatCannotBeSaved()
{
    auto dialog = makeDialog();
    QSignalSpy checked(dialog.get(), &StampDialog::stampChecked);
    // A folder where the picture should go makes the save fail.
    QVERIFY(QDir().mkpath(stampDirPath() + "/1000.sps"));
    const QString picture = makePicture(temp->path() + "/a.png", QSize(20, 20), Qt::red);
    chosenFiles << picture;
    dialog->addCustomStamps();
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2"}));
    QCOMPARE(checked.count(), 0);
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.first().contains(picture));
}

void TestStampDialog::importWithoutStampFolderShowsTheMessage()
{
    appDataDir = temp->path() + "/no/such/parent";
    auto dialog = makeDialog();
    chosenFiles << makePicture(temp->path() + "/a.png", QSize(20, 20), Qt::red);
    dialog->addCustomStamps();
    QCOMPARE(messages,
             QStringList(QStringLiteral("无法添加自定义图案：图章缓存文件夹不存在，请手动创建 ") +
                         stampDirPath()));
    QCOMPARE(dialog->stampGroup()->buttons().size(), 3);
}

void TestStampDialog::movesSwapNeighboursAndRenumber()
{
    auto dialog = makeDialog();
    QSignalSpy checked(dialog.get(), &StampDialog::stampChecked);
    // Nothing checked: nothing moves.
    dialog->moveCheckedStamp(true);
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2"}));

    QVERIFY(clickStamp(*dialog, "0"));
    QCOMPARE(checked.count(), 1);
    command(*dialog, "forwardButton")->click();
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2"}));
    command(*dialog, "backButton")->click();
    QCOMPARE(buttonOrder(*dialog), QStringList({"1", "0", "2"}));
    QCOMPARE(dialog->stampNameList(), QStringList({"1", "0", "2"}));
    QVERIFY(stampButton(*dialog, "0")->isChecked());
    QCOMPARE(FileSystem::readTrimmedLines(stampListFilePath()), QStringList({"1", "0", "2"}));
    dialog->moveCheckedStamp(false);
    QCOMPARE(buttonOrder(*dialog), QStringList({"1", "2", "0"}));
    dialog->moveCheckedStamp(false);
    QCOMPARE(buttonOrder(*dialog), QStringList({"1", "2", "0"}));
    dialog->moveCheckedStamp(true);
    dialog->moveCheckedStamp(true);
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2"}));
    QCOMPARE(checked.count(), 1);

    // The layout places the buttons in the new order.
    auto *layout = dialog->findChild<FlowLayout *>();
    QVERIFY(layout);
    QCOMPARE(layout->itemAt(0)->widget(), stampButton(*dialog, "0"));
    QCOMPARE(layout->itemAt(2)->widget(), stampButton(*dialog, "2"));
}

void TestStampDialog::deletingImportedStampRemovesItsFile()
{
    auto dialog = makeDialog();
    chosenFiles << makePicture(temp->path() + "/a.png", QSize(20, 20), Qt::red);
    dialog->addCustomStamps();
    const QString file = stampDirPath() + "/1000.sps";
    QVERIFY(QFile::exists(file));
    QSignalSpy checked(dialog.get(), &StampDialog::stampChecked);
    command(*dialog, "deleteButton")->click();
    QCOMPARE(questions, QStringList("确定删除选定的图案？"));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(checked.count(), 1);
    QCOMPARE(checked.at(0).at(0).toString(), QString());
    // The chosen stamp text stays; the check is gone.
    QCOMPARE(dialog->currentStamp(), QStringLiteral("1000.sps"));
    QCOMPARE(dialog->stampGroup()->checkedButton(), nullptr);
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2"}));
    QCOMPARE(FileSystem::readTrimmedLines(stampListFilePath()), QStringList({"0", "1", "2"}));
    // Nothing checked: a second delete asks nothing.
    dialog->deleteCheckedStamp();
    QCOMPARE(questions.size(), 1);
}

void TestStampDialog::deletingBuiltInStampRemovesNoFile()
{
    // A file that happens to carry a built-in name is not the built-in's picture.
    const QString lookalike = stampDirPath() + "/1";
    FileSystem::writeBytes(lookalike, "x");
    auto dialog = makeDialog();
    QVERIFY(clickStamp(*dialog, "1"));
    dialog->deleteCheckedStamp();
    QVERIFY(QFile::exists(lookalike));
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "2"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(dialog->stampGroup()->buttons().size(), 2);
    dialog.reset();
    QCOMPARE(FileSystem::readTrimmedLines(stampListFilePath()), QStringList({"0", "2"}));
}

void TestStampDialog::deletionNeedsConfirmation()
{
    auto dialog = makeDialog();
    answer = false;
    QVERIFY(clickStamp(*dialog, "2"));
    QSignalSpy checked(dialog.get(), &StampDialog::stampChecked);
    dialog->deleteCheckedStamp();
    QCOMPARE(questions.size(), 1);
    QCOMPARE(checked.count(), 0);
    QCOMPARE(buttonOrder(*dialog), QStringList({"0", "1", "2"}));
}

void TestStampDialog::deletionQuestionOffersConfirmAndCancel()
{
    // Without a window to ask through, the picker's own box still reads like the window's.
    mainWindow = nullptr;
    StampDialog dialog;
    QVERIFY(clickStamp(dialog, "1"));
    QString title;
    QStringList buttonTexts;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        QAbstractButton *cancel = nullptr;
        for (QAbstractButton *button : box->buttons()) {
            buttonTexts << button->text();
            if (button->text() == QStringLiteral("取消"))
                cancel = button;
        }
        if (cancel)
            cancel->click();
        else
            box->reject();
    });
    dialog.deleteCheckedStamp();
    QCOMPARE(title, QStringLiteral("墨岚白板提示"));
    buttonTexts.sort();
    QStringList expected{QStringLiteral("取消"), QStringLiteral("确定")};
    expected.sort();
    QCOMPARE(buttonTexts, expected);
    QCOMPARE(buttonOrder(dialog), QStringList({"0", "1", "2"}));
}

void TestStampDialog::pointerButtonReportsTheCurrentStamp()
{
    auto dialog = makeDialog();
    QSignalSpy pointer(dialog.get(), &StampDialog::teacherPointerSet);
    QSignalSpy checked(dialog.get(), &StampDialog::stampChecked);
    QVERIFY(clickStamp(*dialog, "2"));
    QCOMPARE(checked.at(0).at(0).toString(), QStringLiteral("2"));
    QPushButton *button = command(*dialog, "pointerButton");
    QVERIFY(button->isCheckable());
    button->click();
    button->click();
    QCOMPARE(pointer.count(), 2);
    QCOMPARE(pointer.at(0).at(0).toString(), QStringLiteral("2"));
    QCOMPARE(pointer.at(1).at(0).toString(), QString());
}

void TestStampDialog::scaledToFitKeepsTheAspectRatio()
{
    QPixmap wide(400, 100);
    QCOMPARE(StampDialog::scaledToFit(wide, 150).size(), QSize(150, 37));
    QPixmap tall(30, 90);
    QCOMPARE(StampDialog::scaledToFit(tall, 45).size(), QSize(15, 45));
    QPixmap small(20, 10);
    QCOMPARE(StampDialog::scaledToFit(small, 150).size(), QSize(20, 10));
}

QTEST_MAIN(TestStampDialog)
#include "tst_stampdialog.moc"
