#include "Actions.h"

#include "Commands.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace Rigctl {

namespace {

using Kind = SharedRadio::SetKind;

constexpr char kCurrentVfo = 'c';
constexpr char kNotOnTheseRadios = 'x';

// Hamlib's VFO names and what they are to these radios: the digit of FN and of the status
// report, the VFO in use, or a VFO they do not have. The names follow Hamlib's TS-440 driver.
struct VfoName {
    const char* name;
    char digit;
};
constexpr VfoName kVfoNames[] = {
    {"VFOA", '0'},
    {"VFOB", '1'},
    {"MEM", '2'},
    {"Main", '0'},
    {"Sub", '1'},
    {"VFO", '0'},
    {"currVFO", kCurrentVfo},
    {"VFOC", kNotOnTheseRadios},
    {"TX", kNotOnTheseRadios},
    {"RX", kNotOnTheseRadios},
    {"MainA", kNotOnTheseRadios},
    {"MainB", kNotOnTheseRadios},
    {"MainC", kNotOnTheseRadios},
    {"SubA", kNotOnTheseRadios},
    {"SubB", kNotOnTheseRadios},
    {"SubC", kNotOnTheseRadios},
    {"otherVFO", kNotOnTheseRadios},
    {"AllVFOs", kNotOnTheseRadios},
};

std::optional<char> vfoDigit(QByteArrayView name) {
    const std::string_view wanted(name.data(), name.size());
    const auto* found =
        std::ranges::find_if(kVfoNames, [&](const VfoName& vfo) { return wanted == vfo.name; });
    return found == std::end(kVfoNames) ? std::nullopt : std::optional(found->digit);
}

QByteArray vfoName(char digit) {
    switch (digit) {
        case '0':
            return "VFOA";
        case '1':
            return "VFOB";
        case '2':
            return "MEM";
        default:
            return {};
    }
}

// A split radio receives on one VFO and transmits on the other.
QByteArray transmitVfo(const Reply::Status& status) {
    if (!status.split)
        return vfoName(status.vfo);
    return status.vfo == '1' ? "VFOA" : "VFOB";
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
    std::optional<SharedRadio::Tuning> tuning = radio.lastTuningOf(*vfo);
    if (*vfo == status.vfo)
        tuning = SharedRadio::Tuning{*status.frequencyHz, status.modeDigit};
    if (!tuning)
        return {kRejected};  // a VFO not in use since the panel started
    Outcome outcome = modeOf(radio.model(), tuning->modeDigit);
    outcome.values.prepend(QByteArray::number(tuning->frequencyHz));
    outcome.values << flag(status.split) << "0";
    return outcome;
}

// Hamlib clients send hertz with six decimals ("14074000.000000"): a whole number is asked for.
std::optional<qint64> wholeHertz(const QByteArray& text) {
    bool isNumber = false;
    const double value = text.toDouble(&isNumber);
    if (!isNumber || !(value >= 0 && value <= double(::Command::kLargestFrequency)) ||
        value != std::floor(value))
        return std::nullopt;
    return qint64(value);
}

std::variant<RadioSet, int> frequencySet(const Request& request, const SharedRadio& radio) {
    const std::optional<qint64> hz = wholeHertz(request.arguments[0]);
    if (!hz || !radio.model().radio.receives(*hz))
        return kInvalid;
    const char vfo = radio.vfoInUse();
    if (vfo != '0' && vfo != '1')
        return kRejected;  // a memory channel, or nothing reported yet
    const bool vfoA = vfo == '0';
    return RadioSet{vfoA ? Kind::FrequencyA : Kind::FrequencyB,
                    ::Command::setFrequency(vfoA ? 'A' : 'B', *hz)};
}

std::variant<RadioSet, int> modeSet(const Request& request, const SharedRadio& radio) {
    bool isNumber = false;
    request.arguments[1].toLong(&isNumber);  // the passband: a number, and the radio's business
    if (!isNumber)
        return kInvalid;
    if (const std::optional<char> digit = digitOfMode(radio.model(), request.arguments[0]))
        return RadioSet{Kind::Mode, ::Command::setMode(*digit)};
    return isHamlibMode(request.arguments[0]) ? kUnavailable : kInvalid;
}

std::variant<RadioSet, int> vfoSet(const Request& request) {
    const std::optional<char> digit = vfoDigit(request.arguments[0]);
    if (!digit)
        return kInvalid;
    switch (*digit) {
        case kCurrentVfo:
            return kOk;
        case kNotOnTheseRadios:
            return kUnavailable;
        case '0':
            return RadioSet{Kind::Vfo, ::Command::selectVfoA()};
        case '1':
            return RadioSet{Kind::Vfo, ::Command::selectVfoB()};
        default:
            return RadioSet{Kind::Vfo, ::Command::selectMemory()};
    }
}

// Hamlib's 1, 2 and 3 key the transmitter with the microphone's audio or the data input;
// these radios have one way.
std::variant<RadioSet, int> pttSet(const Request& request) {
    bool isNumber = false;
    const int ptt = request.arguments[0].toInt(&isNumber);
    if (!isNumber || ptt < 0 || ptt > 3)
        return kInvalid;
    return RadioSet{Kind::Transmit, ptt == 0 ? ::Command::receive() : ::Command::transmit()};
}

}  // namespace

bool readsStatus(Action action) {
    return action == Action::GetFrequency || action == Action::GetMode ||
           action == Action::GetVfo || action == Action::GetPtt || action == Action::GetSplitVfo ||
           action == Action::GetVfoInfo;
}

bool setsRadio(Action action) {
    return action == Action::SetFrequency || action == Action::SetMode ||
           action == Action::SetVfo || action == Action::SetPtt;
}

Outcome readStatus(const Request& request, const SharedRadio& radio) {
    if (!radio.status() || !radio.status()->frequencyHz)
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
        default:
            return vfoInfo(request, radio);
    }
}

std::variant<RadioSet, int> radioSet(const Request& request, const SharedRadio& radio) {
    if (!radio.isReady())
        return kRejected;
    switch (request.command->action) {
        case Action::SetFrequency:
            return frequencySet(request, radio);
        case Action::SetMode:
            return modeSet(request, radio);
        case Action::SetVfo:
            return vfoSet(request);
        default:
            return pttSet(request);
    }
}

}  // namespace Rigctl
