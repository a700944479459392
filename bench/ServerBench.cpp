#include "ServerBench.h"

#include "EventLoop.h"
#include "FormControlTOVRAN.h"
#include "Line.h"
#include "RadioSharing.h"
#include "RigctlServer.h"
#include "VirtualRadio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kClients = 8;
constexpr double kStatusRoundTrip =
    Line::kStatusRoundTrip * std::chrono::duration<double>(Line::characterTime()).count();
// Long enough for a few refreshes of each client through rigctld, which shares four status
// round trips a refresh among all of them.
constexpr int kPanelSeconds = 10;
constexpr int kRigctldSeconds = 30;
constexpr std::chrono::milliseconds kPatience{60000};
constexpr int kSets = 200;         // enough for a 99th percentile
constexpr int kAbuseSeconds = 20;  // twice the time after which the server closes such a client
constexpr int kIdleSockets = 64;

qint64 steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A client as WSJT-X or a logger is one: f, m, v, t, each asked when the last is answered.
class RefreshingClient : public QObject {
public:
    explicit RefreshingClient(quint16 port) {
        connect(&socket_, &QTcpSocket::connected, this, &RefreshingClient::ask);
        connect(&socket_, &QTcpSocket::readyRead, this, &RefreshingClient::read);
        socket_.connectToHost(QHostAddress::LocalHost, port);
    }
    int refreshes() const { return refreshes_; }
    int errors() const { return errors_; }

private:
    struct Read {
        const char* command;
        int lines;
    };
    static constexpr Read kReads[] = {{"f\n", 1}, {"m\n", 2}, {"v\n", 1}, {"t\n", 1}};

    void ask() {
        socket_.write(kReads[step_].command);
        linesDue_ = kReads[step_].lines;
    }

    void read() {
        buffer_ += socket_.readAll();
        for (qsizetype end = buffer_.indexOf('\n'); end >= 0; end = buffer_.indexOf('\n')) {
            const bool error = buffer_.startsWith("RPRT");
            buffer_.remove(0, end + 1);
            errors_ += error;
            linesDue_ = error ? 0 : linesDue_ - 1;
            if (linesDue_ > 0)
                continue;
            step_ = (step_ + 1) % std::size(kReads);
            refreshes_ += step_ == 0;
            ask();
        }
    }

    QTcpSocket socket_;
    QByteArray buffer_;
    size_t step_ = 0;
    int linesDue_ = 0;
    std::atomic<int> refreshes_ = 0;
    std::atomic<int> errors_ = 0;
};

// A client as gpredict or a program changing band is one: a frequency set now and then, the
// next one a little while after the answer, at no particular moment of the polling.
class TuningClient : public QObject {
public:
    TuningClient(quint16 port, int sets) : setsLeft_(sets) {
        connect(&socket_, &QTcpSocket::connected, this, &TuningClient::tune);
        connect(&socket_, &QTcpSocket::readyRead, this, &TuningClient::read);
        socket_.connectToHost(QHostAddress::LocalHost, port);
    }
    bool isDone() const { return setsLeft_ == 0; }
    // When each set left the client, in nanoseconds of the steady clock.
    std::vector<qint64> sentNs() const {
        const std::lock_guard lock(mutex_);
        return sentNs_;
    }

private:
    void tune() {
        const qint64 hz = 14'000'000 + QRandomGenerator::global()->bounded(100'000) * 10;
        {
            const std::lock_guard lock(mutex_);
            sentNs_.push_back(steadyNs());
        }
        socket_.write("F " + QByteArray::number(hz) + '\n');
    }

    void read() {
        buffer_ += socket_.readAll();
        if (!buffer_.endsWith('\n'))
            return;
        buffer_.clear();
        if (--setsLeft_ > 0)
            QTimer::singleShot(QRandomGenerator::global()->bounded(100, 300), this,
                               &TuningClient::tune);
    }

    QTcpSocket socket_;
    QByteArray buffer_;
    std::atomic<int> setsLeft_;
    mutable std::mutex mutex_;
    std::vector<qint64> sentNs_;
};

// The clients are other programs: they run on a thread of their own, not on the panel's.
class ClientThread : public QThread {
public:
    ClientThread(quint16 port, int pollers, int sets = 0)
        : port_(port), pollers_(pollers), sets_(sets) {}
    ~ClientThread() override {
        quit();
        wait();
    }

