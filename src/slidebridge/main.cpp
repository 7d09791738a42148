// quillboard-slidebridge: runs the live slide show in an office process of its own, so that the
// office's libraries stay out of the program and a hung or crashed office is a child that can
// be killed. One request a line on stdin, its answer on stdout, and news of what the office
// did by itself: the lines of platform/slidebridgeprotocol.h.
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>

#include "platform/childsetup.h"
#include "platform/slidebridgeprotocol.h"
#include "unoslideshow.h"

namespace {

namespace Protocol = SlideBridgeProtocol;
using Protocol::Answer;
using Protocol::Failure;
using Protocol::Verb;

// Limits of our own, below the caller's: the caller kills a bridge that does not answer in
// time, so a slow stage should say so first.
constexpr int showStartLimitMs = 40000;

pid_t bridgePid = 0;
// Whether the bridge leads a process group of its own: only then is the whole group ours.
bool ownGroup = false;
pid_t officePid = 0;
int officeExit = 0;
bool officeListening = false;
// The office's pipes: ours, and the one it makes to find other copies of itself; a killed
// office leaves both behind.
char pipeFile[512] = {0};
char instancePipe[512] = {0};
int wakePipe[2] = {-1, -1};

void say(const std::string &line)
{
    std::cout << line << Protocol::lineEnd << std::flush;
}

void note(const std::string &text)
{
    std::cerr << "slidebridge: " << text << std::endl;
}

// Everything of ours goes with the bridge: the office is in the bridge's process group.
void endAll()
{
    if (pipeFile[0])
        ::unlink(pipeFile);
    if (instancePipe[0])
        ::unlink(instancePipe);
    if (officePid > 0)
        ::kill(officePid, SIGKILL);
    if (ownGroup)
        ::kill(-bridgePid, SIGKILL);
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

pid_t parentOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    // pid (name) state ppid ...: the name may hold blanks and brackets.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(stat.substr(close + 1));
    std::string state;
    long parent = 0;
    rest >> state >> parent;
    return pid_t(parent);
}

// Whether the process listening on the socket at path is our office or one of its children.
// Another user's office (the teacher's own, started meanwhile) names its pipe the same way.
bool listenedByOffice(const std::string &path)
{
    sockaddr_un address{};
    if (officePid <= 0 || path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ucred peer{};
    socklen_t length = sizeof peer;
    const bool known = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                       ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0;
    ::close(fd);
    for (pid_t pid = known ? peer.pid : 0; pid > 1; pid = parentOf(pid)) {
        if (pid == officePid)
            return true;
    }
    return false;
}

// The office's own binary, run directly, so that it is our child and dies with us; empty when
// the program is not found.
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
        return {};
    const std::string found = resolved;
    const std::string bin = found.substr(0, found.rfind('/') + 1) + "soffice.bin";
    return ::access(bin.c_str(), X_OK) == 0 ? bin : found;
}

std::string folderOf(const std::string &path)
{
    return path.substr(0, path.rfind('/'));
}

// The version the office's own registry gives (its profiles are stamped with it).
std::string officeVersion(const std::string &programFolder)
{
    std::ifstream in(folderOf(programFolder) + "/share/registry/main.xcd");
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    const std::string key = "<prop oor:name=\"ooSetupVersion\">";
    size_t at = all.find(key);
    if (at == std::string::npos || (at = all.find("<value>", at)) == std::string::npos)
        return {};
    at += 7;
    const size_t end = all.find('<', at);
    return end == std::string::npos ? std::string() : all.substr(at, end - at);
}

std::string pathFromUrl(const std::string &url)
{
    std::string path = url.compare(0, 7, "file://") == 0 ? url.substr(7) : url;
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size()) {
            out += char(std::strtol(path.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += path[i];
        }
    }
    return out;
}

bool makeFolders(const std::string &path)
{
    for (size_t at = 1; at != std::string::npos;) {
        at = path.find('/', at + 1);
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// A new profile that has seen its first start: otherwise the first show waits on the office's
// first-start dialogs, which nobody sees. Written whole or not at all (a half-written one would
// make the office start as on a new machine again, or not at all).
void prepareProfile(const std::string &profileUrl, const std::string &programFolder)
{
    const std::string dir = pathFromUrl(profileUrl) + "/user";
    const std::string path = dir + "/registrymodifications.xcu";
    if (::access(path.c_str(), F_OK) == 0 || !makeFolders(dir))
        return;
    std::string text = R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry"
 xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay"
 oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun"
 oor:op="fuse"><value>false</value></prop></item>
)";
    const std::string version = officeVersion(programFolder);
    if (!version.empty()) {
        text +=
            "<item oor:path=\"/org.openoffice.Setup/Product\"><prop "
            "oor:name=\"ooSetupLastVersion\"\n oor:op=\"fuse\"><value>" +
            version + "</value></prop></item>\n";
    }
    text += "</oor:items>\n";
    const std::string temp = path + ".new" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return;
    const bool written =
        ::write(fd, text.data(), text.size()) == ssize_t(text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        note("office: cannot write the profile " + path);
    }
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
        officeExit = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return false;
    }
    return true;
}

bool startOffice(const std::string &binary, const std::string &profile, const std::string &pipe)
{
    const std::string accept = "--accept=pipe,name=" + pipe + ";urp;";
    const std::string env = "-env:UserInstallation=" + profile;
    std::snprintf(pipeFile, sizeof pipeFile, "/tmp/OSL_PIPE_%u_%s", unsigned(::getuid()),
                  pipe.c_str());
    const pid_t parent = ::getpid();
    officePid = ::fork();
    if (officePid < 0) {
        officePid = 0;
        return false;
    }
    if (officePid == 0) {
        // The plain X11 back end can build its windows inside a foreign window.
        ::setenv("SAL_USE_VCLPLUGIN", "gen", 1);
        // In the bridge's group, which is killed whole.
        prepareChildOrExit(parent, SIGKILL, false);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        // What the office prints goes with our own messages, never into the answers.
        ::dup2(2, 1);
        execl(binary.c_str(), binary.c_str(), "--invisible", "--norestore", "--nologo",
              "--nodefault", "--nolockcheck", accept.c_str(), env.c_str(), (char *)nullptr);
        ::_exit(127);
    }
    return true;
}

std::string utf8(const rtl::OUString &text)
{
    return rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

Answer failed(Failure failure, const std::string &why = std::string())
{
    Answer answer;
    answer.ok = false;
    answer.failure = failure;
    answer.reason = why;
    return answer;
}

Protocol::ShowState wire(const UnoSlideShow::State &s)
{
    return {s.slide, s.count, s.running};
}

// The last state told, so that the office's own moves are told once and only when new.
std::optional<Protocol::ShowState> lastTold;

Answer told(const UnoSlideShow::State &s)
{
    Answer answer;
    answer.state = wire(s);
    lastTold = answer.state;
    return answer;
}

Answer officeCommand(UnoSlideShow &show, const Protocol::Request &request)
{
    const std::string &profile = request.url;
    const std::string &pipe = request.pipe;
    const std::string &program = request.program;
    const std::string binary = officeBinary(program);
    if (binary.empty()) {
        note("office: no office program at " + program);
        return failed(Failure::Office, "noprogram");
    }
    if (!show.connected()) {
        // The type libraries of the office found, whichever it is and wherever it lies.
        ::setenv("URE_BOOTSTRAP",
                 ("vnd.sun.star.pathname:" + folderOf(binary) + "/fundamentalrc").c_str(), 1);
        prepareProfile(profile, folderOf(binary));
    }
    if (officePid == 0 && !startOffice(binary, profile, pipe)) {
        note("office: cannot start " + binary + ": " + std::strerror(errno));
        return failed(Failure::Office, "nostart");
    }
    // The caller's time limit decides how long a slow office may take to listen.
    int restarts = 0;
    while (!show.connected()) {
        // A new profile makes the office ask to be started again (what its launcher does).
        if (!officeAlive() && (officeExit == 79 || officeExit == 81) && restarts++ < 3) {
            note("office: restarts on its own request (" + std::to_string(officeExit) + ")");
            startOffice(binary, profile, pipe);
        }
        if (!officeAlive()) {
            note("office: ended before it listened, status " + std::to_string(officeExit));
            return failed(Failure::Office, "ended");
        }
        if (!show.connect(pipe))
            ::usleep(50000);
    }
    officeListening = true;
    // The office made its instance pipe before it listened on ours.
    if (!instancePipe[0]) {
        for (const std::string &name : instancePipes()) {
            if (name.size() < sizeof instancePipe && listenedByOffice(name)) {
                std::strcpy(instancePipe, name.c_str());
                break;
            }
        }
    }
    return Answer();
}

Answer handle(UnoSlideShow &show, const Protocol::Request &request, bool &quit)
{
    if (request.verb == Verb::Office)
        return officeCommand(show, request);
    if (request.verb == Verb::Quit) {
        quit = true;
        show.terminate();
        return Answer();
    }
    if (!show.connected())
        return failed(Failure::Lost);
    if (request.verb == Verb::Open) {
        const int count = show.open(static_cast<long long>(request.window), request.width,
                                    request.height, request.url);
        if (count < 0) {
            note("load: the office made no window for the show");
            return failed(Failure::Show, "nowindow");
        }
        if (count == 0) {
            note("load: the office did not open " + request.url + " as a presentation");
            return failed(Failure::Load, "refused");
        }
        Answer answer;
        answer.slides = count;
        answer.slideWidth = show.slideWidth();
        answer.slideHeight = show.slideHeight();
        return answer;
    }
    if (request.verb == Verb::Start) {
        lastTold.reset();
        if (!show.hasShow())
            return failed(Failure::Show, "nodocument");
        const auto began = std::chrono::steady_clock::now();
        const bool started = show.start(showStartLimitMs);
        const auto took = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::steady_clock::now() - began)
                              .count();
        // A slow start is worth knowing of even when it makes it.
        if (took >= 10)
            note("show: the office took " + std::to_string(took) + " s to start the show");
        if (started)
            return Answer();
        note("show: did not come up in " + std::to_string(showStartLimitMs / 1000) + " s");
        return failed(Failure::Show, "nostart");
    }
    if (request.verb == Verb::Notes) {
        Answer answer;
        answer.notes = show.notes();
        return answer;
    }
    if (request.verb == Verb::Size) {
        show.resize(request.width, request.height);
        return Answer();
    }
    if (request.verb == Verb::Close) {
        show.close();
        lastTold.reset();
        return Answer();
    }
    if (request.verb != Verb::State && !show.command(request.verb, request.index))
        return failed(Failure::Unknown);
    return told(show.state());
}

Answer answerTo(UnoSlideShow &show, const Protocol::Request &request, bool &quit)
{
    const std::string verb = Protocol::verbWord(request.verb);
    try {
        return handle(show, request, quit);
    } catch (const css::lang::DisposedException &) {
        return failed(Failure::Lost);
    } catch (const css::uno::RuntimeException &e) {
        note(verb + ": " + utf8(e.Message));
        return failed(officeAlive() ? Failure::Failed : Failure::Lost);
    } catch (const css::uno::Exception &e) {
        note(verb + ": " + utf8(e.Message));
        return failed(Failure::Failed);
    } catch (const std::exception &e) {
        note(verb + ": " + e.what());
        return failed(Failure::Failed);
    } catch (...) {
        note(verb + ": failed");
        return failed(officeAlive() ? Failure::Failed : Failure::Lost);
    }
}

// Tells what the office did by itself: the show's new slide or its end, and the office's death.
void tellNews(UnoSlideShow &show)
{
    if (officeListening && !officeAlive()) {
        officeListening = false;
        note("office: ended, status " + std::to_string(officeExit));
        show.forget();
        say(Protocol::formatEvent({Protocol::Event::Lost, {}}));
        return;
    }
    if (!show.news.exchange(false) || !show.hasShow())
        return;
    try {
        const Protocol::ShowState state = wire(show.state());
        if (lastTold == state)
            return;
        lastTold = state;
        say(Protocol::formatEvent(
            {state.running ? Protocol::Event::Slide : Protocol::Event::Ended, state}));
    } catch (...) {
        // The next request finds out what is wrong.
    }
}

} // namespace

