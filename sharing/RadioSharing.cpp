#include "RadioSharing.h"

#include "FormControlTOVRAN.h"
#include "ProgramStart.h"
#include "RadioConversation.h"
#include "RigctlServer.h"

#include <QPointer>

void connectServerToRadio(RigctlServer& server, RadioConversation& conversation) {
    SharedRadio& radio = server.radio();
    radio.setWrite([writer = QPointer(&conversation)](const QByteArray& command) {
        if (writer)
            writer->send(command);
    });
    QObject::connect(&conversation, &RadioConversation::identified, &radio,
                     &SharedRadio::identified);
    QObject::connect(&conversation, &RadioConversation::readoutEnded, &radio,
                     &SharedRadio::readoutEnded);
    QObject::connect(&conversation, &RadioConversation::statusDecoded, &radio,
                     [&radio, &conversation](const Reply::Status& status) {
                         radio.setPollingPause(conversation.pollingPause());
                         radio.statusDecoded(status);
                     });
    QObject::connect(&conversation, &RadioConversation::answeringChanged, &radio,
                     &SharedRadio::answeringChanged);
}

void shareRadio(ProgramStart& program, RigctlServer& server) {
    QObject::connect(&program, &ProgramStart::panelOpened, &server,
                     [&server](FormControlTOVRAN* panel) {
                         connectServerToRadio(server, *panel->conversation());
                         QObject::connect(panel, &FormControlTOVRAN::operatorKeyed, &server.radio(),
                                          &SharedRadio::operatorKeyed);
                     });
}
