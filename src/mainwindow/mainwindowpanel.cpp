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
    return ui.documentWidget->geometry();
}

void MainWindow::fillPageComboBox(const QStringList &labels, const QList<int> &pages)
{
    ui.pageCombo->clear();
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < labels.size(); ++i) {
        const int page = i < pages.size() ? pages.at(i) : 0;
        ui.pageCombo->addItem(QIcon(), labels.at(i), QString::number(page));
        widest = qMax(widest, metrics.horizontalAdvance(labels.at(i)));
    }
    ui.pageCombo->view()->setFixedWidth(widest + 10 * spacingUnit());
}

void MainWindow::selectPageInComboBox(int page)
{
    for (int i = 0; i < ui.pageCombo->count(); ++i) {
        if (ui.pageCombo->itemData(i).toInt() == page) {
            ui.pageCombo->setCurrentIndex(i);
            return;
        }
    }
}

void MainWindow::onPageComboActivated(int index)
{
    const int page = ui.pageCombo->itemData(index, Qt::UserRole).toInt();
    if (currentTab && currentTab->kind == DocumentKind::Pdf && currentTab->pdfCanvas)
        currentTab->pdfCanvas->scrollToPage(page);
}

void MainWindow::onPageSpinBoxEditingFinished()
{
    if (currentTab && currentTab->kind == DocumentKind::Pdf && currentTab->pdfCanvas)
        currentTab->pdfCanvas->scrollToPage(ui.pageSpinBox->value() - 1);
}

void MainWindow::setPdfPageRange(int current, int count)
{
    if (current < 1 || count < 1) {
        ui.pageSpinBox->setRange(0, 0);
        ui.pageSpinBox->setValue(0);
        ui.pageSpinBox->setEnabled(false);
        ui.pageLabel->clear();
        return;
    }
    const int n = qMin(current, count);
    ui.pageSpinBox->setRange(1, count);
    ui.pageSpinBox->setValue(n);
    ui.pageSpinBox->setEnabled(true);
    ui.pageLabel->setText(QString::number(n) + QStringLiteral("/") + QString::number(count));
}

void MainWindow::setPageLabel(int current, int count)
{
    if (current != 0 && count != 0)
        ui.pageLabel->setText(QString::number(current) + QStringLiteral("/") +
                              QString::number(count));
    else
        ui.pageLabel->clear();
}

void MainWindow::setAuxLabelAText(const QString &text)
{
    ui.auxLabelA->setText(text);
}
void MainWindow::setAuxLabelBText(const QString &text)
{
    ui.auxLabelB->setText(text);
}

void MainWindow::setPdfPageControlsVisible(bool visible)
{
    ui.pageCombo->setVisible(visible);
    ui.pageSpinBox->setVisible(visible);
}

// Side panel ------------------------------------------------------------------------------------

