#pragma once

#include "SerialLine.h"
#include "Transceiver.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>

class PseudoTerminal;

// A Kenwood transceiver on a pseudo-terminal, for trying the panel without a radio and for the
// end-to-end tests. It takes commands as they come down the line, in whatever pieces, answers
// them as the radio would, and can be told to misbehave the way real lines and radios do.
class VirtualRadio : public QObject {
    Q_OBJECT

public:
    using Model = Transceiver::Model;

    // How the radio meets the adapter: what owners of these radios most often get wrong.
    enum class Hookup {
        Sound,
        NoInterface,  // no IC-10 interface fitted: the socket is dead both ways
        NotInverted,  // TTL levels without an inverter: the panel reads garbage and breaks
        WaitsForCts,  // wired for hardware handshake, it holds its replies while CTS is low
    };

    explicit VirtualRadio(Model model = Model::TS440, QObject* parent = nullptr);

    bool open(QString* error = nullptr);
    bool linkAs(const QString& path);
    void close();
    QString devicePath() const;

    // Paced, the line runs at the radio's speed both ways; otherwise replies go at once.
    void setPaced(bool paced);
    // The radio's speed: 4800 baud, or 1200 with its internal jumper set. While the panel has
    // its end at another speed, the radio's replies reach it as its UART reads them: garbage.
    // The radio itself is taken to understand the panel at any speed.
    void setBaud(int baud);
    int baud() const;
    void setHookup(Hookup hookup) { hookup_ = hookup; }
    // What the radio drives on the line the panel reads as CTS: low while it waits for the
    // handshake. A pseudo-terminal has no modem lines, so tests hand this to the panel.
    bool clearToSend() const { return hookup_ != Hookup::WaitsForCts; }
    // Puts the last `characters` of a status report on the line now, as a USB adapter keeps
    // the tail of a reply to a program that closed the port while the radio was answering.
    void leaveStaleTail(int characters);
    // A reply is still on its way out: a panel that asks again now has two requests out.
    bool isReplying() const { return line_->isBusy(); }
    Transceiver& transceiver() { return transceiver_; }

    QByteArray receivedBytes() const { return received_; }
    QList<QByteArray> receivedCommands() const;
    void clearLog() { received_.clear(); }
    // When each "IF;" arrived, on the line's clock; and how many arrived while the radio was
    // keying CW in a way that polling disturbs (Transceiver::pollingDisturbsKeying).
    QList<SerialLine::Time> statusRequestTimes() const { return statusRequestTimes_; }
    SerialLine::Time now() const { return line_->now(); }
    int keyingDisturbances() const { return keyingDisturbances_; }

    // Switched off, the radio obeys nothing and says nothing, and a reply on its way is cut
    // short; what comes down the line is still logged and signalled.
    void setPoweredOn(bool on);
    bool isPoweredOn() const { return poweredOn_; }

    // Faults on the replies to come: n = 1 is the next reply the radio makes.
    void dropReply(int n);
    void garbleReply(int n);  // the closing ";" is replaced, so the text fits no reply
    void truncateReply(int n, int keep);
    void splitReply(int n, int at, std::chrono::milliseconds pause);
    // Later replies wait behind a delayed one: the line carries one character at a time.
    void delayReply(int n, std::chrono::milliseconds delay);
    // The next reply for that memory channel reports another frequency, once; the channel
    // itself holds what was written.
    void misreadMemoryOnce(int channel);
    // Noise on the line, written at once whatever the radio is doing.
    void sendStray(const QByteArray& bytes);

signals:
    void commandReceived(const QByteArray& command);
    void replySent(const QByteArray& reply);
    // A status request has made the CW note move while the radio was keyed.
    void keyingDisturbed();

private:
    struct Fault {
        enum class Kind { Drop, Garble, Truncate, Split, Delay };
        Kind kind;
        qint64 reply;        // the number of the reply it spoils, counted since the radio was made
        int characters = 0;  // kept (truncate) or sent before the pause (split)
        std::chrono::milliseconds wait{};  // the pause of a split, the hold-up of a delay
    };
    struct Outgoing {
        QByteArray text;
        SerialLine::Time start;
        qsizetype splitAt = 0;
        std::chrono::milliseconds pause{};
    };

    void receive(const QByteArray& bytes);
    void obey(const QByteArray& command, SerialLine::Time arrived);
    void reply(const QByteArray& text, SerialLine::Time commandArrived);
    void addFault(Fault::Kind kind, int n, int characters = 0, std::chrono::milliseconds wait = {});
    static void spoil(Outgoing& outgoing, const Fault& fault);
    void misread(QByteArray& text);
    void noteStatusRequest(SerialLine::Time arrived);
    void transmit(const QByteArray& text, SerialLine::Time notBefore, const QByteArray& message);

    PseudoTerminal* terminal_;
    SerialLine* line_;
    Transceiver transceiver_;
    QByteArray command_;  // the command arriving, up to its ";"
    QByteArray received_;
    QList<Fault> faults_;
    QList<int> misreadChannels_;
    qint64 replies_ = 0;
    bool poweredOn_ = true;
    Hookup hookup_ = Hookup::Sound;
    QList<SerialLine::Time> statusRequestTimes_;
    int keyingDisturbances_ = 0;
};
