// Install-time writer of the desktop entry for the installed program.
#include <QCoreApplication>
#include <cstdio>

#include "base/uimetrics.h"
#include "platform/desktopentry.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: desktopentry installed-program out.desktop\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    if (!desktopentry::writeFile(out, desktopentry::contents(program, supportedFileSuffixes()))) {
        std::fprintf(stderr, "desktopentry: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
