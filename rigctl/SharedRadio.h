#pragma once

#include "Line.h"
#include "RadioModels.h"
#include "Replies.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <array>
#include <functional>
#include <optional>

// The radio as the server's clients share it: what the panel last decoded, and the sets the
// clients ask for on their way to the line. The panel polls the radio continuously; the
// clients' reads cost the line nothing, and their sets are paced so that the polling goes on
// however fast they come: at most one set goes out per status report, and a set waiting for
// its turn is replaced by a later one of its kind, so the radio ends on the last value asked.
class SharedRadio : public QObject {
    Q_OBJECT

public:
    // Reports until one answers a request written after a set.
    static constexpr quint64 kReportsToFresh = Line::kReportsToShowACommand;

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

    const Rigctl::RadioModel& model() const { return *model_; }
    // Identified and read out: sets may go to the radio.
    bool isReady() const { return readoutEnded_ && write_ != nullptr; }
    bool isAnswering() const { return answering_; }
    // Heard once, and silent since: clients are told the radio does not answer.
    bool isSilent() const { return heardOnce_ && !answering_; }
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

    // Puts a set on its way; returns its number. isPending() says whether it still waits.
    quint64 submit(SetKind kind, const QByteArray& command);
    bool isPending(SetKind kind) const;

signals:
    // A set went out, standing for every set of its kind numbered first to last; the report
    // after the next one was requested after it.
    void written(SetKind kind, quint64 first, quint64 last, quint64 reportsBefore);
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

    void writeNow(const Pending& set);
    void writeWaiting();

    Write write_;
    const Rigctl::RadioModel* model_;
    bool readoutEnded_ = false;
    std::optional<Reply::Status> status_;
    std::array<std::optional<Tuning>, 2> lastTunings_;
    char lastVfo_ = '0';  // the panel's own default, FN0;
    quint64 reports_ = 0;
    bool answering_ = false;
    bool heardOnce_ = false;

    QList<Pending> pending_;  // in the order they were first asked
    quint64 sets_ = 0;
    std::optional<quint64> lastWriteReports_;
    // The last FN and the last TX or RX asked for, and the report after which each went out:
    // they stand for what the radio does until a report requested after them.
    struct Asked {
        QByteArray command;
        std::optional<quint64> writtenAfter;
    };
    QByteArray standing(SetKind kind, const Asked& asked) const;
    Asked vfoAsked_;
    Asked keyAsked_;
};
