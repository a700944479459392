// What the radio says: its identification, its memory channels, and the status reports that
// keep the whole panel in line with it. Each reply asks for the next, one request at a time.

#include "Commands.h"
#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "ProgramLook.h"
#include "ProgramWide.h"
#include "RadioConversation.h"
#include "Radios.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

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

// The conversation hands over only a reply to the request outstanding. Until the radio has
// been identified, that is its answer to "ID;"; then its shape tells a memory channel of the
// read-out from a status report.
void FormControlTOVRAN::MSComm1_OnComm(const QByteArray& text) {
    if (StatusBarTovran->text() == kNotConnected) {
        Identify(text);
        return;
    }
    switch (Reply::shapeOf(text)) {
        case Reply::Shape::Memory:
            ReadMemoryReply(Reply::readMemory(text));
            break;
        case Reply::Shape::Status:
            DecodeStatusReport(text);
            break;
        case Reply::Shape::Neither:
            break;
    }
}

void FormControlTOVRAN::Identify(const QByteArray& text) {
    const Radios::Radio& radio = Radios::identifiedBy(text);
    StatusBarTovran->setText(radio.modelText() + QStringLiteral(" sur Com ") +
                             signedNumber(conversation_->portNumber()));
    AcceptEntryFor(radio);
    LabelFreq->setCaption(QStringLiteral("LECT. MEM."));
    conversation_->readMemory(0);
}

// Only a clean reply for the channel asked for gets here; the row and the next request follow
// its channel.
void FormControlTOVRAN::ReadMemoryReply(const Reply::Memory& memory) {
    const int channel = memory.channel;
    ShowMemoryRow(memory);
    if (channel >= kChannelsInSight)
        GridMemoire->setTopRow(channel - kChannelsInSight + 1);

    if (channel < kLastChannel)
        conversation_->readMemory(channel + 1);
    else
        EndMemoryReadout();
}

// A mode digit that names no mode leaves the mode cell as it was.
void FormControlTOVRAN::ShowMemoryRow(const Reply::Memory& memory) {
    GridMemoire->setCol(MemoryGrid::kChannelColumn);
    GridMemoire->setRow(MemoryGrid::rowOf(memory.channel));
    GridMemoire->setText(QString::fromLatin1(memory.channelText));
    GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
    GridMemoire->setText(FrequencyText::grouped(*memory.frequencyHz));
    GridMemoire->setCol(MemoryGrid::kModeColumn);
    if (const QString mode = Modes::nameOf(memory.modeDigit); !mode.isEmpty())
        GridMemoire->setText(mode);
}

void FormControlTOVRAN::EndMemoryReadout() {
    GridMemoire->setTopRow(MemoryGrid::rowOf(0));
    GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
    GridMemoire->setRow(MemoryGrid::rowOf(0));
    LabelEtatScan->setCaption(QStringLiteral("STD"));
    enable({CommandUp, CommandDown, CommandAM, CommandFM, CommandFSK, CommandUSB, CommandLSB,
            CommandCW});
    conversation_->startPolling();
}

// The steps run in this order and each reads the captions as the earlier ones left them, so
// some controls follow a change of state only with the second report.
void FormControlTOVRAN::DecodeStatusReport(const QByteArray& text) {
    const Reply::Status status = Reply::readStatus(text);
    ShowFrequency(status);
    ShowVfoOrMemory(status);
    ShowReceiveOrTransmit(status);
    ShowScan(status);
    ShowMode(status);
    conversation_->reportDecoded(MayWriteMemories());
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

// The row shows what the radio answered, whether or not it took the channel from the file.
void FormControlTOVRAN::ShowWrittenBackRow(const Reply::Memory& memory) {
    ShowMemoryRow(memory);
    GridMemoire->setCol(MemoryGrid::kModeColumn);
    if (Modes::nameOf(memory.modeDigit).isEmpty())  // an erased channel's mode goes with it
        GridMemoire->setText(QString());
    GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
    GridMemoire->scrollTo(GridMemoire->currentIndex());
}

// The panel's own store and erase may write memories in the same state: the read-out over,
// receiving, not scanning and no store waiting for its channel.
bool FormControlTOVRAN::MayWriteMemories() const {
    return LabelRxTx->text() == QLatin1String("RX") &&
           LabelEtatScan->text() == QLatin1String("STD") && !StorePending;
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

// The status line keeps its captions; the note goes on a line of its own under it.
void FormControlTOVRAN::ShowHookupNote(const QString& note) {
    LabelBranchement->setText(note);
    LabelBranchement->setVisible(!note.isEmpty());
    setFixedSize(
        twips(0, 0, 6255, kWindowHeight + (note.isEmpty() ? 0 : kHookupNoteHeight)).size());
}

void FormControlTOVRAN::ShowLinkLost() {
    AddToStatusLine(kLinkLost);
}

void FormControlTOVRAN::ShowLinkRestored() {
    RemoveFromStatusLine(kLinkLost);
    ShowAnswering(conversation_->radioAnswers());
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
