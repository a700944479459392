#pragma once

#include <QObject>
#include <QPointer>

#include "FormControlTOVRAN.h"
#include "FormSelectPortTOVRAN.h"

#include <functional>

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

    FormSelectPortTOVRAN* portWindow() const { return portWindow_; }
    FormControlTOVRAN* mainWindow() const { return mainWindow_; }

    // How the operator is told, and how the program ends: a message box and the end of the
    // event loop, unless a test puts its own in their place.
    std::function<void(const QString& title, const QString& text, const QString& detail)>
        showInformation;
    std::function<void(int exitCode)> endProgram;

signals:
    // The panel is loaded on its port and about to be shown: whoever shares the radio joins it.
    void panelOpened(FormControlTOVRAN* panel);

private:
    void openPanel(int portNumber);

    QPointer<FormSelectPortTOVRAN> portWindow_;
    QPointer<FormControlTOVRAN> mainWindow_;
};
