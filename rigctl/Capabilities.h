#pragma once

#include "Answers.h"
#include "RadioModels.h"
#include "Requests.h"

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

// The VFOs and the modes with their passbands (\get_vfo_list, \get_modes).
Outcome vfoList();
Outcome modesAndPassbands(const RadioModel& model);
// The answer to a first argument "?": the modes a set takes, or the functions, levels and
// parameters a client could set or read, of which these radios give none.
Outcome listAsked(const Request& request, const RadioModel& model);

// The CRC-32 of zip and Ethernet, which Hamlib puts under its rig information.
quint32 crc32(QByteArrayView text);

}  // namespace Rigctl
