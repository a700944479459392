#include "Transceiver.h"

#include "Digits.h"
#include "Modes.h"

#include <algorithm>
#include <cstdlib>
#include <span>

namespace {

using Tuning = Transceiver::Tuning;

using enum Modes::Digit;

// The radio's state holds a mode as the number of its digit.
constexpr int number(Modes::Digit mode) {
    return mode - '0';
}

constexpr Tuning tuned(qint64 hz, Modes::Digit mode) {
    return {hz, number(mode)};
}

struct Preset {
    int channel;
    Tuning tuning;
};

// What an operator might have stored on each kind of radio; the other channels are empty.
constexpr Preset kHfPresets[] = {
    {0, tuned(14'195'000, Usb)}, {1, tuned(3'650'000, Lsb)}, {2, tuned(21'200'000, Usb)},
    {3, tuned(28'500'000, Usb)}, {4, tuned(10'116'000, Cw)}, {5, tuned(14'060'000, Cw)},
    {6, tuned(29'600'000, Fm)},  {7, tuned(7'050'000, Lsb)}, {8, tuned(9'410'000, Am)},
    {9, tuned(14'080'000, Fsk)}, {12, tuned(1'838'000, Cw)}, {20, tuned(18'130'000, Usb)},
};
constexpr Preset kTwoMetrePresets[] = {
    {0, tuned(145'500'000, Fm)},  {1, tuned(144'300'000, Usb)}, {2, tuned(144'050'000, Cw)},
    {3, tuned(145'600'000, Fm)},  {4, tuned(144'800'000, Fm)},  {5, tuned(145'225'000, Fm)},
    {7, tuned(144'200'000, Usb)},
};
constexpr Preset kSeventyCentimetrePresets[] = {
    {0, tuned(433'500'000, Fm)}, {1, tuned(432'200'000, Usb)}, {2, tuned(432'050'000, Cw)},
    {3, tuned(439'050'000, Fm)}, {4, tuned(433'400'000, Fm)},  {5, tuned(432'100'000, Usb)},
};

// Where the operator left each kind of radio; the bands, modes and the rest are the radio's own.
struct Presets {
    Transceiver::Model model;
    Tuning vfoA;
    Tuning vfoB;
    std::span<const Preset> channels;
};

constexpr Presets kPresets[] = {
    {Transceiver::Model::TS440, tuned(14'195'000, Usb), tuned(7'050'000, Lsb), kHfPresets},
    {Transceiver::Model::TS940, tuned(14'195'000, Usb), tuned(7'050'000, Lsb), kHfPresets},
    {Transceiver::Model::TS711, tuned(145'500'000, Fm), tuned(144'300'000, Usb), kTwoMetrePresets},
    {Transceiver::Model::TS811, tuned(433'500'000, Fm), tuned(432'200'000, Usb),
     kSeventyCentimetrePresets},
};

// What the radio says to a command it does not have, a malformed one or a value it cannot take.
const QByteArray kRefused = QByteArrayLiteral("?;");

const Radios::Radio& radioOf(Transceiver::Model model) {
    return Radios::identifiedBy("ID" + Digits::padded(static_cast<int>(model), 3) + ';');
}

char digit(int value) {
    return static_cast<char>('0' + value);
}

}  // namespace

Transceiver::Transceiver(Model model) : model_(model), radio_(&radioOf(model)) {
    const Presets& presets = *std::ranges::find(kPresets, model, &Presets::model);
    vfos_ = {presets.vfoA, presets.vfoB};
    for (const Preset& preset : presets.channels) memories_[preset.channel] = preset.tuning;
    recall();
}

std::optional<Transceiver::Model> Transceiver::modelNumbered(QStringView number) {
    for (const Radios::Radio& radio : Radios::all()) {
        if (QLatin1String(radio.name) == QStringLiteral("TS-").append(number))
            return static_cast<Model>(radio.identification[4] - '0');  // ID00n;
    }
    return std::nullopt;
}

