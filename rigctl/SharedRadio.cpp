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
    vfoAsked_ = {};
    keyAsked_ = {};
    emit silenced();
}

QByteArray SharedRadio::standing(SetKind kind, const Asked& asked) const {
    const bool stands =
        isPending(kind) || !asked.writtenAfter || reports_ < *asked.writtenAfter + kReportsToFresh;
    return stands ? asked.command : QByteArray();
}

char SharedRadio::vfoInUse() const {
    // FN0; FN1; FN2;: the digit the status report uses too
    if (const QByteArray asked = standing(SetKind::Vfo, vfoAsked_); !asked.isEmpty())
        return asked.at(2);
    return status_ ? status_->vfo : 0;
}

bool SharedRadio::isKeyed() const {
    const QByteArray asked = standing(SetKind::Transmit, keyAsked_);
    return asked.isEmpty() ? status_ && status_->transmitting : asked == ::Command::transmit();
}

std::optional<SharedRadio::Tuning> SharedRadio::lastTuningOf(char vfo) const {
    if (vfo != '0' && vfo != '1')
        return std::nullopt;
    return lastTunings_[vfo - '0'];
}

quint64 SharedRadio::submit(SetKind kind, const QByteArray& command) {
    const quint64 number = ++sets_;
    if (kind == SetKind::Vfo)
        vfoAsked_ = {command, std::nullopt};
    if (kind == SetKind::Transmit)
        keyAsked_ = {command, std::nullopt};
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
        vfoAsked_.writtenAfter = reports_;
    if (set.kind == SetKind::Transmit)
        keyAsked_.writtenAfter = reports_;
    emit written(set.kind, set.first, set.last, reports_);
}
