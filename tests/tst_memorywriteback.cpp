// The memory write-back's decisions, played against a radio made of a hundred channels: which
// channel is read or written at each turn, what the radio is left holding, what is reported,
// and how much of the line the channels take from the polling.

#include "Line.h"
#include "MemoryWriteBack.h"

#include <QTest>

namespace {

using Channel = MemoryFile::Channel;

// A radio that forgets the stores into some channels: once, or every time.
struct Radio {
    std::array<Channel, MemoryFile::kChannels> memories{};
    QList<int> refusesOnce;
    QList<int> refusesAlways;

    void store(int channel, const Channel& wanted) {
        if (refusesAlways.contains(channel) || refusesOnce.removeOne(channel))
            return;
        memories[channel] = wanted.isEmpty() ? Channel{} : wanted;
    }
    Reply::Memory read(int channel) const {
        return {QByteArray::number(channel).rightJustified(2, '0'), channel,
                memories[channel].frequencyHz, memories[channel].modeDigit};
    }
};

const Channel k40m{7'050'000, '1'};
const Channel k80m{3'650'000, '3'};
const Channel k20m{14'195'000, '2'};

}  // namespace

class MemoryWriteBackTest : public QObject {
    Q_OBJECT

private slots:
    void turns_data();
    void turns();
};

void MemoryWriteBackTest::turns_data() {
    QTest::addColumn<MemoryFile::Given>("given");
    QTest::addColumn<QList<int>>("refusesOnce");
    QTest::addColumn<QList<int>>("refusesAlways");
    QTest::addColumn<int>("stopAfterTurns");  // 0: never stopped
    QTest::addColumn<QString>("turns");       // r: read only, w: written then read
    QTest::addColumn<QString>("outcome");     // verified, already held, not taken

    MemoryFile::Given given{};
    given[5] = k40m;   // the radio already holds it
    given[20] = k80m;  // to be written
    given[50] = Channel{};
    given[99] = k20m;
    QTest::newRow("each read once, the differing ones written and read back")
        << given << QList<int>{} << QList<int>{} << 0 << "r05 r20 w20 r50 w50 r99 w99"
        << "3 1 -";
    QTest::newRow("a store the radio missed once is written again")
        << given << QList<int>{20} << QList<int>{} << 0 << "r05 r20 w20 w20 r50 w50 r99 w99"
        << "3 1 -";
    QTest::newRow("a store never taken is tried twice and reported")
        << given << QList<int>{} << QList<int>{20, 99} << 0 << "r05 r20 w20 w20 r50 w50 r99 w99 w99"
        << "1 1 20,99";
    QTest::newRow("stopped: the channel in turn is still read, nothing more")
        << given << QList<int>{} << QList<int>{} << 3 << "r05 r20 w20"
        << "1 1 - stopped";
    QTest::newRow("stopped before the first turn")
        << given << QList<int>{} << QList<int>{} << -1 << ""
        << "0 0 - stopped";
}

// Each turn comes right after a status report; the radio answers the read at once.
void MemoryWriteBackTest::turns() {
    QFETCH(MemoryFile::Given, given);
    QFETCH(int, stopAfterTurns);
    Radio radio;
    QFETCH(QList<int>, refusesOnce);
    QFETCH(QList<int>, refusesAlways);
    radio.refusesOnce = refusesOnce;
    radio.refusesAlways = refusesAlways;
    radio.memories[5] = k40m;
    radio.memories[50] = k20m;

    MemoryWriteBack writeBack(given);
    if (stopAfterTurns < 0)
        writeBack.stop();
    QStringList turns;
    qint64 statusCharacters = 0;
    qint64 channelCharacters = 0;
    int reports = 0;
    while (!writeBack.isFinished() && reports < 10'000) {
        ++reports;
        statusCharacters += Line::kStatusRoundTrip;
        writeBack.reportTaken();
        const std::optional<MemoryWriteBack::Turn> turn = writeBack.nextTurn();
        if (!turn)
            continue;
        QCOMPARE(writeBack.nextTurn().has_value(), false);  // one read outstanding at a time
        const QString channel = QString::number(turn->channel).rightJustified(2, u'0');
        turns << (turn->store ? "w" : "r") + channel;
        channelCharacters += Line::kMemoryRoundTrip;
        if (turn->store) {
            channelCharacters += MemoryWriteBack::kWriteCharacters - Line::kMemoryRoundTrip;
            radio.store(turn->channel, *turn->store);
        }
        // The polling keeps two characters of the line for every one the channels take.
        QVERIFY2(2 * channelCharacters <= statusCharacters + MemoryWriteBack::kWriteCharacters,
                 qPrintable(QStringLiteral("after %1 reports").arg(reports)));
        writeBack.channelRead(radio.read(turn->channel));
        if (turns.size() == stopAfterTurns)
            writeBack.stop();
    }
    QVERIFY(writeBack.isFinished());
    QTEST(turns.join(' '), "turns");
    // ... and the channels do not wait longer than their share of the line asks.
    QVERIFY(2 * channelCharacters >=
            statusCharacters - 2 * Line::kStatusRoundTrip - 2 * MemoryWriteBack::kWriteCharacters);

    QStringList notTaken;
    for (int channel : writeBack.notTaken()) notTaken << QString::number(channel);
    QString outcome = QStringLiteral("%1 %2 %3")
                          .arg(writeBack.verified())
                          .arg(writeBack.alreadyHeld())
                          .arg(notTaken.isEmpty() ? QStringLiteral("-") : notTaken.join(','));
    if (writeBack.isStopped())
        outcome += QStringLiteral(" stopped");
    QTEST(outcome, "outcome");
    QCOMPARE(writeBack.total(), 4);
    if (stopAfterTurns == 0 && refusesAlways.isEmpty()) {
        for (int channel = 0; channel < MemoryFile::kChannels; ++channel)
            if (given[channel])
                QCOMPARE(radio.memories[channel],
                         given[channel]->isEmpty() ? Channel{} : *given[channel]);
    }
}

QTEST_GUILESS_MAIN(MemoryWriteBackTest)
#include "tst_memorywriteback.moc"
