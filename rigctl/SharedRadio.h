#pragma once

#include "RadioModels.h"
#include "Replies.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <array>
#include <chrono>
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
    // The panel repeats an unanswered request after a second; three without a word from the
    // radio is a radio switched off or a line gone.
    static constexpr std::chrono::milliseconds kSilenceBeforeNotAnswering{3000};

    // A set written after report n goes out while the request that report n + 1 answers is
    // already on the line; report n + 2 answers a request written after the set.
    static constexpr quint64 kReportsToFresh = 2;

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
    void heard();

    const Rigctl::RadioModel& model() const { return *model_; }
    // Identified and read out: sets may go to the radio.
    bool isReady() const { return readoutEnded_ && write_ != nullptr; }
    bool isAnswering() const;
    const std::optional<Reply::Status>& status() const { return status_; }
    quint64 reports() const { return reports_; }
    // '0' VFO A, '1' VFO B, '2' memory, as the status report has it, or as a client has just
    // asked; 0 before the first report.
    char vfoInUse() const;
    // What a VFO held when it was last in use.
    std::optional<Tuning> lastTuningOf(char vfo) const;

    // Puts a set on its way; returns its number. isPending() says whether it still waits.
    quint64 submit(SetKind kind, const QByteArray& command);
    bool isPending(SetKind kind) const;

signals:
    // A set went out, standing for every set of its kind numbered first to last; the report
    // after the next one was requested after it.
    void written(SetKind kind, quint64 first, quint64 last, quint64 reportsBefore);
    void reported();

private:
    struct Pending {
        SetKind kind;
        QByteArray command;
        quint64 first;
        quint64 last;
    };

    void writeNow(const Pending& set);

    Write write_;
    const Rigctl::RadioModel* model_;
    bool readoutEnded_ = false;
    std::optional<Reply::Status> status_;
    std::array<std::optional<Tuning>, 2> lastTunings_;
    quint64 reports_ = 0;
    QElapsedTimer sinceHeard_;

    QList<Pending> pending_;  // in the order they were first asked
    quint64 sets_ = 0;
    std::optional<quint64> lastWriteReports_;
    char vfoAsked_ = 0;  // the VFO of the last FN asked, until a report requested after it
    std::optional<quint64> vfoAskedReports_;
};
