// The six mode buttons, transmit and scan. A mode shows at once; the two toggles change no
// caption: their own caption names what the next click asks for, and the status report
// sets it.

#include "Commands.h"
#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "Modes.h"
#include "RadioConversation.h"

#include <QPushButton>

void FormControlTOVRAN::CommandLSB_Click() {
    SelectMode(QStringLiteral("LSB"));
}

void FormControlTOVRAN::CommandUSB_Click() {
    SelectMode(QStringLiteral("USB"));
}

void FormControlTOVRAN::CommandCW_Click() {
    SelectMode(QStringLiteral("CW"));
}

void FormControlTOVRAN::CommandFM_Click() {
    SelectMode(QStringLiteral("FM"));
}

void FormControlTOVRAN::CommandAM_Click() {
    SelectMode(QStringLiteral("AM"));
}

void FormControlTOVRAN::CommandFSK_Click() {
    SelectMode(QStringLiteral("FSK"));
}

// Also the recall's way of setting a mode, so it behaves exactly as a click.
void FormControlTOVRAN::SelectMode(const QString& name) {
    const std::optional<char> digit = Modes::digitOf(name);
    Q_ASSERT(digit);
    LabelMode->setCaption(name);
    conversation_->send(Command::setMode(*digit));
    CommandUp->setFocus();
}

void FormControlTOVRAN::CommandRxTx_Click() {
    const bool transmit = CommandRxTx->text() == QLatin1String("TX");
    conversation_->send(transmit ? Command::transmit() : Command::receive());
    emit operatorKeyed(transmit);
}

void FormControlTOVRAN::CommandScan_Click() {
    conversation_->send(CommandScan->text() == QLatin1String("SCAN") ? Command::scanOn()
                                                                     : Command::scanOff());
}
