#include "online/upgradewidget.h"

#include "app/unavailable.h"

UpgradeWidget::UpgradeWidget(double *version, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , m_version(version)
{
    setWindowTitle(QStringLiteral("检测升级墨岚白板"));
}

void UpgradeWidget::startCheck()
{
    hide();
    showUnavailable(parentWidget(), QStringLiteral("检测升级"));
}
