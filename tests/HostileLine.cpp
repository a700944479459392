#include "HostileLine.h"

#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "ProgramWide.h"
#include "RequestChain.h"
#include "SerialComm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QSerialPort>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <thread>

namespace {

using namespace std::chrono_literals;

const QString kNotConnected = QStringLiteral(" -> Non connecté.");

// A piece of noise is at most a status report and a bit: enough to straddle any threshold.
constexpr int kLongestPiece = 48;
// A burst is up to 255 of these: more than the receive buffer holds, to make it overflow.
constexpr int kBurstUnit = 5;
// The write buffer of a pseudo-terminal takes any burst of commands in one go; a few rounds
// of flushing cover a write buffer in several blocks.
constexpr int kFlushRounds = 8;
// What the panel wrote is on the other end of the terminal in microseconds; this long means
// the terminal itself is stuck.
constexpr int kLinePatienceMs = 5000;
// A pause runs the event loop in slices this long, looking at what was written after each.
constexpr auto kPauseSlice = 1ms;
// Timers may fire up to 5 % early: a repeated request must come at least this long after the
// one it repeats.
constexpr auto kShortestRepeat = RequestChain::kReplyTimeout * 9 / 10;
// Goes down the line after the panel's bytes, from our own handle on the device: when it
// comes out at the other end, so has everything the panel wrote before it.
constexpr char kMarker = '\x01';

// Pauses that let one of the panel's timers run out: the quiet gap of the identification,
// the settling after a repeat, the time-out of a request.
constexpr std::array<std::chrono::milliseconds, 3> kPauses{SerialComm::kQuietGap + 5ms,
                                                           RequestChain::kSettleAfterRepeat + 50ms,
                                                           RequestChain::kReplyTimeout + 100ms};

const std::array<QByteArray, 6> kIdentities{"ID004;", "ID001;", "ID002;",
                                            "ID003;", "ID005;", "ID004;\r"};

// Frequency fields of 11 characters: band edges, the largest, none, and one not all digits.
const std::array<QByteArray, 8> kFrequencies{"00000000000", "00000136000", "00007050000",
                                             "00014195000", "00144300000", "00432100000",
                                             "99999999999", "0001419S000"};

bool isRequest(const QByteArray& command) {
    if (command == "ID;" || command == "IF;")
        return true;
    return command.size() == 7 && command.startsWith("MR00") && std::isdigit(command[4]) &&
           std::isdigit(command[5]) && command[6] == ';';
}

}  // namespace

// The script: bytes read one at a time, zeros once it has run out.
class HostileLine::Script {
public:
    explicit Script(QByteArrayView bytes) : bytes_(bytes) {}
    bool atEnd() const { return at_ >= bytes_.size(); }
    quint8 next() { return atEnd() ? 0 : quint8(bytes_[at_++]); }
    QByteArray take(qsizetype count) {
        const QByteArrayView piece = bytes_.sliced(at_, std::min(count, bytes_.size() - at_));
        at_ += piece.size();
        return piece.toByteArray();
    }
    QByteArray channel() { return QByteArray::number(next() % 100).rightJustified(2, '0'); }
    QByteArray frequency() { return kFrequencies[next() % kFrequencies.size()]; }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
};

