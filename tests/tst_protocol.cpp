// The protocol's pieces on their own: command texts, frequency texts in several locales, the
// reading of replies at their fixed positions, and the request chain's recovery.

#include "Commands.h"
#include "FrequencyText.h"
#include "Replies.h"
#include "RequestChain.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

class ProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void commandTexts_data();
    void commandTexts();
    void frequencyTexts_data();
    void frequencyTexts();
    void readingTextsBack_data();
    void readingTextsBack();
    void replyShapes_data();
    void replyShapes();
    void identification_data();
    void identification();
    void statusFields();
    void memoryFields();

    void timedOutRequestIsRepeatedOnAnEmptyBuffer();
    void lateReplyAfterARepeatDoesNotForkTheChain();
    void replyToAnotherRequestAnswersNothing();
};

void ProtocolTest::commandTexts_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("14.2 MHz on VFO A")
        << Command::setFrequency('A', 14'200'000) << QByteArray("FA00014200000;");
    QTest::newRow("7.05 MHz on VFO B")
        << Command::setFrequency('B', 7'050'000) << QByteArray("FB00007050000;");
    QTest::newRow("144.3 MHz keeps its leading digits")
        << Command::setFrequency('A', 144'300'000) << QByteArray("FA00144300000;");
    QTest::newRow("store 14.2 MHz USB in 05")
        << Command::storeMemory(5, 14'200'000, '2') << QByteArray("MW000500014200000200000;");
    QTest::newRow("erase 12") << Command::eraseMemory(12) << QByteArray("MW001200000000000000000;");
    QTest::newRow("recall 07") << Command::recallMemory(7) << QByteArray("MC007;");
    QTest::newRow("read after 41") << Command::readMemory(42) << QByteArray("MR0042;");
    QTest::newRow("read 00") << Command::readMemory(0) << QByteArray("MR0000;");
    QTest::newRow("mode FSK") << Command::setMode('6') << QByteArray("MD6;");
    QTest::newRow("status") << Command::status() << QByteArray("IF;");
    QTest::newRow("reports off") << Command::autoInformationOff() << QByteArray("AI0;");
}

void ProtocolTest::commandTexts() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);
    QCOMPARE(command, expected);
    if (command.startsWith("MW"))
        QCOMPARE(command.size(), 24);
}

void ProtocolTest::frequencyTexts_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint64>("hz");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("grouped");
    QTest::newRow("en 20 m") << "en_US" << qint64(14'195'000) << "14,195,000"
                             << "14,195,000";
    QTest::newRow("en 40 m") << "en_US" << qint64(7'050'000) << "07,050,000"
                             << "7,050,000";
    QTest::newRow("en LF") << "en_US" << qint64(136'000) << "00,136,000"
                           << "136,000";
    QTest::newRow("en 2 m") << "en_US" << qint64(144'300'000) << "144,300,000"
                            << "144,300,000";
    QTest::newRow("en zero") << "en_US" << qint64(0) << "00,000,000"
                             << "";
    QTest::newRow("C locale still groups") << "C" << qint64(7'050'000) << "07,050,000"
                                           << "7,050,000";
    QTest::newRow("de 40 m") << "de_DE" << qint64(7'050'000) << "07.050.000"
                             << "7.050.000";
    QTest::newRow("fr 70 cm") << "fr_FR" << qint64(432'100'000) << "432\u202f100\u202f000"
                              << "432\u202f100\u202f000";
}

void ProtocolTest::frequencyTexts() {
    QFETCH(QString, locale);
    QFETCH(qint64, hz);
    QFETCH(QString, display);
    QFETCH(QString, grouped);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(FrequencyText::display(hz), display);
    QCOMPARE(FrequencyText::grouped(hz), grouped);
    QCOMPARE(FrequencyText::read(display), hz);
    if (hz != 0)
        QCOMPARE(FrequencyText::read(grouped), hz);
}

void ProtocolTest::readingTextsBack_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("hz");  // -1: not a number
    QTest::newRow("plain digits") << "en_US"
                                  << "14200000" << qint64(14'200'000);
    QTest::newRow("another locale's separator is not ours") << "de_DE"
                                                            << "14,200,000" << qint64(-1);
    QTest::newRow("placeholder") << "en_US"
                                 << "* * *" << qint64(-1);
    QTest::newRow("read-out caption") << "en_US"
                                      << "LECT. MEM." << qint64(-1);
    QTest::newRow("empty") << "en_US"
                           << "" << qint64(-1);
    QTest::newRow("sign") << "en_US"
                          << "-7,050,000" << qint64(-1);
    QTest::newRow("wider than the line's field") << "en_US"
                                                 << "123,456,789,012" << qint64(-1);
}

void ProtocolTest::readingTextsBack() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(qint64, hz);
    QLocale::setDefault(QLocale(locale));
    const std::optional<qint64> read = FrequencyText::read(text);
    QCOMPARE(read.has_value(), hz >= 0);
    if (read)
        QCOMPARE(*read, hz);
}

