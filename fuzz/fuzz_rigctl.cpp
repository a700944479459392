// Arbitrary client bytes, in arbitrary pieces, through a rigctld session, with status reports
// from the radio, reports overdue, a radio fallen silent, the operator keying and unkeying, a
// client gone quiet and a client gone away in between. Whatever comes in, what reaches the radio
// is one of the panel's own commands, well formed, on a frequency the radio covers, every answer
// ends its line, and answers are made a batch at a time. A broken rule aborts, so that libFuzzer
// keeps the input.
//
//   fuzz_rigctl -runs=1000000 corpus/

#include "Replies.h"
#include "Session.h"
#include "SharedRadio.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace {

// Everything a client may put on the line.
const QRegularExpression kRadioCommand(
    QStringLiteral("^(F[AB](\\d{11});|MD[1-6];|FN[012];|TX;|RX;)$"));

// VFO A in USB, VFO B in LSB, a memory channel with split, transmitting on 2 m.
constexpr const char* kReports[] = {
    "IF0001407400000000+000000000020000000;",
    "IF0000705000000000+000000000011000000;",
    "IF0001420000000000+000000005032010000;",
    "IF0014550000000000+000000000140000000;",
};
constexpr const char* kIdentifications[] = {"ID001;", "ID002;", "ID003;", "ID004;", "ID009;"};

void fail(const char* rule, const QByteArray& text) {
    std::fprintf(stderr, "%s: %s\n", rule, text.constData());
    std::abort();
}

void checkCommand(const SharedRadio& radio, const QByteArray& command) {
    const QRegularExpressionMatch match = kRadioCommand.match(QString::fromLatin1(command));
    if (!match.hasMatch())
        fail("malformed command", command);
    if (match.hasCaptured(2) && !radio.model().radio.receives(match.captured(2).toLongLong()))
        fail("frequency out of range", command);
}

// The most a session makes at a time: a batch, and the one answer that took it over.
constexpr qsizetype kMostAnswers = Session::kAnswersAtOnce + 4096;

void takeAnswers(Session& session) {
    const QByteArray answers = session.takeAnswers();
    if (!answers.isEmpty() && !answers.endsWith('\n'))
        fail("answer without its line end", answers);
    if (answers.size() > kMostAnswers)
        fail("answers beyond a batch", answers.left(80));
}

}  // namespace

// The sessions' timers need an application object, though they never fire here.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication application(*argc, *argv);
    return 0;
}

// The first byte chooses the radio; then each control byte says what happens before the next
// piece of client bytes (its length is the control byte's upper bits).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    SharedRadio radio;
    Session session(radio);
    radio.setWrite([&](const QByteArray& command) { checkCommand(radio, command); });
    radio.identified(kIdentifications[data[0] % 5]);
    if (data[0] & 0x80)
        radio.readoutEnded();

    for (size_t at = 1; at < size && !session.isClosing();) {
        const uint8_t control = data[at++];
        switch (control & 0x7) {
            case 0:
                session.stopWaiting();
                break;
            case 1:
                session.end();
                break;
            case 6:
                if (control & 0x8)
                    radio.reportOverdue();
                else
                    radio.operatorKeyed(control & 0x10);
                break;
            case 7:
                radio.answeringChanged(false);
                break;
            default:
                radio.statusDecoded(Reply::readStatus(kReports[control & 0x3]));
        }
        const size_t piece = std::min<size_t>(control >> 3, size - at);
        session.receive(QByteArrayView(reinterpret_cast<const char*>(data + at), piece));
        at += piece;
        takeAnswers(session);
        while (session.hasUnanswered() && !session.isWaiting() && !session.isClosing()) {
            session.resume();
            takeAnswers(session);
        }
    }
    session.end();
    return 0;
}
