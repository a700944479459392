#include "Commands.h"

#include "Digits.h"

namespace {

QByteArray channelField(int channel) {
    Q_ASSERT(channel >= 0 && channel <= 99);
    return Digits::padded(channel, 2);
}

QByteArray frequencyField(qint64 hz) {
    Q_ASSERT(Command::fitsFrequencyField(hz));
    return Digits::padded(hz, 11);
}

}  // namespace

namespace Command {

QByteArray autoInformationOff() {
    return "AI0;";
}
QByteArray identify() {
    return "ID;";
}
QByteArray readMemory(int channel) {
    return "MR00" + channelField(channel) + ';';
}
QByteArray status() {
    return "IF;";
}
QByteArray selectVfoA() {
    return "FN0;";
}
QByteArray selectVfoB() {
    return "FN1;";
}
QByteArray selectMemory() {
    return "FN2;";
}
QByteArray stepUp() {
    return "UP;";
}
QByteArray stepDown() {
    return "DN;";
}
QByteArray transmit() {
    return "TX;";
}
QByteArray receive() {
    return "RX;";
}
QByteArray scanOn() {
    return "SC1;";
}
QByteArray scanOff() {
    return "SC0;";
}

QByteArray setFrequency(char vfoLetter, qint64 hz) {
    Q_ASSERT(vfoLetter == 'A' || vfoLetter == 'B');
    return 'F' + QByteArray(1, vfoLetter) + frequencyField(hz) + ';';
}

QByteArray setMode(char modeDigit) {
    return "MD" + QByteArray(1, modeDigit) + ';';
}

QByteArray recallMemory(int channel) {
    return "MC0" + channelField(channel) + ';';
}

QByteArray storeMemory(int channel, qint64 hz, char modeDigit) {
    return "MW00" + channelField(channel) + frequencyField(hz) + QByteArray(1, modeDigit) +
           "00000;";
}

QByteArray eraseMemory(int channel) {
    return "MW00" + channelField(channel) + "00000000000000000;";
}

}  // namespace Command
