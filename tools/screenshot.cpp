// Takes the README's pictures: the port window, and the panel connected to the virtual
// transceiver once the memory read-out is over and the status reports are coming in.

#include "EventLoop.h"
#include "FormControlTOVRAN.h"
#include "FormSelectPortTOVRAN.h"
#include "ProgramWide.h"
#include "VirtualRadio.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");

    FormSelectPortTOVRAN portWindow;
    portWindow.show();
    EventLoop::runFor(std::chrono::milliseconds(300));
    portWindow.grab().save(folder + "/port-window.png");

    VirtualRadio radio;
    radio.transceiver().setVfo(Transceiver::Vfo::A, {14'195'000, 2});
    if (!radio.open())
        qFatal("cannot open a pseudo-terminal");
    qputenv("TOVRAN_COM1", radio.devicePath().toLocal8Bit());
    PortNumber = 1;
    FormControlTOVRAN panel;
    if (!panel.Form_Load())
        qFatal("the panel cannot open the virtual transceiver");
    panel.show();
    EventLoop::runFor(std::chrono::milliseconds(1500));
    panel.grab().save(folder + "/panel.png");
    std::printf("%s/port-window.png and %s/panel.png written\n", qPrintable(folder),
                qPrintable(folder));
    return 0;
}
