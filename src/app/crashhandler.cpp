#include "app/crashhandler.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

#include <unistd.h>
#include <csignal>
#include <cstring>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/messagebox.h"
#include "base/paths.h"
#include "online/upgradewidget.h"
#include "platform/childsetup.h"

namespace {

// Everything the handler needs is prepared beforehand: it may only make async-signal-safe calls.
constexpr int maxArgs = 16;
constexpr int maxArgBytes = 4096;
char argStorage[maxArgs][maxArgBytes];
char *argPointers[maxArgs + 1];
volatile sig_atomic_t handlerEntered = 0;
const int fatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void onFatalSignal(int sig)
{
    if (handlerEntered) {
        signal(sig, SIG_DFL);
        raise(sig);
        return;
    }
    handlerEntered = 1;
    if (argPointers[0]) {
        const pid_t parent = getpid();
        const pid_t pid = _Fork();
        if (pid == 0) {
            // The apology outlives us by design: a group of its own, no parent-death signal.
            prepareChildOrExit(parent, 0);
            execv(argPointers[0], argPointers);
            _exit(127);
        }
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

} // namespace

void installCrashHandler(const QString &program, const QStringList &arguments)
{
    QStringList all{program};
    all += arguments;
    int count = 0;
    for (const QString &arg : qAsConst(all)) {
        const QByteArray bytes = QFile::encodeName(arg);
        if (count == maxArgs || bytes.size() >= maxArgBytes)
            break;
        std::memcpy(argStorage[count], bytes.constData(), size_t(bytes.size()) + 1);
        argPointers[count] = argStorage[count];
        ++count;
    }
    argPointers[count] = nullptr;

    struct sigaction action = {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_NODEFER;
    for (int sig : fatalSignals)
        sigaction(sig, &action, nullptr);
}

QString crashMessageText()
{
    const QString site = websiteUrl();
    const QString domain = QUrl(site).host();
    // Without a configured server there is no address to send the user to.
    if (domain.isEmpty())
        return QStringLiteral("墨岚白板遇到未知错误，对此引起的不便表示抱歉！");
    return QStringLiteral("墨岚白板遇到未知错误，对此引起的不便表示抱歉！希望并欢迎您到") + domain +
           QStringLiteral(
               "提交崩溃情况，帮助我们改善墨岚白板的质量。另外最新版的墨岚白板或许已经解决此问题，"
               "请访问") +
           site + QStringLiteral("查看。");
}

const char *crashReportOption()
{
    return "--crash-report";
}

const char *crashCleanUpOption()
{
    return "--clean-up";
}

int runCrashReport(bool cleanUp)
{
    // What the crashed process left behind goes first: the user may never close the box.
    // Worked out here, never taken from the command line: this process deletes what it names.
    if (cleanUp) {
        appDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (!appDataDir.isEmpty()) {
            FileSystem::clearDir(clipboardDirPath());
            // A downloaded upgrade is handed over as at an orderly quit.
            UpgradeWidget::startUpdaterIfWaiting(UpgradeWidget::defaultUpdaterProgram(),
                                                 UpgradeWidget::startDetached);
        }
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("抱歉，程序崩溃了"), QString());
    setMessageBoxText(box, crashMessageText());
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    fitTitle(&box);
    box.exec();
    return 0;
}
