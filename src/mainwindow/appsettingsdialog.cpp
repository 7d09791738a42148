#include "mainwindow/appsettingsdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtMath>

#include "base/appsettings.h"
#include "base/filesystem.h"
#include "base/paths.h"
#include "base/recordarea.h"
#include "base/uimetrics.h"
#include "mainwindow/mainwindow.h"
#include "platform/screencapture.h"
#include "recording/desktopareaselecter.h"

namespace {

const char *const defaultWatermark = ":/icon/appsettings/defaultwatermark.png";

int ceilInt(double x)
{
    return qCeil(x);
}

// Selects index value when it lies in 0..count-1, else 0.
void selectInRange(QComboBox *combo, int value)
{
    combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : 0);
}

int indexInRange(const QComboBox *combo)
{
    const int i = combo->currentIndex();
    return i >= 0 && i < combo->count() ? i : 0;
}

QPushButton *colorTitleButton(QWidget *parent)
{
    return new QPushButton(parent);
}

} // namespace

AppSettingsDialog::AppSettingsDialog(QWidget *parent)
    : QDialog(parent)
    , ownerWindow(parent)
    , watermarkPath(::watermarkFilePath())
{
    toolbarGroup = new QGroupBox(this);
    toolbarTopRadio = new QRadioButton(this);
    toolbarBottomRadio = new QRadioButton(this);
    notesGroup = new QGroupBox(this);
    showNotesCheck = new QCheckBox(this);
    notesFontLabel = new QLabel(this);
    notesFontCombo = new QComboBox(this);
    slidesGroup = new QGroupBox(this);
    pptStepCheck = new QCheckBox(this);
    horizontalThumbRadio = new QRadioButton(this);
    verticalThumbRadio = new QRadioButton(this);
    brushGroup = new QGroupBox(this);
    for (int n = 0; n < 4; ++n) {
        brushLabel[n] = new QLabel(this);
        brushForeButton[n] = colorTitleButton(this);
        brushBackButton[n] = colorTitleButton(this);
        brushSizeCombo[n] = new QComboBox(this);
    }
    cleanGroup = new QGroupBox(this);
    cleanNoticeCheck = new QCheckBox(this);
    recordGroup = new QGroupBox(this);
    outputFolderLabel = new QLabel(this);
    outputFolderEdit = new QLineEdit(this);
    outputFolderButton = new QPushButton(this);
    audioLabel = new QLabel(this);
    audioCombo = new QComboBox(this);
    areaLabel = new QLabel(this);
    areaCombo = new QComboBox(this);
    videoLabel = new QLabel(this);
    videoCombo = new QComboBox(this);
    watermarkTypeLabel = new QLabel(this);
    watermarkTypeCombo = new QComboBox(this);
    watermarkImageLabel = new QLabel(this);
    watermarkImageButton = new QPushButton(this);
    pageWidget = new QWidget(this);
    settingsScrollArea = new QScrollArea(this);
    okButton = new QPushButton(this);
    cancelButton = new QPushButton(this);
    thumbGroup = new QButtonGroup(this);
    recordAreaSelecter = new DesktopAreaSelecter(this);

    messageShower = [this](const QString &text) {
        if (auto *w = dynamic_cast<MainWindow *>(ownerWindow))
            w->showMessage(text);
    };
    colorPicker = [this](const QString &title, const QString &color) {
        if (auto *w = dynamic_cast<MainWindow *>(ownerWindow))
            return w->pickColor(title, color, QString());
        return QString();
    };
    folderPicker = [this] {
        return QFileDialog::getExistingDirectory(
            this, tr("修改输出文件夹"), QString(),
            QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    };
    watermarkPicker = [this] {
        return QFileDialog::getOpenFileName(this, tr("选择水印图片"), QString(), tr("PNG (*.png)"));
    };
    screenGrabber = [] {
        // On Wayland the desktop's portal gives the picture, and may ask the user for it: not
        // at every opening of the settings, only when the area selector needs it (a null
        // picture makes the selector take one).
        if (ScreenCapture::isWaylandSession())
            return QPixmap();
        QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->grabWindow(0) : QPixmap();
    };

    buildLayout();
    setupTexts();
    connectWidgets();
}

QList<QComboBox *> AppSettingsDialog::combos() const
{
    return {notesFontCombo,    brushSizeCombo[0], brushSizeCombo[1],
            brushSizeCombo[2], brushSizeCombo[3], audioCombo,
            areaCombo,         videoCombo,        watermarkTypeCombo};
}

void AppSettingsDialog::setupTexts()
{
    const int u = titleBarButtonSize();
    const int s = spacingUnit();
    const int labelWidth = ceilInt(2.5 * u);
    setWindowTitle(tr("设置"));

    toolbarGroup->setTitle(tr("工具栏位置设置"));
    toolbarTopRadio->setText(tr("工具栏位于窗口上方（默认）"));
    toolbarBottomRadio->setText(tr("工具栏位于窗口下方"));
    notesGroup->setTitle(tr("备注栏设置"));
    showNotesCheck->setText(tr("显示备注栏"));
    showNotesCheck->setFixedWidth(2 * labelWidth);
    notesFontLabel->setText(tr("字体大小"));
    notesFontLabel->setFixedSize(labelWidth, u);
    notesFontLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int size = 8; size <= 14; ++size)
        notesFontCombo->addItem(QString::number(size));
    notesFontCombo->setFixedSize(2 * u, u);
    notesFontCombo->setToolTip(tr("备注栏字体大小"));
    slidesGroup->setTitle(tr("幻灯片设置"));
    pptStepCheck->setText(tr("显示 上一步/下一步 快捷按钮"));
    horizontalThumbRadio->setText(tr("水平显示缩略图列表"));
    verticalThumbRadio->setText(tr("竖直显示缩略图列表（默认）"));
    verticalThumbRadio->setChecked(true);
    brushGroup->setTitle(tr("预设画刷设置"));
    for (int n = 0; n < 4; ++n) {
        const QString number = QString::number(n + 1);
        brushLabel[n]->setText(tr("预设画刷#") + number);
        brushLabel[n]->setFixedSize(labelWidth, u);
        brushForeButton[n]->setFixedSize(ceilInt(1.5 * u), u);
        brushForeButton[n]->setToolTip(tr("预设画刷") + number + tr(" 前景色"));
        brushBackButton[n]->setFixedSize(ceilInt(1.5 * u), u);
        brushBackButton[n]->setToolTip(tr("预设画刷") + number + tr(" 背景色"));
        for (const char *size : {"2", "3", "5", "7", "9"})
            brushSizeCombo[n]->addItem(QString::fromLatin1(size));
        brushSizeCombo[n]->setFixedSize(2 * u, u);
        brushSizeCombo[n]->setToolTip(tr("预设画刷") + number + tr(" 线条宽度"));
    }
    cleanGroup->setTitle(tr("清屏方式设置"));
    cleanNoticeCheck->setText(tr("清屏时显示提醒信息"));
    cleanNoticeCheck->setChecked(true);
    recordGroup->setTitle(tr("录屏设置"));
    outputFolderLabel->setText(tr("输出文件夹"));
    outputFolderLabel->setFixedSize(labelWidth, u);
    outputFolderEdit->setFixedSize(7 * u, u);
    outputFolderEdit->setStyleSheet(QStringLiteral("QLineEdit{border:1px solid ") +
                                    borderColor().name() + QStringLiteral(";}"));
    outputFolderButton->setText(QStringLiteral("..."));
    outputFolderButton->setFixedSize(u, u);
    outputFolderButton->setToolTip(tr("修改输出文件夹"));
    outputFolderButton->setStyleSheet(
        QStringLiteral("QPushButton{border:1 solid %1;border-radius:%2;background-color:"
                       "transparent;}QPushButton:hover{background-color:%3;}")
            .arg(borderColor().name())
            .arg(borderRadius())
            .arg(hoverBackgroundColor().name()));
    audioLabel->setText(tr("音频采集"));
    audioLabel->setFixedSize(labelWidth, u);
    audioCombo->addItems({tr("录制麦克风（默认）"), tr("录制系统声音"), tr("录制麦克风和系统声音"),
                          tr("不录制声音")});
    audioCombo->setFixedSize(5 * u, u);
    areaLabel->setText(tr("录屏区域"));
    areaLabel->setFixedSize(labelWidth, u);
    areaCombo->addItems({tr("全屏录制"), tr("区域录制")});
    areaCombo->setFixedSize(5 * u, u);
    videoLabel->setText(tr("视频采集"));
    videoLabel->setFixedSize(labelWidth, u);
    videoCombo->addItems({tr("原画"), tr("超清"), tr("高清"), tr("普清")});
    videoCombo->setFixedSize(5 * u, u);
    watermarkTypeLabel->setText(tr("水印类型"));
    watermarkTypeLabel->setFixedSize(labelWidth, u);
    watermarkTypeCombo->addItems(
        {tr("无水印"), tr("左上角水印"), tr("右上角水印"), tr("右下角水印"), tr("左下角水印")});
    watermarkTypeCombo->setFixedSize(5 * u, u);
    watermarkImageLabel->setText(tr("添加水印图片"));
    watermarkImageLabel->setFixedSize(labelWidth, u);
    watermarkImageButton->setStyleSheet(QStringLiteral("QPushButton{border-style:none;border:0;}"));
    setWatermarkPreview(QString());

    settingsScrollArea->setFrameShape(QFrame::Panel);
    settingsScrollArea->setWidgetResizable(true);
    settingsScrollArea->setBackgroundRole(QPalette::Light);
    settingsScrollArea->setMinimumSize(15 * u, 12 * u);
    okButton->setText(tr("确认"));
    okButton->setFixedSize(2 * ceilInt(1.5 * u), u);
    cancelButton->setText(tr("取消"));
    cancelButton->setFixedSize(2 * ceilInt(1.5 * u), u);

    const QString itemStyle = QStringLiteral("QComboBox QAbstractItemView::item{margin:") +
                              QString::number(2 * s) + QStringLiteral(";}");
    const QList<QComboBox *> all = combos();
    for (QComboBox *combo : all) {
        combo->setView(new QListView(combo));
        combo->setStyleSheet(itemStyle);
    }
    // The audio row stays: a Linux desktop may have no sound input at all, and then only
    // "不录制声音" lets a recording start.
    for (QWidget *hidden : {static_cast<QWidget *>(videoLabel), static_cast<QWidget *>(videoCombo)})
        hidden->setVisible(false);
    thumbGroup->addButton(verticalThumbRadio);
    thumbGroup->addButton(horizontalThumbRadio);
    thumbGroup->setExclusive(true);
}

