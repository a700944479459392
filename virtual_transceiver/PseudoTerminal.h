#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The radio's end of a pseudo-terminal: the panel opens the slave device as if it were the
// serial port, and the radio reads and writes the master.
class PseudoTerminal : public QObject {
    Q_OBJECT

public:
    explicit PseudoTerminal(QObject* parent = nullptr);
    ~PseudoTerminal() override;

    bool open(QString* error = nullptr);
    // Makes a symbolic link at `path` to the slave device, replacing a link already there.
    bool linkAs(const QString& path);
    // The device vanishes: the pseudo-terminal is closed and the link removed.
    void close();

    bool isOpen() const { return master_ >= 0; }
    QString slavePath() const { return slavePath_; }
    // What the line cannot take now is kept and written as soon as it can.
    void write(const QByteArray& bytes);
    // The speed in baud at which the program on the slave side has set its end of the line to
    // receive (Linux shows the slave's settings to the master); 0 when it cannot be read.
    int receiverBaud() const;

signals:
    void received(const QByteArray& bytes);

private:
    bool fail(const char* what, QString* error);
    bool openSlave();
    void readAvailable();
    void writePending();
    void removeLink();

    int master_ = -1;
    // Held open so that the master never reads EIO while no panel has the device open.
    int slave_ = -1;
    QString slavePath_;
    QString linkPath_;
    QByteArray unwritten_;
    QSocketNotifier* readable_;
    QSocketNotifier* writable_;
};
