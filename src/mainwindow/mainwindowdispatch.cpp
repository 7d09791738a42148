// Tool-bar commands for the board of the current document, and the colour picker.
#include "documents/tabitem.h"
#include "mainwindow/appsettingsdialog.h"
#include "mainwindow/mainwindow.h"
#include "toolbar/colordialog.h"

void MainWindow::dispatchCommand(BoardCommand command, int argument)
{
    if (!currentTab)
        return;
    if (DocumentBoard *board = currentTab->board())
        board->runCommand(command, argument);
}

void MainWindow::onCustomBrushClicked()
{
    dispatchCommand(BoardCommand::ApplyLineBoldSize);
    dispatchCommand(BoardCommand::ApplyForeColor);
    dispatchCommand(BoardCommand::ApplyBackColor);
}

void MainWindow::onCanvasCleanClicked()
{
    dispatchCommand(settings.hascleannotice ? BoardCommand::ConfirmClearScreen
                                            : BoardCommand::ClearScreen);
}

void MainWindow::onImpureImageClicked()
{
    if (!currentTab)
        return;
    if (!askQuestion(QStringLiteral("试题照片清理功能不支持撤销，确认继续？")))
        return;
    // The tab may have changed while the question was open.
    dispatchCommand(BoardCommand::CleanImpureImage);
}

QString MainWindow::pickColor(const QString &title, const QString &color, const QString &extra)
{
    return ColorDialog::pickColor(this, &settings.recentcolors, title, color, extra);
}

void MainWindow::openAppSettings()
{
    AppSettingsDialog dialog(this);
    if (appSettingsDialogHook)
        appSettingsDialogHook(dialog);
    dialog.setRecordingEditable(!isRecording());
    if (dialog.run(settings) == QDialog::Accepted)
        applySettings();
}
