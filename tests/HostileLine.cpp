#include "HostileLine.h"

#include "Digits.h"
#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "RadioConversation.h"
#include "Radios.h"
#include "Replies.h"

#include <QLocale>
#include <QSerialPort>

#include <pty.h>
#include <unistd.h>

namespace {

const QString kNotConnected = QStringLiteral(" -> Non connecté.");
// Noise comes in pieces of up to a status report and a bit: enough to straddle any threshold.
constexpr int kLongestPiece = 48;
// A burst is up to 255 of these: more than the receive buffer holds, to make it overflow.
constexpr int kBurstUnit = 5;
const QByteArrayList kIdentities = [] {
    QByteArrayList identities{"ID005;", "ID004;\r"};
    for (const Radios::Radio& radio : Radios::all())
        identities << radio.identification.toByteArray();
    return identities;
}();
// Band edges, the largest, none, and one not all digits.
const QByteArrayList kFrequencies{"00000000000", "00000136000", "00007050000", "00014195000",
                                  "00144300000", "00432100000", "99999999999", "0001419S000"};

QString modeOr(char digit, const QString& otherwise) {
    const QString name = Modes::nameOf(digit);
    return name.isEmpty() ? otherwise : name;
}

}  // namespace

// The panel starts as the program starts it, on port 1, here a pseudo-terminal whose other end
// nobody reads: what the panel writes stays in its write buffer, counted.
HostileLine::HostileLine() {
    ::openpty(&master_, &slave_, nullptr, nullptr, nullptr);
    qputenv("TOVRAN_COM1", ::ttyname(slave_));
    panel_ = std::make_unique<FormControlTOVRAN>();
    line_ = &panel_->conversation()->line();
    port_ = line_->findChild<QSerialPort*>();
    chain_ = panel_->conversation()->findChild<RequestChain*>();
    // Our look after each receive event, once the conversation and the window have handled
    // it (deliver() takes the look before), and on every cell written.
    QObject::connect(line_, &SerialComm::onComm, panel_.get(), [this] { afterEvent(); });
    QObject::connect(panel_->GridMemoire, &QTableWidget::itemChanged, panel_.get(),
                     [this](QTableWidgetItem* cell) { touched_ << cell->row(); });
    if (!panel_->Form_Load(1))
        fail(QStringLiteral("the panel could not open its line"));
    queued_ = port_->bytesToWrite();
    for (int channel = 0; channel < 100; ++channel) rows_ << shown(channel).mid(7);
}

HostileLine::~HostileLine() {
    panel_.reset();
    ::close(slave_);
    ::close(master_);
}

QString HostileLine::play(QByteArrayView script) {
    if (port_->bytesToWrite() != queued_)
        fail(QStringLiteral("wrote %1 bytes unasked").arg(port_->bytesToWrite() - queued_));
    port_->clear(QSerialPort::Output);
    line_->input();  // back to the identification, as after the load
    heard_.clear();
    panel_->StatusBarTovran->setText(kNotConnected);
    panel_->conversation()->start();
    queued_ = port_->bytesToWrite();
    // The first byte of a step picks it; answers weigh most, so that scripts go deep.
    for (script_ = script; fault_.isEmpty() && !script_.isEmpty();) {
        const int step = next() % 8;
        if (step < 5) {  // mostly to the request outstanding; maybe in two pieces
            const QByteArray text = reply(step < 4 ? chain_->outstanding()
                                                   : QByteArrayList{"ID;", "MR0000;"}[next() % 2]);
            const qsizetype cut = std::min<qsizetype>(next() % (2 * text.size()), text.size());
            deliver(text.first(cut));
            deliver(text.sliced(cut));
        } else if (step == 5) {  // a burst
            const int units = next();
            deliver(QByteArray(units * kBurstUnit, char(next())));
        } else {  // noise
            const qsizetype length = next() % kLongestPiece + 1;
            deliver(script_.first(std::min(length, script_.size())).toByteArray());
            script_ = script_.sliced(std::min(length, script_.size()));
        }
    }
    for (int channel : std::exchange(touched_, {})) {
        if (shown(channel).mid(7) != rows_[channel])
            fail(QStringLiteral("row %1 reads %2").arg(channel).arg(shown(channel).join('|')));
    }
    return fault_;
}

quint8 HostileLine::next() {
    const quint8 byte = script_.isEmpty() ? 0 : script_.front();
    script_ = script_.sliced(std::min<qsizetype>(1, script_.size()));
    return byte;
}

// Mostly the right answer; now and then another channel (99 ends the read-out), another
// model, spoilt fields, and transmit or scan told by characters other than "0" and "1". The
// script is read in a fixed order, whatever order a compiler gives the operands of +.
QByteArray HostileLine::reply(const QByteArray& request) {
    if (request == "ID;")
        return kIdentities[next() % kIdentities.size()];
    const quint8 choice = next();
    const QByteArray frequency = kFrequencies[next() % kFrequencies.size()];
    const int number = next() % 101;  // 100: a channel field that is not a number
    const QByteArray channel =
        QByteArray::number(number).rightJustified(2, '0').replace("100", "4x");
    const quint8 flags = next();
    const char mode = char('0' + flags % 8);
    if (request.startsWith("MR"))  // MRs-ccfffffffffffml----;
        return "MR00" +
               (choice < 128   ? request.mid(4, 2)
                : choice < 192 ? QByteArray("99")
                               : channel) +
               frequency + mode + "00000;";
    // IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
    return "IF" + frequency + QByteArray(13, '0') + channel + "0102"[choice & 3] + mode +
           char('0' + (flags >> 3) % 4) + "0112"[(choice >> 2) & 3] + "00000;";
}

