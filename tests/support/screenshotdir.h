#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>

// Where the X and Wayland tests leave their screenshots: QB_SCREENSHOT_DIR (CTest sets it), else
// screenshots/ beside the test program, in the build folder and never in the sources.
inline QString screenshotDir()
{
    const QString folder =
        qEnvironmentVariable("QB_SCREENSHOT_DIR", QCoreApplication::applicationDirPath() +
                                                      QStringLiteral("/screenshots"));
    QDir().mkpath(folder);
    return folder;
}
