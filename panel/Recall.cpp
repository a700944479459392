// Recall from the memory table: a double click, space or Enter on a row loads its frequency
// and mode into the VFO shown, or, in memory mode and for an empty row, recalls its channel.

#include "Commands.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "KeyCodes.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "RadioConversation.h"

// The table still gets the key.
void FormControlTOVRAN::GridMemoire_KeyPress(qint16& keyAscii) {
    if (keyAscii == KeyCode::kSpace || keyAscii == KeyCode::kEnter)
        GridMemoire_DblClick();
}

// The row's cells are read whatever part of the row is selected, so that a row recalled by
// the keyboard after a store behaves as one clicked.
void FormControlTOVRAN::GridMemoire_DblClick() {
    const int row = GridMemoire->row();
    const std::optional<char> letter = shownVfoLetter();
    const std::optional<qint64> hz =
        FrequencyText::read(GridMemoire->textMatrix(row, MemoryGrid::kFrequencyColumn));
    if (!letter || !hz || *hz == 0) {
        conversation_->send(Command::recallMemory(row - 1));
        return;
    }
    conversation_->send(Command::setFrequency(*letter, *hz));
    if (const QString mode = GridMemoire->textMatrix(row, MemoryGrid::kModeColumn);
        Modes::digitOf(mode))
        SelectMode(mode);
}
