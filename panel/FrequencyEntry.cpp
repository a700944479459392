// The frequency box: digits typed in hertz, grouped as they come, sent to the VFO shown or
// stored into the channel shown on Enter, and forgotten when the box loses the focus.

#include "Commands.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "KeyCodes.h"
#include "SerialComm.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

// Typed entry covers the HF radios' range, 30 kHz to 30 MHz, both ends included.
constexpr qint64 kLowestEntryHz = 30'000;
constexpr qint64 kHighestEntryHz = 30'000'000;

bool isDigit(qint16 keyAscii) {
    return keyAscii >= '0' && keyAscii <= '9';
}

}  // namespace

// Writing back the grouped text raises one more change, which finds it already grouped.
// A text that is not a number (pasted) stays as it is, and so does a number whose grouped
// form would no longer fit the box: cutting it would change the number.
void FormControlTOVRAN::TextFreq_Change() {
    const QString text = TextFreq->text();
    if (const std::optional<qint64> hz = FrequencyText::read(text)) {
        const QString regrouped = FrequencyText::grouped(*hz);
        if (regrouped != text && regrouped.size() <= TextFreq->maxLength())
            TextFreq->setText(regrouped);
    }
    TextFreq->end(false);
}

void FormControlTOVRAN::TextFreq_KeyPress(qint16& keyAscii) {
    const qint64 value = FrequencyText::read(TextFreq->text()).value_or(0);
    if (keyAscii == KeyCode::kEnter && value >= kLowestEntryHz && value <= kHighestEntryHz) {
        keyAscii = 0;
        if (const std::optional<char> letter = shownVfoLetter())
            MSComm1->output(Command::setFrequency(*letter, value));
        else if (shownMemoryChannel())
            WriteMemoryChannel(TextFreq->text());
        else
            return;             // neither a VFO nor a channel on display: the entry waits for one
        CommandUp->setFocus();  // the box loses the focus and empties
        return;
    }
    if (!isDigit(keyAscii) && keyAscii != KeyCode::kBackspace)
        keyAscii = 0;
}

void FormControlTOVRAN::TextFreq_LostFocus() {
    TextFreq->clear();
}