// The radio's end of a pseudo-terminal, read without the event loop so that each write of
// the panel is seen right after the handler that made it.
class HostileLine::LineEnd {
public:
    LineEnd() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        path_ = QString::fromLocal8Bit(::ptsname(master_));
        // Held open so that the master never reads end of file between two panels.
        slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios line{};
        if (slave_ >= 0 && ::tcgetattr(slave_, &line) == 0) {
            ::cfmakeraw(&line);
            ::tcsetattr(slave_, TCSANOW, &line);
        }
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~LineEnd() {
        for (int fd : {slave_, master_}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    bool isOpen() const { return slave_ >= 0; }
    QString path() const { return path_; }

    // Everything written on the device so far; nothing when the line is stuck.
    std::optional<QByteArray> drain() {
        if (::write(slave_, &kMarker, 1) != 1)
            return std::nullopt;
        QByteArray bytes;
        while (!bytes.endsWith(kMarker)) {
            pollfd readable{master_, POLLIN, 0};
            if (::poll(&readable, 1, kLinePatienceMs) <= 0)
                return std::nullopt;
            char chunk[256];
            const ssize_t count = ::read(master_, chunk, sizeof chunk);
            if (count < 0 && errno != EAGAIN && errno != EINTR)
                return std::nullopt;
            bytes.append(chunk, std::max<ssize_t>(count, 0));
        }
        bytes.chop(1);
        return bytes;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

HostileLine::HostileLine(Limits limits) : limits_(limits), line_(std::make_unique<LineEnd>()) {}

HostileLine::~HostileLine() = default;

QString HostileLine::play(QByteArrayView bytes) {
    fault_.clear();
    written_.clear();
    lastRequest_.clear();
    commandsSeen_ = 0;
    requestsInARow_ = 0;
    identified_ = false;
    pausesLeft_ = limits_.pauses;
    if (!line_->isOpen())
        return QStringLiteral("no pseudo-terminal for the panel");

    loadPanel();
    Script script(bytes);
    while (fault_.isEmpty() && !script.atEnd()) playStep(script);
    if (fault_.isEmpty())
        checkBetweenEvents();
    if (fault_.isEmpty() && !written_.isEmpty())
        fail(QStringLiteral("wrote a piece of a command: ") + QString::fromLatin1(written_));
    panel_.reset();
    port_ = nullptr;
    return fault_;
}

void HostileLine::setAfterLoad(std::function<void(FormControlTOVRAN&)> meddle) {
    afterLoad_ = std::move(meddle);
}

// The panel starts as the program starts it, on port 1, here the line's device. Our checks
// sit on both sides of its receive handler, to tell what the handler wrote from what the
// timers wrote before it.
void HostileLine::loadPanel() {
    qputenv("TOVRAN_COM1", line_->path().toLocal8Bit());
    PortNumber = 1;
    panel_ = std::make_unique<FormControlTOVRAN>();
    SerialComm* comm = panel_->MSComm1;
    port_ = comm->findChild<QSerialPort*>();
    QObject::disconnect(comm, &SerialComm::onComm, panel_.get(),
                        &FormControlTOVRAN::MSComm1_OnComm);
    QObject::connect(comm, &SerialComm::onComm, panel_.get(), [this] { checkBetweenEvents(); });
    QObject::connect(comm, &SerialComm::onComm, panel_.get(), &FormControlTOVRAN::MSComm1_OnComm);
    QObject::connect(comm, &SerialComm::onComm, panel_.get(), [this] { onReceiveEvent(); });
    if (!port_ || !panel_->Form_Load()) {
        fail(QStringLiteral("the panel could not open ") + line_->path());
        return;
    }

    const QList<QByteArray> atLoad = collectWritten();
    if (atLoad != QList<QByteArray>{"AI0;", "ID;"}) {
        fail(QStringLiteral("sent at load: ") + QString::fromLatin1(atLoad.join()));
        return;
    }
    commandsSeen_ = 2;
    lastRequest_ = "ID;";
    requestsInARow_ = 1;
    sinceRequest_.start();
    if (afterLoad_)
        afterLoad_(*panel_);
}

// The first byte of a step picks what it does: each kind of step owns the values from its
// number up to the next one's, out of kSteps.
void HostileLine::playStep(Script& script) {
    enum Step {
        Answer = 0,
        AnswerInPieces = 5,
        StrayReply = 6,
        ByteByByte = 8,
        Burst = 9,
        Pause = 10,
        Piece = 11,
        kSteps = 16
    };
    // Answers weigh most, so that random scripts get through identification and the read-out.
    const int step = script.next() % kSteps;
    if (step == Answer && lastRequest_.startsWith("MR")) {
        // The rest of the read-out answered at once, channel by channel, so that short scripts
        // reach the polling (only the reply for the channel asked for is taken); it stops where the
        // panel does not ask for the next one at once.
        for (QByteArray asked;
             fault_.isEmpty() && lastRequest_.startsWith("MR") && lastRequest_ != asked;) {
            asked = lastRequest_;
            deliver("MR00" + asked.mid(4, 2) + QByteArray(12, '0') + "00000;");
        }
    } else if (step < AnswerInPieces) {
        deliver(replyTo(lastRequest_, script));
    } else if (step < StrayReply) {
        const QByteArray reply = replyTo(lastRequest_, script);
        const qsizetype cut = script.next() % (reply.size() + 1);
        deliver(reply.first(cut));
        deliver(reply.sliced(cut));
    } else if (step < ByteByByte) {
        deliver(anyReply(script));
    } else if (step < Burst) {
        for (char byte : script.take(script.next() % 8 + 1)) deliver(QByteArray(1, byte));
    } else if (step < Pause) {
        const int units = script.next();
        deliver(QByteArray(units * kBurstUnit, char(script.next())));
    } else if (step < Piece) {
        pause(kPauses[script.next() % kPauses.size()]);
    } else {
        deliver(script.take(script.next() % kLongestPiece + 1));
    }
}

void HostileLine::deliver(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    panel_->MSComm1->deliver(bytes);
    checkState();
}

void HostileLine::pause(std::chrono::milliseconds length) {
    if (pausesLeft_ == 0 || length > limits_.longest)
        return;
    --pausesLeft_;
    QElapsedTimer elapsed;
    elapsed.start();
    while (fault_.isEmpty() && !elapsed.hasExpired(length.count())) {
        QCoreApplication::processEvents();
        checkBetweenEvents();
        std::this_thread::sleep_for(kPauseSlice);
    }
}

// The reply a radio could make to the request: mostly the right one, now and then another
// channel (channel 99 ends the read-out at once) or another model.
QByteArray HostileLine::replyTo(const QByteArray& request, Script& script) const {
    if (request == "ID;")
        return kIdentities[script.next() % kIdentities.size()];
    if (request.startsWith("MR")) {
        const quint8 choice = script.next();
        const QByteArray channel = choice < 192 ? request.mid(4, 2) : script.channel();
        // The script is read in a fixed order, so that an input means the same to every
        // compiler: operands of + are evaluated in any order.
        const QByteArray frequency = script.frequency();
        const char mode = char('0' + script.next() % 8);
        // MRs-ccfffffffffffml----;
        return "MR00" + channel + frequency + mode + "00000;";
    }
    // IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
    const QByteArray frequency = script.frequency();
    const QByteArray channel = script.channel();
    const quint8 flags = script.next();
    const char transmit = flags & 1 ? '1' : '0';
    const char scan = flags & 2 ? '1' : '0';
    const char vfo = char('0' + (flags >> 2) % 4);  // A, B, memory, and one that is none
    const char mode = char('0' + (flags >> 4) % 8);
    return "IF" + frequency + QByteArray(13, '0') + channel + transmit + mode + vfo + scan +
           "00000;";
}

QByteArray HostileLine::anyReply(Script& script) const {
    static const std::array<QByteArray, 3> kRequests{"ID;", "MR0000;", "IF;"};
    return replyTo(kRequests[script.next() % kRequests.size()], script);
}

QList<QByteArray> HostileLine::collectWritten() {
    for (int round = 0; round < kFlushRounds && port_->bytesToWrite() > 0; ++round) port_->flush();
    const std::optional<QByteArray> bytes = line_->drain();
    if (!bytes) {
        fail(QStringLiteral("the pseudo-terminal stopped carrying the panel's writes"));
        return {};
    }
    written_ += *bytes;
    QList<QByteArray> commands;
    for (qsizetype end = written_.indexOf(';'); end >= 0; end = written_.indexOf(';')) {
        commands << written_.first(end + 1);
        written_.remove(0, end + 1);
    }
    return commands;
}

// Right after the panel's handler: what it wrote answers this receive event.
void HostileLine::onReceiveEvent() {
    if (!fault_.isEmpty())
        return;
    const int requests = checkCommands(collectWritten());
    if (requests > 1)
        fail(QStringLiteral("%1 requests for one receive event").arg(requests));
    requestsInARow_ = requests;
    if (requests > 0)
        sinceRequest_.restart();
    checkState();
}

// Written with no receive event: only a timer can have done it, the settling after a repeat,
// which follows a receive event, or the time-out of the request outstanding.
void HostileLine::checkBetweenEvents() {
    if (!fault_.isEmpty())
        return;
    for (const QByteArray& command : collectWritten()) {
        const QByteArray before = lastRequest_;
        if (checkCommands({command}) == 0)
            continue;
        const bool timedOut = std::chrono::milliseconds(sinceRequest_.elapsed()) >= kShortestRepeat;
        if (requestsInARow_ > 0 && !timedOut)
            fail(QStringLiteral("%1 sent %2 ms after the request before it, with no reply between")
                     .arg(QString::fromLatin1(command))
                     .arg(sinceRequest_.elapsed()));
        if (timedOut && command == before)
            reached_ << QStringLiteral("repeat");
        ++requestsInARow_;
        sinceRequest_.restart();
    }
}

int HostileLine::checkCommands(const QList<QByteArray>& commands) {
    int requests = 0;
    for (const QByteArray& command : commands) {
        ++commandsSeen_;
        if (command == "AI0;")
            continue;  // goes before each repeat: not a request
        const QString text = QString::fromLatin1(command);
        if (command.startsWith("MW"))
            fail(QStringLiteral("wrote a memory channel: ") + text);
        else if (!isRequest(command))
            fail(QStringLiteral("sent %1 (command %2)").arg(text).arg(commandsSeen_));
        else if (command == "ID;" && identified_)
            fail(QStringLiteral("asked for the identification again once identified"));
        lastRequest_ = command;
        ++requests;
    }
    return requests;
}

void HostileLine::checkState() {
    if (!panel_)
        return;
    const int threshold = panel_->MSComm1->rThreshold();
    if (threshold != 1 && threshold != 24 && threshold != 38)
        fail(QStringLiteral("receive threshold %1").arg(threshold));
    const bool notConnected = panel_->StatusBarTovran->text() == kNotConnected;
    if (identified_ && notConnected)
        fail(QStringLiteral("the status line reads \"Non connecté\" again"));
    identified_ = identified_ || !notConnected;

    const std::array<std::pair<bool, const char*>, 7> states{{
        {identified_, "identified"},
        {threshold == 24, "read-out"},
        {threshold == 38, "polling"},
        {panel_->LabelVFO->text().startsWith(QLatin1String("M.")), "memory"},
        {panel_->LabelEtatScan->text() == QLatin1String("SCAN"), "scan"},
        {panel_->LabelRxTx->text() == QLatin1String("TX"), "transmit"},
        {panel_->MSComm1->commEvent() == SerialComm::ReceiveOverflow, "overflow"},
    }};
    for (const auto& [holds, name] : states) {
        if (holds)
            reached_ << QString::fromLatin1(name);
    }
}

void HostileLine::fail(const QString& what) {
    if (fault_.isEmpty())
        fault_ = what;
}
