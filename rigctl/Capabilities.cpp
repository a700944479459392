#include "Capabilities.h"

#include "CommandTable.h"
#include "Version.h"
#include "VfoNames.h"

#include <algorithm>
#include <vector>

namespace Rigctl {

namespace {

constexpr unsigned kVfoA = 0x1;
constexpr unsigned kVfoB = 0x2;
constexpr unsigned kVfoMemory = 0x10000000;
constexpr unsigned kVfos = kVfoA | kVfoB | kVfoMemory;
constexpr int kPttFromTheRadio = 1;  // RIG_PTT_RIG: TX; and RX; key it
constexpr int kProtocol = 1;         // key=value lines after the masks, up to "done"
const QByteArray kEndOfList = "0 0 0 0 0 0 0\n";
// Clients name the VFO only where Hamlib needs it, and reading either VFO's frequency or mode
// never makes them switch the radio: the answer is the VFO in use, from the latest report.
constexpr unsigned kTargetableFrequencyAndMode = 0x3;

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
           "\ntargetable_vfo=" + hex(kTargetableFrequencyAndMode) +
           "\nhas_set_vfo=1\nhas_get_vfo=1\nhas_set_freq=1\nhas_get_freq=1"
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

// The radio's modes in the order of Hamlib's mode bits, as its lists give them.
std::vector<const Mode*> modesByBit(const RadioModel& model) {
    std::vector<const Mode*> modes;
    for (char digit = '1'; digit <= '6'; ++digit) {
        if (model.radio.hasMode(digit))
            modes.push_back(modeOfDigit(digit));
    }
    std::ranges::sort(modes, {}, &Mode::bit);
    return modes;
}

QByteArray modeNames(const RadioModel& model, const char* after) {
    QByteArray text;
    for (const Mode* mode : modesByBit(model)) text += mode->name + QByteArray(after);
    return text;
}

// Hamlib's narrow and wide passbands: the next filter of the mode, narrower or wider than
// its first.
int otherPassbandHz(const RadioModel& model, const Mode& mode, bool wider) {
    const std::span<const Radios::Passband> passbands = model.radio.passbands;
    const auto serves = [&](const Radios::Passband& passband) {
        return passband.modeDigits.contains(mode.digit);
    };
    const auto first = std::ranges::find_if(passbands, serves);
    if (first == passbands.end())
        return 0;
    const auto other = std::find_if(first + 1, passbands.end(), [&](const auto& passband) {
        return serves(passband) &&
               (wider ? passband.widthHz > first->widthHz : passband.widthHz < first->widthHz);
    });
    return other == passbands.end() ? 0 : other->widthHz;
}

// "2.2000 kHz", "500.0 Hz", as Hamlib writes a passband.
QByteArray passbandText(int hz) {
    if (hz >= 1000)
        return QByteArray::number(hz / 1000.0, 'f', 4) + " kHz";
    return QByteArray::number(double(hz), 'f', 1) + " Hz";
}

}  // namespace

Outcome vfoList() {
    return {kOk, {vfoNames()}};
}

Outcome modesAndPassbands(const RadioModel& model) {
    QByteArray block = "Bandwidths:";
    for (const Mode* mode : modesByBit(model)) {
        block += "\n\t" + QByteArray(mode->name) +
                 "\tNormal: " + passbandText(passbandHz(model, *mode)) +
                 ",\tNarrow: " + passbandText(otherPassbandHz(model, *mode, false)) +
                 ",\tWide: " + passbandText(otherPassbandHz(model, *mode, true));
    }
    QByteArray names = modeNames(model, " ");
    names.chop(1);
    return {kOk, {names}, block + '\n'};
}

Outcome listAsked(const Request& request, const RadioModel& model) {
    switch (request.command->letter) {
        case 'M':
        case 'X':
            return {kOk, {}, modeNames(model, " ") + '\n'};
        case 'U':
        case 'u':
        case 'L':
        case 'l':
        case 'P':
        case 'p':
            return {kOk, {}, "\n"};
        default:
            return request.command->action == Action::GetVfoInfo
                       ? Outcome{kOk, {}, vfoNames() + '\n'}
                       : Outcome{kInvalid};
    }
}

quint32 crc32(QByteArrayView text) {
    constexpr quint32 kPolynomial = 0xedb88320;  // reflected 0x04c11db7
    quint32 crc = 0xffffffff;
    for (const char c : text) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) ? kPolynomial : 0);
    }
    return ~crc;
}

QByteArray dumpState(const RadioModel& model) {
    return QByteArray::number(kProtocol) + '\n' + QByteArray::number(model.hamlibModel) + "\n0\n" +
           ranges(model) + stepsAndFilters(model) + limitsAndMasks(model) + settings(model);
}

QByteArray dumpCaps(const RadioModel& model) {
    QByteArray text = "Caps dump for model: " + QByteArray::number(model.hamlibModel) +
                      "\nModel name:\t" + model.name +
                      "\nMfg name:\tKenwood\nRig type:\tTransceiver\nPTT type:\tRig capable"
                      "\nMode list: " +
                      modeList(model) + "\nVFO list: " + vfoNames().trimmed() + '\n';
    for (const RigCommand& command : commands()) {
        if (command.caps)
            text += command.caps +
                    QByteArray(command.action == Action::Unavailable ? ":\tN\n" : ":\tY\n");
    }
    return text;
}

}  // namespace Rigctl
