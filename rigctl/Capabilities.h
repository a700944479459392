#pragma once

#include "RadioModels.h"

#include <QByteArray>

// What a Hamlib client learns of the radio when it connects: the state dump it reads to set
// itself up (protocol 1: ranges, steps, filters, masks, then key=value lines and "done"), and
// the capabilities dump that loggers read.
namespace Rigctl {

// Hamlib waits this long plus half a second for an answer; the longest the server takes is a
// read waiting for a status report after a set (see Session).
constexpr int kAnnouncedTimeoutMs = 1500;

QByteArray dumpState(const RadioModel& model);
QByteArray dumpCaps(const RadioModel& model);

}  // namespace Rigctl
