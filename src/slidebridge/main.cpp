// quillboard-slidebridge: runs the live slide show in an office process of its own, so that the
// office's libraries stay out of the program and a hung or crashed office is a child that can
// be killed. One request a line on stdin, one answer a line on stdout:
//   office <profile-url> <pipe> <program>  -> ok | err nostart
//   open <xid> <w> <h> <file-url>          -> ok <slides> | err refused
//   start                                  -> ok | err nostart
//   notes                                  -> ok =<text> ... (percent-encoded, one a slide)
//   first|prevstep|nextstep|prevslide|nextslide|last|goto <i>|state -> ok <index> <count> <running>
//   size <w> <h>                           -> ok
//   close                                  -> ok
//   quit                                   -> ok, then the office and the bridge end
// Any answer may be "err lost" when the office is gone.
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>

#include "platform/childsetup.h"
#include "unoslideshow.h"

namespace {

pid_t officePid = 0;
int officeExit = 0;
// The office's pipes: ours, and the one it makes to find other copies of itself; a killed
// office leaves both behind.
char pipeFile[512] = {0};
char instancePipe[512] = {0};
std::set<std::string> pipesBefore;

// Everything of ours goes with the bridge: the office is in the bridge's process group.
void endAll()
{
    if (pipeFile[0])
        ::unlink(pipeFile);
    if (instancePipe[0])
        ::unlink(instancePipe);
    ::kill(-::getpgrp(), SIGKILL);
}

std::set<std::string> instancePipes()
{
    std::set<std::string> names;
    const std::string prefix = "OSL_PIPE_" + std::to_string(::getuid()) + "_SingleOfficeIPC_";
    if (DIR *dir = ::opendir("/tmp")) {
        while (dirent *entry = ::readdir(dir)) {
            if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
                names.insert(std::string("/tmp/") + entry->d_name);
        }
        ::closedir(dir);
    }
    return names;
}

// The office's own binary, run directly, so that it is our child and dies with us.
std::string officeBinary(const std::string &program)
{
    char resolved[PATH_MAX];
    std::string path = program;
    if (program.find('/') == std::string::npos) {
        const char *env = std::getenv("PATH");
        std::istringstream dirs(env ? env : "/usr/bin");
        std::string dir;
        while (std::getline(dirs, dir, ':')) {
            if (::access((dir + "/" + program).c_str(), X_OK) == 0) {
                path = dir + "/" + program;
                break;
            }
        }
    }
    if (!::realpath(path.c_str(), resolved))
        return program;
    std::string bin = resolved;
    bin = bin.substr(0, bin.rfind('/') + 1) + "soffice.bin";
    return ::access(bin.c_str(), X_OK) == 0 ? bin : program;
}

void onSignal(int)
{
    endAll();
    ::_exit(1);
}

bool officeAlive()
{
    if (officePid <= 0)
        return false;
    int status = 0;
    if (::waitpid(officePid, &status, WNOHANG) == officePid) {
        officePid = 0;
        officeExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return false;
    }
    return true;
}

bool startOffice(const std::string &program, const std::string &profile, const std::string &pipe)
{
    const std::string accept = "--accept=pipe,name=" + pipe + ";urp;";
    const std::string env = "-env:UserInstallation=" + profile;
    std::snprintf(pipeFile, sizeof pipeFile, "/tmp/OSL_PIPE_%u_%s", unsigned(::getuid()),
                  pipe.c_str());
    const std::string binary = officeBinary(program);
    pipesBefore = instancePipes();
    const pid_t bridge = ::getpid();
    officePid = ::fork();
    if (officePid < 0)
        return false;
    if (officePid == 0) {
        // The plain X11 back end can build its windows inside a foreign window.
        ::setenv("SAL_USE_VCLPLUGIN", "gen", 1);
        // In the bridge's group, which is killed whole.
        prepareChildOrExit(bridge, SIGKILL, false);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        execlp(binary.c_str(), binary.c_str(), "--invisible", "--norestore", "--nologo",
               "--nodefault", "--nolockcheck", accept.c_str(), env.c_str(), (char *)nullptr);
        ::_exit(127);
    }
    return true;
}

std::string encode(const std::string &text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "=";
    for (unsigned char c : text) {
        if (c > 0x20 && c < 0x7f && c != '%')
            out += char(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string state(UnoSlideShow &show)
{
    std::ostringstream out;
    out << "ok " << show.currentSlide() << ' ' << show.slideCount() << ' '
        << (show.running() ? 1 : 0);
    return out.str();
}

std::string handle(UnoSlideShow &show, const std::string &line, bool &quit)
{
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "office") {
        std::string program, profile, pipe;
        in >> profile >> pipe;
        std::getline(in >> std::ws, program);
        if (officePid == 0 && !startOffice(program, profile, pipe))
            return "err nostart";
        // The caller's time limit decides how long a slow office may take to listen.
        int restarts = 0;
        while (!show.connected()) {
            // A new profile makes the office ask to be started again (what its launcher does).
            if (!officeAlive() && (officeExit == 79 || officeExit == 81) && restarts++ < 3)
                startOffice(program, profile, pipe);
            if (!officeAlive())
                return "err nostart";
            if (!show.connect(pipe))
                ::usleep(50000);
        }
        // The office made its instance pipe before it listened on ours.
        if (!instancePipe[0]) {
            for (const std::string &name : instancePipes()) {
                if (!pipesBefore.count(name) && name.size() < sizeof instancePipe)
                    std::strcpy(instancePipe, name.c_str());
            }
        }
        return "ok";
    }
    if (verb == "quit") {
        quit = true;
        show.terminate();
        return "ok";
    }
    if (!show.connected())
        return "err lost";
    if (verb == "open") {
        long long xid = 0;
        int w = 0, h = 0;
        std::string url;
        in >> xid >> w >> h;
        std::getline(in >> std::ws, url);
        const int count = show.open(xid, w, h, url);
        return count > 0 ? "ok " + std::to_string(count) : "err refused";
    }
    if (verb == "start")
        return show.start() ? "ok" : "err nostart";
    if (verb == "notes") {
        std::string out = "ok";
        for (const std::string &text : show.notes())
            out += ' ' + encode(text);
        return out;
    }
    if (verb == "size") {
        int w = 0, h = 0;
        in >> w >> h;
        show.resize(w, h);
        return "ok";
    }
    if (verb == "close") {
        show.close();
        return "ok";
    }
    if (verb == "state")
        return state(show);
    int index = 0;
    in >> index;
    show.command(verb, index);
    return state(show);
}

} // namespace

int main()
{
    // The program starts us in a group of our own with our parent-death signal armed before
    // our exec; one started by hand still must not kill its caller's group in endAll().
    ::setpgid(0, 0);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    // The office's own bootstrap file names the type libraries that every call needs.
    ::setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:/usr/lib/libreoffice/program/fundamentalrc",
             0);
    UnoSlideShow show;
    std::string line;
    bool quit = false;
    while (!quit && std::getline(std::cin, line)) {
        std::string answer;
        try {
            answer = handle(show, line, quit);
        } catch (const css::lang::DisposedException &) {
            answer = "err lost";
        } catch (const css::uno::RuntimeException &e) {
            answer = officeAlive() ? "err failed" : "err lost";
            std::cerr << "slidebridge: " << e.Message << std::endl;
        } catch (const css::uno::Exception &e) {
            answer = "err failed";
            std::cerr << "slidebridge: " << e.Message << std::endl;
        } catch (const std::exception &e) {
            answer = "err failed";
            std::cerr << "slidebridge: " << e.what() << std::endl;
        }
        std::cout << answer << std::endl;
    }
    // Give the office a moment to quit by itself, then end whatever is left.
    for (int i = 0; i < 30 && officeAlive(); ++i)
        ::usleep(100000);
    endAll();
    return 0;
}
