#include "ServerBench.h"

#include "EventLoop.h"
#include "FormControlTOVRAN.h"
#include "Line.h"
#include "RadioSharing.h"
#include "RigctlServer.h"
#include "VirtualRadio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kClients = 8;
constexpr double kStatusRoundTrip =
    Line::kStatusRoundTrip * std::chrono::duration<double>(Line::characterTime()).count();
// Long enough for a few refreshes of each client through rigctld, which shares four status
// round trips a refresh among all of them.
constexpr int kPanelSeconds = 10;
constexpr int kRigctldSeconds = 30;
constexpr std::chrono::milliseconds kPatience{60000};

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

// The clients are other programs: they run on a thread of their own, not on the panel's.
class ClientThread : public QThread {
public:
    explicit ClientThread(quint16 port) : port_(port) {}
    ~ClientThread() override {
        quit();
        wait();
    }

    bool isReady() const { return ready_; }
    const std::vector<std::unique_ptr<RefreshingClient>>& clients() const { return clients_; }

private:
    void run() override {
        for (int i = 0; i < kClients; ++i)
            clients_.push_back(std::make_unique<RefreshingClient>(port_));
        ready_ = true;
        exec();
        clients_.clear();
    }

    quint16 port_;
    std::vector<std::unique_ptr<RefreshingClient>> clients_;
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
    ClientThread thread(port);
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

Figures panelServer() {
    VirtualRadio radio;
    if (!radio.open())
        qFatal("cannot open a pseudo-terminal");
    qputenv("TOVRAN_COM1", radio.devicePath().toLocal8Bit());
    FormControlTOVRAN panel;
    RigctlServer server;
    if (!server.listen(QHostAddress::LocalHost, 0) || !panel.Form_Load(1))
        qFatal("cannot start the panel and its server");
    connectServerToRadio(server, *panel.conversation());
    // The read-out runs unpaced; the polling is measured at the line's own speed.
    if (!EventLoop::waitUntil([&] { return radio.receivedCommands().contains("IF;"); }, kPatience))
        qFatal("no read-out");
    radio.setPaced(true);
    return measure(server.port(), radio, kPanelSeconds);
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
}