QByteArray Transceiver::execute(QByteArrayView command) {
    struct Command {
        QByteArrayView mnemonic;
        qsizetype parameterDigits;
        QByteArray (Transceiver::*handle)(QByteArrayView);
    };
    // FA, FB and AI without a parameter ask for the setting.
    static constexpr Command kCommands[] = {
        {"ID", 0, &Transceiver::identify},
        {"IF", 0, &Transceiver::reportStatus},
        {"MR", 4, &Transceiver::readMemory},
        {"AI", 1, &Transceiver::setAutoInformation},
        {"AI", 0, &Transceiver::reportAutoInformation},
        {"FA", 11, &Transceiver::setVfoA},
        {"FB", 11, &Transceiver::setVfoB},
        {"FA", 0, &Transceiver::reportVfoA},
        {"FB", 0, &Transceiver::reportVfoB},
        {"FN", 1, &Transceiver::selectSource},
        {"UP", 0, &Transceiver::stepUp},
        {"DN", 0, &Transceiver::stepDown},
        {"MD", 1, &Transceiver::selectMode},
        {"TX", 0, &Transceiver::transmit},
        {"RX", 0, &Transceiver::receive},
        {"SC", 1, &Transceiver::scan},
        {"MC", 3, &Transceiver::recallMemory},
        {"MW", 21, &Transceiver::writeMemory},
    };
    if (command.size() < 3 || !command.endsWith(';'))
        return kRefused;
    const QByteArrayView mnemonic = command.first(2);
    const QByteArrayView parameters = command.sliced(2, command.size() - 3);
    const auto known = std::ranges::find_if(kCommands, [&](const Command& candidate) {
        return candidate.mnemonic == mnemonic && candidate.parameterDigits == parameters.size();
    });
    if (known == std::end(kCommands) || !Digits::only(parameters))
        return kRefused;
    return (this->*known->handle)(parameters);
}

bool Transceiver::hasMode(int mode) const {
    return mode > 0 && radio_->hasMode(digit(mode));
}

bool Transceiver::coversFrequency(qint64 hz) const {
    return radio_->receives(hz);
}

void Transceiver::setSource(Source source) {
    source_ = source;
    recall();
}

void Transceiver::setChannel(int channel) {
    channel_ = channel;
    recall();
}

void Transceiver::setMemory(int channel, Tuning tuning) {
    memories_.at(channel) = tuning;
    if (channel == channel_)
        recall();
}

void Transceiver::clearMemories() {
    memories_.fill({});
    recall();
}

void Transceiver::setTransmitting(bool on) {
    transmitting_ = on;
    if (on)
        scanning_ = false;  // keying the radio stops a scan
}

void Transceiver::setScanning(bool on) {
    scanning_ = on && !transmitting_;
}

void Transceiver::setClarifier(int offsetHz, bool rit, bool xit) {
    offsetHz_ = offsetHz;
    rit_ = rit;
    xit_ = xit;
}

bool Transceiver::pollingDisturbsKeying() const {
    return radio_->pollingDisturbsKeying && transmitting_ && current().mode == number(Cw) &&
           (rit_ || xit_);
}

Transceiver::Tuning* Transceiver::inUse() {
    return source_ == Source::Memory ? &recalled_ : &vfos_[static_cast<int>(source_)];
}

const Transceiver::Tuning* Transceiver::inUse() const {
    return source_ == Source::Memory ? &recalled_ : &vfos_[static_cast<int>(source_)];
}

void Transceiver::recall() {
    recalled_ = memories_.at(channel_);
}

// A VFO scan creeps up the band and starts again at the bottom; a memory scan visits the
// channels that hold something.
void Transceiver::scanOneStep() {
    if (source_ != Source::Memory) {
        const qint64 next = inUse()->frequencyHz + kScanStepHz;
        inUse()->frequencyHz = coversFrequency(next) ? next : radio_->receive.front().lowHz;
        return;
    }
    for (int offset = 1; offset <= kChannelCount; ++offset) {
        const int channel = (channel_ + offset) % kChannelCount;
        if (!memories_[channel].isEmpty()) {
            setChannel(channel);
            return;
        }
    }
}

void Transceiver::stepChannel(int direction) {
    setChannel((channel_ + direction + kChannelCount) % kChannelCount);
}

void Transceiver::stepFrequency(qint64 hz) {
    const qint64 next = inUse()->frequencyHz + hz;
    if (coversFrequency(next))
        inUse()->frequencyHz = next;
}

QByteArray Transceiver::identify(QByteArrayView) {
    return radio_->identification.toByteArray();
}

// IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
// 12345678901234567890123456789012345678
QByteArray Transceiver::reportStatus(QByteArrayView) {
    if (scanning_)
        scanOneStep();
    const Tuning tuning = current();
    QByteArray reply = "IF";
    reply += Digits::padded(tuning.frequencyHz, 11);  // f
    reply += "00000";                                 // s
    reply += offsetHz_ < 0 ? '-' : '+';               // r
    reply += Digits::padded(std::abs(offsetHz_), 4);
    reply += rit_ ? '1' : '0';                  // R
    reply += xit_ ? '1' : '0';                  // X
    reply += '0';                               // b
    reply += Digits::padded(channel_, 2);       // cc
    reply += transmitting_ ? '1' : '0';         // T
    reply += digit(tuning.mode);                // M
    reply += digit(static_cast<int>(source_));  // V
    reply += scanning_ ? '1' : '0';             // S
    reply += '0';                               // P: no split
    reply += radio_->statusTail;                // t nn .
    reply += ';';
    return reply;
}

