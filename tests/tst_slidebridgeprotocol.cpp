#include <QtTest>

#include <tuple>

#include "platform/slidebridgeprotocol.h"

using namespace SlideBridgeProtocol;

Q_DECLARE_METATYPE(SlideBridgeProtocol::Request)
Q_DECLARE_METATYPE(SlideBridgeProtocol::Answer)
Q_DECLARE_METATYPE(SlideBridgeProtocol::Event)
Q_DECLARE_METATYPE(SlideBridgeProtocol::Verb)

namespace {

Request request(quint64 number, Verb verb)
{
    Request r;
    r.number = number;
    r.verb = verb;
    return r;
}

Answer stateAnswer(quint64 number, int index, int count, bool running)
{
    Answer a;
    a.number = number;
    a.state = {index, count, running};
    return a;
}

Answer failure(quint64 number, Failure why, const std::string &reason = std::string())
{
    Answer a;
    a.number = number;
    a.ok = false;
    a.failure = why;
    a.reason = reason;
    return a;
}

bool same(const Request &a, const Request &b)
{
    return std::tie(a.number, a.verb, a.url, a.pipe, a.program, a.window, a.width, a.height,
                    a.index) == std::tie(b.number, b.verb, b.url, b.pipe, b.program, b.window,
                                         b.width, b.height, b.index);
}

bool same(const Answer &a, const Answer &b)
{
    return std::tie(a.number, a.ok, a.slides, a.slideWidth, a.slideHeight, a.notes) ==
               std::tie(b.number, b.ok, b.slides, b.slideWidth, b.slideHeight, b.notes) &&
           a.state == b.state && (a.ok || (a.failure == b.failure && a.reason == b.reason));
}

} // namespace

class TestSlideBridgeProtocol : public QObject
{
    Q_OBJECT
private slots:
    void requests_data();
    void requests();
    void answers_data();
    void answers();
    void events_data();
    void events();
    void malformedLinesRefused_data();
    void malformedLinesRefused();
};

void TestSlideBridgeProtocol::requests_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Request>("request");
    Request office = request(1, Verb::Office);
    office.url = "file:///home/t/.qb%20office";
    office.pipe = "quillboard-7-1-ab";
    office.program = "/opt/my office/soffice";
    QTest::newRow("office, program with blanks")
        << QByteArray(
               "1 office file:///home/t/.qb%20office quillboard-7-1-ab /opt/my office/soffice")
        << office;
    Request open = request(2, Verb::Open);
    open.window = 4194305;
    open.width = 1280;
    open.height = 720;
    open.url = "file:///tmp/a deck.pptx";
    QTest::newRow("open") << QByteArray("2 open 4194305 1280 720 file:///tmp/a deck.pptx") << open;
    const QList<QPair<const char *, Verb>> plain = {{"start", Verb::Start},
                                                    {"notes", Verb::Notes},
                                                    {"first", Verb::First},
                                                    {"prevstep", Verb::PreviousStep},
                                                    {"nextstep", Verb::NextStep},
                                                    {"prevslide", Verb::PreviousSlide},
                                                    {"nextslide", Verb::NextSlide},
                                                    {"last", Verb::Last},
                                                    {"state", Verb::State},
                                                    {"close", Verb::Close},
                                                    {"quit", Verb::Quit}};
    for (const auto &[word, verb] : plain)
        QTest::newRow(word) << QByteArray("3 ") + word << request(3, verb);
    // The program's slide 1 is the office's index 0.
    Request jump = request(18446744073709551615ull, Verb::Goto);
    jump.index = indexFromSlide(1);
    QTest::newRow("goto the first slide") << QByteArray("18446744073709551615 goto 0") << jump;
    Request size = request(4, Verb::Size);
    size.width = 800;
    size.height = 600;
    QTest::newRow("size") << QByteArray("4 size 800 600") << size;
}

void TestSlideBridgeProtocol::requests()
{
    QFETCH(QByteArray, line);
    QFETCH(Request, request);
    QCOMPARE(QByteArray::fromStdString(formatRequest(request)), line);
    const std::optional<Request> parsed = parseRequest(line.toStdString());
    QVERIFY(parsed);
    QVERIFY(same(*parsed, request));
    QCOMPARE(leadNumber(line.toStdString()), std::optional<std::uint64_t>(request.number));
}

