#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class FormControlTOVRAN;
class QSerialPort;

// A line that says anything: a script of bytes is played into the receive buffer of a freshly
// loaded panel, in pieces, mixed with replies a radio could make and pauses that let the
// panel's timers run, and everything the panel writes in return is read back from the other
// end of its pseudo-terminal and checked. Shared by the randomized test and the fuzz target.
//
// What must hold whatever the line says:
//   - the panel sends "AI0;" and "ID;" at load, and after that only the requests of its chain:
//     "ID;" (until the radio is identified), "MR00nn;" and "IF;", a repeat behind "AI0;";
//     never a memory write;
//   - at most one request per receive event, and never two in a row without a receive event
//     or a time-out between them, so that one request at most is outstanding;
//   - the receive threshold is 1, 24 or 38;
//   - once identification has run, the status line never reads " -> Non connecté." again.
class HostileLine {
public:
    struct Limits {
        int pauses = 0;                       // pauses one script may ask for
        std::chrono::milliseconds longest{};  // the longest pause it may ask for
    };

    explicit HostileLine(Limits limits);
    ~HostileLine();

    // Plays one script through a new panel. Returns what went wrong; empty when all held.
    QString play(QByteArrayView script);
    // Done to each panel right after its load, before the script plays: lets a test make the
    // panel misbehave and see the checks catch it.
    void setAfterLoad(std::function<void(FormControlTOVRAN&)> meddle);

    // States the panel went through during the scripts played so far ("polling", "scan",...),
    // so that a test can tell the scripts went deep enough to mean something.
    const QSet<QString>& reached() const { return reached_; }

private:
    class Script;
    class LineEnd;

    void loadPanel();
    void playStep(Script& script);
    void deliver(const QByteArray& bytes);
    void pause(std::chrono::milliseconds length);
    QByteArray replyTo(const QByteArray& request, Script& script) const;
    QByteArray anyReply(Script& script) const;

    // What the panel wrote since the last look, as whole commands.
    QList<QByteArray> collectWritten();
    void onReceiveEvent();
    void checkBetweenEvents();
    int checkCommands(const QList<QByteArray>& commands);
    void checkState();
    void fail(const QString& what);

    Limits limits_;
    std::function<void(FormControlTOVRAN&)> afterLoad_;
    std::unique_ptr<LineEnd> line_;
    std::unique_ptr<FormControlTOVRAN> panel_;
    QSerialPort* port_ = nullptr;
    QByteArray written_;      // read back from the line, not yet a whole command
    QByteArray lastRequest_;  // the request the panel sent last
    int commandsSeen_ = 0;
    int requestsInARow_ = 0;  // requests since the last receive event
    QElapsedTimer sinceRequest_;
    bool identified_ = false;
    int pausesLeft_ = 0;
    QString fault_;
    QSet<QString> reached_;
};
