#pragma once

#include <QString>

class QWidget;

// Tells the user that a function of this build is not available yet.
QString unavailableText(const QString &feature);
void showUnavailable(QWidget *parent, const QString &feature);
