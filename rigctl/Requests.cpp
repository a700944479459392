#include "Requests.h"

#include <cctype>

namespace Rigctl {

namespace {

class LineReader {
public:
    explicit LineReader(QByteArrayView line) : line_(line) {}

    bool atEnd() const { return position_ >= line_.size(); }
    char next() { return line_[position_++]; }
    char peek() const { return line_[position_]; }
    bool atBlank() const { return !atEnd() && std::isspace(static_cast<unsigned char>(peek())); }

    void skipBlanks() {
        while (atBlank()) ++position_;
    }

    QByteArray word() {
        const qsizetype start = position_;
        while (!atEnd() && !atBlank()) ++position_;
        return line_.sliced(start, position_ - start).toByteArray();
    }

    // The rest of the line, less the one blank that parts it from the command.
    QByteArray rest() {
        if (atBlank())
            ++position_;
        const QByteArray text = line_.sliced(position_).toByteArray();
        position_ = line_.size();
        return text;
    }

private:
    QByteArrayView line_;
    qsizetype position_ = 0;
};

// rigctld takes any punctuation but these as the separator of an extended answer.
bool isSeparatorPrefix(char c) {
    return std::ispunct(static_cast<unsigned char>(c)) && c != '\\' && c != '_' && c != '#' &&
           c != '(' && c != ')';
}

void readArguments(LineReader& reader, Request& request) {
    const int wanted = inputCount(*request.command);
    if (wanted > 0 && (request.command->flags & InLine)) {
        request.arguments << reader.rest();
        return;
    }
    for (int i = 0; i < wanted; ++i) {
        reader.skipBlanks();
        if (reader.atEnd()) {
            request.complete = false;
            return;
        }
        request.arguments << reader.word();
        if (i == 0 && request.arguments[0].startsWith('?')) {
            request.asksList = true;
            return;
        }
    }
}

}  // namespace

QList<Request> parseLine(QByteArrayView line) {
    QList<Request> requests;
    LineReader reader(line);
    Request request;  // its prefixes are read before its command
    while (true) {
        reader.skipBlanks();
        if (reader.atEnd())
            break;
        char c = reader.next();
        if (c == '#')
            break;
        if (c == '+') {
            request.extended = true;
            if (reader.atEnd() || reader.atBlank())
                continue;
            c = reader.next();
        }
        if (isSeparatorPrefix(c)) {
            request.extended = true;
            request.separator = c;
            if (reader.atEnd() || reader.atBlank())
                continue;
            c = reader.next();
        }
        request.command = c == '\\' ? commandByName(reader.word()) : commandByLetter(c);
        if (request.command)
            readArguments(reader, request);
        requests << request;
        request = Request();
    }
    return requests;
}

}  // namespace Rigctl
