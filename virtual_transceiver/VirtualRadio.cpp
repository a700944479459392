#include "VirtualRadio.h"

#include "PseudoTerminal.h"

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
      m_terminal(new PseudoTerminal(this)),
      m_line(new SerialLine(m_terminal, this)),
      m_transceiver(model) {
    connect(m_terminal, &PseudoTerminal::received, this, &VirtualRadio::receive);
    connect(m_line, &SerialLine::sent, this, &VirtualRadio::replySent);
}

bool VirtualRadio::open(QString* error) {
    return m_terminal->open(error);
}

bool VirtualRadio::linkAs(const QString& path) {
    return m_terminal->linkAs(path);
}

void VirtualRadio::close() {
    m_line->discard();
    m_terminal->close();
    m_command.clear();
}

QString VirtualRadio::devicePath() const {
    return m_terminal->slavePath();
}

void VirtualRadio::setPaced(bool paced) {
    m_line->setPaced(paced);
}

QList<QByteArray> VirtualRadio::receivedCommands() const {
    QList<QByteArray> commands;
    qsizetype start = 0;
    for (qsizetype end = m_received.indexOf(';'); end >= 0; end = m_received.indexOf(';', start)) {
        commands.append(m_received.sliced(start, end + 1 - start));
        start = end + 1;
    }
    return commands;
}

void VirtualRadio::setPoweredOn(bool on) {
    m_poweredOn = on;
    if (!on)
        m_line->discard();
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
    m_misreadChannels.append(channel);
}

void VirtualRadio::sendStray(const QByteArray& bytes) {
    m_terminal->write(bytes);
}

void VirtualRadio::addFault(Fault::Kind kind, int n, int characters,
                            std::chrono::milliseconds wait) {
    m_faults.append({kind, m_replies + n, characters, wait});
}

// Bytes come in whatever pieces the line delivers; a command ends at its ";".
void VirtualRadio::receive(const QByteArray& bytes) {
    m_received += bytes;
    for (char character : bytes) {
        const SerialLine::Time arrived = m_line->characterArrived();
        m_command += character;
        if (character == ';')
            obey(std::exchange(m_command, {}), arrived);
        else if (m_command.size() >= kLongestCommand)
            m_command.clear();
    }
}

void VirtualRadio::obey(const QByteArray& command, SerialLine::Time arrived) {
    emit commandReceived(command);
    if (!m_poweredOn)
        return;
    const QByteArray answer = m_transceiver.execute(command);
    if (!answer.isEmpty())
        reply(answer, arrived);
}

// The reply starts once its command is in, after whatever the line is still carrying.
void VirtualRadio::reply(const QByteArray& text, SerialLine::Time commandArrived) {
    const qint64 number = ++m_replies;
    Outgoing outgoing{text, commandArrived};
    misread(outgoing.text);
    for (const Fault& fault : std::as_const(m_faults)) {
        if (fault.reply == number)
            spoil(outgoing, fault);
    }
    m_faults.removeIf([number](const Fault& fault) { return fault.reply <= number; });
    if (outgoing.text.isEmpty())
        return;
    const bool splits = outgoing.splitAt > 0 && outgoing.splitAt < outgoing.text.size();
    const qsizetype restAt = splits ? outgoing.splitAt : 0;
    if (splits) {
        m_line->send(outgoing.text.first(restAt), outgoing.start);
        outgoing.start = m_line->busyUntil() + outgoing.pause;
    }
    m_line->send(outgoing.text.sliced(restAt), outgoing.start, outgoing.text);
}

// MRs-ccfffffffffffml----;  the last digit of the frequency is off by one
// 123456789012345678901234
void VirtualRadio::misread(QByteArray& text) {
    constexpr qsizetype kChannelAt = 4;
    constexpr qsizetype kLastFrequencyDigitAt = 16;
    if (!text.startsWith("MR") || text.size() <= kLastFrequencyDigitAt)
        return;
    if (!m_misreadChannels.removeOne(text.mid(kChannelAt, 2).toInt()))
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
