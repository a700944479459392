#include "SharedRadio.h"

#include <algorithm>

SharedRadio::SharedRadio(QObject* parent) : QObject(parent), model_(&Rigctl::unidentifiedModel()) {}

void SharedRadio::identified(const QByteArray& reply) {
    model_ = &Rigctl::modelIdentifiedBy(reply);
    heard();
}

void SharedRadio::readoutEnded() {
    readoutEnded_ = true;
    heard();
}

void SharedRadio::statusDecoded(const Reply::Status& status) {
    const std::optional<qint64> known = status_ ? status_->frequencyHz : std::nullopt;
    status_ = status;
    // The panel keeps the frequency it showed when a report's digits are spoilt; so do we.
    if (!status_->frequencyHz)
        status_->frequencyHz = known;
    if ((status.vfo == '0' || status.vfo == '1') && status_->frequencyHz)
        lastTunings_[status.vfo - '0'] = Tuning{*status_->frequencyHz, status.modeDigit};
    ++reports_;
    heard();
    if (!pending_.isEmpty())
        writeNow(pending_.takeFirst());
    emit reported();
}

void SharedRadio::heard() {
    sinceHeard_.start();
}

bool SharedRadio::isAnswering() const {
    return sinceHeard_.isValid() && sinceHeard_.elapsed() < kSilenceBeforeNotAnswering.count();
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

void SharedRadio::writeNow(const Pending& set) {
    write_(set.command);
    lastWriteReports_ = reports_;
    if (set.kind == SetKind::Vfo)
        vfoAskedReports_ = reports_;
    emit written(set.kind, set.first, set.last, reports_);
}
