#pragma once

#include <QDir>
#include <QString>

// Where the X tests leave their screenshots: QB_SCREENSHOT_DIR, else the working folder.
inline QString screenshotDir()
{
    const QString folder = qEnvironmentVariable("QB_SCREENSHOT_DIR", QDir::currentPath());
    QDir().mkpath(folder);
    return folder;
}
