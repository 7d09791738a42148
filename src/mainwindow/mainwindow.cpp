#include "mainwindow/mainwindow.h"

#include "app/globals.h"

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(appTitle);
}