    bool isReady() const { return ready_; }
    const std::vector<std::unique_ptr<RefreshingClient>>& clients() const { return clients_; }
    const TuningClient* tuner() const { return tuner_.get(); }

private:
    void run() override {
        for (int i = 0; i < pollers_; ++i)
            clients_.push_back(std::make_unique<RefreshingClient>(port_));
        if (sets_ > 0)
            tuner_ = std::make_unique<TuningClient>(port_, sets_);
        ready_ = true;
        exec();
        clients_.clear();
        tuner_.reset();
    }

    quint16 port_;
    int pollers_;
    int sets_;
    std::vector<std::unique_ptr<RefreshingClient>> clients_;
    std::unique_ptr<TuningClient> tuner_;
    std::atomic<bool> ready_ = false;
};

struct Figures {
    double slowestClient = 0;  // full refreshes a second
    double allClients = 0;
    int errors = 0;
    qsizetype lineBytes = 0;  // written to the radio besides the panel's own "IF;"
    int statusRequests = 0;
};

Figures measure(quint16 port, VirtualRadio& radio, int seconds) {
    ClientThread thread(port, kClients);
    thread.start();
    EventLoop::waitUntil([&] { return thread.isReady(); }, kPatience);
    EventLoop::runFor(std::chrono::seconds(1));
    const auto& clients = thread.clients();
    std::vector<int> before;
    for (const auto& client : clients) before.push_back(client->refreshes());
    const QList<QByteArray> logBefore = radio.receivedCommands();
    const qsizetype bytesBefore = radio.receivedBytes().size();
    EventLoop::runFor(std::chrono::seconds(seconds));

    Figures figures;
    figures.slowestClient = 1e9;
    for (size_t i = 0; i < clients.size(); ++i) {
        const double rate = double(clients[i]->refreshes() - before[i]) / seconds;
        figures.slowestClient = std::min(figures.slowestClient, rate);
        figures.allClients += rate;
        figures.errors += clients[i]->errors();
    }
    figures.statusRequests = int(radio.receivedCommands().count("IF;") - logBefore.count("IF;"));
    figures.lineBytes = radio.receivedBytes().size() - bytesBefore - 3 * figures.statusRequests;
    return figures;
}

// The panel with its server on the virtual TS-440, polling at the line's own speed.
struct SharedPanel {
    SharedPanel() {
        if (!radio.open())
            qFatal("cannot open a pseudo-terminal");
        qputenv("TOVRAN_COM1", radio.devicePath().toLocal8Bit());
        panel = std::make_unique<FormControlTOVRAN>();
        if (!server.listen(QHostAddress::LocalHost, 0) || !panel->Form_Load(1))
            qFatal("cannot start the panel and its server");
        connectServerToRadio(server, *panel->conversation());
        // The read-out runs unpaced; the polling runs at the line's own speed.
        if (!EventLoop::waitUntil([&] { return radio.receivedCommands().contains("IF;"); },
                                  kPatience))
            qFatal("no read-out");
        radio.setPaced(true);
    }