// Asked with MR00cc; (the receive half of channel cc), answered with
// MRs-ccfffffffffffml----;
// 123456789012345678901234
QByteArray Transceiver::readMemory(QByteArrayView parameters) {
    if (!parameters.startsWith("00"))
        return kRefused;
    const int channel = parameters.sliced(2).toInt();
    const Tuning tuning = memories_[channel];
    return "MR00" + Digits::padded(channel, 2) + Digits::padded(tuning.frequencyHz, 11) +
           digit(tuning.mode) + "00000;";
}

QByteArray Transceiver::setAutoInformation(QByteArrayView parameters) {
    if (parameters != "0" && parameters != "1")
        return kRefused;
    autoInformation_ = parameters == "1";
    return {};
}

QByteArray Transceiver::reportAutoInformation(QByteArrayView) {
    return QByteArray("AI") + (autoInformation_ ? '1' : '0') + ';';
}

// FA;  answered with FAfffffffffff;
QByteArray Transceiver::reportVfoA(QByteArrayView) {
    return "FA" + Digits::padded(vfo(Vfo::A).frequencyHz, 11) + ';';
}

QByteArray Transceiver::reportVfoB(QByteArrayView) {
    return "FB" + Digits::padded(vfo(Vfo::B).frequencyHz, 11) + ';';
}

QByteArray Transceiver::setVfoA(QByteArrayView parameters) {
    return setVfoFrequency(Vfo::A, parameters);
}

QByteArray Transceiver::setVfoB(QByteArrayView parameters) {
    return setVfoFrequency(Vfo::B, parameters);
}

QByteArray Transceiver::setVfoFrequency(Vfo vfo, QByteArrayView parameters) {
    const qint64 hz = parameters.toLongLong();
    if (coversFrequency(hz))
        vfos_[index(vfo)].frequencyHz = hz;
    return {};
}

QByteArray Transceiver::selectSource(QByteArrayView parameters) {
    const int source = parameters.toInt();
    if (source > static_cast<int>(Source::Memory))
        return kRefused;
    setSource(static_cast<Source>(source));
    return {};
}

// In memory mode the microphone's buttons go from channel to channel.
QByteArray Transceiver::stepUp(QByteArrayView) {
    if (source_ == Source::Memory)
        stepChannel(+1);
    else
        stepFrequency(+radio_->stepHz);
    return {};
}

QByteArray Transceiver::stepDown(QByteArrayView) {
    if (source_ == Source::Memory)
        stepChannel(-1);
    else
        stepFrequency(-radio_->stepHz);
    return {};
}

QByteArray Transceiver::selectMode(QByteArrayView parameters) {
    const int mode = parameters.toInt();
    if (!hasMode(mode))
        return kRefused;
    if (!current().isEmpty())
        inUse()->mode = mode;
    return {};
}

QByteArray Transceiver::transmit(QByteArrayView) {
    if (!current().isEmpty())
        setTransmitting(true);
    return {};
}

QByteArray Transceiver::receive(QByteArrayView) {
    setTransmitting(false);
    return {};
}

QByteArray Transceiver::scan(QByteArrayView parameters) {
    if (parameters != "0" && parameters != "1")
        return kRefused;
    setScanning(parameters == "1");
    return {};
}

// MC0cc;
QByteArray Transceiver::recallMemory(QByteArrayView parameters) {
    if (!parameters.startsWith('0'))
        return kRefused;
    setChannel(parameters.sliced(1).toInt());
    return {};
}

// MW00ccfffffffffffm00000;  a zero frequency with mode 0 empties the channel
// 123456789012345678901234
QByteArray Transceiver::writeMemory(QByteArrayView parameters) {
    if (!parameters.startsWith("00"))
        return kRefused;
    const int channel = parameters.sliced(2, 2).toInt();
    const Tuning tuning{parameters.sliced(4, 11).toLongLong(), parameters.at(15) - '0'};
    if (tuning == Tuning{}) {
        setMemory(channel, tuning);
        return {};
    }
    if (!hasMode(tuning.mode))
        return kRefused;
    if (coversFrequency(tuning.frequencyHz))
        setMemory(channel, tuning);
    return {};
}
