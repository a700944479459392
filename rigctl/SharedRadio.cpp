#include "SharedRadio.h"

#include "Commands.h"

#include <algorithm>

SharedRadio::SharedRadio(QObject* parent) : QObject(parent), model_(&Rigctl::unidentifiedModel()) {}

void SharedRadio::identified(const QByteArray& reply) {
    model_ = &Rigctl::modelIdentifiedBy(reply);
    answeringChanged(true);
}

void SharedRadio::readoutEnded() {
    readoutEnded_ = true;
    answeringChanged(true);
}

void SharedRadio::statusDecoded(const Reply::Status& status) {
    answeringChanged(true);
    // A report whose frequency digits are spoilt was spoilt on the line: the rest of it may be
    // too. It still makes the line's turn for a set, but clients read on from the last clean
    // report, and a read after a set waits for a clean one.
    if (!status.frequencyHz) {
        writeWaiting();
        return;
    }
    status_ = status;
    if (status.vfo == '0' || status.vfo == '1') {
        lastTunings_[status.vfo - '0'] = Tuning{*status.frequencyHz, status.modeDigit};
        lastVfo_ = status.vfo;
    }
    ++reports_;
    writeWaiting();
    emit reported();
}

void SharedRadio::answeringChanged(bool answering) {
    heardOnce_ = heardOnce_ || answering;
    if (answering == answering_)
        return;
    answering_ = answering;
    if (answering)
        return;
    // A set must not be carried out long after it was answered, a transmit never; going back
    // to receive is always safe.
    pending_.removeIf([](const Pending& set) { return set.command != ::Command::receive(); });
    vfoAsked_ = 0;
    emit silenced();
}

char SharedRadio::vfoInUse() const {
    const bool askedStands = vfoAsked_ && (isPending(SetKind::Vfo) || !vfoAskedReports_ ||
                                           reports_ < *vfoAskedReports_ + kReportsToFresh);
    if (askedStands)
        return vfoAsked_;
    return status_ ? status_->vfo : 0;
}

std::optional<SharedRadio::Tuning> SharedRadio::lastTuningOf(char vfo) const {
    if (vfo != '0' && vfo != '1')
        return std::nullopt;
    return lastTunings_[vfo - '0'];
}

quint64 SharedRadio::submit(SetKind kind, const QByteArray& command) {
    const quint64 number = ++sets_;
    if (kind == SetKind::Vfo)
        vfoAsked_ = command.at(2);  // FN0; FN1; FN2;: the digit the status report uses too
    auto same = std::ranges::find(pending_, kind, &Pending::kind);
    if (same != pending_.end()) {
        same->command = command;
        same->last = number;
    } else if (pending_.isEmpty() && lastWriteReports_ != reports_) {
        writeNow({kind, command, number, number});
    } else {
        pending_.append({kind, command, number, number});
    }
    return number;
}

bool SharedRadio::isPending(SetKind kind) const {
    return std::ranges::find(pending_, kind, &Pending::kind) != pending_.end();
}

void SharedRadio::writeWaiting() {
    if (!pending_.isEmpty())
        writeNow(pending_.takeFirst());
}

void SharedRadio::writeNow(const Pending& set) {
    write_(set.command);
    lastWriteReports_ = reports_;
    if (set.kind == SetKind::Vfo)
        vfoAskedReports_ = reports_;
    emit written(set.kind, set.first, set.last, reports_);
}
