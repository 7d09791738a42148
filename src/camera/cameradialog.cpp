#include "camera/cameradialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CameraDialog::CameraDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("选择摄像头"));
    setMinimumWidth(500);
    auto *layout = new QVBoxLayout(this);
    list = new QListWidget(this);
    layout->addWidget(list);
    auto *buttons = new QHBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("确定"), this);
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CameraDialog::chooseCamera(const QList<CameraDevice> &cameras)
{
    list->clear();
    for (const CameraDevice &camera : cameras)
        list->addItem(camera.description);
    list->setCurrentRow(0);
    return exec();
}

int CameraDialog::selectedIndex() const
{
    return qMax(0, list->currentRow());
}
