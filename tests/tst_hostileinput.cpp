// The receive path under a line that says anything: random bytes in random pieces, mixed with
// replies a radio could make, played into one panel script after script (HostileLine.h says
// what must hold). The same driver feeds the fuzz target (fuzz/fuzz_receive.cpp).

#include "FormControlTOVRAN.h"
#include "HostileLine.h"
#include "MemoryGrid.h"
#include "SerialComm.h"

#include <QRandomGenerator>
#include <QTest>

namespace {
// Fixed, so that a failure comes back on the next run; the failing script is printed.
constexpr quint32 kSeed = 20240611;
// Enough scripts for every state to be reached many times over, in a second or two.
constexpr int kScripts = 1000;
constexpr int kScriptBytes = 300;
}  // namespace

class HostileInputTest : public QObject {
    Q_OBJECT

private slots:
    void randomLines();
    void checksCatchAMisbehavingPanel_data();
    void checksCatchAMisbehavingPanel();
};

void HostileInputTest::randomLines() {
    HostileLine line;
    QRandomGenerator random(kSeed);
    for (int n = 0; n < kScripts; ++n) {
        QByteArray script(kScriptBytes, '\0');
        for (char& byte : script) byte = char(random.bounded(256));
        const QString fault = line.play(script);
        QVERIFY2(fault.isEmpty(), qPrintable(fault + "\nscript: " + script.toHex()));
    }
    for (const char* kind : {"identification", "memory", "status", "dropped"})
        QVERIFY2(line.checked().contains(QString::fromLatin1(kind)), kind);
}

// The checks are worth something only if they fail on a panel that misbehaves.
void HostileInputTest::checksCatchAMisbehavingPanel_data() {
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("channel");  // whose frequency cell is overwritten; -1 none
    QTest::addColumn<QString>("caught");
    QTest::newRow("memory write") << QByteArray("MW0005000142000002000000;") << -1 << "unasked";
    QTest::newRow("row overwritten") << QByteArray() << 5 << "row 5 reads";
}

void HostileInputTest::checksCatchAMisbehavingPanel() {
    QFETCH(QByteArray, written);
    QFETCH(int, channel);
    QFETCH(QString, caught);
    HostileLine line;
    line.panel().MSComm1->output(written);
    if (channel >= 0)
        line.panel().GridMemoire->item(channel, MemoryGrid::kFrequencyColumn)->setText("1");
    const QString fault = line.play({});
    QVERIFY2(fault.contains(caught), qPrintable(fault));
}

QTEST_MAIN(HostileInputTest)
#include "tst_hostileinput.moc"
