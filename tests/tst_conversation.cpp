// The conversation with the radio through the hookups owners get wrong, without a window: what
// identifies the radio, what the operator is told while nothing does, the speed the radio is
// found at, and how often a TS-940 that polling disturbs is asked while it transmits.

#include "EventLoop.h"
#include "Hookup.h"
#include "Modes.h"
#include "RadioConversation.h"
#include "VirtualRadio.h"

#include <QTest>

#include <functional>

using namespace std::chrono_literals;
using Model = VirtualRadio::Model;
using Hookup_ = VirtualRadio::Hookup;
using Setup = std::function<void(VirtualRadio&)>;
Q_DECLARE_METATYPE(Setup)

namespace {
// Every case settles within a few repeats of "ID;"; the margin is for a loaded machine.
constexpr auto kPatience = 15s;
// The advice comes after this here: the first rounds at both speeds are over by then.
constexpr auto kAdviceDelay = 2500ms;
// The keyed polling is watched at this interval, over this many requests.
constexpr auto kKeyedInterval = 400ms;
constexpr int kKeyedRequests = 5;
// Polling at the radio's own pace gets this many reports long before the patience is out.
constexpr int kFreePolls = 50;

// A conversation on the radio's pseudo-terminal that identifies and then polls, as the window
// has it do, without the memory read-out.
struct Conversation {
    VirtualRadio radio;
    RadioConversation conversation;
    QByteArray identification;
    QString note;

    explicit Conversation(Model model) : radio(model) {
        QObject::connect(&conversation, &RadioConversation::identified,
                         [this](const QByteArray& reply) {
                             identification = reply;
                             conversation.startPolling();
                         });
        QObject::connect(&conversation, &RadioConversation::statusDecoded,
                         [this] { conversation.reportDecoded(false); });
        QObject::connect(&conversation, &RadioConversation::hookupNote,
                         [this](const QString& text) { note = text; });
    }
    // With `ctsWired`, the port shows the virtual radio's CTS in its pinout signals, as a real
    // port would; a pseudo-terminal has none.
    bool start(
        const Setup& setup = [](VirtualRadio&) {}, bool ctsWired = false) {
        if (!radio.open())
            return false;
        qputenv("TOVRAN_COM1", radio.devicePath().toLocal8Bit());
        setup(radio);
        if (ctsWired)
            conversation.line().setPinoutReader(
                [this]() -> std::optional<QSerialPort::PinoutSignals> {
                    return radio.clearToSend() ? QSerialPort::ClearToSendSignal
                                               : QSerialPort::NoSignal;
                });
        conversation.setAdviceDelay(kAdviceDelay);
        if (!conversation.open(1))
            return false;
        conversation.start();
        return true;
    }
};
}  // namespace

class TestConversation : public QObject {
    Q_OBJECT
private slots:
    void identificationThroughTheHookup_data();
    void identificationThroughTheHookup();
    void keyedRadioPolledSeldom();
};

