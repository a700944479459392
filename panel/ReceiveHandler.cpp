// What the radio says: its identification, its memory channels, and the status reports that
// keep the whole panel in line with it. Each reply asks for the next, one request at a time.

#include "Commands.h"
#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "ProgramWide.h"
#include "Radios.h"
#include "SerialComm.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kNotConnected = QStringLiteral(" -> Non connecté.");
const QString kLinkLost = QStringLiteral(" - liaison perdue");
const QString kNoReply = QStringLiteral(" - pas de réponse");
const QString kNoFrequency = QStringLiteral("* * *");
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

constexpr int kLastChannel = 99;
// The table shows twenty channels; the read-out keeps the channel being read at the bottom.
constexpr int kChannelsInSight = 20;

void enable(std::initializer_list<QWidget*> controls) {
    for (QWidget* control : controls) control->setEnabled(true);
}

void disable(std::initializer_list<QWidget*> controls) {
    for (QWidget* control : controls) control->setEnabled(false);
}

// The port written as a signed number, whose sign place is a blank: " 1".
QString signedNumber(int value) {
    return (value < 0 ? QString() : QStringLiteral(" ")) + QString::number(value);
}

}  // namespace

void FormControlTOVRAN::MSComm1_OnComm() {
    if (MSComm1->commEvent() != SerialComm::Received)
        return;
    const QByteArray text = MSComm1->input();

    // Until the radio has been identified, whatever comes is its answer to "ID;".
    if (StatusBarTovran->text() == kNotConnected) {
        if (requests_->takeReplyTo("ID"))
            Identify(text);
        return;
    }
    // A reply goes on with the chain only when it answers the request outstanding; anything
    // else is dropped, and the request is repeated when its time is up.
    switch (Reply::shapeOf(text)) {
        case Reply::Shape::Memory:
            if (const Reply::Memory memory = Reply::readMemory(text);
                memory.isClean() && requests_->takeReplyTo(Command::readMemory(memory.channel)))
                ReadMemoryReply(memory);
            break;
        case Reply::Shape::Status:
            if (requests_->takeReplyTo("IF"))
                DecodeStatusReport(text);
            break;
        case Reply::Shape::Neither:
            break;
    }
}

void FormControlTOVRAN::Identify(const QByteArray& text) {
    const Radios::Radio& radio = Radios::identifiedBy(text);
    StatusBarTovran->setText(radio.modelText() + QStringLiteral(" sur Com ") +
                             signedNumber(PortNumber));
    AcceptEntryFor(radio);
    MSComm1->setRThreshold(Reply::kMemoryLength);
    LabelFreq->setCaption(QStringLiteral("LECT. MEM."));
    requests_->request(Command::readMemory(0));
    emit radioIdentified(text);
}

// Only a clean reply for the channel asked for gets here; the row and the next request follow
// its channel.
void FormControlTOVRAN::ReadMemoryReply(const Reply::Memory& memory) {
    const int channel = memory.channel;

    GridMemoire->setCol(MemoryGrid::kChannelColumn);
    GridMemoire->setRow(MemoryGrid::rowOf(channel));
    GridMemoire->setText(QString::fromLatin1(memory.channelText));
    GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
    GridMemoire->setText(FrequencyText::grouped(*memory.frequencyHz));
    GridMemoire->setCol(MemoryGrid::kModeColumn);
    if (const QString mode = Modes::nameOf(memory.modeDigit); !mode.isEmpty())
        GridMemoire->setText(mode);
    if (channel >= kChannelsInSight)
        GridMemoire->setTopRow(channel - kChannelsInSight + 1);

    if (channel < kLastChannel)
        requests_->request(Command::readMemory(channel + 1));
    else
        EndMemoryReadout();
}

void FormControlTOVRAN::EndMemoryReadout() {
    GridMemoire->setTopRow(MemoryGrid::rowOf(0));
    GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
    GridMemoire->setRow(MemoryGrid::rowOf(0));
    LabelEtatScan->setCaption(QStringLiteral("STD"));
    enable({CommandUp, CommandDown, CommandAM, CommandFM, CommandFSK, CommandUSB, CommandLSB,
            CommandCW});
    MSComm1->setRThreshold(Reply::kStatusLength);
    requests_->request(Command::status());
    emit memoryReadoutEnded();
}

// The steps run in this order and each reads the captions as the earlier ones left them, so
// some controls follow a change of state only with the second report.
void FormControlTOVRAN::DecodeStatusReport(const QByteArray& text) {
    const Reply::Status status = Reply::readStatus(text);
    transmitSentSinceReport_ = false;
    ShowFrequency(status);
    ShowVfoOrMemory(status);
    ShowReceiveOrTransmit(status);
    ShowScan(status);
    ShowMode(status);
    requests_->request(Command::status());
    emit statusDecoded(status);
}

void FormControlTOVRAN::ShowFrequency(const Reply::Status& status) {
    // While a store waits for its channel, the display keeps the frequency being stored.
    if (StorePending || !status.frequencyHz)
        return;
    LabelFreq->setCaption(*status.frequencyHz != 0 ? FrequencyText::display(*status.frequencyHz)
                                                   : kNoFrequency);
}