void MainWindow::setServerLinkState(int state)
{
    switch (state) {
        case 0:
            ui.serverLinkButton->setToolTip(QStringLiteral("正在连接服务器"));
            ui.serverLinkButton->setEnabled(false);
            ui.serverLinkButton->setIcon(QIcon(QStringLiteral(":/icon/personal/linking.png")));
            ui.serverLinkButton->setStyleSheet(QStringLiteral(
                "QPushButton{background-color:transparent;border:0;border-style:none;}"));
            break;
        case 1:
            ui.serverLinkButton->setToolTip(QString());
            ui.serverLinkButton->setEnabled(false);
            ui.serverLinkButton->hide();
            ui.serverLinkButton->disconnect();
            break;
        case 2:
            ui.serverLinkButton->setToolTip(QStringLiteral("无法连接服务器\n点击重新连接"));
            ui.serverLinkButton->setEnabled(true);
            ui.serverLinkButton->setIcon(QIcon(QStringLiteral(":/icon/personal/link_error.png")));
            ui.serverLinkButton->setStyleSheet(
                QStringLiteral("QPushButton{background-color:transparent;border:0;"
                               "border-style:none;}QPushButton:hover{background-color:") +
                hoverBackgroundColor().name() + QStringLiteral(";}"));
            ui.serverLinkButton->disconnect();
            connect(ui.serverLinkButton, &QPushButton::clicked, this, [this] { queryAdvertise(); });
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
            ui.serverLinkButton->setToolTip(QStringLiteral("未设置服务器地址"));
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
    const int sp = ui.sidePanel->isVisible() ? ui.sidePanel->width() : 0;
    advertise->move(frame.x() + frame.width() - sp - advertise->width(),
                    frame.y() + frame.height() - barHeight() - advertise->height());
}

void MainWindow::setPersonalPanelFolded(bool folded)
{
    if (folded) {
        ui.cameraWidget->stopCamera();
        ui.openCameraButton->setEnabled(true);
        ui.closeCameraButton->setEnabled(false);
        ui.sidePanel->hide();
        ui.bottomSidePanel->hide();
        ui.foldPanelButton->setIcon(QIcon(QStringLiteral(":/icon/titlebar/unfoldpersonal.png")));
        ui.foldPanelButton->setToolTip(QStringLiteral("展开"));
    } else {
        ui.sidePanel->show();
        ui.bottomSidePanel->show();
        ui.foldPanelButton->setIcon(QIcon(QStringLiteral(":/icon/titlebar/foldpersonal.png")));
        ui.foldPanelButton->setToolTip(QStringLiteral("隐藏"));
    }
    placeAdvertiseWindow();
}

void MainWindow::setSlideControlsVisible(bool visible)
{
    for (QWidget *widget :
         {static_cast<QWidget *>(ui.slideOutlineCombo), static_cast<QWidget *>(ui.prevPageButton),
          static_cast<QWidget *>(ui.nextPageButton), static_cast<QWidget *>(ui.prevStepButton),
          static_cast<QWidget *>(ui.nextStepButton)})
        widget->setVisible(visible);
}

void MainWindow::connectPersonalPanel()
{
    connect(ui.openCameraButton, &QPushButton::clicked, this, [this] {
        ui.openCameraButton->setEnabled(false);
        ui.closeCameraButton->setEnabled(true);
        // A camera that did not start leaves nothing to close.
        if (!ui.cameraWidget->startCamera()) {
            ui.openCameraButton->setEnabled(true);
            ui.closeCameraButton->setEnabled(false);
        }
    });
    connect(ui.cameraWidget, &CameraWidget::cameraFailed, this, [this] {
        ui.openCameraButton->setEnabled(true);
        ui.closeCameraButton->setEnabled(false);
    });
    connect(ui.closeCameraButton, &QPushButton::clicked, this, [this] {
        ui.openCameraButton->setEnabled(true);
        ui.closeCameraButton->setEnabled(false);
        ui.cameraWidget->stopCamera();
    });
    loadPersonalLogo();
    loadPersonalText();
    ui.personalLogoLabel->installEventFilter(this);
    connect(ui.editPersonalTextButton, &QPushButton::clicked, this, [this] { editPersonalText(); });
}

void MainWindow::loadScaledImage(const QString &path)
{
    ui.personalLogoLabel->setPixmap(
        QPixmap::fromImage(personallogo::readScaled(path, ui.personalLogoLabel->size())));
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
    ui.personalTextEdit->setHtml(html);
    if (ui.personalTextEdit->toPlainText().trimmed().isEmpty()) {
        ui.personalTextEdit->clear();
        ui.personalTextEdit->setText(QString::fromUtf8(placeholderText));
    }
}

void MainWindow::savePersonalText(const QString &html)
{
    ui.personalTextEdit->setHtml(html);
    if (ui.personalTextEdit->toPlainText().trimmed().isEmpty()) {
        ui.personalTextEdit->clear();
        ui.personalTextEdit->setText(QString::fromUtf8(placeholderText));
    }
    FileSystem::writeBytes(profileFilePath(), ui.personalTextEdit->toHtml().toUtf8());
}

void MainWindow::editPersonalText()
{
    TextEditDialog dialog(this);
    if (dialog.setText(ui.personalTextEdit->width(), ui.personalTextEdit->height(), spacingUnit(),
                       ui.personalTextEdit->toHtml()) == 1)
        savePersonalText(dialog.html());
}

void MainWindow::showRemark(const QString &text)
{
    // The setting decides for every open document, also without notes, so the document area
    // does not jump at every page; with nothing open there is nothing to note.
    ui.remarkShower->setRemark(text);
    ui.remarkShower->setVisible(settings.showremark && currentTab);
}

void MainWindow::applySettings()
{
    ui.remarkShower->setScrollSpeed(settings.remarkrospeed);
    showSlideNotes(slides->slidePage());
    ui.remarkShower->setFontSize(settings.remarkfontsize);
    applyShowPptStep();
    styleSlideOutlineCombos();
    for (int n = 1; n <= 4; ++n) {
        const PresetBrush &brush = settings.brushes[n - 1];
        toolBarPort->setPresetBrush(n, brush.size, brush.forecolor, brush.backcolor);
    }
    const int k = ui.mainLayout->indexOf(ui.titleBar) + 1;
    const int j = ui.mainLayout->indexOf(ui.toolStrip);
    bool moved = false;
    if (settings.toolbarpos && j != k) {
        ui.mainLayout->removeWidget(ui.toolStrip);
        ui.mainLayout->insertWidget(k, ui.toolStrip);
        moved = true;
    } else if (!settings.toolbarpos && j == k) {
        ui.mainLayout->removeWidget(ui.toolStrip);
        ui.mainLayout->addWidget(ui.toolStrip);
        moved = true;
    }
    if (moved)
        QTimer::singleShot(500, this, [this] { updateSlideShowGeometry(true); });
}
