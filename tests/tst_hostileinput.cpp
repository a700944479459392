// The receive path under a line that says anything: random bytes in random pieces, mixed with
// replies a radio could make, played into fresh panels. Whatever comes, the panel keeps one
// request outstanding, sends nothing but its requests, and never writes a memory channel.
// The same driver feeds the fuzz target (fuzz/fuzz_receive.cpp); inputs the fuzzer once broke
// the panel with are kept below as regressions.

#include "FormControlTOVRAN.h"
#include "HostileLine.h"
#include "RequestChain.h"
#include "SerialComm.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

using namespace std::chrono_literals;

// Fixed, so that a failure comes back on the next run; the failing script is printed.
constexpr quint32 kSeed = 20240611;
// Enough scripts for every state to be reached many times over, in a couple of seconds.
constexpr int kShortScripts = 150;
constexpr int kShortScriptBytes = 300;
// Time-outs cost a second each: a few scripts that wait for them.
constexpr int kWaitingScripts = 3;
constexpr int kWaitingScriptBytes = 200;

QByteArray randomScript(QRandomGenerator& random, int size) {
    QByteArray script(size, '\0');
    for (char& byte : script) byte = char(random.bounded(256));
    return script;
}

}  // namespace

class HostileInputTest : public QObject {
    Q_OBJECT

private slots:
    void randomLines();
    void randomLinesWithTimeOuts();
    void checksCatchAMisbehavingPanel_data();
    void checksCatchAMisbehavingPanel();
};

void HostileInputTest::randomLines() {
    HostileLine line({.pauses = 2, .longest = SerialComm::kQuietGap + 5ms});
    QRandomGenerator random(kSeed);
    for (int n = 0; n < kShortScripts; ++n) {
        const QByteArray script = randomScript(random, kShortScriptBytes);
        const QString fault = line.play(script);
        QVERIFY2(fault.isEmpty(), qPrintable(fault + "\nscript: " + script.toHex()));
    }
    for (const char* state :
         {"identified", "read-out", "polling", "memory", "scan", "transmit", "overflow"})
        QVERIFY2(line.reached().contains(QString::fromLatin1(state)), state);
}

void HostileInputTest::randomLinesWithTimeOuts() {
    HostileLine line({.pauses = 2, .longest = RequestChain::kReplyTimeout + 100ms});
    QRandomGenerator random(kSeed + 1);
    for (int n = 0; n < kWaitingScripts; ++n) {
        const QByteArray script = randomScript(random, kWaitingScriptBytes);
        const QString fault = line.play(script);
        QVERIFY2(fault.isEmpty(), qPrintable(fault + "\nscript: " + script.toHex()));
    }
    QVERIFY(line.reached().contains(QStringLiteral("repeat")));
}

// The checks are worth something only if they fail on a panel that misbehaves.
void HostileInputTest::checksCatchAMisbehavingPanel_data() {
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("caught");
    QTest::newRow("memory write") << QByteArray("MW0005000142000002000000;")
                                  << "wrote a memory channel";
    QTest::newRow("operator command") << QByteArray("FA00014200000;") << "sent FA00014200000;";
    QTest::newRow("second request") << QByteArray("IF;") << "with no reply between";
    QTest::newRow("half a command") << QByteArray("IF") << "piece of a command";
}

void HostileInputTest::checksCatchAMisbehavingPanel() {
    QFETCH(QByteArray, written);
    QFETCH(QString, caught);
    HostileLine line({});
    line.setAfterLoad([&](FormControlTOVRAN& panel) { panel.MSComm1->output(written); });
    const QString fault = line.play({});  // the meddling alone
    QVERIFY2(fault.contains(caught), qPrintable(fault));
}

QTEST_MAIN(HostileInputTest)
#include "tst_hostileinput.moc"
