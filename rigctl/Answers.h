#pragma once

#include "Requests.h"

#include <QByteArray>
#include <QList>

// The answer text to one request, laid out as rigctld lays it out: the values one a line (or
// after their labels and the separator, for an extended answer), then "RPRT" and Hamlib's
// code where rigctld writes it.
namespace Rigctl {

// Hamlib's error codes, as they follow "RPRT".
enum Code : int {
    kOk = 0,
    kInvalid = -1,       // RIG_EINVAL: not a command, or an argument out of range
    kTimedOut = -5,      // RIG_ETIMEOUT: the radio did not report in time
    kRejected = -9,      // RIG_ERJCTED: not now (radio not ready, memory channel in use)
    kUnavailable = -11,  // RIG_ENAVAIL: not something these radios can do
};

struct Outcome {
    Outcome(int code = kOk, QList<QByteArray> values = {}, QByteArray block = {})
        : code(code), values(std::move(values)), block(std::move(block)) {}

    int code;
    QList<QByteArray> values;  // in the order of the command's answer labels
    QByteArray block;          // an answer of many lines, written as it is
};

QByteArray formatAnswer(const Request& request, const Outcome& outcome);

// A yes or no as Hamlib answers it: "1" or "0".
QByteArray flag(bool on);

}  // namespace Rigctl
