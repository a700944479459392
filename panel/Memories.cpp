// The memory buttons: MEM into memory mode, M.IN's two-press store, EFF's erase, and the
// store into the channel shown that M.IN and the frequency box share. The table follows at
// once, before the radio has done anything.

#include "Commands.h"
#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "ProgramWide.h"
#include "RadioConversation.h"

#include <QPushButton>

// Only from a VFO: the way back is the VFO button.
void FormControlTOVRAN::CommandMemVfo_Click() {
    if (shownVfoLetter())
        conversation_->send(Command::selectMemory());
    CommandUp->setFocus();
}

// The first press puts the radio in memory mode and keeps the frequency and mode on display;
// the operator then picks the channel on the radio or in the table, and the second press
// stores what was kept into the channel shown.
void FormControlTOVRAN::CommandMemIn_Click() {
    CommandUp->setFocus();
    if (!StorePending) {
        StorePending = true;
        conversation_->send(Command::selectMemory());
        CommandRxTx->setEnabled(false);
        CommandScan->setEnabled(false);
        CommandEffaceMem->setEnabled(false);
        return;
    }
    WriteMemoryChannel(LabelFreq->text());
    StorePending = false;
}

void FormControlTOVRAN::CommandEffaceMem_Click() {
    if (const std::optional<int> channel = shownMemoryChannel()) {
        GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
        GridMemoire->setRow(MemoryGrid::rowOf(*channel));
        GridMemoire->setText(QString());
        GridMemoire->setCol(MemoryGrid::kModeColumn);
        GridMemoire->setText(QString());
        conversation_->send(Command::eraseMemory(*channel));
        GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
    }
    CommandUp->setFocus();
}

// Stores only into a channel the display names, with a mode it shows and a frequency that
// reads as a number; the cell keeps the text as it was given.
void FormControlTOVRAN::WriteMemoryChannel(const QString& frequencyText) {
    const std::optional<int> channel = shownMemoryChannel();
    const std::optional<char> modeDigit = Modes::digitOf(LabelMode->text());
    const std::optional<qint64> hz = FrequencyText::read(frequencyText);
    if (!channel || !modeDigit || !hz || !Command::fitsFrequencyField(*hz))
        return;
    conversation_->send(Command::storeMemory(*channel, *hz, *modeDigit));
    GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
    GridMemoire->setRow(MemoryGrid::rowOf(*channel));
    GridMemoire->setClip(frequencyText);
    GridMemoire->setCol(MemoryGrid::kModeColumn);
    GridMemoire->setClip(LabelMode->text());
    GridMemoire->setCol(MemoryGrid::kFrequencyColumn);
}
