// What documents call back (toolbar forwarders, messages, page controls), the personal side
// panel and the application of the settings.
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "base/filesystem.h"
#include "base/messagebox.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "camera/camerawidget.h"
#include "canvas/canvas.h"
#include "documents/slideoutlinecombo.h"
#include "documents/tabitem.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/personallogo.h"
#include "mainwindow/texteditdialog.h"
#include "online/advertise.h"
#include "pdf/pdfcanvas.h"
#include "slideshow/remarkshower.h"

namespace {

const char *const placeholderText = "文本内容，可点击下方编辑按钮修改";
const QString messageTitle = QStringLiteral("墨岚白板消息");

} // namespace

// Toolbar forwarders ------------------------------------------------------------------------

void MainWindow::setUndoEnabled(bool enabled)
{
    toolBarPort->setUndoEnabled(enabled);
}
void MainWindow::setRedoEnabled(bool enabled)
{
    toolBarPort->setRedoEnabled(enabled);
}
void MainWindow::setCutEnabled(bool enabled)
{
    toolBarPort->setCutEnabled(enabled);
}
void MainWindow::setCopyEnabled(bool enabled)
{
    toolBarPort->setCopyEnabled(enabled);
}
void MainWindow::setCancelEnabled(bool enabled)
{
    toolBarPort->setCancelEnabled(enabled);
}
void MainWindow::setDeleteEnabled(bool enabled)
{
    toolBarPort->setDeleteEnabled(enabled);
}
void MainWindow::setRotateEnabled(bool enabled)
{
    toolBarPort->setRotateEnabled(enabled);
}
void MainWindow::setClearScreenEnabled(bool enabled)
{
    toolBarPort->setCanvasCleanEnabled(enabled);
}
void MainWindow::setClearColorEnabled(bool enabled)
{
    toolBarPort->setImpureImageEnabled(enabled);
}
void MainWindow::setOpenClipboardEnabled(bool enabled)
{
    toolBarPort->setOpenClipboardFileEnabled(enabled);
}
void MainWindow::setSaveAsImageEnabled(bool enabled)
{
    toolBarPort->setExportEnabled(enabled);
}
void MainWindow::setPasteEnabled(bool enabled)
{
    toolBarPort->setPasteEnabled(enabled);
}
void MainWindow::setSelectAllEnabled(bool enabled)
{
    toolBarPort->setSelectAllEnabled(enabled);
}
void MainWindow::setZoomEnabled(bool enabled)
{
    toolBarPort->setZoomEnabled(enabled);
}
void MainWindow::setGridEnabled(bool enabled)
{
    toolBarPort->setBoardGridEnabled(enabled);
}
void MainWindow::setPdfResetEnabled(bool enabled)
{
    toolBarPort->setPdfResetEnabled(enabled);
}
void MainWindow::setFloatCameraEnabled(bool enabled)
{
    toolBarPort->setFloatCameraEnabled(enabled);
}
void MainWindow::setCountdownTimerEnabled(bool enabled)
{
    toolBarPort->setCountdownTimerEnabled(enabled);
}
void MainWindow::setRecordStartEnabled(bool enabled)
{
    toolBarPort->setRecordStartEnabled(enabled);
}
void MainWindow::setRecordStopEnabled(bool enabled)
{
    toolBarPort->setRecordStopEnabled(enabled);
}
void MainWindow::clickPaintTool(int tool)
{
    toolBarPort->clickPaintTool(tool);
}
void MainWindow::clickFontBold()
{
    toolBarPort->clickFontBold();
}
void MainWindow::clickFontItalic()
{
    toolBarPort->clickFontItalic();
}
void MainWindow::clickFontUnderline()
{
    toolBarPort->clickFontUnderline();
}
void MainWindow::clickOpenFile()
{
    toolBarPort->clickOpenFile();
}
void MainWindow::clickOpenClipboard()
{
    toolBarPort->clickOpenClipboardFile();
}
void MainWindow::clickNewBoard()
{
    toolBarPort->clickNewBoard();
}
void MainWindow::triggerExportImage()
{
    toolBarPort->triggerExportImage();
}
void MainWindow::clickUndo()
{
    toolBarPort->clickUndo();
}
void MainWindow::clickRedo()
{
    toolBarPort->clickRedo();
}
void MainWindow::clickCut()
{
    toolBarPort->clickCut();
}
void MainWindow::clickCopy()
{
    toolBarPort->clickCopy();
}
void MainWindow::clickPaste()
{
    toolBarPort->clickPaste();
}
void MainWindow::clickSelectAll()
{
    toolBarPort->clickSelectAll();
}
void MainWindow::clickCancel()
{
    toolBarPort->clickCancel();
}
void MainWindow::clickDelete()
{
    toolBarPort->clickDelete();
}
void MainWindow::clickBrushPreset(int n)
{
    toolBarPort->clickPresetBrush(n);
}
void MainWindow::clickZoom(int n)
{
    toolBarPort->clickZoom(n);
}
void MainWindow::clickClearScreen()
{
    toolBarPort->clickCanvasClean();
}
void MainWindow::clickRecordStart()
{
    toolBarPort->clickRecordStart();
}
void MainWindow::clickRecordStop()
{
    toolBarPort->clickRecordStop();
}

