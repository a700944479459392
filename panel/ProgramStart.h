#pragma once

#include <QObject>
#include <QPointer>

#include "FormControlTOVRAN.h"
#include "FormSelectPortTOVRAN.h"

#include <functional>

class RigctlServer;

// The program's life: it says on standard error which device each port means; the port window
// comes first; its OK opens the panel on the chosen port; a port that cannot be opened is
// reported, with the reason, and ends the program; closing either window (the port window
// without a choice) ends it.
class ProgramStart : public QObject {
    Q_OBJECT

public:
    explicit ProgramStart(QObject* parent = nullptr);
    ~ProgramStart() override;

    void begin();
    // The rigctld server of the command line, if any: it follows the panel once it is open.
    void shareRadioWith(RigctlServer* server);

    FormSelectPortTOVRAN* portWindow() const { return portWindow_; }
    FormControlTOVRAN* mainWindow() const { return mainWindow_; }

    // How the operator is told, and how the program ends: a message box and the end of the
    // event loop, unless a test puts its own in their place.
    std::function<void(const QString& title, const QString& text, const QString& detail)>
        showInformation;
    std::function<void(int exitCode)> endProgram;

private:
    void openPanel();

    QPointer<FormSelectPortTOVRAN> portWindow_;
    QPointer<FormControlTOVRAN> mainWindow_;
    QPointer<RigctlServer> server_;
};

// The rigctld server sees what the panel hears from the radio, and writes as its buttons do.
void connectServerToPanel(RigctlServer& server, FormControlTOVRAN& panel);