void AppSettingsDialog::buildLayout()
{
    auto *toolbarLayout = new QVBoxLayout(toolbarGroup);
    toolbarLayout->addWidget(toolbarTopRadio);
    toolbarLayout->addWidget(toolbarBottomRadio);

    auto *notesLayout = new QHBoxLayout(notesGroup);
    notesLayout->setAlignment(Qt::AlignLeft);
    notesLayout->addWidget(showNotesCheck);
    notesLayout->addWidget(notesFontLabel);
    notesLayout->addWidget(notesFontCombo);

    auto *slidesLayout = new QVBoxLayout(slidesGroup);
    slidesLayout->addWidget(pptStepCheck);
    slidesLayout->addWidget(verticalThumbRadio);
    slidesLayout->addWidget(horizontalThumbRadio);

    auto *brushLayout = new QVBoxLayout(brushGroup);
    for (int n = 0; n < 4; ++n) {
        auto *row = new QHBoxLayout;
        row->addWidget(brushLabel[n]);
        row->addWidget(brushForeButton[n]);
        row->addWidget(brushBackButton[n]);
        row->addWidget(brushSizeCombo[n]);
        brushLayout->addLayout(row);
    }

    auto *cleanLayout = new QHBoxLayout(cleanGroup);
    cleanLayout->addWidget(cleanNoticeCheck);

    auto *recordLayout = new QVBoxLayout(recordGroup);
    const QList<QList<QWidget *>> rows = {{outputFolderLabel, outputFolderEdit, outputFolderButton},
                                          {areaLabel, areaCombo},
                                          {audioLabel, audioCombo},
                                          {videoLabel, videoCombo},
                                          {watermarkTypeLabel, watermarkTypeCombo},
                                          {watermarkImageLabel, watermarkImageButton}};
    for (const QList<QWidget *> &widgets : rows) {
        auto *row = new QHBoxLayout;
        row->setAlignment(Qt::AlignLeft);
        for (QWidget *widget : widgets)
            row->addWidget(widget);
        recordLayout->addLayout(row);
    }

    auto *pageLayout = new QVBoxLayout(pageWidget);
    for (QGroupBox *group :
         {toolbarGroup, notesGroup, slidesGroup, brushGroup, cleanGroup, recordGroup})
        pageLayout->addWidget(group);
    settingsScrollArea->setWidget(pageWidget);

    auto *dialogLayout = new QVBoxLayout(this);
    dialogLayout->addWidget(settingsScrollArea);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addStretch();
    dialogLayout->addLayout(buttons);
}

