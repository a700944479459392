#include "Session.h"

#include "Actions.h"
#include "Capabilities.h"
#include "Commands.h"

#include <algorithm>

using namespace Rigctl;

namespace {

// Request lines are printable ASCII; anything else is noise or another protocol.
bool isRequestText(QByteArrayView bytes) {
    return std::ranges::all_of(bytes, [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return (code >= 0x20 && code < 0x7f) || c == '\n' || c == '\r' || c == '\t';
    });
}

}  // namespace

Session::Session(SharedRadio& radio) : radio_(radio) {}

void Session::receive(QByteArrayView bytes) {
    if (closing_)
        return;
    closing_ = !isRequestText(bytes);
    unread_ += bytes;
    for (qsizetype end = unread_.indexOf('\n'); end >= 0 && !closing_;
         end = unread_.indexOf('\n')) {
        closing_ = end > kLongestLine;
        requests_ += parseLine(QByteArrayView(unread_).first(end));
        unread_.remove(0, end + 1);
    }
    closing_ = closing_ || unread_.size() > kLongestLine;
    run();
}

QByteArray Session::takeAnswers() {
    return std::exchange(answers_, {});
}

void Session::setWritten(SharedRadio::SetKind kind, quint64 first, quint64 last,
                         quint64 reportsBefore) {
    const auto mine = unwritten_.find(kind);
    if (mine == unwritten_.end() || mine->second < first || mine->second > last)
        return;
    unwritten_.erase(mine);
    freshFrom_ = std::max(freshFrom_, reportsBefore + SharedRadio::kReportsToFresh);
}

void Session::reported() {
    if (waiting_)
        run();
}

void Session::stopWaiting() {
    unwritten_.clear();
    freshFrom_ = 0;
    if (!waiting_)
        return;
    answers_ += formatAnswer(requests_.takeFirst(), {kTimedOut});
    waiting_ = false;
    run();
}

void Session::end() {
    if (keyed_)
        radio_.submit(SharedRadio::SetKind::Transmit, ::Command::receive());
    keyed_ = false;
}

void Session::run() {
    while (!requests_.isEmpty() && !closing_) {
        const Request& next = requests_.first();
        waiting_ = next.command && readsStatus(next.command->action) && mustWait();
        if (waiting_)
            return;
        answers_ += answer(requests_.takeFirst());
    }
}

bool Session::mustWait() const {
    return !unwritten_.empty() || radio_.reports() < freshFrom_;
}

QByteArray Session::answer(const Request& request) {
    Outcome outcome{kInvalid};
    if (request.command && request.complete) {
        const Action action = request.command->action;
        // A radio gone silent is answered as rigctld answers it: its reply timed out.
        const bool needsRadio = readsStatus(action) || setsRadio(action);
        outcome = request.asksList                  ? listAsked(request, radio_.model())
                  : needsRadio && radio_.isSilent() ? Outcome{kTimedOut}
                  : readsStatus(action)             ? readStatus(request, radio_)
                  : setsRadio(action)               ? set(request)
                                                    : local(request);
    }
    return formatAnswer(request, outcome);
}

Outcome Session::set(const Request& request) {
    // rigctld leaves the mode alone while a client holds it locked.
    if (request.command->action == Action::SetMode && modeLocked_)
        return {};
    const std::variant<QList<RadioSet>, int> result = radioSet(request, radio_);
    if (const int* code = std::get_if<int>(&result))
        return {*code};
    for (const RadioSet& radioSet : std::get<QList<RadioSet>>(result)) {
        const quint64 number = radio_.submit(radioSet.kind, radioSet.command);
        if (radio_.isPending(radioSet.kind))
            unwritten_[radioSet.kind] = number;
        else
            freshFrom_ = std::max(freshFrom_, radio_.reports() + SharedRadio::kReportsToFresh);
        if (radioSet.kind == SharedRadio::SetKind::Transmit)
            keyed_ = radioSet.command == ::Command::transmit();
    }
    return {};
}

// What the server answers by itself.
Outcome Session::local(const Request& request) {
    switch (request.command->action) {
        case Action::Quit:
            closing_ = true;
            return {};
        case Action::CheckVfo:
            return {kOk, {"0"}};  // no VFO argument on the commands
        case Action::DumpState:
            return {kOk, {}, dumpState(radio_.model())};
        case Action::DumpCaps:
            return {kOk, {}, dumpCaps(radio_.model())};
        case Action::GetVfoList:
            return vfoList();
        case Action::GetModes:
            return modesAndPassbands(radio_.model());
        case Action::GetPowerStatus:
            return {kOk, {flag(radio_.isAnswering())}};
        case Action::GetLockMode:
            return {kOk, {flag(modeLocked_)}};
        case Action::SetLockMode: {
            bool isNumber = false;
            const int locked = request.arguments[0].toInt(&isNumber);
            if (!isNumber)
                return {kInvalid};
            modeLocked_ = locked != 0;
            return {};
        }
        default:
            return {kUnavailable};
    }
}
