#pragma once

#include <QString>
#include <QStringList>

// On a fatal signal the handler starts program with arguments (a separate process that tells
// the user and cleans up) and then lets the process end by the signal.
// Call again to change the command (for example once the data folder is known).
void installCrashHandler(const QString &program, const QStringList &arguments);

// The apology shown by that separate process.
QString crashMessageText();
const char *crashReportOption(); // "--crash-report": the program's argument for that process
// "--clean-up" after it: the crashed process ran the window, so its clipboard folder is emptied
// and a waiting upgrade goes to the updater.
const char *crashCleanUpOption();
int runCrashReport(bool cleanUp);
