// The receive path under a line that says anything: random scripts played into one panel
// (HostileLine.h says what must hold). The same driver feeds fuzz/fuzz_receive.cpp.

#include "FormControlTOVRAN.h"
#include "HostileLine.h"
#include "MemoryGrid.h"
#include "RadioConversation.h"

#include <QRandomGenerator>
#include <QTest>

class HostileInputTest : public QObject {
    Q_OBJECT

private slots:
    void randomLines();
    void checksCatchAMisbehavingPanel();
};

void HostileInputTest::randomLines() {
    // Fixed, so that a failure comes back on the next run; the failing script is printed.
    QRandomGenerator random(20240611);
    HostileLine line;
    for (int n = 0; n < 1000; ++n) {  // every kind of text checked many times over, in a second
        QByteArray script(300, '\0');
        for (char& byte : script) byte = char(random.bounded(256));
        const QString fault = line.play(script);
        QVERIFY2(fault.isEmpty(), qPrintable(fault + "\nscript: " + script.toHex()));
    }
    QCOMPARE(line.checked().size(), 3);  // identification or status, memory, dropped
}

// The checks are worth something only if they fail on a panel that misbehaves.
void HostileInputTest::checksCatchAMisbehavingPanel() {
    HostileLine writing;
    writing.panel().conversation()->send("MW0005000142000002000000;");
    QVERIFY(writing.play({}).contains("unasked"));
    HostileLine overwriting;
    overwriting.panel().GridMemoire->item(5, MemoryGrid::kFrequencyColumn)->setText("1");
    QVERIFY(overwriting.play({}).contains("row 5"));
}

QTEST_MAIN(HostileInputTest)
#include "tst_hostileinput.moc"
