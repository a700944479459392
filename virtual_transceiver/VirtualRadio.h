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

    explicit VirtualRadio(Model model = Model::TS440, QObject* parent = nullptr);

    bool open(QString* error = nullptr);
    bool linkAs(const QString& path);
    void close();
    QString devicePath() const;

    // Paced, the line runs at the radio's 4800 baud both ways; otherwise replies go at once.
    void setPaced(bool paced);
    // A reply is still on its way out: a panel that asks again now has two requests out.
    bool isReplying() const { return line_->isBusy(); }
    Transceiver& transceiver() { return transceiver_; }

    QByteArray receivedBytes() const { return received_; }
    QList<QByteArray> receivedCommands() const;
    void clearLog() { received_.clear(); }

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

    PseudoTerminal* terminal_;
    SerialLine* line_;
    Transceiver transceiver_;
    QByteArray command_;  // the command arriving, up to its ";"
    QByteArray received_;
    QList<Fault> faults_;
    QList<int> misreadChannels_;
    qint64 replies_ = 0;
    bool poweredOn_ = true;
};
