#include "SpokenText.h"

#include "FrequencyText.h"
#include "MemoryGrid.h"

namespace {

const QString kUnknown = QStringLiteral("inconnu");

// Hertz grouped by three with blanks, as French is read aloud: 14 200 000.
QString spokenHertz(qint64 hz) {
    const QString digits = QString::number(hz);
    QString text;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += u' ';
        text += digits[i];
    }
    return text + QStringLiteral(" hertz");
}

}  // namespace

namespace SpokenText {

QString frequency(const QString& caption) {
    if (caption == QLatin1String("LECT. MEM."))
        return QStringLiteral("Lecture des mémoires");
    const std::optional<qint64> hz = FrequencyText::read(caption);
    if (!hz || *hz == 0)
        return QStringLiteral("Fréquence inconnue");
    return QStringLiteral("Fréquence ") + spokenHertz(*hz);
}

QString vfoOrMemory(const QString& caption) {
    if (caption == QLatin1String("VFO A") || caption == QLatin1String("VFO B"))
        return caption;
    if (caption.startsWith(QLatin1String("M.")) && caption.size() == 4)
        return QStringLiteral("Mémoire ") + caption.mid(2);
    return QStringLiteral("VFO ou mémoire ") + kUnknown;
}

QString mode(const QString& caption) {
    return QStringLiteral("Mode ") + (caption == QLatin1String("* *") ? kUnknown : caption);
}

QString receiveOrTransmit(const QString& caption) {
    if (caption == QLatin1String("RX"))
        return QStringLiteral("Réception");
    if (caption == QLatin1String("TX"))
        return QStringLiteral("Émission");
    return QStringLiteral("Réception ou émission : ") + kUnknown;
}

QString scanState(const QString& caption) {
    if (caption == QLatin1String("SCAN"))
        return QStringLiteral("Balayage en cours");
    if (caption == QLatin1String("STD"))
        return QStringLiteral("Balayage arrêté");
    return QStringLiteral("Balayage : ") + kUnknown;
}

QString step(const QString& caption) {
    if (caption == QLatin1String("STD"))
        return QStringLiteral("Pas : standard");
    QString words = caption;
    words.replace(QLatin1String("Khz"), QLatin1String("kHz"));
    words.replace(QLatin1String("Mhz"), QLatin1String("MHz"));
    return QStringLiteral("Pas : ") + words;
}

QString transmitButton(const QString& caption) {
    return caption == QLatin1String("TX") ? QStringLiteral("Émettre") : QStringLiteral("Recevoir");
}

QString scanButton(const QString& caption) {
    return caption == QLatin1String("SCAN") ? QStringLiteral("Balayage")
                                            : QStringLiteral("Arrêter le balayage");
}

// " -> Kenwood TS-440 sur Com  1 - pas de réponse": the arrow, the blank of the port
// number's sign and the dashes are not read.
QString statusLine(const QString& text) {
    QString words = text.simplified();
    if (words.startsWith(QLatin1String("-> ")))
        words.remove(0, 3);
    if (words.endsWith(u'.'))
        words.chop(1);
    return words.replace(QLatin1String(" - "), QLatin1String(", "));
}

QString memoryCell(int column, int channel, const QString& frequencyText, const QString& modeText) {
    const QString name =
        QStringLiteral("Canal ") + QString::number(channel).rightJustified(2, u'0');
    const std::optional<qint64> hz = FrequencyText::read(frequencyText);
    if (column == MemoryGrid::kChannelColumn)
        return name;
    if (!hz || *hz == 0)
        return name + QStringLiteral(" : vide");
    const QString heldMode = modeText.isEmpty() ? QStringLiteral("sans mode") : modeText;
    if (column == MemoryGrid::kModeColumn)
        return name + QStringLiteral(" : ") + heldMode;
    return name + QStringLiteral(" : ") + spokenHertz(*hz) + QStringLiteral(", ") + heldMode;
}

}  // namespace SpokenText
