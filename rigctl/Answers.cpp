#include "Answers.h"

namespace Rigctl {

namespace {

QByteArray report(int code) {
    return "RPRT " + QByteArray::number(code) + '\n';
}

// An extended answer starts by naming the command and repeating its arguments.
QByteArray echo(const Request& request) {
    QByteArray text = request.command->name + QByteArray(":");
    for (const QByteArray& argument : request.arguments) text += ' ' + argument;
    return text + request.separator;
}

QByteArray values(const Request& request, const Outcome& outcome) {
    const RigCommand& command = *request.command;
    const char end = (command.flags & EndsLine) ? '\n' : request.separator;
    QByteArray text;
    for (int i = 0; i < outcome.values.size(); ++i) {
        if (request.extended)
            text += answerLabel(command, i) + QByteArray(": ");
        text += outcome.values[i] + end;
    }
    return text + outcome.block;
}

}  // namespace

QByteArray formatAnswer(const Request& request, const Outcome& outcome) {
    if (!request.command)
        return report(kInvalid);
    const RigCommand& command = *request.command;
    if (command.action == Action::Quit)
        return report(kOk);
    const bool bare = command.flags & Bare;
    const QByteArray header = request.extended && !bare ? echo(request) : QByteArray();
    if (outcome.code != kOk)
        return header + report(outcome.code);
    QByteArray text = header + values(request, outcome);
    // A plain answer of values ends with the last value; anything else ends with its code.
    if (!bare && (request.extended || !answers(command)))
        text += report(kOk);
    return text;
}

QByteArray flag(bool on) {
    return on ? "1" : "0";
}

}  // namespace Rigctl
