#pragma once

#include <QWidget>

// The main window. This is the frame's first form: its title and the settings it keeps.
class MainWindow : public QWidget
{
public:
    explicit MainWindow(QWidget *parent = nullptr);
};
