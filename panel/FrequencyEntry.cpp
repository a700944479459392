// The frequency box: digits typed in hertz, grouped as they come, sent to the VFO shown or
// stored into the channel shown on Enter, and forgotten when the box loses the focus.

#include "Commands.h"
#include "FormControlTOVRAN.h"
#include "FrequencyText.h"
#include "KeyCodes.h"
#include "SerialComm.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// What typed entry accepts, both ends included, and how many characters the box takes. The
// HF radios, and a radio not identified, take 30 kHz to 30 MHz: eight digits and two
// separators. The VHF and UHF radios take their own band: nine digits and three separators,
// and have no AM and no FSK.
struct EntryBand {
    const char* identification;
    qint64 lowestHz;
    qint64 highestHz;
    int boxLength;
    std::string_view modes;  // the mode digits of the radio
};

constexpr std::array<EntryBand, 3> kEntryBands{{
    {"", 30'000, 30'000'000, 10, "123456"},            // HF, the first row for any other radio
    {"ID003;", 144'000'000, 148'000'000, 11, "1234"},  // TS-711, 2 m
    {"ID002;", 430'000'000, 450'000'000, 11, "1234"},  // TS-811, 70 cm
}};

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

void FormControlTOVRAN::AcceptEntryFor(QByteArrayView identification) {
    const auto band = std::ranges::find(kEntryBands, identification, &EntryBand::identification);
    entryBand_ = band != kEntryBands.end() ? int(band - kEntryBands.begin()) : 0;
    TextFreq->setMaxLength(kEntryBands[entryBand_].boxLength);
}

// The band and the modes are those of typed entry; the name is the one the status line shows.
MemoryFile::Radio FormControlTOVRAN::radioForMemories() const {
    const EntryBand& band = kEntryBands[entryBand_];
    const QString model = Reply::modelText(identification_).sliced(QStringLiteral(" -> ").size());
    const bool named = model != QLatin1String("Inconnu");
    return {named ? model : QString(),
            [band](qint64 hz) { return hz >= band.lowestHz && hz <= band.highestHz; },
            [band](char digit) { return band.modes.find(digit) != std::string_view::npos; }};
}

void FormControlTOVRAN::TextFreq_KeyPress(qint16& keyAscii) {
    const qint64 value = FrequencyText::read(TextFreq->text()).value_or(0);
    const EntryBand& band = kEntryBands[entryBand_];
    if (keyAscii == KeyCode::kEnter && value >= band.lowestHz && value <= band.highestHz) {
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
