#include "VirtualRadio.h"

#include "PseudoTerminal.h"
#include "Uart.h"

#include <utility>

namespace {

// MW, the longest command, has 24 characters: a longer text without ";" is noise, and the
// radio starts listening afresh.
constexpr qsizetype kLongestCommand = 24;
// Takes the place of a garbled reply's ";", so that the text fits no reply at all.
constexpr char kGarbledEnd = '#';

}  // namespace

VirtualRadio::VirtualRadio(Model model, QObject* parent)
    : QObject(parent),
      terminal_(new PseudoTerminal(this)),
      line_(new SerialLine(terminal_, this)),
      transceiver_(model) {
    connect(terminal_, &PseudoTerminal::received, this, &VirtualRadio::receive);
    connect(line_, &SerialLine::sent, this, &VirtualRadio::replySent);
}

bool VirtualRadio::open(QString* error) {
    return terminal_->open(error);
}

bool VirtualRadio::linkAs(const QString& path) {
    return terminal_->linkAs(path);
}

void VirtualRadio::close() {
    line_->discard();
    terminal_->close();
    command_.clear();
}

QString VirtualRadio::devicePath() const {
    return terminal_->slavePath();
}

void VirtualRadio::setPaced(bool paced) {
    line_->setPaced(paced);
}

void VirtualRadio::setBaud(int baud) {
    line_->setBaud(baud);
}

int VirtualRadio::baud() const {
    return line_->baud();
}

void VirtualRadio::leaveStaleTail(int characters) {
    terminal_->write(transceiver_.execute("IF;").right(characters));
}

QList<QByteArray> VirtualRadio::receivedCommands() const {
    QList<QByteArray> commands;
    qsizetype start = 0;
    for (qsizetype end = received_.indexOf(';'); end >= 0; end = received_.indexOf(';', start)) {
        commands.append(received_.sliced(start, end + 1 - start));
        start = end + 1;
    }
    return commands;
}

void VirtualRadio::setPoweredOn(bool on) {
    poweredOn_ = on;
    if (!on)
        line_->discard();
}

void VirtualRadio::dropReply(int n) {
    addFault(Fault::Kind::Drop, n);
}

void VirtualRadio::garbleReply(int n) {
    addFault(Fault::Kind::Garble, n);
}

void VirtualRadio::truncateReply(int n, int keep) {
    addFault(Fault::Kind::Truncate, n, keep);
}

void VirtualRadio::splitReply(int n, int at, std::chrono::milliseconds pause) {
    addFault(Fault::Kind::Split, n, at, pause);
}

void VirtualRadio::delayReply(int n, std::chrono::milliseconds delay) {
    addFault(Fault::Kind::Delay, n, 0, delay);
}

void VirtualRadio::misreadMemoryOnce(int channel) {
    misreadChannels_.append(channel);
}

void VirtualRadio::sendStray(const QByteArray& bytes) {
    terminal_->write(bytes);
}

void VirtualRadio::addFault(Fault::Kind kind, int n, int characters,
                            std::chrono::milliseconds wait) {
    faults_.append({kind, replies_ + n, characters, wait});
}

// Bytes come in whatever pieces the line delivers; a command ends at its ";".
void VirtualRadio::receive(const QByteArray& bytes) {
    received_ += bytes;
    for (char character : bytes) {
        const SerialLine::Time arrived = line_->characterArrived();
        command_ += character;
        if (character == ';')
            obey(std::exchange(command_, {}), arrived);
        else if (command_.size() >= kLongestCommand)
            command_.clear();
    }
}

void VirtualRadio::obey(const QByteArray& command, SerialLine::Time arrived) {
    emit commandReceived(command);
    if (!poweredOn_ || hookup_ == Hookup::NoInterface)
        return;
    if (command == "IF;")
        noteStatusRequest(arrived);
    const QByteArray answer = transceiver_.execute(command);
    if (!answer.isEmpty() && hookup_ != Hookup::WaitsForCts)
        reply(answer, arrived);
}

void VirtualRadio::noteStatusRequest(SerialLine::Time arrived) {
    statusRequestTimes_.append(arrived);
    if (!transceiver_.pollingDisturbsKeying())
        return;
    ++keyingDisturbances_;
    emit keyingDisturbed();
}

// The reply starts once its command is in, after whatever the line is still carrying.
void VirtualRadio::reply(const QByteArray& text, SerialLine::Time commandArrived) {
    const qint64 number = ++replies_;
    Outgoing outgoing{text, commandArrived};
    misread(outgoing.text);
    for (const Fault& fault : std::as_const(faults_)) {
        if (fault.reply == number)
            spoil(outgoing, fault);
    }
    faults_.removeIf([number](const Fault& fault) { return fault.reply <= number; });
    if (outgoing.text.isEmpty())
        return;
    const bool splits = outgoing.splitAt > 0 && outgoing.splitAt < outgoing.text.size();
    const qsizetype restAt = splits ? outgoing.splitAt : 0;
    if (splits) {
        transmit(outgoing.text.first(restAt), outgoing.start, {});
        outgoing.start = line_->busyUntil() + outgoing.pause;
    }
    transmit(outgoing.text.sliced(restAt), outgoing.start, outgoing.text);
}

// The characters as the panel's end of the line reads them, at the speed it has set.
void VirtualRadio::transmit(const QByteArray& text, SerialLine::Time notBefore,
                            const QByteArray& message) {
    const int panelBaud = terminal_->receiverBaud();
    const Uart::Wire wire{line_->baud(), panelBaud > 0 ? panelBaud : line_->baud(),
                          hookup_ == Hookup::NotInverted};
    line_->send(Uart::received(text, wire), notBefore, message, text.size());
}

// MRs-ccfffffffffffml----;  the last digit of the frequency is off by one
// 123456789012345678901234
void VirtualRadio::misread(QByteArray& text) {
    constexpr qsizetype kChannelAt = 4;
    constexpr qsizetype kLastFrequencyDigitAt = 16;
    if (!text.startsWith("MR") || text.size() <= kLastFrequencyDigitAt)
        return;
    if (!misreadChannels_.removeOne(text.mid(kChannelAt, 2).toInt()))
        return;
    char& digit = text[kLastFrequencyDigitAt];
    digit = digit == '9' ? '8' : char(digit + 1);
}

void VirtualRadio::spoil(Outgoing& outgoing, const Fault& fault) {
    switch (fault.kind) {
        case Fault::Kind::Drop:
            outgoing.text.clear();
            break;
        case Fault::Kind::Garble:
            if (!outgoing.text.isEmpty())
                outgoing.text.back() = kGarbledEnd;
            break;
        case Fault::Kind::Truncate:
            outgoing.text.truncate(fault.characters);
            break;
        case Fault::Kind::Split:
            outgoing.splitAt = fault.characters;
            outgoing.pause = fault.wait;
            break;
        case Fault::Kind::Delay:
            outgoing.start += fault.wait;
            break;
    }
}
