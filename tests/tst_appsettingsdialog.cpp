#include <QtTest/qtestspontaneevent.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <functional>

#include "base/appsettings.h"
#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "mainwindow/appsettingsdialog.h"

namespace {

// Runs the dialog; act runs inside it and must end it.
int runWith(AppSettingsDialog &dialog, AppSettings &settings, const std::function<void()> &act)
{
    QTimer::singleShot(0, &dialog, act);
    return dialog.run(settings);
}

QPixmap picture(int w, int h)
{
    QPixmap p(w, h);
    p.fill(Qt::green);
    return p;
}

AppSettings sample()
{
    AppSettings s;
    s.toolbarpos = false;
    s.showremark = false;
    s.remarkfontsize = 12;
    s.showpptstep = false;
    s.verticalthumb = false;
    s.hascleannotice = false;
    for (int n = 0; n < 4; ++n)
        s.brushes[n] = {QStringLiteral("#112233"), QStringLiteral("#445566"), 3};
    s.brushes[1].size = 4; // not offered: the combo stays on "2"
    s.brushes[2].size = 9;
    s.audiorecordtype = 2;
    s.videoqualitytype = 3;
    s.videoareatype = 1;
    s.avareax = 0;
    s.avareay = 0;
    s.avareaw = 240;
    s.avareah = 240;
    s.recentfiles = QStringList({QStringLiteral("/a.png")});
    s.timer_m = 5;
    return s;
}

} // namespace

class TestAppSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void watermarkIsScaledIntoThreeHundred();
    void acceptWritesEverythingBack();
    void cancelKeepsTheRecordButTheRepairs();
    void noWatermarkDeletesTheFile();
    void cornerWithoutPictureStaysOpen();
    void failedWatermarkSaveStoresNoType();
    void typedOutputFolderIsChecked();
    void folderChooser();
    void recordAreaSelection();
    void recordingDisablesTheRecordingWidgets();
    void brushColoursFromThePicker();
    void wheelOverComboScrollsThePage();

private:
    AppSettingsDialog *make();

    QTemporaryDir *dir = nullptr;
    QStringList messages;
    QString outputFolder;
};

AppSettingsDialog *TestAppSettingsDialog::make()
{
    auto *dialog = new AppSettingsDialog(nullptr);
    dialog->messageShower = [this](const QString &text) { messages << text; };
    dialog->screenGrabber = [] { return picture(800, 600); };
    dialog->colorPicker = [](const QString &, const QString &) { return QString(); };
    return dialog;
}

void TestAppSettingsDialog::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    appDataDir = dir->path();
    QVERIFY(FileSystem::makeDir(configDirPath()));
    outputFolder = dir->filePath(QStringLiteral("videos"));
    QVERIFY(FileSystem::makeDir(outputFolder));
    messages.clear();
}

void TestAppSettingsDialog::cleanup()
{
    delete dir;
    dir = nullptr;
}

