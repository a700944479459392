#include "Capabilities.h"

#include "CommandTable.h"
#include "Version.h"

namespace Rigctl {

namespace {

constexpr unsigned kVfoA = 0x1;
constexpr unsigned kVfoB = 0x2;
constexpr unsigned kVfoMemory = 0x10000000;
constexpr unsigned kVfos = kVfoA | kVfoB | kVfoMemory;
constexpr int kPttFromTheRadio = 1;  // RIG_PTT_RIG: TX; and RX; key it
constexpr int kProtocol = 1;         // key=value lines after the masks, up to "done"
const QByteArray kEndOfList = "0 0 0 0 0 0 0\n";

QByteArray hex(quint64 value) {
    return "0x" + QByteArray::number(value, 16);
}

QByteArray hertz(qint64 hz) {
    return QByteArray::number(double(hz), 'f', 6);
}

QByteArray range(const FrequencyRange& range, quint64 modes, int lowMw, int highMw) {
    return hertz(range.lowHz) + ' ' + hertz(range.highHz) + ' ' + hex(modes) + ' ' +
           QByteArray::number(lowMw) + ' ' + QByteArray::number(highMw) + ' ' + hex(kVfos) +
           " 0x0\n";
}

QByteArray ranges(const RadioModel& model) {
    const quint64 modes = modeBits(model.radio.modeDigits);
    QByteArray text;
    for (const FrequencyRange& receive : model.radio.receive) text += range(receive, modes, -1, -1);
    text += kEndOfList;
    for (const FrequencyRange& transmit : model.radio.transmit)
        text += range(transmit, modes, model.lowPowerMw, model.highPowerMw);
    return text + kEndOfList;
}

QByteArray stepsAndFilters(const RadioModel& model) {
    QByteArray text = hex(modeBits(model.radio.modeDigits)) + ' ' +
                      QByteArray::number(model.radio.stepHz) + "\n0 0\n";
    for (const Radios::Passband& passband : model.radio.passbands)
        text +=
            hex(modeBits(passband.modeDigits)) + ' ' + QByteArray::number(passband.widthHz) + '\n';
    return text + "0 0\n";
}

// No preamplifier, attenuator, function, level or parameter a client could set or read.
QByteArray limitsAndMasks(const RadioModel& model) {
    return QByteArray::number(model.maxRitHz) + '\n' + QByteArray::number(model.maxXitHz) +
           "\n0\n0\n\n\n0x0\n0x0\n0x0\n0x0\n0x0\n0x0\n";
}

QByteArray settings(const RadioModel& model) {
    return "vfo_ops=0x0\nptt_type=" + hex(kPttFromTheRadio) +
           "\ntargetable_vfo=0x0\nhas_set_vfo=1\nhas_get_vfo=1\nhas_set_freq=1\nhas_get_freq=1"
           "\nhas_set_conf=0\nhas_get_conf=0\nhas_power2mW=0\nhas_mW2power=0\ntimeout=" +
           QByteArray::number(kAnnouncedTimeoutMs) +
           "\nrig_model=" + QByteArray::number(model.hamlibModel) +
           "\nrigctld_version=T.O.V.R.A.N " TOVRAN_VERSION_TEXT "\ndone\n";
}

QByteArray modeList(const RadioModel& model) {
    QByteArray text;
    for (char digit = '1'; digit <= '6'; ++digit) {
        const Mode* mode = modeOfDigit(digit);
        if (model.radio.hasMode(digit))
            text += (text.isEmpty() ? "" : " ") + QByteArray(mode->name);
    }
    return text;
}

}  // namespace

QByteArray dumpState(const RadioModel& model) {
    return QByteArray::number(kProtocol) + '\n' + QByteArray::number(model.hamlibModel) + "\n0\n" +
           ranges(model) + stepsAndFilters(model) + limitsAndMasks(model) + settings(model);
}

QByteArray dumpCaps(const RadioModel& model) {
    QByteArray text = "Caps dump for model: " + QByteArray::number(model.hamlibModel) +
                      "\nModel name:\t" + model.name +
                      "\nMfg name:\tKenwood\nRig type:\tTransceiver\nPTT type:\tRig capable"
                      "\nMode list: " +
                      modeList(model) + "\nVFO list: VFOA VFOB MEM\n";
    for (const RigCommand& command : commands()) {
        if (command.caps)
            text += command.caps +
                    QByteArray(command.action == Action::Unavailable ? ":\tN\n" : ":\tY\n");
    }
    return text;
}

}  // namespace Rigctl