void ProtocolTest::replyShapes_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("shape");
    QTest::newRow("memory") << QByteArray("MR000700007050000100000;") << int(Reply::Shape::Memory);
    QTest::newRow("status") << QByteArray("IF00014195000000000000000005020000000;")
                            << int(Reply::Shape::Status);
    QTest::newRow("38 characters with ; at 24 is a memory reply")
        << QByteArray("MR000700007050000100000;00000000000000") << int(Reply::Shape::Memory);
    QTest::newRow("24 characters without ;") << QByteArray(24, '0') << int(Reply::Shape::Neither);
    QTest::newRow("30 characters") << QByteArray(30, '0') << int(Reply::Shape::Neither);
    QTest::newRow("identification") << QByteArray("ID004;") << int(Reply::Shape::Neither);
    QTest::newRow("empty") << QByteArray() << int(Reply::Shape::Neither);
}

void ProtocolTest::replyShapes() {
    QFETCH(QByteArray, text);
    QFETCH(int, shape);
    QCOMPARE(int(Reply::shapeOf(text)), shape);
}

void ProtocolTest::identification_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("model");
    QTest::newRow("TS-440") << QByteArray("ID004;") << " -> Kenwood TS-440";
    QTest::newRow("TS-940") << QByteArray("ID001;") << " -> Kenwood TS-940";
    QTest::newRow("TS-811") << QByteArray("ID002;") << " -> Kenwood TS-811";
    QTest::newRow("TS-711") << QByteArray("ID003;") << " -> Kenwood TS-711";
    QTest::newRow("unknown number") << QByteArray("ID005;") << " -> Inconnu";
    QTest::newRow("carriage return after") << QByteArray("ID004;\r") << " -> Inconnu";
    QTest::newRow("lower case") << QByteArray("id004;") << " -> Inconnu";
    QTest::newRow("half a reply") << QByteArray("ID0") << " -> Inconnu";
}

void ProtocolTest::identification() {
    QFETCH(QByteArray, text);
    QFETCH(QString, model);
    QCOMPARE(Reply::modelText(text), model);
}

void ProtocolTest::statusFields() {
    // IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
    const Reply::Status report = Reply::readStatus("IF00144300000000000000000007113000000;");
    QCOMPARE(report.frequencyHz, std::optional<qint64>(144'300'000));
    QCOMPARE(report.memoryChannel, QByteArray("07"));
    QVERIFY(report.transmitting);
    QCOMPARE(report.modeDigit, '1');
    QCOMPARE(report.vfo, '3');
    QVERIFY(!report.scanning);

    const Reply::Status garbled = Reply::readStatus("IF0001419X000000000000000000020000000;");
    QVERIFY(!garbled.frequencyHz.has_value());
}

void ProtocolTest::memoryFields() {
    const Reply::Memory filled = Reply::readMemory("MR000700007050000100000;");
    QCOMPARE(filled.channel, 7);
    QCOMPARE(filled.channelText, QByteArray("07"));
    QCOMPARE(filled.frequencyHz, std::optional<qint64>(7'050'000));
    QCOMPARE(filled.modeDigit, '1');

    const Reply::Memory odd = Reply::readMemory("MR004x00000000000000000;");
    QCOMPARE(odd.channel, 4);
    QCOMPARE(Reply::readMemory("MR00x400000000000000000;").channel, 0);
}

// A radio that does not answer: everything written is kept, the receive buffer is a flag.
struct SilentLine {
    QList<QByteArray> written;
    int discards = 0;
    RequestChain chain{[this](const QByteArray& command) { written << command; },
                       [this] { ++discards; }};
};

void ProtocolTest::timedOutRequestIsRepeatedOnAnEmptyBuffer() {
    SilentLine line;
    line.chain.request("IF;");
    QCOMPARE(line.written, QList<QByteArray>{"IF;"});
    QVERIFY(QTest::qWaitFor([&] { return line.written.size() == 2; }, 3000));
    QCOMPARE(line.written.last(), QByteArray("IF;"));
    QCOMPARE(line.discards, 1);
    QCOMPARE(line.chain.outstanding(), QByteArray("IF;"));
}

void ProtocolTest::lateReplyAfterARepeatDoesNotForkTheChain() {
    SilentLine line;
    line.chain.request("MR0041;");
    QVERIFY(QTest::qWaitFor([&] { return line.written.size() == 2; }, 3000));

    // The late reply to the first request comes in; the reply to the repeat is still to come.
    QVERIFY(line.chain.takeReplyTo("MR"));
    line.chain.request("MR0042;");
    QCOMPARE(line.written.size(), 2);        // held while the line settles
    QVERIFY(!line.chain.takeReplyTo("MR"));  // the repeat's own reply answers nothing
    QVERIFY(QTest::qWaitFor([&] { return line.written.size() == 3; }, 3000));
    QCOMPARE(line.written.last(), QByteArray("MR0042;"));
    QCOMPARE(line.chain.outstanding(), QByteArray("MR0042;"));
    QVERIFY(line.chain.takeReplyTo("MR"));
    QVERIFY(!line.chain.takeReplyTo("MR"));
}

void ProtocolTest::replyToAnotherRequestAnswersNothing() {
    SilentLine line;
    line.chain.request("MR0000;");
    QVERIFY(!line.chain.takeReplyTo("IF"));
    QVERIFY(line.chain.takeReplyTo("MR"));
    line.chain.request("IF;");
    QCOMPARE(line.written, (QList<QByteArray>{"MR0000;", "IF;"}));
}

QTEST_GUILESS_MAIN(ProtocolTest)
#include "tst_protocol.moc"
