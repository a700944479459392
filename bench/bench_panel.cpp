// How fast the panel follows the radio, against the virtual transceiver:
//  - unpaced, what the panel itself costs: status reports a second, the panel's own time per
//    report, and the time of the 100-channel read-out;
//  - paced at 4800 baud 8N2, how close it comes to what the line allows;
//  - writing 100 memory channels back from a file, and the polling meanwhile, both ways;
//  - the radio shared by eight clients through the panel's rigctld server, and through
//    Hamlib's own rigctld; a client's set on its way to the line; a client that never reads;
//    64 idle connections (ServerBench.cpp; "bench_panel sharing" runs these alone).

#include "DisplayLabel.h"
#include "EventLoop.h"
#include "FormControlTOVRAN.h"
#include "MemoryFilesMenu.h"
#include "ProgramWide.h"
#include "RadioConversation.h"
#include "ServerBench.h"
#include "VirtualRadio.h"

#include <QApplication>
#include <QElapsedTimer>
#include "Line.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr double kCharacterSeconds = std::chrono::duration<double>(Line::characterTime()).count();
constexpr double kStatusRoundTrip = Line::kStatusRoundTrip * kCharacterSeconds;
constexpr double kReadOutLimit = 100 * Line::kMemoryRoundTrip * kCharacterSeconds;
constexpr int kReportsUnpaced = 3000;
constexpr int kReportsDecodedDirectly = 20000;
constexpr int kReportsPaced = 60;

struct Session {
    VirtualRadio radio;
    std::unique_ptr<FormControlTOVRAN> panel;
    int statusRequests = 0;
    // When the first and the last status requests reached the radio: the figures do not depend
    // on how soon a wait notices them.
    QElapsedTimer clock;
    qint64 firstRequestNs = 0;
    qint64 lastRequestNs = 0;

    explicit Session(bool paced) {
        radio.setPaced(paced);
        clock.start();
        QObject::connect(&radio, &VirtualRadio::commandReceived, [this](const QByteArray& c) {
            if (c != "IF;")
                return;
            lastRequestNs = clock.nsecsElapsed();
            if (++statusRequests == 1)
                firstRequestNs = lastRequestNs;
        });
    }

    // Seconds from the panel's load to the first status request, which ends the read-out.
    double start() {
        if (!radio.open())
            qFatal("cannot open a pseudo-terminal");
        qputenv("TOVRAN_COM1", radio.devicePath().toLocal8Bit());
        panel = std::make_unique<FormControlTOVRAN>();
        const qint64 loadNs = clock.nsecsElapsed();
        if (!panel->Form_Load(1))
            qFatal("the panel cannot open the virtual radio");
        if (!EventLoop::waitUntil([&] { return statusRequests > 0; }, std::chrono::minutes(1)))
            qFatal("no read-out");
        return (firstRequestNs - loadNs) / 1e9;
    }

    double reportsPerSecond(int reports) {
        const int first = statusRequests;
        const qint64 firstNs = lastRequestNs;
        if (!EventLoop::waitUntil([&] { return statusRequests >= first + reports; },
                                  std::chrono::minutes(2)))
            qFatal("polling stopped");
        return (statusRequests - first) / ((lastRequestNs - firstNs) / 1e9);
    }
};

