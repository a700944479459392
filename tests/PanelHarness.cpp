#include "PanelHarness.h"

#include "ProgramWide.h"

#include <QTest>

namespace {
// A whole read-out takes well under a second unpaced; the margin is for loaded machines.
constexpr int kPatienceMs = 15000;
}  // namespace

PanelHarness::PanelHarness(VirtualRadio::Model model) : radio(model) {
    QObject::connect(&radio, &VirtualRadio::commandReceived, [this](const QByteArray& command) {
        if (command == "IF;")
            ++statusRequests_;
    });
}

PanelHarness::~PanelHarness() = default;

bool PanelHarness::start(int port) {
    if (!radio.open())
        return false;
    qputenv(port == 1 ? "TOVRAN_COM1" : "TOVRAN_COM2", radio.devicePath().toLocal8Bit());
    PortNumber = port;
    panel_ = std::make_unique<FormControlTOVRAN>();
    if (!panel_->Form_Load())
        return false;
    panel_->show();
    return QTest::qWaitForWindowExposed(panel_.get());
}

bool PanelHarness::waitForPolling() {
    // The first "IF;" ends the read-out; the second and third follow two decoded reports.
    return QTest::qWaitFor([&] { return statusRequests_ >= 3; }, kPatienceMs);
}

bool PanelHarness::waitForReports(int n) {
    const int target = statusRequests_ + n;
    return QTest::qWaitFor([&] { return statusRequests_ >= target; }, kPatienceMs);
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
