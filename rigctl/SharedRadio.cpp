#include "SharedRadio.h"

#include "Commands.h"

#include <algorithm>

SharedRadio::SharedRadio(QObject* parent) : QObject(parent), model_(&Rigctl::unidentifiedModel()) {
    overdueTimer_.setSingleShot(true);
    overdueTimer_.setInterval(kReportOverdue);
    connect(&overdueTimer_, &QTimer::timeout, this, &SharedRadio::reportOverdue);
}

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
    overdue_ = false;
    overdueTimer_.start();
    // Unkeyed at the radio itself, or by the operator: nobody's keying is left to end.
    if (!isKeyed())
        keyer_.reset();
    writeWaiting();
    emit reported();
}

void SharedRadio::reportOverdue() {
    overdue_ = true;
}

void SharedRadio::setPollingPause(std::chrono::milliseconds pause) {
    pollingPause_ = pause;
    overdueTimer_.setInterval(kReportOverdue + pause);
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
    drop([](const Pending& set) { return set.command != ::Command::receive(); });
    vfoWritten_ = {};
    keyWritten_ = {};
    emit silenced();
}

void SharedRadio::operatorKeyed(bool transmit) {
    drop([](const Pending& set) { return set.kind == SetKind::Transmit; });
    keyWritten_ = {transmit ? ::Command::transmit() : ::Command::receive(), reports_};
    keyer_ = transmit ? std::optional(kOperator) : std::nullopt;
}

QByteArray SharedRadio::standing(SetKind kind, const Written& written) const {
    const auto waiting = std::ranges::find(pending_, kind, &Pending::kind);
    if (waiting != pending_.end())
        return waiting->command;
    const bool fresh = written.after && reports_ < *written.after + kReportsToFresh;
    return fresh ? written.command : QByteArray();
}

char SharedRadio::vfoInUse() const {
    // FN0; FN1; FN2;: the digit the status report uses too
    if (const QByteArray asked = standing(SetKind::Vfo, vfoWritten_); !asked.isEmpty())
        return asked.at(2);
    return status_ ? status_->vfo : 0;
}

bool SharedRadio::isKeyed() const {
    const QByteArray asked = standing(SetKind::Transmit, keyWritten_);
    return asked.isEmpty() ? status_ && status_->transmitting : asked == ::Command::transmit();
}

std::optional<SharedRadio::Tuning> SharedRadio::lastTuningOf(char vfo) const {
    if (vfo != '0' && vfo != '1')
        return std::nullopt;
    return lastTunings_[vfo - '0'];
}

std::optional<quint64> SharedRadio::submit(quint64 client, SetKind kind,
                                           const QByteArray& command) {
    if (kind == SetKind::Transmit) {
        const bool transmit = command == ::Command::transmit();
        if (!transmit && keyer_ != client)
            return std::nullopt;
        keyer_ = transmit ? std::optional(client) : std::nullopt;
    }
    const quint64 number = ++sets_;
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

void SharedRadio::withdraw(SetKind kind, quint64 number) {
    drop([&](const Pending& set) {
        return set.kind == kind && set.last == number && set.command != ::Command::receive();
    });
}

void SharedRadio::leave(quint64 client) {
    if (keyer_ == client)
        submit(client, SetKind::Transmit, ::Command::receive());
}

void SharedRadio::drop(const std::function<bool(const Pending&)>& which) {
    QList<Pending> dropped;
    for (const Pending& set : std::as_const(pending_)) {
        if (which(set))
            dropped << set;
    }
    pending_.removeIf(which);
    for (const Pending& set : dropped) emit this->dropped(set.kind, set.first, set.last);
}

void SharedRadio::writeWaiting() {
    if (!pending_.isEmpty())
        writeNow(pending_.takeFirst());
}

void SharedRadio::writeNow(const Pending& set) {
    write_(set.command);
    lastWriteReports_ = reports_;
    if (set.kind == SetKind::Vfo)
        vfoWritten_ = {set.command, reports_};
    if (set.kind == SetKind::Transmit)
        keyWritten_ = {set.command, reports_};
    emit written(set.kind, set.first, set.last, reports_);
}
