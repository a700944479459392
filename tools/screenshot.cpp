// Takes the README's pictures: the port window, the panel connected to the virtual
// transceiver once the memory read-out is over and the status reports are coming in, and the
// memory table's menu opened over it.

#include "EventLoop.h"
#include "FormControlTOVRAN.h"
#include "FormSelectPortTOVRAN.h"
#include "MemoryFilesMenu.h"
#include "MemoryGrid.h"
#include "VirtualRadio.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
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
    FormControlTOVRAN panel;
    if (!panel.Form_Load(1))
        qFatal("the panel cannot open the virtual transceiver");
    panel.show();
    EventLoop::runFor(std::chrono::milliseconds(1500));
    panel.grab().save(folder + "/panel.png");

    // A right click on channel 07; the menu is a window of its own, drawn in its place.
    QWidget* rows = panel.GridMemoire->viewport();
    const QPoint at =
        panel.GridMemoire->visualRect(panel.GridMemoire->model()->index(7, 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, rows->mapToGlobal(at));
    QApplication::sendEvent(rows, &click);
    EventLoop::runFor(std::chrono::milliseconds(300));
    QPixmap withMenu = panel.grab();
    QPainter painter(&withMenu);
    painter.drawPixmap(panel.mapFromGlobal(panel.memoryFiles()->MenuMemoire->pos()),
                       panel.memoryFiles()->MenuMemoire->grab());
    painter.end();
    withMenu.save(folder + "/memory-menu.png");
    std::printf("%s/port-window.png, panel.png and memory-menu.png written\n", qPrintable(folder));
    return 0;
}