// Messages ----------------------------------------------------------------------------------

void MainWindow::showMessage(const QString &text)
{
    showMessageBox(this, messageTitle, text);
}

bool MainWindow::askQuestion(const QString &text)
{
    return askYesNo(this, QStringLiteral("墨岚白板提示"), text);
}

// Geometry and page controls ------------------------------------------------------------------

QRect MainWindow::documentAreaGeometry() const
{
    return documentWidget->geometry();
}

void MainWindow::fillPageComboBox(const QStringList &labels, const QList<int> &pages)
{
    pageCombo->clear();
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < labels.size(); ++i) {
        const int page = i < pages.size() ? pages.at(i) : 0;
        pageCombo->addItem(QIcon(), labels.at(i), QString::number(page));
        widest = qMax(widest, metrics.horizontalAdvance(labels.at(i)));
    }
    pageCombo->view()->setFixedWidth(widest + 10 * spacingUnit());
}

void MainWindow::selectPageInComboBox(int page)
{
    for (int i = 0; i < pageCombo->count(); ++i) {
        if (pageCombo->itemData(i).toInt() == page) {
            pageCombo->setCurrentIndex(i);
            return;
        }
    }
}

void MainWindow::onPageComboActivated(int index)
{
    const int page = pageCombo->itemData(index, Qt::UserRole).toInt();
    if (currentTab && currentTab->kind == DocumentKind::Pdf && currentTab->pdfCanvas)
        currentTab->pdfCanvas->scrollToPage(page);
}

void MainWindow::onPageSpinBoxEditingFinished()
{
    if (currentTab && currentTab->kind == DocumentKind::Pdf && currentTab->pdfCanvas)
        currentTab->pdfCanvas->scrollToPage(pageSpinBox->value() - 1);
}

void MainWindow::setPdfPageRange(int current, int count)
{
    if (current < 1 || count < 1) {
        pageSpinBox->setRange(0, 0);
        pageSpinBox->setValue(0);
        pageSpinBox->setEnabled(false);
        pageLabel->clear();
        return;
    }
    const int n = qMin(current, count);
    pageSpinBox->setRange(1, count);
    pageSpinBox->setValue(n);
    pageSpinBox->setEnabled(true);
    pageLabel->setText(QString::number(n) + QStringLiteral("/") + QString::number(count));
}

void MainWindow::setPageLabel(int current, int count)
{
    if (current != 0 && count != 0)
        pageLabel->setText(QString::number(current) + QStringLiteral("/") + QString::number(count));
    else
        pageLabel->clear();
}

void MainWindow::setAuxLabelAText(const QString &text)
{
    auxLabelA->setText(text);
}
void MainWindow::setAuxLabelBText(const QString &text)
{
    auxLabelB->setText(text);
}

void MainWindow::setPdfPageControlsVisible(bool visible)
{
    pageCombo->setVisible(visible);
    pageSpinBox->setVisible(visible);
}

// Side panel ------------------------------------------------------------------------------------

