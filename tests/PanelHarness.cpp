#include "PanelHarness.h"

#include "RadioConversation.h"

#include <QStandardPaths>
#include <QTest>

namespace {
// A whole read-out takes well under a second unpaced; the margin is for loaded machines.
constexpr int kPatienceMs = 15000;
}  // namespace

QString PanelHarness::hamlibRigctl() {
    return QStandardPaths::findExecutable(QStringLiteral("rigctl"));
}

PanelHarness::PanelHarness(VirtualRadio::Model model) : radio(model) {
    QObject::connect(&radio, &VirtualRadio::commandReceived, [this](const QByteArray& command) {
        if (command == "IF;")
            ++statusRequests_;
    });
}

PanelHarness::~PanelHarness() = default;

bool PanelHarness::start(int port, const QString& device) {
    if (!radio.open() || (!device.isEmpty() && !radio.linkAs(device)))
        return false;
    qputenv(port == 1 ? "TOVRAN_COM1" : "TOVRAN_COM2",
            (device.isEmpty() ? radio.devicePath() : device).toLocal8Bit());
    panel_ = std::make_unique<FormControlTOVRAN>();
    if (!panel_->Form_Load(port))
        return false;
    panel_->show();
    return QTest::qWaitForWindowExposed(panel_.get());
}

bool PanelHarness::waitForPolling() {
    // The first "IF;" ends the read-out; the second and third follow two decoded reports.
    return waitUntil([&] { return statusRequests_ >= 3; }, kPatienceMs);
}

bool PanelHarness::waitForReports(int n) {
    const int target = statusRequests_ + n;
    return waitUntil([&] { return statusRequests_ >= target; }, kPatienceMs);
}

bool PanelHarness::pollsOneAtATime(int n) {
    int heard = -1;  // counting starts at the first reply taken
    int irregular = 0;
    const auto onHeard =
        QObject::connect(&radio, &VirtualRadio::commandReceived, [&](const QByteArray& command) {
            if (command != "IF;")
                return;
            heard += heard >= 0 ? 1 : 0;
            irregular += radio.isReplying() ? 1 : 0;
        });
    const auto onTaken =
        QObject::connect(&panel_->conversation()->line(), &SerialComm::onComm, [&] {
            irregular += heard >= 0 && heard != 1 ? 1 : 0;
            heard = 0;
        });
    const bool polled = waitForReports(n);
    QObject::disconnect(onHeard);
    QObject::disconnect(onTaken);
    return polled && irregular == 0;
}

QList<QByteArray> PanelHarness::operatorCommands() const {
    QList<QByteArray> commands;
    for (const QByteArray& command : radio.receivedCommands()) {
        if (!command.startsWith("AI") && !command.startsWith("ID") && !command.startsWith("MR") &&
            command != "IF;")
            commands << command;
    }
    return commands;
}