    VirtualRadio radio;
    RigctlServer server;
    std::unique_ptr<FormControlTOVRAN> panel;
};

Figures panelServer() {
    SharedPanel shared;
    return measure(shared.server.port(), shared.radio, kPanelSeconds);
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// rigctld keeps what it read for half a second by default and answers from that; with its
// cache off every read is a round trip on the line.
void turnCacheOff(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write("\\set_cache 0\n");
    EventLoop::waitUntil([&] { return socket.canReadLine(); }, kPatience);
}

Figures hamlibServer(bool cached) {
    VirtualRadio radio;
    radio.setPaced(true);
    if (!radio.open())
        qFatal("cannot open a pseudo-terminal");
    const quint16 port = freePort();
    QProcess rigctld;
    rigctld.start(QStringLiteral("rigctld"), {"-m", "2002", "-r", radio.devicePath(), "-s", "4800",
                                              "-t", QString::number(port)});
    EventLoop::runFor(std::chrono::seconds(3));  // rigctld opens the radio before it listens
    if (!cached)
        turnCacheOff(port);
    Figures figures = measure(port, radio, kRigctldSeconds);
    rigctld.terminate();
    rigctld.waitForFinished();
    return figures;
}

double percentileMs(std::vector<qint64> ns, double fraction) {
    std::ranges::sort(ns);
    const auto rank = size_t(std::ceil(fraction * double(ns.size()))) - 1;
    return double(ns[std::min(rank, ns.size() - 1)]) / 1e6;
}

// From a client's F to its FA written to the serial port, while two other clients poll f, m,
// v and t; its 14 characters then take 32 ms on the line.
void setLatency() {
    SharedPanel shared;
    std::vector<qint64> writtenNs;
    QObject::connect(&shared.server.radio(), &SharedRadio::written, [&](SharedRadio::SetKind kind) {
        if (kind == SharedRadio::SetKind::FrequencyA)
            writtenNs.push_back(steadyNs());
    });
    ClientThread thread(shared.server.port(), 2, kSets);
    thread.start();
    if (!EventLoop::waitUntil([&] { return thread.isReady() && thread.tuner()->isDone(); },
                              std::chrono::minutes(3)))
        qFatal("the sets were not all answered");
    const std::vector<qint64> sentNs = thread.tuner()->sentNs();
    if (writtenNs.size() != sentNs.size())
        qFatal("a set went astray");
    std::vector<qint64> latencies;
    for (size_t i = 0; i < sentNs.size(); ++i) latencies.push_back(writtenNs[i] - sentNs[i]);
    std::printf(
        "A client's F to its FA on the line, %d sets 0.1-0.3 s apart, two clients polling "
        "(paced)\n",
        kSets);
    std::printf("  p50 %.1f ms, p99 %.1f ms, slowest %.1f ms (a report slot: %.0f ms)\n",
                percentileMs(latencies, 0.5), percentileMs(latencies, 0.99),
                percentileMs(latencies, 1.0), kStatusRoundTrip * 1e3);
}

// The resident memory of this process (panel, server, virtual radio, clients), in MB.
double residentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

// A broken script: \dump_state requests as fast as the server takes them, answers never read,
// and a new connection whenever the server closes one.
struct NeverReading {
    explicit NeverReading(quint16 port) : thread_([this, port] { run(port); }) {}
    ~NeverReading() {
        stop_ = true;
        thread_.join();
    }

    std::atomic<qint64> bytesSent = 0;
    std::atomic<int> closedByServer = 0;

private:
    static int connectTo(quint16 port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            qFatal("cannot connect the client that never reads");
        return fd;
    }

    void run(quint16 port) {
        const QByteArray requests = QByteArray("\\dump_state\n").repeated(1000);
        int fd = connectTo(port);
        qsizetype at = 0;
        while (!stop_) {
            const ssize_t sent = ::send(fd, requests.constData() + at, size_t(requests.size() - at),
                                        MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent > 0) {
                bytesSent += sent;
                at = (at + sent) % requests.size();
            } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd writable{fd, POLLOUT, 0};
                ::poll(&writable, 1, 10);
            } else {
                ::close(fd);
                ++closedByServer;
                fd = connectTo(port);
                at = 0;
            }
        }
        ::close(fd);
    }

    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

double refreshRate(const ClientThread& thread, std::chrono::seconds time) {
    int before = 0;
    for (const auto& client : thread.clients()) before += client->refreshes();
    EventLoop::runFor(time);
    int after = 0;
    for (const auto& client : thread.clients()) after += client->refreshes();
    return double(after - before) / double(time.count()) / double(thread.clients().size());
}

void neverReadingClient() {
    SharedPanel shared;
    ClientThread thread(shared.server.port(), 2);
    thread.start();
    EventLoop::waitUntil([&] { return thread.isReady(); }, kPatience);
    EventLoop::runFor(std::chrono::seconds(1));
    const double usual = refreshRate(thread, std::chrono::seconds(5));
    const double memoryBefore = residentMb();
    double mostMemory = memoryBefore;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { mostMemory = std::max(mostMemory, residentMb()); });
    sampler.start(std::chrono::milliseconds(50));
    double meanwhile = 0;
    qint64 sent = 0;
    int closed = 0;
    {
        NeverReading hung(shared.server.port());
        meanwhile = refreshRate(thread, std::chrono::seconds(kAbuseSeconds));
        sent = hung.bytesSent;
        closed = hung.closedByServer;
    }
    std::printf("A client sending \\dump_state for %d s and never reading (paced)\n",
                kAbuseSeconds);
    std::printf(
        "  requests it got out: %.2f MB (TCP held the rest back); closed by the server "
        "%d time(s) for not reading\n",
        double(sent) / 1e6, closed);
    std::printf("  memory of the whole process: %.1f MB before, %.1f MB at most meanwhile\n",
                memoryBefore, mostMemory);
    std::printf("  two other clients, full refreshes/s each: %.1f before, %.1f meanwhile\n", usual,
                meanwhile);
}

// 64 idle connections held, as a program that leaks them or a port scan leaves them; then a
// station program connects.
void idleConnections() {
    SharedPanel shared;
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < kIdleSockets; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, shared.server.port());
    }
    if (!EventLoop::waitUntil(
            [&] {
                return shared.server.clientCount() ==
                       std::min(kIdleSockets, RigctlServer::kMostClients);
            },
            kPatience))
        qFatal("the idle connections were not taken");
    QElapsedTimer clock;
    clock.start();
    ClientThread thread(shared.server.port(), 1);
    thread.start();
    if (!EventLoop::waitUntil(
            [&] { return thread.isReady() && thread.clients().front()->refreshes() > 0; },
            kPatience))
        qFatal("the station program was not served");
    const double firstMs = double(clock.nsecsElapsed()) / 1e6;
    const double rate = refreshRate(thread, std::chrono::seconds(5));
    const auto closed = std::ranges::count_if(idle, [](const auto& socket) {
        return socket->state() == QAbstractSocket::UnconnectedState;
    });
    std::printf("%d idle connections held, then a station program connects (paced)\n",
                kIdleSockets);
    std::printf(
        "  its first f, m, v, t answered %.1f ms after it connected; then %.1f "
        "full refreshes/s; %lld idle connection(s) closed to make room\n",
        firstMs, rate, static_cast<long long>(closed));
}

}  // namespace