void TestAppSettingsDialog::watermarkIsScaledIntoThreeHundred()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    const struct
    {
        QSize in;
        QSize out;
    } cases[] = {{{300, 200}, {300, 200}},
                 {{600, 300}, {300, 150}},
                 {{301, 100}, {300, 99}},
                 {{100, 900}, {33, 300}}};
    for (const auto &c : cases) {
        const QString path = dir->filePath(QStringLiteral("w.png"));
        QVERIFY(picture(c.in.width(), c.in.height()).save(path));
        dialog->setWatermarkPreview(path);
        QCOMPARE(dialog->watermark().size(), c.out);
        QCOMPARE(dialog->watermarkImageButton->size(), c.out);
    }
    dialog->setWatermarkPreview(QString());
    QVERIFY(dialog->watermark().isNull());
    QVERIFY(!dialog->watermarkImageButton->icon().isNull());

    // The stored file is the reduced picture, never the one picked.
    const QString big = dir->filePath(QStringLiteral("big.png"));
    QVERIFY(picture(600, 300).save(big));
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    const int result = runWith(*dialog, s, [&] {
        dialog->setWatermarkType(3);
        dialog->watermarkPicker = [&] { return big; };
        dialog->watermarkImageButton->setEnabled(true);
        dialog->watermarkImageButton->click();
        dialog->okButton->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(s.watermarktype, 3);
    QCOMPARE(QImage(watermarkFilePath()).size(), QSize(300, 150));
}

void TestAppSettingsDialog::acceptWritesEverythingBack()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    s.remarkfontsize = 20; // outside 8..14: the combo stays on "8"
    const int result = runWith(*dialog, s, [&] {
        QVERIFY(dialog->toolbarBottomRadio->isChecked());
        QVERIFY(dialog->horizontalThumbRadio->isChecked());
        QCOMPARE(dialog->brushSizeCombo[1]->currentText(), QStringLiteral("2"));
        QCOMPARE(dialog->brushSizeCombo[2]->currentText(), QStringLiteral("9"));
        QCOMPARE(dialog->areaCombo->currentIndex(), 1);
        // Without a microphone the only way to record is to choose no sound.
        QVERIFY(dialog->audioCombo->isVisibleTo(dialog.get()));
        QCOMPARE(dialog->audioCombo->itemText(3), QStringLiteral("不录制声音"));
        dialog->audioCombo->setCurrentIndex(3);
        dialog->toolbarTopRadio->setChecked(true);
        dialog->verticalThumbRadio->setChecked(true);
        dialog->cleanNoticeCheck->setChecked(true);
        dialog->brushSizeCombo[3]->setCurrentText(QStringLiteral("7"));
        dialog->okButton->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(s.toolbarpos);
    QVERIFY(s.verticalthumb);
    QVERIFY(s.hascleannotice);
    QCOMPARE(s.remarkfontsize, 8);
    QCOMPARE(s.brushes[0].size, 3);
    QCOMPARE(s.brushes[1].size, 2);
    QCOMPARE(s.brushes[2].size, 9);
    QCOMPARE(s.brushes[3].size, 7);
    QCOMPARE(s.brushes[3].forecolor, QStringLiteral("#112233"));
    QCOMPARE(s.audiorecordtype, 3);
    QCOMPARE(s.videoqualitytype, 3);
    QCOMPARE(s.videoareatype, 1);
    QCOMPARE(s.avareaw, 240);
    QCOMPARE(s.avoutpath, outputFolder);
    // Fields the dialog does not edit.
    QCOMPARE(s.recentfiles, QStringList({QStringLiteral("/a.png")}));
    QCOMPARE(s.timer_m, 5);
}

void TestAppSettingsDialog::cancelKeepsTheRecordButTheRepairs()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    QVERIFY(picture(50, 50).save(watermarkFilePath()));
    const QByteArray before = FileSystem::readAll(watermarkFilePath());
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    s.avareaw = 100; // fails the area rule
    s.watermarktype = 2;
    s.audiorecordtype = 9;
    const int result = runWith(*dialog, s, [&] {
        dialog->toolbarTopRadio->setChecked(true);
        dialog->setWatermarkType(0);
        dialog->brushSizeCombo[0]->setCurrentText(QStringLiteral("9"));
        dialog->cancelButton->click();
    });
    QCOMPARE(result, int(QDialog::Rejected));
    AppSettings expected = sample();
    QVERIFY(!s.toolbarpos == !expected.toolbarpos);
    QCOMPARE(s.brushes[0].size, 3);
    QCOMPARE(s.audiorecordtype, 9);
    // Repaired at once: the area is cleared, the watermark kept since its file loads.
    QCOMPARE(s.videoareatype, 0);
    QCOMPARE(s.avareaw, 0);
    QCOMPARE(s.watermarktype, 2);
    QCOMPARE(FileSystem::readAll(watermarkFilePath()), before);

    // A watermark type whose file is gone is repaired even when cancelled.
    QFile::remove(watermarkFilePath());
    std::unique_ptr<AppSettingsDialog> again(make());
    runWith(*again, s, [&] { again->cancelButton->click(); });
    QCOMPARE(s.watermarktype, 0);
}

void TestAppSettingsDialog::noWatermarkDeletesTheFile()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    QVERIFY(picture(50, 50).save(watermarkFilePath()));
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    s.watermarktype = 1;
    runWith(*dialog, s, [&] {
        QCOMPARE(dialog->watermarkType(), 1);
        QCOMPARE(dialog->watermark().size(), QSize(50, 50));
        dialog->setWatermarkType(0);
        dialog->okButton->click();
    });
    QCOMPARE(s.watermarktype, 0);
    QVERIFY(!QFile::exists(watermarkFilePath()));
}

