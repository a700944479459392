// Golden transcripts of the rigctld-compatible server, one session per row, read from
// rigctl_transcripts.txt: what a client sends, what it gets back, what goes to the radio and
// what the radio reports meanwhile. No socket: the session is fed as its connection feeds it.

#include "Replies.h"
#include "Session.h"
#include "SharedRadio.h"

#include <QFile>
#include <QTest>

class RigctlTranscriptsTest : public QObject {
    Q_OBJECT

private slots:
    void transcript_data();
    void transcript();
};

void RigctlTranscriptsTest::transcript_data() {
    QTest::addColumn<QList<QByteArray>>("lines");
    QFile file(QStringLiteral(TRANSCRIPTS));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines;
    QByteArray name;
    const auto addRow = [&] {
        if (!name.isEmpty())
            QTest::newRow(name.constData()) << lines;
        lines.clear();
    };
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("== ")) {
            addRow();
            name = line.mid(3);
        } else if (!line.isEmpty() && !line.startsWith('#')) {
            lines << line;
        }
    }
    addRow();
}

// Each line is a mark and its text:
//   > a request line           < an answer line            ! a command written to the radio
//   @ ID004; (identification), @ IF...; (a status report), @ readout (the read-out ends),
//   @ late (no report for a while), @ silence (no fresh report in time), @ off (the panel finds
//   the radio silent), @ TX / @ RX (the operator's button), @ gone (the client disconnects)
//   x the server closes the connection
void RigctlTranscriptsTest::transcript() {
    QFETCH(QList<QByteArray>, lines);
    SharedRadio radio;
    QList<QByteArray> written;
    radio.setWrite([&](const QByteArray& command) { written << command; });
    Session session(radio);
    QList<QByteArray> answers;
    const auto takeAnswers = [&] {
        const QByteArray text = session.takeAnswers();
        if (!text.isEmpty())
            answers << text.chopped(text.endsWith('\n') ? 1 : 0).split('\n');
    };

    for (const QByteArray& line : lines) {
        const char mark = line.at(0);
        const QByteArray text = line.mid(2);
        if (mark == '>' || mark == 'x') {
            QVERIFY2(answers.isEmpty(), "unexpected answer: " + answers.value(0));
            QVERIFY2(written.isEmpty(), "unexpected command: " + written.value(0));
        }
        if (mark == '>')
            session.receive(text + '\n');
        else if (mark == '<')
            QCOMPARE(answers.isEmpty() ? QByteArray("(nothing)") : answers.takeFirst(), text);
        else if (mark == '!')
            QCOMPARE(written.isEmpty() ? QByteArray("(nothing)") : written.takeFirst(), text);
        else if (mark == 'x')
            QVERIFY(session.isClosing());
        else if (text == "readout")
            radio.readoutEnded();
        else if (text == "late")
            radio.reportOverdue();
        else if (text == "TX" || text == "RX")
            radio.operatorKeyed(text == "TX");
        else if (text == "silence")
            session.stopWaiting();
        else if (text == "off")
            radio.answeringChanged(false);
        else if (text == "gone")
            session.end();
        else if (text.startsWith("ID"))
            radio.identified(text);
        else
            radio.statusDecoded(Reply::readStatus(text));
        takeAnswers();
    }
    QVERIFY2(answers.isEmpty(), "unexpected answer: " + answers.value(0));
    QVERIFY2(written.isEmpty(), "unexpected command: " + written.value(0));
}

QTEST_GUILESS_MAIN(RigctlTranscriptsTest)
#include "tst_rigctl_transcripts.moc"
