#pragma once

#include <QtGlobal>

class QKeyEvent;

// The operator's key handlers see the typed character's code, as the radio-control
// programs of old did; setting it to 0 swallows the key.
namespace KeyCode {
constexpr qint16 kBackspace = 8;
constexpr qint16 kEnter = 13;
constexpr qint16 kSpace = 32;
constexpr qint16 kPlus = 43;
constexpr qint16 kMinus = 45;
}  // namespace KeyCode

// The character a key press types: Enter 13, Backspace 8, Ctrl+V 22 and so on; 0 for keys
// that type nothing (Delete, arrows, Home, End, Tab, function keys), which reach no key
// handler.
qint16 characterCode(const QKeyEvent* event);
