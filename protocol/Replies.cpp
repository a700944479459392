#include "Replies.h"

#include "Digits.h"
#include "FrequencyText.h"

namespace {

// Character `position` (from 1) of a reply, or 0 past its end.
char at(QByteArrayView text, qsizetype position) {
    return position <= text.size() ? text[position - 1] : '\0';
}

QByteArrayView field(QByteArrayView text, qsizetype first, qsizetype last) {
    return text.sliced(first - 1, last - first + 1);
}

int leadingNumber(QByteArrayView text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "+0120", "-0050": anything else is spoilt.
std::optional<int> signedOffset(QByteArrayView text) {
    if (text.isEmpty() || (text[0] != '+' && text[0] != '-'))
        return std::nullopt;
    const std::optional<qint64> hz = FrequencyText::readField(text.sliced(1));
    if (!hz)
        return std::nullopt;
    return text[0] == '-' ? -int(*hz) : int(*hz);
}

}  // namespace

namespace Reply {

Shape shapeOf(QByteArrayView text) {
    if (at(text, kMemoryLength) == ';')
        return Shape::Memory;
    if (at(text, kStatusLength) == ';')
        return Shape::Status;
    return Shape::Neither;
}

bool isIdentification(QByteArrayView text) {
    return text.size() == kIdentificationLength && text.startsWith("ID") &&
           Digits::only(text.sliced(2, 3)) && text.endsWith(';');
}

Status readStatus(QByteArrayView text) {
    Q_ASSERT(text.size() >= kStatusLength);
    Status status;
    status.frequencyHz = FrequencyText::readField(field(text, 3, 13));
    status.offsetHz = signedOffset(field(text, 19, 23));
    status.ritOn = at(text, 24) == '1';
    status.xitOn = at(text, 25) == '1';
    status.memoryChannel = field(text, 27, 28).toByteArray();
    status.transmitting = at(text, 29) != '0';
    status.modeDigit = at(text, 30);
    status.vfo = at(text, 31);
    status.scanning = at(text, 32) == '1';
    status.split = at(text, 33) == '1';
    return status;
}

bool Memory::isClean() const {
    return channelText.size() == 2 && Digits::only(channelText) && frequencyHz.has_value();
}

Memory readMemory(QByteArrayView text) {
    Q_ASSERT(text.size() >= kMemoryLength);
    Memory memory;
    memory.channelText = field(text, 5, 6).toByteArray();
    memory.channel = leadingNumber(memory.channelText);
    memory.frequencyHz = FrequencyText::readField(field(text, 7, 17));
    memory.modeDigit = at(text, 18);
    return memory;
}

}  // namespace Reply