void HostileLine::deliver(const QByteArray& bytes) {
    heard_ += bytes.left(SerialComm::kReceiveBufferSize - heard_.size());
    if (bytes.isEmpty())
        return;
    // Whatever event these bytes raise, the panel is as it was before them when it comes.
    text_ = heard_;
    awaited_ = chain_->outstanding();
    before_ = shown(-1);
    line_->deliver(bytes);
}

// The panel writes its requests through the chain: the bytes it wrote and the request
// outstanding tell what went out.
void HostileLine::afterEvent() {
    const bool read = line_->commEvent() == SerialComm::Received;
    if (read)
        heard_.clear();
    const qsizetype wrote = port_->bytesToWrite() - queued_;
    queued_ = port_->bytesToWrite();
    QStringList expected = before_;
    const QByteArray due = read ? expect(expected) : QByteArray();
    const int channel = expected.size() > before_.size() ? text_.sliced(4, 2).toInt() : -1;
    if (wrote > 0 && (due.isEmpty() || wrote != due.size() || chain_->outstanding() != due))
        fail(QStringLiteral("after %1 (%2 awaited) wrote %3 bytes, %4 outstanding, %5 due")
                 .arg(text_, awaited_)
                 .arg(wrote)
                 .arg(chain_->outstanding(), due));
    else if (wrote == 0 && !due.isEmpty() && text_.mid(4, 2) == awaited_.mid(4, 2))
        fail(QStringLiteral("left %1 unanswered").arg(text_));  // another channel may be left
    if (wrote == 0)
        expected = before_ + (channel >= 0 ? rows_[channel] : QStringList());
    if (shown(channel) != expected)
        fail(QStringLiteral("after %1 the panel shows %2, not %3")
                 .arg(text_, shown(channel).join('|'), expected.join('|')));
    if (wrote > 0 && channel >= 0)
        rows_[channel] = expected.mid(before_.size());
    checked_ << (wrote == 0     ? QStringLiteral("dropped")
                 : channel >= 0 ? QStringLiteral("memory")
                                : QStringLiteral("identification or status"));
}

// What a sound panel does with the text it read: the request it sends next (none when the
// text is to be dropped), and what it shows then, with the row of a clean memory reply.
QByteArray HostileLine::expect(QStringList& shows) {
    const QByteArray& text = text_;
    if (before_[0] == kNotConnected) {
        if (!Reply::isIdentification(text))  // noise: "ID;" is asked again
            return {};
        shows[0] = Radios::identifiedBy(text).modelText() + " sur Com  1";
        shows[1] = QStringLiteral("LECT. MEM.");
        shows[6] = QStringLiteral("24");
        return awaited_ == "ID;" ? "MR0000;" : "";
    }
    if (text.size() >= 24 && text[23] == ';') {
        if (!Digits::only(text.sliced(4, 13)))
            return {};
        const int channel = text.sliced(4, 2).toInt();
        const qint64 hz = text.sliced(6, 11).toLongLong();
        shows << QString::fromLatin1(text.sliced(4, 2)) << (hz != 0 ? QString::number(hz) : "")
              << modeOr(text[17], rows_[channel][2]);
        if (channel == 99) {  // the read-out ends
            shows[4] = QStringLiteral("STD");
            shows[6] = QStringLiteral("38");
        }
        if (!awaited_.startsWith("MR"))
            return {};
        return channel < 99 ? "MR00" + QByteArray::number(channel + 1).rightJustified(2, '0') + ';'
                            : "IF;";
    }
    if (text.size() < 38 || text[37] != ';' || awaited_ != "IF;")
        return {};
    if (const QByteArray hz = text.sliced(2, 11); Digits::only(hz))
        shows[1] = hz.toLongLong() == 0 ? QStringLiteral("* * *")
                                        : QString::number(hz.toLongLong()).rightJustified(8, u'0');
    if (const char vfo = text[30]; vfo >= '0' && vfo <= '2')
        shows[2] = QStringList{"VFO A", "VFO B", "M." + text.sliced(26, 2)}[vfo - '0'];
    shows[3] = text[28] == '0' ? QStringLiteral("RX") : QStringLiteral("TX");
    shows[4] = text[31] == '1' ? QStringLiteral("SCAN") : QStringLiteral("STD");
    shows[5] = modeOr(text[29], shows[5]);
    return "IF;";
}

// The status line, the frequency's digits, the VFO or channel, RX/TX, scan, mode, threshold;
// then, for a channel, its row.
QStringList HostileLine::shown(int channel) const {
    static const QString separator = QLocale().groupSeparator();
    QStringList shows{panel_->StatusBarTovran->text(),
                      panel_->LabelFreq->text().remove(separator),
                      panel_->LabelVFO->text(),
                      panel_->LabelRxTx->text(),
                      panel_->LabelEtatScan->text(),
                      panel_->LabelMode->text(),
                      QString::number(line_->rThreshold())};
    for (int column = 0; channel >= 0 && column < MemoryGrid::kColumns; ++column)
        shows << panel_->GridMemoire->textMatrix(MemoryGrid::rowOf(channel), column)
                     .remove(separator);
    return shows;
}

void HostileLine::fail(const QString& what) {
    if (fault_.isEmpty())
        fault_ = what;
}