void TestSlideBridgeProtocol::answers_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Verb>("answered");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("written");
    Answer plain;
    plain.number = 5;
    QTest::newRow("ok") << QByteArray("5 ok") << Verb::Close << plain << true;
    Answer opened = plain;
    opened.slides = 12;
    opened.slideWidth = 25400;
    opened.slideHeight = 19050;
    QTest::newRow("opened") << QByteArray("5 ok 12 25400 19050") << Verb::Open << opened << true;
    opened.slideWidth = opened.slideHeight = 0;
    QTest::newRow("opened, no size told") << QByteArray("5 ok 12") << Verb::Open << opened << false;
    Answer notes = plain;
    notes.notes = {"一 a%b", "", "two\nlines="};
    QTest::newRow("notes") << QByteArray("5 ok =%E4%B8%80%20a%25b = =two%0Alines=") << Verb::Notes
                           << notes << true;
    QTest::newRow("step") << QByteArray("5 ok 2 3 1") << Verb::NextStep
                          << stateAnswer(5, 2, 3, true) << true;
    QTest::newRow("on a hidden slide")
        << QByteArray("5 ok -1 3 1") << Verb::Goto << stateAnswer(5, -1, 3, true) << true;
    QTest::newRow("show ended") << QByteArray("5 ok -1 0 0") << Verb::State
                                << stateAnswer(5, -1, 0, false) << true;
    QTest::newRow("office failed") << QByteArray("5 err office noprogram") << Verb::Office
                                   << failure(5, Failure::Office, "noprogram") << true;
    QTest::newRow("load failed") << QByteArray("5 err load refused") << Verb::Open
                                 << failure(5, Failure::Load, "refused") << true;
    QTest::newRow("show failed") << QByteArray("5 err show nostart") << Verb::Start
                                 << failure(5, Failure::Show, "nostart") << true;
    QTest::newRow("lost") << QByteArray("5 err lost") << Verb::NextSlide
                          << failure(5, Failure::Lost) << true;
    QTest::newRow("failed") << QByteArray("5 err failed") << Verb::Notes
                            << failure(5, Failure::Failed) << true;
    QTest::newRow("unknown") << QByteArray("5 err unknown") << Verb::First
                             << failure(5, Failure::Unknown) << true;
}

void TestSlideBridgeProtocol::answers()
{
    QFETCH(QByteArray, line);
    QFETCH(Verb, answered);
    QFETCH(Answer, answer);
    QFETCH(bool, written);
    const std::optional<Answer> parsed = parseAnswer(line.toStdString(), answered);
    QVERIFY(parsed);
    QVERIFY(same(*parsed, answer));
    if (written)
        QCOMPARE(QByteArray::fromStdString(formatAnswer(answer, answered)), line);
    // The round trip of what the bridge writes, whatever the line read.
    const std::optional<Answer> again = parseAnswer(formatAnswer(answer, answered), answered);
    QVERIFY(again && same(*again, answer));
    QVERIFY(!isEvent(line.toStdString()));
}

void TestSlideBridgeProtocol::events_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Event>("event");
    QTest::newRow("slide") << QByteArray("* slide 4 9 1") << Event{Event::Slide, {4, 9, true}};
    QTest::newRow("ended") << QByteArray("* ended") << Event{Event::Ended, {}};
    QTest::newRow("lost") << QByteArray("* lost") << Event{Event::Lost, {}};
}

void TestSlideBridgeProtocol::events()
{
    QFETCH(QByteArray, line);
    QFETCH(Event, event);
    QCOMPARE(QByteArray::fromStdString(formatEvent(event)), line);
    QVERIFY(isEvent(line.toStdString()));
    QVERIFY(!leadNumber(line.toStdString()));
    const std::optional<Event> parsed = parseEvent(line.toStdString());
    QVERIFY(parsed);
    QCOMPARE(parsed->kind, event.kind);
    QVERIFY(parsed->state == event.state);
}

void TestSlideBridgeProtocol::malformedLinesRefused_data()
{
    // How the line is read: as a request, an event, or the answer to a verb.
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("as");
    QTest::addColumn<Verb>("answered");
    const auto row = [](const char *line, const char *as, Verb answered = Verb::State) {
        QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(as, line)))
            << QByteArray(line) << QString(as) << answered;
    };
    for (const char *line :
         {"", "start", "0 start", "x1 start", "-1 start", "1  start", "1 start ", "1 fly",
          "1 start now", "1 goto", "1 goto two", "1 size 800", "1 size 800 600 2", "1 open 1 2 3",
          "1 open x 2 3 file:///a", "1 office file:///p pipe", "1 state 1"})
        row(line, "request");
    for (const char *line : {"* slide 1 3", "* slide 1 3 2", "* slide -2 3 1", "* slide 1 -3 1",
                             "* ended 1", "* bye", "*slide 1 3 1", "slide 1 3 1", "* "})
        row(line, "event");
    row("ok 1 3 1", "answer");
    row("5", "answer");
    row("5 yes 1 3 1", "answer");
    row("5 ok 1 3", "answer");
    row("5 ok 1 3 1 1", "answer");
    row("5 ok 1 3 one", "answer");
    row("5 err", "answer");
    row("5 err bogus", "answer");
    row("5 ok 1", "answer", Verb::Close);
    row("5 ok -3 1 1", "answer", Verb::Open);
    row("5 ok 3 1", "answer", Verb::Open);
    row("5 ok =a%4", "answer", Verb::Notes);
    row("5 ok =a%zz", "answer", Verb::Notes);
    row("5 ok =a  =b", "answer", Verb::Notes);
}

void TestSlideBridgeProtocol::malformedLinesRefused()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, as);
    QFETCH(Verb, answered);
    const std::string text = line.toStdString();
    if (as == "request")
        QVERIFY(!parseRequest(text));
    else if (as == "event")
        QVERIFY(!parseEvent(text));
    else
        QVERIFY(!parseAnswer(text, answered));
}

QTEST_MAIN(TestSlideBridgeProtocol)
#include "tst_slidebridgeprotocol.moc"