void MainWindow::setServerLinkState(int state)
{
    switch (state) {
        case 0:
            serverLinkButton->setToolTip(QStringLiteral("正在连接服务器"));
            serverLinkButton->setEnabled(false);
            serverLinkButton->setIcon(QIcon(QStringLiteral(":/icon/personal/linking.png")));
            serverLinkButton->setStyleSheet(QStringLiteral(
                "QPushButton{background-color:transparent;border:0;border-style:none;}"));
            break;
        case 1:
            serverLinkButton->setToolTip(QString());
            serverLinkButton->setEnabled(false);
            serverLinkButton->hide();
            serverLinkButton->disconnect();
            break;
        case 2:
            serverLinkButton->setToolTip(QStringLiteral("无法连接服务器\n点击重新连接"));
            serverLinkButton->setEnabled(true);
            serverLinkButton->setIcon(QIcon(QStringLiteral(":/icon/personal/link_error.png")));
            serverLinkButton->setStyleSheet(
                QStringLiteral("QPushButton{background-color:transparent;border:0;"
                               "border-style:none;}QPushButton:hover{background-color:") +
                hoverBackgroundColor().name() + QStringLiteral(";}"));
            serverLinkButton->disconnect();
            connect(serverLinkButton, &QPushButton::clicked, this, [this] { queryAdvertise(); });
            break;
        default:
            break;
    }
}

void MainWindow::queryAdvertise()
{
    setServerLinkState(0);
    QTimer::singleShot(1000, advertise, [this] { advertise->start(); });
}

void MainWindow::connectAdvertise()
{
    connect(advertise, &Advertise::linked, this, [this] { setServerLinkState(1); });
    connect(advertise, &Advertise::linkErrored, this, [this] {
        setServerLinkState(2);
        // Without a configured server there is nothing to reach; say so instead of failing.
        if (!advertise->hasServer())
            serverLinkButton->setToolTip(QStringLiteral("未设置服务器地址"));
    });
    connect(advertise, &Advertise::hasMessage, this,
            [this](const QString &text) { showMessage(text); });
    connect(advertise, &Advertise::advertiseLoaded, this, [this] {
        advertise->show();
        placeAdvertiseWindow();
    });
    toolBarPort->setFloatCameraEnabled(true);
    toolBarPort->setCountdownTimerEnabled(true);
    toolBarPort->setRecordStartEnabled(true);
    queryAdvertise();
}

void MainWindow::placeAdvertiseWindow()
{
    if (!advertise || !advertise->isVisible())
        return;
    const QRect frame = geometry();
    const int sp = sidePanel->isVisible() ? sidePanel->width() : 0;
    advertise->move(frame.x() + frame.width() - sp - advertise->width(),
                    frame.y() + frame.height() - barHeight() - advertise->height());
}

void MainWindow::setPersonalPanelFolded(bool folded)
{
    if (folded) {
        cameraWidget->stopCamera();
        openCameraButton->setEnabled(true);
        closeCameraButton->setEnabled(false);
        sidePanel->hide();
        bottomSidePanel->hide();
        foldPanelButton->setIcon(QIcon(QStringLiteral(":/icon/titlebar/unfoldpersonal.png")));
        foldPanelButton->setToolTip(QStringLiteral("展开"));
    } else {
        sidePanel->show();
        bottomSidePanel->show();
        foldPanelButton->setIcon(QIcon(QStringLiteral(":/icon/titlebar/foldpersonal.png")));
        foldPanelButton->setToolTip(QStringLiteral("隐藏"));
    }
    placeAdvertiseWindow();
}

void MainWindow::setSlideControlsVisible(bool visible)
{
    for (QWidget *widget :
         {static_cast<QWidget *>(slideOutlineCombo), static_cast<QWidget *>(prevPageButton),
          static_cast<QWidget *>(nextPageButton), static_cast<QWidget *>(prevStepButton),
          static_cast<QWidget *>(nextStepButton)})
        widget->setVisible(visible);
}

