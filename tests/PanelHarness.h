#pragma once

#include "EventLoop.h"
#include "FormControlTOVRAN.h"
#include "VirtualRadio.h"

#include <QList>

#include <functional>

#include <memory>

// A virtual radio on a pseudo-terminal and the real panel connected to it through
// TOVRAN_COM1, the way an operator starts the program against the virtual transceiver.
class PanelHarness {
public:
    explicit PanelHarness(VirtualRadio::Model model = VirtualRadio::Model::TS440);
    ~PanelHarness();

    VirtualRadio radio;

    FormControlTOVRAN* panel() const { return panel_.get(); }

    // The panel loaded on the radio's device (or on `device`, a link to it) as port 1 or 2,
    // shown and exposed.
    bool start(int port = 1, const QString& device = {});
    // Memory read-out done and at least two status reports decoded, so that the controls that
    // follow only on a second report have followed.
    bool waitForPolling();
    // n more status reports decoded (each decoded report asks for the next).
    bool waitForReports(int n);
    // What the radio received besides the panel's own requests (AI, ID, MR, IF).
    QList<QByteArray> operatorCommands() const;
    void clearLog() { radio.clearLog(); }
    int statusRequests() const { return statusRequests_; }
    // Over the next n reports the radio hears exactly one "IF;" between two replies the panel
    // takes, and none while a reply of its own is still on the line: one request outstanding.
    bool pollsOneAtATime(int n);

    // Runs the event loop until done() holds or the time is up; says whether it holds.
    static bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
        return EventLoop::waitUntil(done, std::chrono::milliseconds(timeoutMs));
    }

    // Hamlib's rigctl, found on the PATH; empty when Hamlib's utilities are not installed, and
    // the tests that need it are then skipped with kNoRigctl.
    static QString hamlibRigctl();
    static constexpr char kNoRigctl[] =
        "Hamlib's rigctl is not on the PATH (Debian: apt-get install libhamlib-utils)";

private:
    std::unique_ptr<FormControlTOVRAN> panel_;
    int statusRequests_ = 0;
};
