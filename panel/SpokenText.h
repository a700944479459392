#pragma once

#include <QString>

// What a screen reader says for the panel's captions: French words and numbers spoken whole,
// never the display's abbreviations ("M.05", "5 Khz", "* *").
namespace SpokenText {

QString frequency(const QString& caption);          // "Fréquence 14 200 000 hertz"
QString vfoOrMemory(const QString& caption);        // "VFO A", "Mémoire 05"
QString mode(const QString& caption);               // "Mode USB"
QString receiveOrTransmit(const QString& caption);  // "Réception", "Émission"
QString scanState(const QString& caption);          // "Balayage arrêté", "Balayage en cours"
QString step(const QString& caption);               // "Pas : 5 kHz"
QString transmitButton(const QString& caption);     // "Émettre", "Recevoir"
QString scanButton(const QString& caption);         // "Balayage", "Arrêter le balayage"
QString statusLine(const QString& text);            // "Kenwood TS-440 sur Com 1, pas de réponse"

// A cell of the memory table, by its column: the channel, then what the channel holds.
QString memoryCell(int column, int channel, const QString& frequencyText, const QString& modeText);

}  // namespace SpokenText
