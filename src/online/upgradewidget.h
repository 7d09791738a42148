#pragma once

#include <QWidget>

// The upgrade window. Checking for upgrades is not available in this build yet.
class UpgradeWidget : public QWidget
{
    Q_OBJECT
public:
    UpgradeWidget(double *version, QWidget *parent = nullptr);
    void startCheck();

private:
    double *m_version = nullptr;
};
