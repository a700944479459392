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

Session::Session(SharedRadio& radio, QObject* parent)
    : QObject(parent), radio_(radio), client_(radio.join()) {
    wait_.setSingleShot(true);
    wait_.setInterval(kFreshReportWait);
    connect(&wait_, &QTimer::timeout, this, &Session::stopWaiting);
    connect(&radio, &SharedRadio::written, this, &Session::setWritten);
    connect(&radio, &SharedRadio::dropped, this, &Session::setDropped);
    connect(&radio, &SharedRadio::reported, this, &Session::reported);
    connect(&radio, &SharedRadio::silenced, this, &Session::stopWaiting);
}

void Session::receive(QByteArrayView bytes) {
    if (closing_)
        return;
    closing_ = !isRequestText(bytes);
    unread_ += bytes;
    run();
}

QByteArray Session::takeAnswers() {
    return std::exchange(answers_, {});
}

void Session::resume() {
    run();
}

void Session::setWritten(SharedRadio::SetKind kind, quint64 first, quint64 last,
                         quint64 reportsBefore) {
    for (Held& held : held_) {
        const auto mine = held.unwritten.find(kind);
        if (mine == held.unwritten.end() || mine->second < first || mine->second > last)
            continue;
        held.unwritten.erase(mine);
        freshFrom_ = std::max(freshFrom_, reportsBefore + SharedRadio::kReportsToFresh);
    }
    settle();
}

// A request whose set will not go out is answered with the error, and its other set, if it
// had two, is withdrawn with it.
void Session::setDropped(SharedRadio::SetKind kind, quint64 first, quint64 last) {
    Sets withdrawn;
    for (Held& held : held_) {
        const auto mine = held.unwritten.find(kind);
        if (mine != held.unwritten.end() && mine->second >= first && mine->second <= last) {
            held.unwritten.erase(mine);
            fail(held, withdrawn);
        }
    }
    withdraw(withdrawn);
}

void Session::fail(Held& held, Sets& withdrawn) {
    withdrawn.append({held.unwritten.begin(), held.unwritten.end()});
    held.unwritten.clear();
    held.answer = held.timedOut;
}

void Session::withdraw(const Sets& sets) {
    for (const auto& [kind, number] : sets) radio_.withdraw(kind, number);
    settle();
}

void Session::reported() {
    if (readWaits_)
        settle();
}

void Session::stopWaiting() {
    Sets withdrawn;
    for (Held& held : held_) {
        if (!held.unwritten.empty())
            fail(held, withdrawn);
    }
    if (readWaits_)
        held_.append({formatAnswer(requests_.takeFirst(), {kTimedOut}), {}, {}});
    readWaits_ = false;
    freshFrom_ = 0;
    withdraw(withdrawn);
}

void Session::end() {
    radio_.leave(client_);
}

// What waited goes on from the radio's signals; the connection hears of the answers.
void Session::settle() {
    if (running_)
        return;  // run() is answering already, and takes what changed in turn
    run();
    emit answersReady();
}

void Session::run() {
    running_ = true;
    readWaits_ = false;
    const qsizetype answeredBefore = answers_.size();
    release();
    while (!closing_ && answers_.size() < kAnswersAtOnce) {
        if (requests_.isEmpty()) {
            if (!takeLine())
                break;
            continue;
        }
        const Request& next = requests_.first();
        readWaits_ = next.command && readsStatus(next.command->action) && mustWait();
        if (readWaits_)
            break;
        held_ << answer(requests_.takeFirst());
        release();
    }
    running_ = false;
    // Each request that comes to wait has its own time, as each has with Hamlib's clients.
    if (!isWaiting())
        wait_.stop();
    else if (answers_.size() > answeredBefore || !wait_.isActive())
        wait_.start(kFreshReportWait + radio_.pollingPause());
}

// The requests of the next whole line; false when there is none.
bool Session::takeLine() {
    const qsizetype end = unread_.indexOf('\n');
    closing_ = end > kLongestLine || (end < 0 && unread_.size() > kLongestLine);
    if (end < 0 || closing_)
        return false;
    requests_ = parseLine(QByteArrayView(unread_).first(end));
    unread_.remove(0, end + 1);
    return true;
}

// Answers go in the order asked: those ready behind one that waits wait with it.
void Session::release() {
    while (!held_.isEmpty() && held_.first().unwritten.empty())
        answers_ += held_.takeFirst().answer;
}

bool Session::mustWait() const {
    if (radio_.isSilent())
        return false;  // answered at once: the radio does not answer
    return !held_.isEmpty() || radio_.reports() < freshFrom_ || radio_.isOverdue();
}

Session::Held Session::answer(const Request& request) {
    Held held;
    Outcome outcome{kInvalid};
    if (request.command && request.complete) {
        const Action action = request.command->action;
        // A radio gone silent is answered as rigctld answers it: its reply timed out.
        const bool needsRadio = readsStatus(action) || setsRadio(action);
        outcome = request.asksList                  ? listAsked(request, radio_.model())
                  : needsRadio && radio_.isSilent() ? Outcome{kTimedOut}
                  : readsStatus(action)             ? readStatus(request, radio_)
                  : setsRadio(action)               ? set(request, held)
                                                    : local(request);
    }
    held.answer = formatAnswer(request, outcome);
    if (!held.unwritten.empty())
        held.timedOut = formatAnswer(request, {kTimedOut});
    return held;
}

Outcome Session::set(const Request& request, Held& held) {
    // rigctld leaves the mode alone while a client holds it locked.
    if (request.command->action == Action::SetMode && modeLocked_)
        return {};
    const std::variant<QList<RadioSet>, int> result = radioSet(request, radio_);
    if (const int* code = std::get_if<int>(&result))
        return {*code};
    for (const RadioSet& radioSet : std::get<QList<RadioSet>>(result)) {
        const std::optional<quint64> number =
            radio_.submit(client_, radioSet.kind, radioSet.command);
        if (!number)
            continue;  // another's keying: this client is not transmitting
        if (radio_.isPending(radioSet.kind))
            held.unwritten[radioSet.kind] = *number;
        else
            freshFrom_ = std::max(freshFrom_, radio_.reports() + SharedRadio::kReportsToFresh);
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