void AppSettingsDialog::connectWidgets()
{
    for (int n = 0; n < 4; ++n) {
        connect(brushForeButton[n], &QPushButton::clicked, this,
                [this, n] { pickBrushColor(2 * n); });
        connect(brushBackButton[n], &QPushButton::clicked, this,
                [this, n] { pickBrushColor(2 * n + 1); });
    }
    connect(outputFolderButton, &QPushButton::clicked, this, [this] { chooseOutputFolder(); });
    connect(areaCombo, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (index == 1)
            chooseRecordArea();
        else
            recordAreaType = 0;
    });
    connect(recordAreaSelecter, &DesktopAreaSelecter::selectedOver, this,
            [this](const QRect &area, bool confirmed) { onRecordAreaSelected(area, confirmed); });
    connect(watermarkTypeCombo, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (index != 0) {
            watermarkImageButton->setEnabled(true);
        } else {
            setWatermarkPreview(QString());
            watermarkImageButton->setEnabled(false);
        }
    });
    connect(watermarkImageButton, &QPushButton::clicked, this, [this] { chooseWatermark(); });
    connect(okButton, &QPushButton::clicked, this, [this] { tryAccept(); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    const QList<QComboBox *> all = combos();
    for (QComboBox *combo : all)
        combo->installEventFilter(this);
}

void AppSettingsDialog::showMessage(const QString &text)
{
    if (messageShower)
        messageShower(text);
}

void AppSettingsDialog::colorButtonStyle(QWidget *button, const QString &colorName)
{
    button->setStyleSheet(QStringLiteral("QPushButton{border:1px solid %1;border-radius:%2;"
                                         "background-color:%3;}")
                              .arg(borderColor().name())
                              .arg(borderRadius())
                              .arg(colorName));
}

void AppSettingsDialog::pickBrushColor(int index)
{
    const int n = index / 2 + 1;
    const QString title =
        tr("编辑 预设画刷") + QString::number(n) + (index % 2 == 0 ? tr(" 前景色") : tr(" 背景色"));
    const QString chosen = colorPicker ? colorPicker(title, brushColors[index]) : QString();
    if (chosen.isEmpty())
        return;
    brushColors[index] = chosen;
    QPushButton *button = index % 2 == 0 ? brushForeButton[index / 2] : brushBackButton[index / 2];
    colorButtonStyle(button, chosen);
}

void AppSettingsDialog::chooseOutputFolder()
{
    const QString folder = folderPicker ? folderPicker().trimmed() : QString();
    if (folder.isEmpty())
        return;
    if (FileSystem::isWritableDir(folder))
        outputFolderEdit->setText(folder);
    else
        showMessage(tr("路径不合法或不具有存储权限，请更换其它文件夹"));
}

void AppSettingsDialog::chooseWatermark()
{
    const QString path = watermarkPicker ? watermarkPicker() : QString();
    if (!path.isEmpty())
        setWatermarkPreview(path);
}

void AppSettingsDialog::setWatermarkPreview(const QString &path)
{
    if (path.isEmpty()) {
        watermarkPixmap = QPixmap();
        const QPixmap standard(QString::fromLatin1(defaultWatermark));
        watermarkImageButton->setIcon(QIcon(standard));
        watermarkImageButton->setIconSize(standard.size());
        watermarkImageButton->setFixedSize(standard.size());
        return;
    }
    watermarkPixmap = QPixmap(path);
    if (watermarkPixmap.width() > 300 || watermarkPixmap.height() > 300)
        watermarkPixmap =
            watermarkPixmap.scaled(300, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    watermarkImageButton->setFixedSize(watermarkPixmap.size());
    watermarkImageButton->setIconSize(watermarkPixmap.size());
    watermarkImageButton->setIcon(QIcon(watermarkPixmap));
}

void AppSettingsDialog::setRecordingEditable(bool editable)
{
    for (QWidget *widget :
         {static_cast<QWidget *>(outputFolderEdit), static_cast<QWidget *>(outputFolderButton),
          static_cast<QWidget *>(areaCombo), static_cast<QWidget *>(audioCombo),
          static_cast<QWidget *>(videoCombo), static_cast<QWidget *>(watermarkTypeCombo),
          static_cast<QWidget *>(watermarkImageButton)})
        widget->setEnabled(editable);
}

void AppSettingsDialog::chooseRecordArea()
{
    recordAreaSelecter->setDesktopPixmap(desktopSnapshot);
    recordAreaSelecter->setAreaAdjuster(
        [](int &x, int &y, int &w, int &h) { adjustRecordArea(x, y, w, h); });
    recordAreaSelecter->setSaveButtonVisible(false);
    recordAreaSelecter->startSelection(recordAreaRect());
}

QRect AppSettingsDialog::recordAreaRect() const
{
    return QRect(recordArea[0], recordArea[1], recordArea[2], recordArea[3]);
}

void AppSettingsDialog::onRecordAreaSelected(const QRect &area, bool confirmed)
{
    if (confirmed) {
        const int x = area.left();
        const int y = area.top();
        const int w = area.right() - area.left() + 1;
        const int h = area.bottom() - area.top() + 1;
        if (!isRecordAreaValid(x, y, w, h)) {
            areaCombo->setCurrentIndex(0);
            showMessage(tr("选择区域不合法，请重新选择"));
            return;
        }
        recordArea[0] = x;
        recordArea[1] = y;
        recordArea[2] = w;
        recordArea[3] = h;
    } else {
        areaCombo->setCurrentIndex(recordAreaType == 1 ? 1 : 0);
    }
    recordAreaType = areaCombo->currentIndex() == 1 ? 1 : 0;
}

void AppSettingsDialog::tryAccept()
{
    const int type = watermarkTypeCombo->currentIndex();
    if (type >= 1 && type <= 4 && watermarkPixmap.isNull()) {
        showMessage(tr("请添加水印图片"));
        return;
    }
    // A folder typed into the box gets the chooser's check.
    const QString folder = outputFolderEdit->text().trimmed();
    if (outputFolderEdit->isEnabled() && folder != loadedOutputFolder &&
        !FileSystem::isWritableDir(folder)) {
        showMessage(tr("路径不合法或不具有存储权限，请更换其它文件夹"));
        return;
    }
    accept();
}

void AppSettingsDialog::setAudioRecordType(int value)
{
    selectInRange(audioCombo, value);
}
int AppSettingsDialog::audioRecordType() const
{
    return indexInRange(audioCombo);
}
void AppSettingsDialog::setVideoAreaType(int value)
{
    areaCombo->setCurrentIndex(value == 1 ? 1 : 0);
}
int AppSettingsDialog::videoAreaType() const
{
    return areaCombo->currentIndex() == 1 ? 1 : 0;
}
void AppSettingsDialog::setVideoQualityType(int value)
{
    selectInRange(videoCombo, value);
}
int AppSettingsDialog::videoQualityType() const
{
    return indexInRange(videoCombo);
}
void AppSettingsDialog::setWatermarkType(int value)
{
    selectInRange(watermarkTypeCombo, value);
}
int AppSettingsDialog::watermarkType() const
{
    return indexInRange(watermarkTypeCombo);
}

int AppSettingsDialog::run(AppSettings &settings)
{
    desktopSnapshot = screenGrabber ? screenGrabber() : QPixmap();

    toolbarTopRadio->setChecked(settings.toolbarpos);
    toolbarBottomRadio->setChecked(!settings.toolbarpos);
    showNotesCheck->setChecked(settings.showremark);
    notesFontCombo->setCurrentText(QString::number(settings.remarkfontsize));
    pptStepCheck->setChecked(settings.showpptstep);
    verticalThumbRadio->setChecked(settings.verticalthumb);
    horizontalThumbRadio->setChecked(!settings.verticalthumb);
    for (int n = 0; n < 4; ++n) {
        brushColors[2 * n] = settings.brushes[n].forecolor;
        brushColors[2 * n + 1] = settings.brushes[n].backcolor;
        colorButtonStyle(brushForeButton[n], brushColors[2 * n]);
        colorButtonStyle(brushBackButton[n], brushColors[2 * n + 1]);
        brushSizeCombo[n]->setCurrentText(QString::number(settings.brushes[n].size));
    }
    cleanNoticeCheck->setChecked(settings.hascleannotice);
    outputFolderEdit->setText(settings.avoutpath);
    loadedOutputFolder = settings.avoutpath.trimmed();

    if (isRecordAreaValid(settings.avareax, settings.avareay, settings.avareaw, settings.avareah)) {
        recordArea[0] = settings.avareax;
        recordArea[1] = settings.avareay;
        recordArea[2] = settings.avareaw;
        recordArea[3] = settings.avareah;
        recordAreaType = settings.videoareatype;
        setVideoAreaType(settings.videoareatype);
    } else {
        settings.videoareatype = 0;
        settings.avareax = settings.avareay = settings.avareaw = settings.avareah = 0;
        recordArea[0] = recordArea[1] = recordArea[2] = recordArea[3] = 0;
        recordAreaType = 0;
        areaCombo->setCurrentIndex(0);
    }
    setAudioRecordType(settings.audiorecordtype);
    setVideoQualityType(settings.videoqualitytype);

    if (settings.watermarktype != 0 && !QPixmap(watermarkPath).isNull()) {
        setWatermarkPreview(watermarkPath);
    } else {
        settings.watermarktype = 0;
        watermarkImageButton->setEnabled(false);
        setWatermarkPreview(QString());
    }
    setWatermarkType(settings.watermarktype);

    const int result = exec();
    if (result != QDialog::Accepted)
        return result;

    settings.toolbarpos = toolbarTopRadio->isChecked();
    settings.showremark = showNotesCheck->isChecked();
    settings.remarkfontsize = notesFontCombo->currentText().toInt();
    settings.showpptstep = pptStepCheck->isChecked();
    settings.verticalthumb = verticalThumbRadio->isChecked();
    for (int n = 0; n < 4; ++n) {
        settings.brushes[n].forecolor = brushColors[2 * n];
        settings.brushes[n].backcolor = brushColors[2 * n + 1];
        settings.brushes[n].size = brushSizeCombo[n]->currentText().toInt();
    }
    settings.hascleannotice = cleanNoticeCheck->isChecked();
    settings.avoutpath = outputFolderEdit->text();
    settings.videoareatype = areaCombo->currentIndex() == 1 ? 1 : 0;
    if (isRecordAreaValid(recordArea[0], recordArea[1], recordArea[2], recordArea[3])) {
        settings.avareax = recordArea[0];
        settings.avareay = recordArea[1];
        settings.avareaw = recordArea[2];
        settings.avareah = recordArea[3];
    } else {
        recordArea[0] = recordArea[1] = recordArea[2] = recordArea[3] = 0;
        settings.videoareatype = 0;
        settings.avareax = settings.avareay = settings.avareaw = settings.avareah = 0;
    }
    settings.audiorecordtype = audioRecordType();
    settings.videoqualitytype = videoQualityType();

    const int type = watermarkTypeCombo->currentIndex();
    if (type >= 1 && type <= 4 && !watermarkPixmap.isNull()) {
        if (FileSystem::savePicture(watermarkPixmap.toImage(), watermarkPath, "PNG")) {
            settings.watermarktype = type;
            return result;
        }
        // No watermark type without its file.
        showMessage(tr("水印图片保存失败，录屏将不添加水印"));
    }
    settings.watermarktype = 0;
    FileSystem::removeFile(watermarkPath);
    return result;
}

bool AppSettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        const QList<QComboBox *> all = combos();
        for (QComboBox *combo : all) {
            if (watched == combo) {
                // Not for the combo: the page around it scrolls instead.
                event->ignore();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
