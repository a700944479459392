// The protocol's pieces, one table per family: command bytes, frequency texts by locale, what is
// read at each position of a reply (neighbours differ, so a field moved by one reads otherwise).

#include "Commands.h"
#include "FrequencyText.h"
#include "Radios.h"
#include "Replies.h"
#include "RequestChain.h"

#include <QLocale>
#include <QTest>

class ProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void frequencyTexts_data();
    void frequencyTexts();
    void replies_data();
    void replies();
    void chain_data();
    void chain();
};

void ProtocolTest::commands_data() {
    using namespace Command;
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("fixed") << autoInformationOff() + identify() + status() + selectVfoA() +
                                  selectVfoB() + selectMemory() + stepUp() + stepDown() +
                                  transmit() + receive() + scanOn() + scanOff()
                           << QByteArray("AI0;ID;IF;FN0;FN1;FN2;UP;DN;TX;RX;SC1;SC0;");
    QTest::newRow("VFO A") << setFrequency('A', 14'200'000) << QByteArray("FA00014200000;");
    QTest::newRow("VFO B") << setFrequency('B', 12'345'678'901) << QByteArray("FB12345678901;");
    QTest::newRow("read") << readMemory(0) + readMemory(42) << QByteArray("MR0000;MR0042;");
    QTest::newRow("recall, mode") << recallMemory(7) + setMode('6') << QByteArray("MC007;MD6;");
    QTest::newRow("store") << storeMemory(5, 14'200'000, '2')
                           << QByteArray("MW000500014200000200000;");
    QTest::newRow("erase") << eraseMemory(12) << QByteArray("MW001200000000000000000;");
}

void ProtocolTest::commands() {
    QFETCH(QByteArray, built);
    QTEST(built, "sent");
}

// The display pads to eight digits, the table and the box do not, and both read back; a text
// that is not wholly such a number (no hertz in the row) reads as nothing.
void ProtocolTest::frequencyTexts_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint64>("hz");
    QTest::addColumn<QString>("texts");  // the display's and the table's
    QTest::newRow("40 m") << "en_US" << qint64(7'050'000) << "07,050,000|7,050,000";
    QTest::newRow("LF") << "en_US" << qint64(136'000) << "00,136,000|136,000";
    QTest::newRow("2 m") << "en_US" << qint64(144'300'000) << "144,300,000|144,300,000";
    QTest::newRow("zero") << "en_US" << qint64(0) << "00,000,000|";
    QTest::newRow("C") << "C" << qint64(7'050'000) << "07,050,000|7,050,000";
    QTest::newRow("de") << "de_DE" << qint64(7'050'000) << "07.050.000|7.050.000";
    QTest::newRow("fr") << "fr_FR" << qint64(432'100'000)
                        << "432\u202f100\u202f000|432\u202f100\u202f000";
    for (const char* text :
         {"123.456.789.012", "14,200,000", "* * *", "LECT. MEM.", "-7.050.000", ""})
        QTest::newRow(text) << "de_DE" << qint64(-1) << text;
}

void ProtocolTest::frequencyTexts() {
    QFETCH(QString, locale);
    QFETCH(qint64, hz);
    QFETCH(QString, texts);
    QLocale::setDefault(QLocale(locale));
    if (hz >= 0) {
        QCOMPARE(FrequencyText::display(hz) + '|' + FrequencyText::grouped(hz), texts);
        QCOMPARE(FrequencyText::read(texts.section('|', 0, 0)), hz);
    }
    QCOMPARE(FrequencyText::read(texts.section('|', -1)).value_or(-1), hz == 0 ? -1 : hz);
}

// What each reader makes of a text: its shape, then the fields it reads, or the model.
void ProtocolTest::replies_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("read");
    // IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;   MRs-ccfffffffffffml----;
    // 12345678901234567890123456789012345678   123456789012345678901234
    QTest::newRow("transmit") << QByteArray("IF10014195000123456789012307232145678;")
                              << "status 10014195000 07 1321";
    QTest::newRow("receive") << QByteArray("IF0001419S000987654321098705061212345;")
                             << "status - 05 0610";
    QTest::newRow("memory") << QByteArray("MR000700007050000100000;") << "memory 07 7 7050000 1";
    QTest::newRow("spoilt") << QByteArray("MR004x0000705000S300000;") << "memory 4x 4 - 3";
    QTest::newRow("38, ; at 24") << QByteArray("MR001900014195000600000;12345678901234")
                                 << "memory 19 19 14195000 6";
    QTest::newRow("24, no ;") << QByteArray(24, '0') << "neither  -> Inconnu";
    QTest::newRow("TS-440") << QByteArray("ID004;") << "neither  -> Kenwood TS-440";
    QTest::newRow("return") << QByteArray("ID004;\r") << "neither  -> Inconnu";
}

void ProtocolTest::replies() {
    QFETCH(QByteArray, text);
    const auto hz = [](std::optional<qint64> v) { return v ? QString::number(*v) : "-"; };
    QStringList read{QStringLiteral("neither"), Radios::identifiedBy(text).modelText()};
    if (Reply::shapeOf(text) == Reply::Shape::Status) {
        const Reply::Status s = Reply::readStatus(text);
        read = QStringList{
            "status", hz(s.frequencyHz), s.memoryChannel,
            QString::number(s.transmitting) + s.modeDigit + s.vfo + QString::number(s.scanning)};
    } else if (Reply::shapeOf(text) == Reply::Shape::Memory) {
        const Reply::Memory m = Reply::readMemory(text);
        read = QStringList{"memory", m.channelText, QString::number(m.channel), hz(m.frequencyHz),
                           QString(QChar(m.modeDigit))};
    }
    QTEST(read.join(' '), "read");
}

// Steps: a command is requested; "MR+" / "IF-" a reply to MR is taken / to IF answers nothing;
// "wait" lets the time-out, or the settling after a repeat, write the next request.
void ProtocolTest::chain_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("discards");
    QTest::newRow("silence") << "IF; wait" << QByteArray("IF;IF;") << 1;
    // The late reply to the first request comes; the one to the repeat is still to come.
    QTest::newRow("late reply") << "MR0041; IF- wait MR+ MR0042; MR- wait MR+ MR-"
                                << QByteArray("MR0041;MR0041;MR0042;") << 2;
}

void ProtocolTest::chain() {
    QFETCH(QString, steps);
    QByteArray line;
    int discards = 0;
    RequestChain chain([&](const QByteArray& command) { line += command; }, [&] { ++discards; });
    for (const QString& step : steps.split(' ')) {
        const qsizetype before = line.size();
        if (step == "wait")
            QVERIFY(QTest::qWaitFor([&] { return line.size() > before; }, 3000));
        else if (step.endsWith(';'))
            chain.request(step.toLatin1());
        else
            QCOMPARE(chain.takeReplyTo(step.first(2).toLatin1()), step.endsWith('+'));
    }
    QTEST(line, "written");
    QTEST(discards, "discards");
}

QTEST_GUILESS_MAIN(ProtocolTest)
#include "tst_protocol.moc"