// The panel's own cost: reports handed straight to its receive buffer, nothing else running.
double microsecondsPerDecodedReport() {
    Session session(false);
    session.start();
    session.radio.setPoweredOn(false);
    // The request outstanding times out and is repeated; the first report then answers it and
    // the line settles before the next request.
    const QByteArray reports[] = {"IF00014195000000000000000005020000000;",
                                  "IF00007050000000000000000005010000000;"};
    EventLoop::runFor(std::chrono::milliseconds(1500));
    session.panel->conversation()->line().deliver(reports[1]);
    EventLoop::runFor(std::chrono::milliseconds(500));
    session.radio.clearLog();

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kReportsDecodedDirectly; ++i) {
        session.panel->conversation()->line().deliver(reports[i % 2]);
        if (i % 100 == 0)
            QCoreApplication::processEvents();  // let the written requests drain
    }
    const double microseconds = clock.nsecsElapsed() / 1e3 / kReportsDecodedDirectly;
    EventLoop::waitUntil(
        [&] { return session.radio.receivedBytes().size() >= 3 * kReportsDecodedDirectly; },
        std::chrono::seconds(5));
    if (session.radio.receivedCommands().count("IF;") != kReportsDecodedDirectly ||
        session.panel->LabelFreq->text() != QStringLiteral("07,050,000"))
        qFatal("not every report was decoded");
    return microseconds;
}

// 100 channels written back, each different from what the radio holds, while the polling goes
// on: the time it takes, and the status reports a second before and meanwhile.
void writeBackFigures(bool paced) {
    Session session(false);
    session.start();
    session.radio.setPaced(paced);
    const double usual = session.reportsPerSecond(paced ? kReportsPaced / 2 : kReportsUnpaced);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("memoires.csv"));
    QByteArray text = "# Kenwood TS-440\ncanal,frequence_hz,mode\n";
    for (int channel = 0; channel < 100; ++channel)
        text += QByteArray::number(channel) + ',' + QByteArray::number(7'000'000 + channel * 1000) +
                ",CW\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write the memory file");
    file.close();
    FormControlTOVRAN& panel = *session.panel;
    panel.memoryFiles()->chooseFileToLoad = [&] { return path; };
    QString told;
    panel.memoryFiles()->showMessage = [&](const QString&, const QString& message) {
        told = message;
    };

    const int first = session.statusRequests;
    QElapsedTimer clock;
    clock.start();
    panel.memoryFiles()->LoadMemories();
    if (!panel.memoryFiles()->isWritingMemories() ||
        !EventLoop::waitUntil(
            [&] { return !panel.memoryFiles()->isWritingMemories() && !told.isEmpty(); },
            std::chrono::minutes(2)))
        qFatal("no write-back");
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double meanwhile = (session.statusRequests - first) / seconds;
    std::printf("  100 channels written back:  %7.3f s  (%s)\n", seconds, qPrintable(told));
    std::printf("  status reports: %9.2f /s before, %9.2f /s meanwhile (%5.1f%%)\n", usual,
                meanwhile, 100.0 * meanwhile / usual);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // "bench_panel sharing": the shared radio's figures alone.
    if (application.arguments().contains(QStringLiteral("sharing"))) {
        benchServers();
        return 0;
    }

    std::printf("Unpaced virtual transceiver (the panel's own speed)\n");
    {
        Session session(false);
        const double readOut = session.start();
        std::printf("  memory read-out, 100 channels:  %8.1f ms\n", readOut * 1e3);
        std::printf("  status reports per second:      %8.0f\n",
                    session.reportsPerSecond(kReportsUnpaced));
    }
    std::printf("  panel's own cost per report:    %8.1f us (decoding, display, next request)\n",
                microsecondsPerDecodedReport());

    std::printf("Paced at 4800 baud 8N2 (the line's limit)\n");
    {
        Session session(true);
        const double readOut = session.start();
        std::printf("  memory read-out:  %6.2f s, line limit %5.2f s  (%5.1f%% of the limit)\n",
                    readOut, kReadOutLimit, 100.0 * kReadOutLimit / readOut);
        const double rate = session.reportsPerSecond(kReportsPaced);
        std::printf("  status reports:   %6.2f /s, line limit %5.2f /s (%5.1f%% of the limit)\n",
                    rate, 1.0 / kStatusRoundTrip, 100.0 * rate * kStatusRoundTrip);
    }
    std::printf("Memories written back from a file, unpaced\n");
    writeBackFigures(false);
    std::printf("Memories written back from a file, paced at 4800 baud 8N2\n");
    writeBackFigures(true);
    benchServers();
    return 0;
}