void benchServers() {
    const Figures panel = panelServer();
    const Figures cached = hamlibServer(true);
    const Figures uncached = hamlibServer(false);
    const auto lineBytes = [](const Figures& hamlib) {
        return static_cast<long long>(hamlib.lineBytes + 3 * hamlib.statusRequests);
    };
    std::printf("Sharing the radio: %d clients each repeating f, m, v, t (paced virtual TS-440)\n",
                kClients);
    std::printf(
        "                                   tovran --rigctld   rigctld -m 2002   same, "
        "cache off\n");
    std::printf("  full refreshes/s, slowest client: %11.1f %17.2f %18.2f\n", panel.slowestClient,
                cached.slowestClient, uncached.slowestClient);
    std::printf("  full refreshes/s, all clients:    %11.1f %17.2f %18.2f\n", panel.allClients,
                cached.allClients, uncached.allClients);
    std::printf("  bytes/s to the radio for the reads: %9.0f %17.0f %18.0f\n",
                double(panel.lineBytes) / kPanelSeconds,
                double(lineBytes(cached)) / kRigctldSeconds,
                double(lineBytes(uncached)) / kRigctldSeconds);
    std::printf("  error answers:                    %11d %17d %18d\n", panel.errors, cached.errors,
                uncached.errors);
    const double reportRate = double(panel.statusRequests) / kPanelSeconds;
    std::printf("  panel's status reports meanwhile:  %8.2f /s (%5.1f%% of the line's limit)\n",
                reportRate, 100.0 * reportRate * kStatusRoundTrip);
    setLatency();
    neverReadingClient();
    idleConnections();
}