void MainWindow::connectPersonalPanel()
{
    connect(openCameraButton, &QPushButton::clicked, this, [this] {
        openCameraButton->setEnabled(false);
        closeCameraButton->setEnabled(true);
        // A camera that did not start leaves nothing to close.
        if (!cameraWidget->startCamera()) {
            openCameraButton->setEnabled(true);
            closeCameraButton->setEnabled(false);
        }
    });
    connect(cameraWidget, &CameraWidget::cameraFailed, this, [this] {
        openCameraButton->setEnabled(true);
        closeCameraButton->setEnabled(false);
    });
    connect(closeCameraButton, &QPushButton::clicked, this, [this] {
        openCameraButton->setEnabled(true);
        closeCameraButton->setEnabled(false);
        cameraWidget->stopCamera();
    });
    loadPersonalLogo();
    loadPersonalText();
    personalLogoLabel->installEventFilter(this);
    connect(editPersonalTextButton, &QPushButton::clicked, this, [this] { editPersonalText(); });
}

void MainWindow::loadScaledImage(const QString &path)
{
    personalLogoLabel->setPixmap(
        QPixmap::fromImage(personallogo::readScaled(path, personalLogoLabel->size())));
}

void MainWindow::loadPersonalLogo()
{
    const QString file = personallogo::currentFile(configDirPath());
    loadScaledImage(file.isEmpty() ? QStringLiteral(":/icon/personal/personlogo.png") : file);
}

void MainWindow::choosePersonalLogo()
{
    const QString chosen =
        logoFilePicker ? logoFilePicker()
                       : QFileDialog::getOpenFileName(this, QStringLiteral("选择图片"), QString(),
                                                      QStringLiteral("图片文件(*.png *.jpg)"));
    if (chosen.isEmpty())
        return;
    const QString config = configDirPath();
    if (!FileSystem::dirExists(config) && !FileSystem::makeDir(config)) {
        showMessage(QStringLiteral("系统拒绝访问"));
        return;
    }
    if (personallogo::replace(chosen, config))
        loadPersonalLogo();
    else
        showMessage(QStringLiteral("更换图片失败，仍使用原来的图片"));
}

void MainWindow::loadPersonalText()
{
    const QByteArray bytes = FileSystem::readAll(profileFilePath());
    const int zero = bytes.indexOf('\0');
    const QString html = QString::fromUtf8(zero >= 0 ? bytes.left(zero) : bytes);
    personalTextEdit->setHtml(html);
    if (personalTextEdit->toPlainText().trimmed().isEmpty()) {
        personalTextEdit->clear();
        personalTextEdit->setText(QString::fromUtf8(placeholderText));
    }
}

void MainWindow::savePersonalText(const QString &html)
{
    personalTextEdit->setHtml(html);
    if (personalTextEdit->toPlainText().trimmed().isEmpty()) {
        personalTextEdit->clear();
        personalTextEdit->setText(QString::fromUtf8(placeholderText));
    }
    FileSystem::writeBytes(profileFilePath(), personalTextEdit->toHtml().toUtf8());
}

void MainWindow::editPersonalText()
{
    TextEditDialog dialog(this);
    if (dialog.setText(personalTextEdit->width(), personalTextEdit->height(), spacingUnit(),
                       personalTextEdit->toHtml()) == 1)
        savePersonalText(dialog.html());
}

void MainWindow::showRemark(const QString &text)
{
    // The setting decides for every open document, also without notes, so the document area
    // does not jump at every page; with nothing open there is nothing to note.
    remarkShower->setRemark(text);
    remarkShower->setVisible(settings.showremark && currentTab);
}

void MainWindow::applySettings()
{
    remarkShower->setScrollSpeed(settings.remarkrospeed);
    showSlideNotes(slides->slidePage());
    remarkShower->setFontSize(settings.remarkfontsize);
    applyShowPptStep();
    styleSlideOutlineCombos();
    for (int n = 1; n <= 4; ++n) {
        const PresetBrush &brush = settings.brushes[n - 1];
        toolBarPort->setPresetBrush(n, brush.size, brush.forecolor, brush.backcolor);
    }
    const int k = mainLayout->indexOf(titleBar) + 1;
    const int j = mainLayout->indexOf(toolStrip);
    bool moved = false;
    if (settings.toolbarpos && j != k) {
        mainLayout->removeWidget(toolStrip);
        mainLayout->insertWidget(k, toolStrip);
        moved = true;
    } else if (!settings.toolbarpos && j == k) {
        mainLayout->removeWidget(toolStrip);
        mainLayout->addWidget(toolStrip);
        moved = true;
    }
    if (moved)
        QTimer::singleShot(500, this, [this] { updateSlideShowGeometry(true); });
}