void TestConversation::identificationThroughTheHookup_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("ctsWired");
    QTest::addColumn<QByteArray>("identification");  // empty: the radio is never identified
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("asked");  // how often "ID;" was sent until it was answered
    const auto row = [](const char* name, Setup setup, const char* identification,
                        const QString& note, int asked = 0, bool ctsWired = true) {
        QTest::newRow(name) << setup << ctsWired << QByteArray(identification) << note << asked;
    };
    using enum Hookup::Trouble;
    // clang-format off
    // An earlier reply's tail, taken for the identification, named the radio "Inconnu".
    row("a reply's tail waits in the line", [](VirtualRadio& radio) { radio.leaveStaleTail(13); },
        "ID004;", {}, 1);
    // Bytes without a ";" would be read with the answer to "ID;" and spoil it.
    row("stray bytes wait in the line", [](VirtualRadio& radio) { radio.sendStray("\xF0\x0F"); },
        "ID004;", {}, 1);
    row("the first answer cut short", [](VirtualRadio& radio) { radio.truncateReply(1, 4); },
        "ID004;", {}, 2);
    row("the 1200-baud jumper", [](VirtualRadio& radio) { radio.setBaud(1200); },
        "ID004;", Hookup::answeredAt(1200), 2);
    // Garbage, then no answer: 1200 is tried, where the radio's answer is garbage, and 4800 again.
    row("garbage once at 4800", [](VirtualRadio& radio) {
            radio.dropReply(1);
            QTimer::singleShot(0, &radio, [&radio] { radio.sendStray("\xF0\x0F"); }); },
        "ID004;", Hookup::answeredAt(4800), 3);
    row("no interface fitted", [](VirtualRadio& radio) { radio.setHookup(Hookup_::NoInterface); },
        "", Hookup::advice(NoAnswer));
    row("levels not inverted", [](VirtualRadio& radio) { radio.setHookup(Hookup_::NotInverted); },
        "", Hookup::advice(NotProtocol));
    row("CTS low", [](VirtualRadio& radio) { radio.setHookup(Hookup_::WaitsForCts); },
        "", Hookup::advice(CtsLow));
    // A pseudo-terminal has no modem lines to read: CTS tells nothing there.
    row("CTS unknown", [](VirtualRadio& radio) { radio.setHookup(Hookup_::WaitsForCts); },
        "", Hookup::advice(NoAnswer), 0, false);
    // clang-format on
}

void TestConversation::identificationThroughTheHookup() {
    QFETCH(Setup, setup);
    QFETCH(bool, ctsWired);
    QFETCH(QByteArray, identification);
    QFETCH(QString, note);
    QFETCH(int, asked);
    Conversation line(Model::TS440);
    QVERIFY(line.start(setup, ctsWired));
    if (identification.isEmpty()) {
        QVERIFY(EventLoop::waitUntil([&] { return !line.note.isEmpty(); }, kPatience));
        QVERIFY(line.identification.isEmpty());
        QVERIFY(line.conversation.line().isOpen());
    } else {
        QVERIFY(EventLoop::waitUntil([&] { return !line.identification.isEmpty(); }, kPatience));
        QCOMPARE(line.identification, identification);
        QCOMPARE(line.radio.receivedCommands().count("ID;"), asked);
    }
    QCOMPARE(line.note, note);
}

// A TS-940 transmitting CW with RIT on is asked at most once an interval, an operator's "RX;"
// goes out at once, and in receive the polling runs free again.
void TestConversation::keyedRadioPolledSeldom() {
    Conversation line(Model::TS940);
    Transceiver& radio = line.radio.transceiver();
    radio.setVfo(Transceiver::Vfo::A, {14'060'000, Modes::Cw - '0'});
    radio.setClarifier(300, true, false);
    radio.setTransmitting(true);
    line.conversation.setKeyedPollInterval(kKeyedInterval);
    std::chrono::milliseconds pauseShared{0};  // as the shared radio reads it with each report
    connect(&line.conversation, &RadioConversation::statusDecoded, this,
            [&] { pauseShared = line.conversation.pollingPause(); });
    QVERIFY(line.start());
    const auto polls = [&] { return line.radio.statusRequestTimes().size(); };
    QVERIFY(EventLoop::waitUntil([&] { return polls() >= kKeyedRequests; }, kPatience));
    const QList<SerialLine::Time> times = line.radio.statusRequestTimes();
    for (qsizetype i = 1; i < times.size(); ++i)
        QVERIFY2(times[i] - times[i - 1] >= kKeyedInterval,
                 qPrintable(QString::number((times[i] - times[i - 1]).count())));
    QCOMPARE(pauseShared, kKeyedInterval);

    line.radio.clearLog();
    line.conversation.send("RX;");
    QVERIFY(EventLoop::waitUntil([&] { return line.radio.receivedBytes().size() > 0; }, kPatience));
    QCOMPARE(line.radio.receivedCommands().first(), QByteArray("RX;"));
    const qsizetype before = polls();
    QVERIFY(EventLoop::waitUntil([&] { return polls() >= before + kFreePolls; }, kPatience));
}

QTEST_GUILESS_MAIN(TestConversation)
#include "tst_conversation.moc"
