#pragma once

#include <QDialog>

#include "camera/camerabackend.h"

class QListWidget;

// A small modal list from which the user picks one of several cameras.
class CameraDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CameraDialog(QWidget *parent = nullptr);

    int chooseCamera(const QList<CameraDevice> &cameras);
    int selectedIndex() const;

private:
    QListWidget *list = nullptr;
};
