// The VFO button: from one VFO to the other, and from memory back to the VFO last in use.

#include "Commands.h"
#include "FormControlTOVRAN.h"
#include "ProgramWide.h"
#include "RadioConversation.h"

// Decided afresh from the caption on every click; the status report brings the new VFO.
// A store waiting for its second press of M.IN is abandoned.
void FormControlTOVRAN::CommandVFOAouB_Click() {
    const std::optional<char> letter = shownVfoLetter();
    if (!letter)
        conversation_->send(VfoCommand);
    else
        conversation_->send(*letter == 'A' ? Command::selectVfoB() : Command::selectVfoA());
    StorePending = false;
}
