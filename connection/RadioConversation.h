#pragma once

#include "Hookup.h"
#include "MemoryFile.h"
#include "MemoryWriteBack.h"
#include "Replies.h"
#include "RequestChain.h"
#include "SerialComm.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

namespace Radios {
struct Radio;
}

// The conversation with the radio: the serial line, the chain of single requests with its
// time-out and repeat, the receive threshold each request needs, the polling, the memory
// write-back's turns between status reports, and the keying to undo when the line closes.
// The window shows what the radio says and decides what is asked next; the shared radio's
// clients write through here as the window's buttons do. Nothing here opens a window: it
// reports by signals.
class RadioConversation : public QObject {
    Q_OBJECT

public:
    // Long enough for "ID;" to have gone unanswered at both speeds; short enough for an owner
    // still looking at the panel.
    static constexpr std::chrono::milliseconds kAdviceDelay{3000};
    // A radio that polling disturbs while it transmits is asked this seldom meanwhile: enough
    // to see receive come back.
    static constexpr std::chrono::milliseconds kKeyedPollInterval{1000};

    explicit RadioConversation(QObject* parent = nullptr);
    ~RadioConversation() override;

    // Opens port 1 or 2 at the radio's speed. False when it cannot; openFailure() says why.
    bool open(int portNumber);
    QString openFailure() const { return line_.openFailure(); }
    int portNumber() const { return portNumber_; }
    // Puts a radio still transmitting, or keyed since the last report, back to receive, lets
    // the last command leave the port, and closes it.
    void close();

    // --- The chain, one request outstanding: each answer asks for the next.
    // What the line holds is forgotten; automatic reports off, then "ID;".
    void start();
    void readMemory(int channel);
    // The read-out is over: the status reports begin.
    void startPolling();
    // The window has shown a status report: a write-back turn when one is due and the panel
    // allows it, otherwise the next "IF;".
    void reportDecoded(bool mayWriteMemories);
    QByteArray outstanding() const { return requests_.outstanding(); }
    // The radio has answered within the silence time-out.
    bool radioAnswers() const { return requests_.radioAnswers(); }
    // How long the polling waits after the last report before it asks again: nothing, or
    // kKeyedPollInterval while a radio that polling disturbs transmits.
    std::chrono::milliseconds pollingPause() const;

    // --- A command from the operator or a client sharing the radio, written at once.
    void send(const QByteArray& command);

    // --- Channels written back from a file, between status reports. False when none given.
    bool startWriteBack(const MemoryFile::Given& given);
    // After the channel in hand has been read back.
    void stopWriteBack();
    const MemoryWriteBack* writeBack() const { return writeBack_.get(); }

    SerialComm& line() { return line_; }
    // For tests: the delays above, shorter.
    void setAdviceDelay(std::chrono::milliseconds delay) { adviceTimer_.setInterval(delay); }
    void setKeyedPollInterval(std::chrono::milliseconds interval) {
        keyedPollTimer_.setInterval(interval);
    }

signals:
    // A reply that answers the request outstanding: the identification, a memory channel of
    // the read-out, a status report. Write-back read-backs go to memoryWrittenBack instead.
    void replyReceived(const QByteArray& text);
    // For whoever shares the radio, once the window has taken the reply.
    void identified(const QByteArray& reply);
    void readoutEnded();
    void statusDecoded(const Reply::Status& status);
    void answeringChanged(bool answering);
    void linkLost();
    void linkRestored();
    // What the operator should know about the hookup, a line of French: why the radio has not
    // named itself yet, or at which speed it answered when that had to be found. Empty once
    // there is nothing to say.
    void hookupNote(const QString& note);
    // The write-back: a channel read back from the radio, the place of the channel in turn,
    // and the end, with what was done.
    void memoryWrittenBack(const Reply::Memory& memory);
    void writeBackProgress(int position, int total);
    void writeBackEnded(const MemoryWriteBack& outcome);

private:
    void readReply();
    void takeIdentification(const QByteArray& text);
    void beforeRepeat();
    void huntSpeed();
    void advise();
    void setNote(const QString& note);
    void takeMemory(const QByteArray& text);
    void takeStatus(const QByteArray& text);
    bool takeWriteBackTurn(bool mayWriteMemories);
    void readBack(const Reply::Memory& memory);
    void endWriteBack();
    void restoreLink();

    SerialComm line_;
    RequestChain requests_;
    std::unique_ptr<MemoryWriteBack> writeBack_;
    QTimer adviceTimer_;
    QTimer keyedPollTimer_;
    const Radios::Radio* radio_;
    QString note_;
    int portNumber_ = 1;
    bool identifying_ = false;
    // Bytes outside the protocol heard since "ID;" was first asked, and since it was last asked.
    bool heardNotProtocol_ = false;
    bool roundNotProtocol_ = false;
    bool speedChanged_ = false;       // the radio had to be looked for at the other speed
    bool shownTransmitting_ = false;  // the last status report's
    // Status reports to come before one answers a request sent after the last "TX;": until
    // then a report may show receive while the radio transmits.
    int reportsBeforeKeyingShows_ = 0;
};
