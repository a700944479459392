#pragma once

#include "Line.h"
#include "RadioModels.h"
#include "Replies.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

// The radio as the server's clients share it: what the panel last decoded, and the sets the
// clients ask for on their way to the line. The panel polls the radio continuously; the
// clients' reads cost the line nothing, and their sets are paced so that the polling goes on
// however fast they come: at most one set goes out per status report, and a set waiting for
// its turn is replaced by a later one of its kind, so the radio ends on the last value asked.
// The transmitter belongs to whoever keyed it last: an unkeying from anyone else sends nothing.
class SharedRadio : public QObject {
    Q_OBJECT

public:
    // Reports until one answers a request written after a set.
    static constexpr quint64 kReportsToFresh = Line::kReportsToShowACommand;
    // Reports come every 0.1 s, every 0.25 s while memories are written back: none for half a
    // second, and the reply the panel waits for is lost or the radio has gone; the latest
    // report may no longer be what the radio does.
    static constexpr std::chrono::milliseconds kReportOverdue{500};
    // Who keyed the transmitter: the operator at the panel, or a client by its number (join()).
    static constexpr quint64 kOperator = 0;

    enum class SetKind { Vfo, FrequencyA, FrequencyB, Mode, Transmit };
    struct Tuning {
        qint64 frequencyHz;
        char modeDigit;
    };
    using Write = std::function<void(const QByteArray&)>;

    explicit SharedRadio(QObject* parent = nullptr);

    // The panel: how it writes a command, as its buttons write theirs, and what it hears.
    void setWrite(Write write) { write_ = std::move(write); }
    void identified(const QByteArray& reply);
    void readoutEnded();
    void statusDecoded(const Reply::Status& status);
    // The panel's own verdict: a radio silent for its time-out is switched off or its line
    // is down. The sets still waiting are dropped then, but for an unkeying.
    void answeringChanged(bool answering);
    // The operator's TX/RX button has just put "TX;" (true) or "RX;" (false) on the line: the
    // keying is the operator's, and a client's keying or unkeying still waiting is dropped.
    void operatorKeyed(bool transmit);
    // No clean report for kReportOverdue (its timer calls it).
    void reportOverdue();
    // The pause the panel's polling makes before its next request (a TS-940 keyed is asked once
    // a second): the reports, and the turns of the sets waiting for them, come that much later.
    void setPollingPause(std::chrono::milliseconds pause);
    std::chrono::milliseconds pollingPause() const { return pollingPause_; }

    const Rigctl::RadioModel& model() const { return *model_; }
    // Identified and read out: sets may go to the radio.
    bool isReady() const { return readoutEnded_ && write_ != nullptr; }
    bool isAnswering() const { return answering_; }
    // Heard once, and silent since: clients are told the radio does not answer.
    bool isSilent() const { return heardOnce_ && !answering_; }
    // Reported once, and no report since for kReportOverdue: a read waits for the next.
    bool isOverdue() const { return overdue_; }
    const std::optional<Reply::Status>& status() const { return status_; }
    quint64 reports() const { return reports_; }
    // '0' VFO A, '1' VFO B, '2' memory, as the status report has it, or as a client has just
    // asked; 0 before the first report.
    char vfoInUse() const;
    // Transmitting, as the status report has it, or keyed by a client since.
    bool isKeyed() const;
    // What a VFO held when it was last in use.
    std::optional<Tuning> lastTuningOf(char vfo) const;
    // The VFO last reported in use, '0' or '1', where the radio goes back from memory.
    char lastVfo() const { return lastVfo_; }

    // The clients: a number for a new one.
    quint64 join() { return ++clients_; }
    // Puts a client's set on its way; returns its number, or nothing for an unkeying from a
    // client that did not key the radio: nothing goes out for it. isPending() says whether a
    // set of that kind still waits for its turn.
    std::optional<quint64> submit(quint64 client, SetKind kind, const QByteArray& command);
    bool isPending(SetKind kind) const;
    // A set whose answer could wait no longer: dropped unless a later one stands in its place
    // or it is an unkeying, which is never dropped.
    void withdraw(SetKind kind, quint64 number);
    // The client has the transmitter keyed.
    bool isKeyedBy(quint64 client) const { return keyer_ == client; }
    // The client is gone: a transmitter it keyed goes back to receive.
    void leave(quint64 client);

signals:
    // A set went out, standing for every set of its kind numbered first to last; the report
    // after the next one was requested after it.
    void written(SharedRadio::SetKind kind, quint64 first, quint64 last, quint64 reportsBefore);
    // The sets of that kind numbered first to last will not go out.
    void dropped(SharedRadio::SetKind kind, quint64 first, quint64 last);
    void reported();
    // The radio fell silent: the sets waiting were dropped.
    void silenced();

private:
    struct Pending {
        SetKind kind;
        QByteArray command;
        quint64 first;
        quint64 last;
    };
    // The last FN and the last TX or RX written, and the report after which each went out:
    // they stand for what the radio does until a report requested after them.
    struct Written {
        QByteArray command;
        std::optional<quint64> after;
    };

    void writeNow(const Pending& set);
    void writeWaiting();
    void drop(const std::function<bool(const Pending&)>& which);
    QByteArray standing(SetKind kind, const Written& written) const;

    Write write_;
    const Rigctl::RadioModel* model_;
    bool readoutEnded_ = false;
    std::optional<Reply::Status> status_;
    std::array<std::optional<Tuning>, 2> lastTunings_;
    char lastVfo_ = '0';  // the panel's own default, FN0;
    quint64 reports_ = 0;
    bool answering_ = false;
    bool heardOnce_ = false;
    bool overdue_ = false;
    std::chrono::milliseconds pollingPause_{0};
    QTimer overdueTimer_;

    QList<Pending> pending_;  // in the order they were first asked
    quint64 sets_ = 0;
    std::optional<quint64> lastWriteReports_;
    Written vfoWritten_;
    Written keyWritten_;
    quint64 clients_ = kOperator;
    std::optional<quint64> keyer_;  // nobody: unkeyed through the panel, or keyed elsewhere
};
