#pragma once

#include "CommandTable.h"

#include <QByteArray>
#include <QList>

// Request lines as rigctld reads them: several commands may share a line, each a letter or a
// backslash and a long name, followed by its arguments; a leading "+" asks for the extended
// answer, and a leading punctuation character for the extended answer with that character as
// separator; "#" starts a comment. A first argument "?" asks for the list of what may be set
// or read (modes, functions, levels), and the other arguments are not read.
namespace Rigctl {

struct Request {
    const RigCommand* command = nullptr;  // nothing: the client named no command we know
    QList<QByteArray> arguments;
    bool complete = true;   // every argument the command reads was on the line
    bool asksList = false;  // "?" for the first argument: what the radio has, and no more read
    bool extended = false;
    char separator = '\n';
};

// One line, without its line end.
QList<Request> parseLine(QByteArrayView line);

}  // namespace Rigctl
