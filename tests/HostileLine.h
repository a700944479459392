#pragma once

#include <QSet>
#include <QStringList>

#include <memory>

class FormControlTOVRAN;
class QSerialPort;
class RequestChain;
class SerialComm;

// A line that says anything (noise in pieces, bursts, replies a radio could make), played into
// one panel script after script, each from the identification, with no time passing. After
// each receive event the panel has written nothing, or, having taken a clean reply to the
// request outstanding, the next request of its chain alone; it leaves no clean reply to it;
// what it shows is what the radio said (model, frequency, mode, VFO or channel, RX/TX, scan,
// memory rows); a text it drops changes nothing. For the randomized test and the fuzz target.
class HostileLine {
public:
    HostileLine();
    ~HostileLine();
    QString play(QByteArrayView script);  // the first thing that went wrong; empty if none
    FormControlTOVRAN& panel() { return *panel_; }             // to make it misbehave on purpose
    const QSet<QString>& checked() const { return checked_; }  // kinds of text checked

private:
    quint8 next();
    QByteArray reply(const QByteArray& request);
    void deliver(const QByteArray& bytes);
    void afterEvent();
    QByteArray expect(QStringList& shows);
    QStringList shown(int channel) const;
    void fail(const QString& what);

    int master_ = -1;
    int slave_ = -1;
    std::unique_ptr<FormControlTOVRAN> panel_;
    SerialComm* line_ = nullptr;
    QSerialPort* port_ = nullptr;
    RequestChain* chain_ = nullptr;
    QByteArrayView script_;
    QByteArray heard_;         // the panel's receive buffer, as far as the line can tell
    QByteArray text_;          // what the receive event being handled reads from it
    QByteArray awaited_;       // the request outstanding before that event
    QStringList before_;       // what the panel showed before it
    qsizetype queued_ = 0;     // bytes the panel wrote, all accounted for
    QList<QStringList> rows_;  // the memory table as the clean replies wrote it
    QSet<int> touched_;        // rows written during the script
    QString fault_;
    QSet<QString> checked_;
};
