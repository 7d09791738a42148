#include "platform/slidebridgeprotocol.h"

#include <charconv>

namespace SlideBridgeProtocol {

namespace {

struct VerbWord
{
    Verb verb;
    const char *word;
};
constexpr VerbWord verbWords[] = {
    {Verb::Office, "office"},       {Verb::Open, "open"},
    {Verb::Start, "start"},         {Verb::Notes, "notes"},
    {Verb::First, "first"},         {Verb::PreviousStep, "prevstep"},
    {Verb::NextStep, "nextstep"},   {Verb::PreviousSlide, "prevslide"},
    {Verb::NextSlide, "nextslide"}, {Verb::Last, "last"},
    {Verb::Goto, "goto"},           {Verb::State, "state"},
    {Verb::Size, "size"},           {Verb::Close, "close"},
    {Verb::Quit, "quit"},
};
// In the order of Failure, and of Event::Kind.
constexpr const char *failureWords[] = {"office", "load", "show", "lost", "failed", "unknown"};
constexpr const char *eventWords[] = {"slide", "ended", "lost"};
constexpr char okWord[] = "ok";
constexpr char errWord[] = "err";
constexpr char eventLead[] = "*";
// Leads each slide's notes, so that empty ones are a word too.
constexpr char noteLead = '=';

// A line's words, at single blanks: an empty word (two blanks, one at an end) is none.
class Words
{
public:
    explicit Words(const std::string &line)
        : m_line(line)
    {}
    std::optional<std::string> next()
    {
        if (atEnd())
            return std::nullopt;
        size_t end = m_line.find(' ', m_at);
        if (end == std::string::npos)
            end = m_line.size();
        const std::string word = m_line.substr(m_at, end - m_at);
        m_at = end + 1;
        return word.empty() ? std::nullopt : std::optional<std::string>(word);
    }
    // All that is left, blanks and all; none when nothing is.
    std::optional<std::string> rest()
    {
        if (m_at >= m_line.size())
            return std::nullopt;
        const std::string rest = m_line.substr(m_at);
        m_at = m_line.size() + 1;
        return rest;
    }
    bool atEnd() const { return m_at > m_line.size(); }

private:
    const std::string &m_line;
    size_t m_at = 0;
};

template <typename T>
std::optional<T> toNumber(const std::optional<std::string> &word, int base = 10)
{
    if (!word)
        return std::nullopt;
    T value{};
    const char *end = word->data() + word->size();
    const auto [at, error] = std::from_chars(word->data(), end, value, base);
    if (error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

template <typename Enum, size_t size>
std::optional<Enum> fromWord(const char *const (&words)[size],
                             const std::optional<std::string> &word)
{
    for (size_t i = 0; word && i < size; ++i) {
        if (*word == words[i])
            return Enum(i);
    }
    return std::nullopt;
}

std::optional<Verb> verbOf(const std::optional<std::string> &word)
{
    for (const VerbWord &known : verbWords) {
        if (word && *word == known.word)
            return known.verb;
    }
    return std::nullopt;
}

std::string numbers(std::initializer_list<long long> values)
{
    std::string out;
    for (long long value : values)
        out += ' ' + std::to_string(value);
    return out;
}

std::string formatState(const ShowState &state)
{
    return numbers({state.index, state.count, state.running ? 1 : 0});
}

std::optional<ShowState> parseState(Words &words)
{
    const std::optional<int> index = toNumber<int>(words.next());
    const std::optional<int> count = toNumber<int>(words.next());
    const std::optional<int> running = toNumber<int>(words.next());
    if (!index || !count || !running || *index < -1 || *count < 0 || *running < 0 || *running > 1)
        return std::nullopt;
    return ShowState{*index, *count, *running == 1};
}

std::string encodeNote(const std::string &text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out(1, noteLead);
    for (unsigned char c : text) {
        if (c > 0x20 && c < 0x7f && c != '%') {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Whatever leads the word is skipped.
std::optional<std::string> decodeNote(const std::string &word)
{
    std::string out;
    for (size_t i = 1; i < word.size(); ++i) {
        if (word[i] != '%') {
            out += word[i];
            continue;
        }
        const std::optional<unsigned> byte = toNumber<unsigned>(word.substr(i + 1, 2), 16);
        if (!byte || i + 2 >= word.size())
            return std::nullopt;
        out += char(*byte);
        i += 2;
    }
    return out;
}

} // namespace

const char *verbWord(Verb verb)
{
    for (const VerbWord &known : verbWords) {
        if (known.verb == verb)
            return known.word;
    }
    return "";
}

bool isStep(Verb verb)
{
    return verb >= Verb::First && verb <= Verb::State;
}

bool operator==(const ShowState &a, const ShowState &b)
{
    return a.index == b.index && a.count == b.count && a.running == b.running;
}

std::string formatRequest(const Request &request)
{
    std::string line = std::to_string(request.number) + ' ' + verbWord(request.verb);
    switch (request.verb) {
        case Verb::Office:
            line += ' ' + request.url + ' ' + request.pipe + ' ' + request.program;
            break;
        case Verb::Open:
            line += ' ' + std::to_string(request.window) +
                    numbers({request.width, request.height}) + ' ' + request.url;
            break;
        case Verb::Goto:
            line += numbers({request.index});
            break;
        case Verb::Size:
            line += numbers({request.width, request.height});
            break;
        default:
            break;
    }
    return line;
}

std::optional<std::uint64_t> leadNumber(const std::string &line)
{
    const std::optional<std::uint64_t> number = toNumber<std::uint64_t>(Words(line).next());
    return number && *number > 0 ? number : std::nullopt;
}

std::optional<Request> parseRequest(const std::string &line)
{
    Words words(line);
    Request request;
    const std::optional<std::uint64_t> number = toNumber<std::uint64_t>(words.next());
    const std::optional<Verb> verb = verbOf(words.next());
    if (!number || *number == 0 || !verb)
        return std::nullopt;
    request.number = *number;
    request.verb = *verb;
    switch (*verb) {
        case Verb::Office: {
            const auto url = words.next(), pipe = words.next(), program = words.rest();
            if (!url || !pipe || !program)
                return std::nullopt;
            request.url = *url;
            request.pipe = *pipe;
            request.program = *program;
            break;
        }
        case Verb::Open: {
            const auto window = toNumber<std::uint64_t>(words.next());
            const auto width = toNumber<int>(words.next()), height = toNumber<int>(words.next());
            const auto url = words.rest();
            if (!window || !width || !height || !url)
                return std::nullopt;
            request.window = *window;
            request.width = *width;
            request.height = *height;
            request.url = *url;
            break;
        }
        case Verb::Goto: {
            const auto index = toNumber<int>(words.next());
            if (!index)
                return std::nullopt;
            request.index = *index;
            break;
        }
        case Verb::Size: {
            const auto width = toNumber<int>(words.next()), height = toNumber<int>(words.next());
            if (!width || !height)
                return std::nullopt;
            request.width = *width;
            request.height = *height;
            break;
        }
        default:
            break;
    }
    if (!words.atEnd())
        return std::nullopt;
    return request;
}

std::string formatAnswer(const Answer &answer, Verb answered)
{
    std::string line = std::to_string(answer.number) + ' ';
    if (!answer.ok) {
        line += std::string(errWord) + ' ' + failureWords[int(answer.failure)];
        if (!answer.reason.empty())
            line += ' ' + answer.reason;
        return line;
    }
    line += okWord;
    if (answered == Verb::Open) {
        line += numbers({answer.slides, answer.slideWidth, answer.slideHeight});
    } else if (answered == Verb::Notes) {
        for (const std::string &text : answer.notes)
            line += ' ' + encodeNote(text);
    } else if (isStep(answered)) {
        line += formatState(answer.state);
    }
    return line;
}

std::optional<Answer> parseAnswer(const std::string &line, Verb answered)
{
    Words words(line);
    Answer answer;
    const std::optional<std::uint64_t> number = toNumber<std::uint64_t>(words.next());
    const std::optional<std::string> status = words.next();
    if (!number || *number == 0 || !status)
        return std::nullopt;
    answer.number = *number;
    answer.ok = *status == okWord;
    if (*status == errWord) {
        const std::optional<Failure> failure = fromWord<Failure>(failureWords, words.next());
        if (!failure)
            return std::nullopt;
        answer.failure = *failure;
        answer.reason = words.rest().value_or(std::string());
    } else if (!answer.ok) {
        return std::nullopt;
    } else if (answered == Verb::Open) {
        const std::optional<int> slides = toNumber<int>(words.next());
        if (!slides || *slides < 0)
            return std::nullopt;
        answer.slides = *slides;
        if (!words.atEnd()) {
            const auto width = toNumber<int>(words.next()), height = toNumber<int>(words.next());
            if (!width || !height)
                return std::nullopt;
            answer.slideWidth = *width;
            answer.slideHeight = *height;
        }
    } else if (answered == Verb::Notes) {
        while (!words.atEnd()) {
            const std::optional<std::string> word = words.next();
            const std::optional<std::string> text = word ? decodeNote(*word) : std::nullopt;
            if (!text)
                return std::nullopt;
            answer.notes.push_back(*text);
        }
    } else if (isStep(answered)) {
        const std::optional<ShowState> state = parseState(words);
        if (!state)
            return std::nullopt;
        answer.state = *state;
    }
    if (!words.atEnd())
        return std::nullopt;
    return answer;
}

bool isEvent(const std::string &line)
{
    return Words(line).next() == std::string(eventLead);
}

std::string formatEvent(const Event &event)
{
    std::string line = std::string(eventLead) + ' ' + eventWords[event.kind];
    if (event.kind == Event::Slide)
        line += formatState(event.state);
    return line;
}

std::optional<Event> parseEvent(const std::string &line)
{
    Words words(line);
    if (words.next() != std::string(eventLead))
        return std::nullopt;
    const std::optional<Event::Kind> kind = fromWord<Event::Kind>(eventWords, words.next());
    if (!kind)
        return std::nullopt;
    Event event;
    event.kind = *kind;
    if (*kind == Event::Slide) {
        const std::optional<ShowState> state = parseState(words);
        if (!state)
            return std::nullopt;
        event.state = *state;
    }
    if (!words.atEnd())
        return std::nullopt;
    return event;
}

} // namespace SlideBridgeProtocol
