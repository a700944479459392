#include "RadioSharing.h"

#include "FormControlTOVRAN.h"
#include "ProgramStart.h"
#include "RigctlServer.h"

#include <QPointer>

void connectServerToPanel(RigctlServer& server, FormControlTOVRAN& panel) {
    SharedRadio& radio = server.radio();
    radio.setWrite([writer = QPointer(&panel)](const QByteArray& command) {
        if (writer)
            writer->Send(command);
    });
    QObject::connect(&panel, &FormControlTOVRAN::radioIdentified, &radio, &SharedRadio::identified);
    QObject::connect(&panel, &FormControlTOVRAN::memoryReadoutEnded, &radio,
                     &SharedRadio::readoutEnded);
    QObject::connect(&panel, &FormControlTOVRAN::statusDecoded, &radio,
                     &SharedRadio::statusDecoded);
    QObject::connect(&panel, &FormControlTOVRAN::answeringChanged, &radio,
                     &SharedRadio::answeringChanged);
}

void shareRadio(ProgramStart& program, RigctlServer& server) {
    QObject::connect(&program, &ProgramStart::panelOpened, &server,
                     [&server](FormControlTOVRAN* panel) { connectServerToPanel(server, *panel); });
}