void FormControlTOVRAN::ShowVfoOrMemory(const Reply::Status& status) {
    if (status.vfo == '2') {
        ShowMemoryChannel(status);
        return;
    }
    if (status.vfo != '0' && status.vfo != '1')
        return;
    const bool vfoA = status.vfo == '0';
    VfoCommand = vfoA ? Command::selectVfoA() : Command::selectVfoB();
    LabelVFO->setCaption(vfoA ? QStringLiteral("VFO A") : QStringLiteral("VFO B"));
    LabelVFO->setTextColour(kGreen);
    CommandEffaceMem->setEnabled(false);
    if (LabelRxTx->text() != QLatin1String("TX") && LabelEtatScan->text() != QLatin1String("SCAN"))
        enable({CommandProgressionPas, CommandVFOAouB, CommandMemVfo, CommandMemIn});
}

// VfoCommand keeps the VFO last in use: the VFO button goes back to it.
void FormControlTOVRAN::ShowMemoryChannel(const Reply::Status& status) {
    LabelVFO->setTextColour(kYellow);
    LabelVFO->setCaption(QStringLiteral("M.") + QString::fromLatin1(status.memoryChannel));
    CommandMemVfo->setEnabled(false);
    CommandProgressionPas->setEnabled(false);
    CommandProgressionPas->setText(QStringLiteral("STD"));
    // A pending store needs its second press of M.IN; the typed entry would store elsewhere.
    (StorePending ? static_cast<QWidget*>(TextFreq) : CommandMemIn)->setEnabled(false);

    if (LabelFreq->text() == kNoFrequency) {
        disable({CommandEffaceMem, CommandRxTx});
        CommandVFOAouB->setEnabled(true);
    } else if (LabelRxTx->text() == QLatin1String("RX") &&
               LabelEtatScan->text() != QLatin1String("SCAN") && !StorePending) {
        enable({CommandEffaceMem, CommandVFOAouB});
    }
}

void FormControlTOVRAN::ShowReceiveOrTransmit(const Reply::Status& status) {
    if (status.transmitting) {
        LabelRxTx->setTextColour(kRed);
        LabelRxTx->setCaption(QStringLiteral("TX"));
        CommandRxTx->setText(QStringLiteral("RX"));
        disable({TextFreq, CommandVFOAouB, CommandProgressionPas, CommandScan, CommandMemVfo,
                 CommandMemIn, CommandEffaceMem});
        return;
    }
    LabelRxTx->setTextColour(kGreen);
    LabelRxTx->setCaption(QStringLiteral("RX"));
    CommandRxTx->setText(QStringLiteral("TX"));
    if (StorePending)
        return;
    enable({CommandScan, TextFreq});
    if (CommandScan->text() != QLatin1String("STD") && LabelFreq->text() != kNoFrequency)
        CommandRxTx->setEnabled(true);
}

void FormControlTOVRAN::ShowScan(const Reply::Status& status) {
    if (!status.scanning) {
        GridMemoire->setEnabled(true);
        LabelEtatScan->setTextColour(kGreen);
        LabelEtatScan->setCaption(QStringLiteral("STD"));
        CommandScan->setText(QStringLiteral("SCAN"));
        return;
    }
    LabelEtatScan->setTextColour(kRed);
    CommandScan->setText(QStringLiteral("STD"));
    LabelEtatScan->setCaption(QStringLiteral("SCAN"));
    disable({CommandMemIn, CommandVFOAouB, CommandProgressionPas, CommandRxTx, CommandMemVfo,
             CommandEffaceMem, GridMemoire});
    TextFreq->clear();
    TextFreq->setEnabled(false);
}

void FormControlTOVRAN::ShowMode(const Reply::Status& status) {
    if (StorePending)
        return;
    if (const QString mode = Modes::nameOf(status.modeDigit); !mode.isEmpty())
        LabelMode->setCaption(mode);
}

// The status line keeps the radio's name and port; what went wrong with the line follows it.
void FormControlTOVRAN::AddToStatusLine(const QString& suffix) {
    if (!StatusBarTovran->text().contains(suffix))
        StatusBarTovran->setText(StatusBarTovran->text() + suffix);
}

void FormControlTOVRAN::RemoveFromStatusLine(const QString& suffix) {
    QString caption = StatusBarTovran->text();
    if (caption.contains(suffix))
        StatusBarTovran->setText(caption.remove(suffix));
}

void FormControlTOVRAN::ShowLinkLost() {
    AddToStatusLine(kLinkLost);
}

// The radio may have been switched off and on while its line was down.
void FormControlTOVRAN::ShowLinkRestored() {
    RemoveFromStatusLine(kLinkLost);
    MSComm1->output(Command::autoInformationOff());
    ShowAnswering(requests_->radioAnswers());
}

// Until the radio has been identified " -> Non connecté." already says it does not answer, and
// the identification waits for exactly that caption; a lost link says why it does not.
void FormControlTOVRAN::ShowAnswering(bool answering) {
    const QString caption = StatusBarTovran->text();
    if (answering)
        RemoveFromStatusLine(kNoReply);
    else if (!caption.startsWith(kNotConnected) && !caption.contains(kLinkLost))
        AddToStatusLine(kNoReply);
}