int main()
{
    bridgePid = ::getpid();
    // Our start (ChildProcess) made the group and armed the parent-death signal before exec.
    ownGroup = ::getpgrp() == bridgePid;
    if (!ownGroup)
        note("no process group of its own; only the office is ended with the bridge");
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return 1;

    UnoSlideShow show;
    show.wakeFd = wakePipe[1];
    std::string buffer;
    bool quit = false;
    bool input = true;
    while (!quit && input) {
        size_t end;
        while (!quit && (end = buffer.find(Protocol::lineEnd)) != std::string::npos) {
            const std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            const std::optional<Protocol::Request> request = Protocol::parseRequest(line);
            const std::optional<std::uint64_t> number = Protocol::leadNumber(line);
            // A line with no number cannot be answered.
            if (!number)
                continue;
            Answer answer;
            if (request) {
                answer = answerTo(show, *request, quit);
            } else {
                note("cannot read the request " + line.substr(0, 200));
                answer = failed(Failure::Unknown);
            }
            answer.number = *number;
            say(Protocol::formatAnswer(answer, request ? request->verb : Verb::State));
            tellNews(show);
        }
        if (quit)
            break;
        pollfd fds[2] = {{0, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, 200) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            char bytes[64];
            while (::read(wakePipe[0], bytes, sizeof bytes) > 0) {
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char bytes[4096];
            const ssize_t n = ::read(0, bytes, sizeof bytes);
            if (n > 0)
                buffer.append(bytes, size_t(n));
            else if (n == 0 || errno != EINTR)
                input = false;
        }
        tellNews(show);
    }
    // Give the office a moment to quit by itself, then end whatever is left.
    for (int i = 0; i < 30 && officeAlive(); ++i)
        ::usleep(100000);
    endAll();
    return 0;
}
