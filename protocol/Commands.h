#pragma once

#include <QByteArray>

// Every command the panel sends to the radio: two capital letters, fixed-width decimal fields
// and ";". Each is built whole here and written in one go; the radio answers only ID, MR and IF.
namespace Command {

// Frequencies travel as 11 decimal digits of hertz.
constexpr qint64 kLargestFrequency = 99'999'999'999;
constexpr bool fitsFrequencyField(qint64 hz) {
    return hz >= 0 && hz <= kLargestFrequency;
}

QByteArray autoInformationOff();     // AI0;
QByteArray identify();               // ID;
QByteArray readMemory(int channel);  // MR00nn;
QByteArray status();                 // IF;
QByteArray selectVfoA();             // FN0;
QByteArray selectVfoB();             // FN1;
QByteArray selectMemory();           // FN2;
QByteArray stepUp();                 // UP;
QByteArray stepDown();               // DN;
QByteArray transmit();               // TX;
QByteArray receive();                // RX;
QByteArray scanOn();                 // SC1;
QByteArray scanOff();                // SC0;

// FA00014200000; for 14.2 MHz on VFO A; vfoLetter is 'A' or 'B'.
QByteArray setFrequency(char vfoLetter, qint64 hz);
// MD1; to MD6;
QByteArray setMode(char modeDigit);
// MC0nn;
QByteArray recallMemory(int channel);
// MW00 + channel + frequency + mode digit + 00000;  (24 characters)
QByteArray storeMemory(int channel, qint64 hz, char modeDigit);
// MW00 + channel + seventeen zeros + ;  (an empty channel)
QByteArray eraseMemory(int channel);

}  // namespace Command
