// Tuning: the step button, up and down, and the "+" and "-" keys of the VCO frame.

#include "Commands.h"
#include "FormControlTOVRAN.h"
#include "KeyCodes.h"
#include "RadioConversation.h"

#include <QPushButton>

#include <array>

namespace {

// The steps in the order the step button goes round them. "STD" leaves the stepping to the
// radio's own increment; the others are computed here from the frequency on display.
struct TuningStep {
    const char* caption;
    qint64 hz;
};

constexpr std::array<TuningStep, 5> kSteps{{
    {"STD", 0},
    {"1 Khz", 1'000},
    {"5 Khz", 5'000},
    {"10 Khz", 10'000},
    {"1 Mhz", 1'000'000},
}};

// The place of a caption in the cycle, or kSteps.size() for a caption that is not a step.
std::size_t placeOf(const QString& caption) {
    std::size_t place = 0;
    while (place < kSteps.size() && caption != QLatin1String(kSteps[place].caption)) ++place;
    return place;
}

}  // namespace

void FormControlTOVRAN::CommandProgressionPas_Click() {
    const std::size_t place = placeOf(CommandProgressionPas->text());
    if (place < kSteps.size())
        CommandProgressionPas->setText(QLatin1String(kSteps[(place + 1) % kSteps.size()].caption));
}

void FormControlTOVRAN::CommandUp_Click() {
    Step(+1);
}

void FormControlTOVRAN::CommandDown_Click() {
    Step(-1);
}

// Each press starts from the frequency on display, not from the one last sent: the display
// follows the radio with the next status report.
void FormControlTOVRAN::Step(int direction) {
    const std::size_t place = placeOf(CommandProgressionPas->text());
    if (place == kSteps.size())
        return;
    if (kSteps[place].hz == 0) {
        conversation_->send(direction > 0 ? Command::stepUp() : Command::stepDown());
        return;
    }
    // No VFO or no frequency on display ("* * *", "LECT. MEM."): nothing to step from.
    const std::optional<char> letter = shownVfoLetter();
    const std::optional<qint64> shown = shownFrequency();
    if (!letter || !shown)
        return;
    const qint64 target = *shown + direction * kSteps[place].hz;
    if (Command::fitsFrequencyField(target))  // below zero is no frequency at all
        conversation_->send(Command::setFrequency(*letter, target));
}

// The focus follows the direction, so that a held key goes on stepping the same way.
void FormControlTOVRAN::HandleStepKey(qint16& keyAscii) {
    if (keyAscii == KeyCode::kMinus) {
        CommandDown->setFocus();
        CommandDown_Click();
    } else if (keyAscii == KeyCode::kPlus) {
        CommandUp->setFocus();
        CommandUp_Click();
    }
}

void FormControlTOVRAN::CommandUp_KeyPress(qint16& keyAscii) {
    HandleStepKey(keyAscii);
}

void FormControlTOVRAN::CommandDown_KeyPress(qint16& keyAscii) {
    HandleStepKey(keyAscii);
}

void FormControlTOVRAN::CommandVFOAouB_KeyPress(qint16& keyAscii) {
    HandleStepKey(keyAscii);
}

void FormControlTOVRAN::CommandProgressionPas_KeyPress(qint16& keyAscii) {
    HandleStepKey(keyAscii);
}