void TestAppSettingsDialog::cornerWithoutPictureStaysOpen()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    bool stayed = false;
    runWith(*dialog, s, [&] {
        dialog->setWatermarkType(4);
        dialog->okButton->click();
        stayed = dialog->isVisible();
        dialog->cancelButton->click();
    });
    QVERIFY(stayed);
    QCOMPARE(messages, QStringList({QStringLiteral("请添加水印图片")}));
    QCOMPARE(s.watermarktype, 0);
}

void TestAppSettingsDialog::failedWatermarkSaveStoresNoType()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    dialog->setWatermarkFilePath(dir->filePath(QStringLiteral("no/such/folder/watermark.png")));
    const QString path = dir->filePath(QStringLiteral("w.png"));
    QVERIFY(picture(40, 40).save(path));
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    const int result = runWith(*dialog, s, [&] {
        dialog->setWatermarkPreview(path);
        dialog->setWatermarkType(2);
        dialog->okButton->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    // Regression: the failed save was ignored and left a watermark type without its file.
    QCOMPARE(s.watermarktype, 0);
    QCOMPARE(messages.size(), 1);
}

void TestAppSettingsDialog::typedOutputFolderIsChecked()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    bool stayed = false;
    const int result = runWith(*dialog, s, [&] {
        dialog->outputFolderEdit->setText(dir->filePath(QStringLiteral("missing")));
        dialog->okButton->click();
        stayed = dialog->isVisible();
        dialog->outputFolderEdit->setText(dir->path());
        dialog->okButton->click();
    });
    // Regression: a typed folder was stored without any check.
    QVERIFY(stayed);
    QCOMPARE(messages,
             QStringList({QStringLiteral("路径不合法或不具有存储权限，请更换其它文件夹")}));
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(s.avoutpath, dir->path());

    // A stored folder left as it was is not in the way of other changes.
    std::unique_ptr<AppSettingsDialog> again(make());
    s.avoutpath = dir->filePath(QStringLiteral("gone"));
    QCOMPARE(runWith(*again, s, [&] { again->okButton->click(); }), int(QDialog::Accepted));
}

void TestAppSettingsDialog::folderChooser()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    dialog->outputFolderEdit->setText(QStringLiteral("start"));
    dialog->folderPicker = [] { return QString(); };
    dialog->outputFolderButton->click();
    dialog->folderPicker = [this] { return dir->filePath(QStringLiteral("nowhere")); };
    dialog->outputFolderButton->click();
    QCOMPARE(dialog->outputFolderEdit->text(), QStringLiteral("start"));
    QCOMPARE(messages.size(), 1);
    dialog->folderPicker = [this] { return QStringLiteral("  ") + outputFolder + " "; };
    dialog->outputFolderButton->click();
    QCOMPARE(dialog->outputFolderEdit->text(), outputFolder);
}

