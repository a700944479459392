#include "KeyCodes.h"

#include <QKeyEvent>

qint16 characterCode(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return KeyCode::kEnter;
        case Qt::Key_Backspace:
            return KeyCode::kBackspace;
        default:
            break;
    }
    // The other keys outside the typewriter block type nothing here, whatever text the
    // platform gives them (X11 gives Delete the character 127): they move and edit as usual.
    if (event->key() >= Qt::Key_Escape && event->key() != Qt::Key_unknown)
        return 0;
    if (event->modifiers().testFlag(Qt::ControlModifier) && event->key() >= Qt::Key_A &&
        event->key() <= Qt::Key_Z)
        return qint16(event->key() - Qt::Key_A + 1);
    const QString text = event->text();
    return text.isEmpty() ? 0 : qint16(text.at(0).unicode());
}
