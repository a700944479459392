#pragma once

#include "Radios.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <array>
#include <optional>

// The radio as its own CPU sees it: what it is tuned to, what its memories hold, and how it
// answers one command. No I/O here: whole commands come in, reply texts go out.
class Transceiver {
public:
    // The number is the one the radio gives in its ID reply.
    enum class Model { TS940 = 1, TS811 = 2, TS711 = 3, TS440 = 4 };
    enum class Vfo { A = 0, B = 1 };
    // The digit of the status reply telling what is in use.
    enum class Source { VfoA = 0, VfoB = 1, Memory = 2 };

    // What a VFO or a memory channel holds. A channel with no frequency is empty.
    struct Tuning {
        qint64 frequencyHz = 0;
        int mode = 0;  // the number of its digit in the table of modes; 0 for an empty channel
        bool isEmpty() const { return frequencyHz == 0; }
        friend bool operator==(const Tuning&, const Tuning&) = default;
    };

    static constexpr int kChannelCount = 100;
    // A VFO scan moves this far between two status requests: visible on the panel at once.
    static constexpr qint64 kScanStepHz = 100;

    explicit Transceiver(Model model = Model::TS440);

    // The model a user names by its number: "440", "940", "711", "811".
    static std::optional<Model> modelNumbered(QStringView number);

    // One whole command, ";" included ("FA00014200000;"). Returns the reply, nothing for a
    // command that has no reply, or "?;" for a command the radio does not have, a malformed one
    // or a value it cannot take (a mode the model lacks). A frequency out of its band, or a
    // mode or transmit asked of an empty channel, is ignored without a word.
    QByteArray execute(QByteArrayView command);

    // The state behind the front panel, for setting up a test or checking what a command did.
    Model model() const { return model_; }
    bool hasMode(int mode) const;
    bool coversFrequency(qint64 hz) const;

    Source source() const { return source_; }
    void setSource(Source source);
    Tuning vfo(Vfo vfo) const { return vfos_[index(vfo)]; }
    void setVfo(Vfo vfo, Tuning tuning) { vfos_[index(vfo)] = tuning; }
    // What the radio is on: the selected VFO, or the recalled channel in memory mode.
    Tuning current() const { return *inUse(); }

    int channel() const { return channel_; }
    void setChannel(int channel);  // as MC does: shown once memory is in use
    Tuning memory(int channel) const { return memories_.at(channel); }
    void setMemory(int channel, Tuning tuning);
    void clearMemories();  // as a reset, or a flat backup cell, leaves them

    bool isTransmitting() const { return transmitting_; }
    void setTransmitting(bool on);
    bool isScanning() const { return scanning_; }
    void setScanning(bool on);

    // The front panel's RIT and XIT: each on or off, one offset for both, in hertz.
    void setClarifier(int offsetHz, bool rit, bool xit);
    // The radio sends part of each CW character off frequency if it is asked for its status now.
    bool pollingDisturbsKeying() const;

private:
    static int index(Vfo vfo) { return static_cast<int>(vfo); }
    Tuning* inUse();
    const Tuning* inUse() const;
    void recall();
    void scanOneStep();
    void stepChannel(int direction);
    void stepFrequency(qint64 hz);

    // One handler per command; each gets the parameter digits between the mnemonic and ";".
    QByteArray identify(QByteArrayView);
    QByteArray reportStatus(QByteArrayView);
    QByteArray readMemory(QByteArrayView parameters);
    QByteArray setAutoInformation(QByteArrayView parameters);
    QByteArray reportAutoInformation(QByteArrayView);
    QByteArray reportVfoA(QByteArrayView);
    QByteArray reportVfoB(QByteArrayView);
    QByteArray setVfoA(QByteArrayView parameters);
    QByteArray setVfoB(QByteArrayView parameters);
    QByteArray selectSource(QByteArrayView parameters);
    QByteArray stepUp(QByteArrayView);
    QByteArray stepDown(QByteArrayView);
    QByteArray selectMode(QByteArrayView parameters);
    QByteArray transmit(QByteArrayView);
    QByteArray receive(QByteArrayView);
    QByteArray scan(QByteArrayView parameters);
    QByteArray recallMemory(QByteArrayView parameters);
    QByteArray writeMemory(QByteArrayView parameters);
    QByteArray setVfoFrequency(Vfo vfo, QByteArrayView parameters);

    Model model_;
    const Radios::Radio* radio_;  // its bands, modes, step and status report
    std::array<Tuning, 2> vfos_;
    std::array<Tuning, kChannelCount> memories_{};
    // The channel in use as recalled: its mode can be changed without writing the channel.
    Tuning recalled_;
    int channel_ = 0;
    Source source_ = Source::VfoA;
    bool transmitting_ = false;
    bool scanning_ = false;
    bool autoInformation_ = false;
    int offsetHz_ = 0;
    bool rit_ = false;
    bool xit_ = false;
};