void TestAppSettingsDialog::recordAreaSelection()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    runWith(*dialog, s, [&] {
        QCOMPARE(dialog->recordAreaKind(), 1);
        // An area that fails the rule goes back to full screen, the old area kept.
        dialog->onRecordAreaSelected(QRect(0, 0, 100, 100), true);
        QCOMPARE(dialog->areaCombo->currentIndex(), 0);
        QCOMPARE(dialog->recordAreaRect(), QRect(0, 0, 240, 240));
        // Cancelling the selector restores the type chosen last.
        dialog->onRecordAreaSelected(QRect(), false);
        QCOMPARE(dialog->areaCombo->currentIndex(), 1);
        QCOMPARE(dialog->recordAreaKind(), 1);
        dialog->areaCombo->setCurrentIndex(1);
        dialog->onRecordAreaSelected(QRect(4, 8, 320, 244), true);
        QCOMPARE(dialog->recordAreaRect(), QRect(4, 8, 320, 244));
        dialog->okButton->click();
    });
    QCOMPARE(messages, QStringList({QStringLiteral("选择区域不合法，请重新选择")}));
    QCOMPARE(s.videoareatype, 1);
    QCOMPARE(s.avareax, 4);
    QCOMPARE(s.avareaw, 320);
    QCOMPARE(s.avareah, 244);
}

void TestAppSettingsDialog::recordingDisablesTheRecordingWidgets()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    dialog->setRecordingEditable(false);
    AppSettings s = sample();
    s.avoutpath = dir->filePath(QStringLiteral("gone"));
    s.videoqualitytype = 7;
    const int result = runWith(*dialog, s, [&] {
        for (QWidget *w :
             {static_cast<QWidget *>(dialog->outputFolderEdit),
              static_cast<QWidget *>(dialog->outputFolderButton),
              static_cast<QWidget *>(dialog->areaCombo), static_cast<QWidget *>(dialog->audioCombo),
              static_cast<QWidget *>(dialog->videoCombo),
              static_cast<QWidget *>(dialog->watermarkTypeCombo),
              static_cast<QWidget *>(dialog->watermarkImageButton)})
            QVERIFY(!w->isEnabled());
        QVERIFY(dialog->cleanNoticeCheck->isEnabled());
        dialog->okButton->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(s.audiorecordtype, 2);
    QCOMPARE(s.videoqualitytype, 0);
}

void TestAppSettingsDialog::brushColoursFromThePicker()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    QStringList asked;
    QString answer = QStringLiteral("#ABCDEF");
    dialog->colorPicker = [&](const QString &title, const QString &color) {
        asked << title + " " + color;
        return answer;
    };
    AppSettings s = sample();
    s.avoutpath = outputFolder;
    runWith(*dialog, s, [&] {
        dialog->brushBackButton[2]->click();
        answer.clear(); // cancelled: nothing changes
        dialog->brushForeButton[0]->click();
        dialog->okButton->click();
    });
    QCOMPARE(asked, QStringList({QStringLiteral("编辑 预设画刷3 背景色 #445566"),
                                 QStringLiteral("编辑 预设画刷1 前景色 #112233")}));
    QCOMPARE(s.brushes[2].backcolor, QStringLiteral("#ABCDEF"));
    QCOMPARE(s.brushes[0].forecolor, QStringLiteral("#112233"));
}

void TestAppSettingsDialog::wheelOverComboScrollsThePage()
{
    std::unique_ptr<AppSettingsDialog> dialog(make());
    dialog->resize(dialog->minimumSizeHint());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QScrollBar *bar = dialog->settingsScrollArea->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(0);
    QComboBox *combo = dialog->brushSizeCombo[0];
    combo->setCurrentIndex(1);
    const QPointF pos(5, 5);
    QWheelEvent wheel(pos, combo->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    // As from the window system, so that an ignored turn goes on to the parents.
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(combo, &wheel);
    QCOMPARE(combo->currentIndex(), 1);
    QVERIFY(bar->value() > 0);
}

QTEST_MAIN(TestAppSettingsDialog)
#include "tst_appsettingsdialog.moc"
