#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The line protocol between the program and its slide bridge (quillboard-slidebridge), which
// both build from here; Qt-free, as the bridge links no Qt. A line ends with lineEnd.
//
// Requests go down the bridge's input, each led by its number (from 1); the answer, on its
// output, is led by the same number, so that a stray line never passes for an answer:
//   <n> office <profile-url> <pipe> <program> -> <n> ok | <n> err office <why>
//   <n> open <xid> <w> <h> <file-url>         -> <n> ok <slides> <w> <h> | <n> err load <why>
//                                                (the file is no presentation) | <n> err show <why>
//   <n> start                                 -> <n> ok | <n> err show <why>
//   <n> notes                                 -> <n> ok =<text> ... (a slide each)
//   <n> first|prevstep|nextstep|prevslide|nextslide|last|goto <index>|state
//                                             -> <n> ok <index> <count> <running>
//   <n> size <w> <h>                          -> <n> ok
//   <n> close                                 -> <n> ok
//   <n> quit                                  -> <n> ok, then the office and the bridge end
// Notes are percent-encoded, each led by "=" so that empty ones are a word too (a reader
// skips whatever leads them). The program and the file URL come last: they may hold blanks.
// <w> <h> of a request are device pixels; of the open's answer, the first slide's size in
// 1/100 mm (0 0 when unknown; it may be left out). Any answer may be "<n> err lost" (the
// office is gone), "<n> err failed" (the office refused the call) or "<n> err unknown" (a
// request the bridge cannot read). <running> 0 means the show has ended. Lines led by "*"
// come unasked, as soon as the office does something by itself:
//   * slide <index> <count> <running>   the show moved (timed slides, links, late jumps)
//   * ended                             the show ended
//   * lost                              the office process ended
//
// Slides on the line are the office's: shown slides counted from 0, -1 for none (a hidden one
// reached by a link). The program counts them from 1, 0 for none; slideFromIndex() and
// indexFromSlide() convert, on the program's side only.
namespace SlideBridgeProtocol {

constexpr char lineEnd = '\n';

constexpr int slideFromIndex(int index)
{
    return index + 1;
}
constexpr int indexFromSlide(int slide)
{
    return slide - 1;
}

enum class Verb {
    Office,
    Open,
    Start,
    Notes,
    First,
    PreviousStep,
    NextStep,
    PreviousSlide,
    NextSlide,
    Last,
    Goto,
    State,
    Size,
    Close,
    Quit,
};

// The word a verb goes by on the line.
const char *verbWord(Verb verb);
// The verbs answered by the show's state: the moves and the question where the show is.
bool isStep(Verb verb);

struct Request
{
    std::uint64_t number = 0;
    Verb verb = Verb::State;
    // office: the profile folder's URL; open: the file's URL.
    std::string url;
    // office: the name the office listens by, and its start command.
    std::string pipe;
    std::string program;
    // open: the X window the show is built in.
    std::uint64_t window = 0;
    // open, size: device pixels.
    int width = 0;
    int height = 0;
    // goto: the slide's index.
    int index = 0;
};

// Where the show is: the shown slide's index (-1 none), the count of shown slides, and
// whether the show still runs.
struct ShowState
{
    int index = -1;
    int count = 0;
    bool running = false;
};
bool operator==(const ShowState &a, const ShowState &b);

// Why a request failed: "err office|load|show|lost|failed|unknown [<why>]".
enum class Failure { Office, Load, Show, Lost, Failed, Unknown };

struct Answer
{
    std::uint64_t number = 0;
    bool ok = true;
    // Not ok: what failed, and a word on why (may be empty).
    Failure failure = Failure::Failed;
    std::string reason;
    // Open: the count of shown slides and the first slide's size in 1/100 mm.
    int slides = 0;
    int slideWidth = 0;
    int slideHeight = 0;
    // Notes: each shown slide's notes, UTF-8.
    std::vector<std::string> notes;
    // A step: where the show is after it.
    ShowState state;
};

struct Event
{
    enum Kind { Slide, Ended, Lost };
    Kind kind = Slide;
    // Slide: where the show moved.
    ShowState state;
};

std::string formatRequest(const Request &request);
// None for a line that is no request of ours.
std::optional<Request> parseRequest(const std::string &line);
// The number a line is led by; none for an unasked line or one without a number.
std::optional<std::uint64_t> leadNumber(const std::string &line);

// What an ok answer holds depends on the verb it answers.
std::string formatAnswer(const Answer &answer, Verb answered);
std::optional<Answer> parseAnswer(const std::string &line, Verb answered);

// Whether a line is an unasked one (led by "*"), well formed or not.
bool isEvent(const std::string &line);
std::string formatEvent(const Event &event);
std::optional<Event> parseEvent(const std::string &line);

} // namespace SlideBridgeProtocol
