// The frequency box: digits typed in hertz, grouped as they come, sent to the VFO shown or
// stored into the channel shown on Enter, and forgotten when the box loses the focus.

#include "Commands.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "KeyCodes.h"
#include "RadioConversation.h"
#include "Radios.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

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

// The box takes as many characters as the highest frequency accepted has once grouped: ten
// (30,000,000) on the HF radios, eleven (450,000,000) on the VHF and UHF ones.
void FormControlTOVRAN::AcceptEntryFor(const Radios::Radio& radio) {
    radio_ = &radio;
    TextFreq->setMaxLength(int(FrequencyText::grouped(radio.typedEntry.highHz).size()));
}

// Channels read from a file must suit the radio identified: a frequency it receives, a mode it
// has, and its name on the file.
MemoryFile::Radio FormControlTOVRAN::radioForMemories() const {
    const Radios::Radio& radio = *radio_;
    const QString model = radio.name.isEmpty()
                              ? QString()
                              : QStringLiteral("Kenwood ") + QString::fromLatin1(radio.name);
    return {model, [&radio](qint64 hz) { return radio.receives(hz); },
            [&radio](char digit) { return radio.hasMode(digit); }};
}

void FormControlTOVRAN::TextFreq_KeyPress(qint16& keyAscii) {
    const qint64 value = FrequencyText::read(TextFreq->text()).value_or(0);
    if (keyAscii == KeyCode::kEnter && radio_->typedEntry.contains(value)) {
        keyAscii = 0;
        if (const std::optional<char> letter = shownVfoLetter())
            conversation_->send(Command::setFrequency(*letter, value));
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
