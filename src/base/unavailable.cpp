#include "base/unavailable.h"

#include "base/messagebox.h"

QString unavailableText(const QString &feature)
{
    return feature + QStringLiteral("功能暂未开放，敬请期待");
}

void showUnavailable(QWidget *parent, const QString &feature)
{
    showMessageBox(parent, QStringLiteral("墨岚白板消息"), unavailableText(feature));
}
