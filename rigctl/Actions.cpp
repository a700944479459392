#include "Actions.h"

#include "Capabilities.h"
#include "Commands.h"
#include "VfoNames.h"

#include <algorithm>
#include <cmath>

namespace Rigctl {

namespace {

using Kind = SharedRadio::SetKind;
using Sets = std::variant<QList<RadioSet>, int>;

// The VFO a split radio transmits on: the other one (VFO B from memory, as Hamlib has it).
char otherVfo(char vfo) {
    return vfo == '1' ? '0' : '1';
}

QByteArray transmitVfo(const Reply::Status& status) {
    return vfoName(status.split ? otherVfo(status.vfo) : status.vfo);
}

// What a VFO holds: the latest report for the VFO in use, the last sight of the other.
std::optional<SharedRadio::Tuning> tuningOf(char vfo, const SharedRadio& radio) {
    const Reply::Status& status = *radio.status();
    if (vfo == status.vfo)
        return SharedRadio::Tuning{*status.frequencyHz, status.modeDigit};
    return radio.lastTuningOf(vfo);
}

// The mode and its passband, as "m" answers them.
Outcome modeOf(const RadioModel& model, char modeDigit) {
    const Mode* mode = modeOfDigit(modeDigit);
    if (!mode)
        return {kRejected};
    return {kOk, {mode->name, QByteArray::number(passbandHz(model, *mode))}};
}

// Frequency, mode, passband, split and satellite mode (never, here).
Outcome vfoInfo(const Request& request, const SharedRadio& radio) {
    const Reply::Status& status = *radio.status();
    std::optional<char> vfo = vfoDigit(request.arguments.value(0));
    if (vfo == kCurrentVfo)
        vfo = status.vfo;
    if (!vfo || *vfo == kNotOnTheseRadios)
        return {kInvalid};
    const std::optional<SharedRadio::Tuning> tuning = tuningOf(*vfo, radio);
    if (!tuning)
        return {kRejected};  // a VFO not in use since the panel started
    Outcome outcome = modeOf(radio.model(), tuning->modeDigit);
    outcome.values.prepend(QByteArray::number(tuning->frequencyHz));
    outcome.values << flag(status.split) << "0";
    return outcome;
}

// The transmit VFO's frequency, mode and passband, as far as they are asked.
Outcome splitTuning(const SharedRadio& radio, bool frequency, bool mode) {
    const std::optional<SharedRadio::Tuning> tuning =
        tuningOf(otherVfo(radio.status()->vfo), radio);
    if (!tuning)
        return {kRejected};  // not in use since the panel started
    Outcome outcome = mode ? modeOf(radio.model(), tuning->modeDigit) : Outcome{};
    if (frequency)
        outcome.values.prepend(QByteArray::number(tuning->frequencyHz));
    return outcome;
}

// The offset the radio applies to receive (RIT) or transmit (XIT): none while it is off.
Outcome offset(const Reply::Status& status, bool on) {
    if (!on)
        return {kOk, {"0"}};
    if (!status.offsetHz)
        return {kRejected};
    return {kOk, {QByteArray::number(*status.offsetHz)}};
}

QByteArray rigInfoLine(const char* vfo, const std::optional<SharedRadio::Tuning>& tuning,
                       const RadioModel& model, bool receives, bool transmits) {
    const Mode* mode = tuning ? modeOfDigit(tuning->modeDigit) : nullptr;
    return QByteArray("VFO=") + vfo +
           " Freq=" + QByteArray::number(tuning ? tuning->frequencyHz : 0) +
           " Mode=" + (mode ? mode->name : "None") +
           " Width=" + QByteArray::number(mode ? passbandHz(model, *mode) : 0) +
           " RX=" + flag(receives) + " TX=" + flag(transmits) + '\n';
}

// Both VFOs, the split, the radio's name, and a CRC of it all, the way Hamlib lays it out
// (its rig information format of 2021), then the empty line rigctld ends it with.
Outcome rigInfo(const SharedRadio& radio) {
    const Reply::Status& status = *radio.status();
    const RadioModel& model = radio.model();
    QByteArray text = rigInfoLine("VFOA", tuningOf('0', radio), model, true, !status.split) +
                      rigInfoLine("VFOB", tuningOf('1', radio), model, false, status.split) +
                      "Split=" + flag(status.split) + " SatMode=0\nRig=" + model.name +
                      "\nApp=Hamlib\nVersion=20210506 1.0.0\n";
    text += "CRC=0x" + QByteArray::number(crc32(text), 16).rightJustified(8, '0') + "\n\n";
    return {kOk, {}, text};
}

// Hamlib clients send hertz with six decimals ("14074000.000000") and sometimes a fraction of
// a hertz: the radio tunes in whole hertz.
std::optional<qint64> wholeHertz(const QByteArray& text) {
    bool isNumber = false;
    const double value = std::round(text.toDouble(&isNumber));
    if (!isNumber || !(value >= 0 && value <= double(::Command::kLargestFrequency)))
        return std::nullopt;
    return qint64(value);
}

RadioSet frequencyOf(char vfo, qint64 hz) {
    const bool vfoA = vfo == '0';
    return {vfoA ? Kind::FrequencyA : Kind::FrequencyB,
            ::Command::setFrequency(vfoA ? 'A' : 'B', hz)};
}

RadioSet selection(char vfo) {
    switch (vfo) {
        case '0':
            return {Kind::Vfo, ::Command::selectVfoA()};
        case '1':
            return {Kind::Vfo, ::Command::selectVfoB()};
        default:
            return {Kind::Vfo, ::Command::selectMemory()};
    }
}

// A memory channel has no frequency of its own to set: the radio goes back to the VFO it last
// used, as the panel's VFO button takes it, and that VFO is set. Never while it transmits.
Sets frequencySet(const Request& request, const SharedRadio& radio) {
    const std::optional<qint64> hz = wholeHertz(request.arguments[0]);
    if (!hz || !radio.model().radio.receives(*hz))
        return kInvalid;
    const char vfo = radio.vfoInUse();
    if (vfo == '0' || vfo == '1')
        return QList{frequencyOf(vfo, *hz)};
    if (vfo != '2' || radio.isKeyed())
        return kRejected;  // nothing reported yet, or a memory channel on the air
    return QList{selection(radio.lastVfo()), frequencyOf(radio.lastVfo(), *hz)};
}

// The transmit VFO is set as FA or FB set it, without a switch.
Sets splitFrequencySet(const Request& request, const SharedRadio& radio) {
    const std::optional<qint64> hz = wholeHertz(request.arguments[0]);
    if (!hz || !radio.model().radio.receives(*hz))
        return kInvalid;
    if (!radio.vfoInUse())
        return kRejected;
    return QList{frequencyOf(otherVfo(radio.vfoInUse()), *hz)};
}

// The digit of the mode a client names, or the code that answers it.
std::variant<char, int> modeDigitOf(const Request& request, const RadioModel& model) {
    bool isNumber = false;
    request.arguments[1].toLong(&isNumber);  // the passband: a number, and the radio's business
    if (!isNumber)
        return kInvalid;
    if (const std::optional<char> digit = digitOfMode(model, request.arguments[0]))
        return *digit;
    return isHamlibMode(request.arguments[0]) ? kUnavailable : kInvalid;
}

Sets modeSet(const Request& request, const SharedRadio& radio) {
    const std::variant<char, int> digit = modeDigitOf(request, radio.model());
    if (const int* code = std::get_if<int>(&digit))
        return *code;
    return QList{RadioSet{Kind::Mode, ::Command::setMode(std::get<char>(digit))}};
}

// MD sets the mode of the VFO in use only: the transmit VFO's mode can be what it is already.
Sets splitModeSet(const Request& request, const SharedRadio& radio) {
    const std::variant<char, int> digit = modeDigitOf(request, radio.model());
    if (const int* code = std::get_if<int>(&digit))
        return *code;
    const std::optional<SharedRadio::Tuning> tuning =
        radio.status() ? tuningOf(otherVfo(radio.status()->vfo), radio) : std::nullopt;
    return tuning && tuning->modeDigit == std::get<char>(digit) ? kOk : kUnavailable;
}

// The panel does not switch split; a client may ask for the state the radio is in.
Sets splitVfoSet(const Request& request, const SharedRadio& radio) {
    const QByteArray& split = request.arguments[0];
    const std::optional<char> vfo = vfoDigit(request.arguments[1]);
    if ((split != "0" && split != "1") || !vfo)
        return kInvalid;
    if (!radio.status())
        return kRejected;
    return (split == "1") == radio.status()->split ? kOk : kUnavailable;
}

// Nothing goes out for the VFO in use, and no switch while the radio transmits: that would
// move the transmitter.
Sets vfoSet(const Request& request, const SharedRadio& radio) {
    const std::optional<char> digit = vfoDigit(request.arguments[0]);
    if (!digit)
        return kInvalid;
    if (*digit == kCurrentVfo || *digit == radio.vfoInUse())
        return kOk;
    if (*digit == kNotOnTheseRadios)
        return kUnavailable;
    if (radio.isKeyed())
        return kRejected;
    return QList{selection(*digit)};
}

// Hamlib's 1, 2 and 3 key the transmitter with the microphone's audio or the data input;
// these radios have one way.
Sets pttSet(const Request& request) {
    bool isNumber = false;
    const int ptt = request.arguments[0].toInt(&isNumber);
    if (!isNumber || ptt < 0 || ptt > 3)
        return kInvalid;
    return QList{RadioSet{Kind::Transmit, ptt == 0 ? ::Command::receive() : ::Command::transmit()}};
}

}  // namespace

bool readsStatus(Action action) {
    constexpr Action kReads[] = {
        Action::GetFrequency,
        Action::GetMode,
        Action::GetVfo,
        Action::GetPtt,
        Action::GetSplitVfo,
        Action::GetVfoInfo,
        Action::GetSplitFrequency,
        Action::GetSplitMode,
        Action::GetSplitFrequencyMode,
        Action::GetRit,
        Action::GetXit,
        Action::GetRigInfo,
    };
    return std::ranges::find(kReads, action) != std::end(kReads);
}

bool setsRadio(Action action) {
    constexpr Action kSets[] = {
        Action::SetFrequency,      Action::SetMode,      Action::SetVfo,      Action::SetPtt,
        Action::SetSplitFrequency, Action::SetSplitMode, Action::SetSplitVfo,
    };
    return std::ranges::find(kSets, action) != std::end(kSets);
}

Outcome readStatus(const Request& request, const SharedRadio& radio) {
    if (!radio.status())
        return {kRejected};  // nothing reported yet
    const Reply::Status& status = *radio.status();
    switch (request.command->action) {
        case Action::GetFrequency:
            return {kOk, {QByteArray::number(*status.frequencyHz)}};
        case Action::GetMode:
            return modeOf(radio.model(), status.modeDigit);
        case Action::GetVfo:
            return vfoName(status.vfo).isEmpty() ? Outcome{kRejected}
                                                 : Outcome{kOk, {vfoName(status.vfo)}};
        case Action::GetPtt:
            return {kOk, {flag(status.transmitting)}};
        case Action::GetSplitVfo:
            return {kOk, {flag(status.split), transmitVfo(status)}};
        case Action::GetSplitFrequency:
            return splitTuning(radio, true, false);
        case Action::GetSplitMode:
            return splitTuning(radio, false, true);
        case Action::GetSplitFrequencyMode:
            return splitTuning(radio, true, true);
        case Action::GetRit:
            return offset(status, status.ritOn);
        case Action::GetXit:
            return offset(status, status.xitOn);
        case Action::GetRigInfo:
            return rigInfo(radio);
        default:
            return vfoInfo(request, radio);
    }
}

Sets radioSet(const Request& request, const SharedRadio& radio) {
    if (!radio.isReady())
        return kRejected;
    switch (request.command->action) {
        case Action::SetFrequency:
            return frequencySet(request, radio);
        case Action::SetSplitFrequency:
            return splitFrequencySet(request, radio);
        case Action::SetMode:
            return modeSet(request, radio);
        case Action::SetSplitMode:
            return splitModeSet(request, radio);
        case Action::SetSplitVfo:
            return splitVfoSet(request, radio);
        case Action::SetVfo:
            return vfoSet(request, radio);
        default:
            return pttSet(request);
    }
}

}  // namespace Rigctl
