#pragma once

#include <QStringList>
#include <QWidget>

#include "app/appsettings.h"

class QLabel;

// The main window. This first form carries the start-up and quit sequence: the window,
// its settings, and the start-up steps that later grow into the full window.
class MainWindow : public QWidget
{
public:
    explicit MainWindow(QWidget *parent = nullptr);

    void loadSettings();
    void saveSettings();
    void setupDocumentArea();
    void setupMainLayout();
    void setupMenuAndPanels();
    void connectSignals();
    void disableFocusInChildren();
    void finishInit();
    void openFilesFromArguments(const QStringList &files);
    void onSystemSuspended();
    void onSystemHotKey(int modifiers, int virtualKey);
    void onApplicationStateChanged(Qt::ApplicationState state);
    void cleanUpAfterCrash();
    void quit();

    bool isClosing() const { return closing; }
    AppSettings settings;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createDataFolders();
    void restoreGeometry();

    bool closing = false;
    QLabel *titleLabel = nullptr;
};
