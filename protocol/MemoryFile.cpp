#include "MemoryFile.h"

#include "Modes.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString kHeader = QStringLiteral("canal,frequence_hz,mode");
constexpr int kFields = 3;
constexpr int kLargestChannelDigits = 2;
constexpr int kLargestFrequencyDigits = 11;  // the width of the frequency on the line

QString channelText(int channel) {
    return QString::number(channel).rightJustified(2, u'0');
}

bool allDigits(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A spreadsheet saves with commas, or with semicolons where the comma is the decimal mark,
// and may quote a cell or leave out the empty cells at the end of a line.
QStringList fieldsOf(const QString& line) {
    static const QRegularExpression separators(QStringLiteral("[,;\t]"));
    QStringList fields = line.split(separators);
    for (QString& field : fields) {
        field = field.trimmed();
        if (field.size() >= 2 && field.startsWith(u'"') && field.endsWith(u'"'))
            field = field.sliced(1, field.size() - 2).trimmed();
    }
    while (!fields.isEmpty() && fields.last().isEmpty()) fields.removeLast();
    return fields;
}

// Reads the lines one by one; the first fault ends the reading.
class Reader {
public:
    explicit Reader(const MemoryFile::Radio& radio) : radio_(radio) {}

    MemoryFile::Reading read(QByteArrayView text);

private:
    QString takeLine(const QStringList& fields);
    QString takeName(const QStringList& fields);
    QString takeChannel(const QStringList& fields);

    const MemoryFile::Radio& radio_;
    MemoryFile::Reading reading_;
    std::array<int, MemoryFile::kChannels> givenOn_{};  // the line that gave each channel
    int line_ = 0;
    bool named_ = false;
    bool headed_ = false;
};

MemoryFile::Reading Reader::read(QByteArrayView text) {
    if (radio_.model.isEmpty()) {
        reading_.fault = QStringLiteral("le poste ne s'est pas nommé");
        return reading_;
    }
    if (text.size() > MemoryFile::kLargestFile) {
        reading_.fault = QStringLiteral("ce n'est pas un fichier de mémoires (trop grand)");
        return reading_;
    }
    QString whole = QString::fromUtf8(text);
    if (whole.startsWith(QChar(0xfeff)))  // the byte-order mark some spreadsheets write
        whole.remove(0, 1);
    for (const QString& raw : whole.split(u'\n')) {
        ++line_;
        const QString line = raw.trimmed();
        const QStringList fields = fieldsOf(line);
        if (fields.isEmpty())
            continue;
        reading_.fault = line.startsWith(u'#') ? takeName(fields) : takeLine(fields);
        if (!reading_.isSound()) {
            reading_.faultLine = line_;
            reading_.channels = {};
            return reading_;
        }
    }
    if (!headed_)
        reading_.fault = QStringLiteral("aucune mémoire dans ce fichier");
    return reading_;
}

// The first comment names the radio; later ones are the operator's notes.
QString Reader::takeName(const QStringList& fields) {
    if (named_)
        return {};
    named_ = true;
    const QString model = fields.first().sliced(1).trimmed();
    if (model != radio_.model)
        return QStringLiteral("mémoires d'un %1, le poste est un %2").arg(model, radio_.model);
    return {};
}

QString Reader::takeLine(const QStringList& fields) {
    if (!named_)
        return QStringLiteral("la ligne « # %1 » qui nomme le poste manque").arg(radio_.model);
    if (headed_)
        return takeChannel(fields);
    headed_ = true;
    if (fields.join(u',').compare(kHeader, Qt::CaseInsensitive) != 0)
        return QStringLiteral("en-tête « %1 » attendu").arg(kHeader);
    return {};
}

QString Reader::takeChannel(const QStringList& given) {
    if (given.size() > kFields)
        return QStringLiteral("%1 champs, 3 attendus").arg(given.size());
    QStringList fields = given;
    while (fields.size() < kFields) fields << QString();
    const QString& channelField = fields[0];
    const QString& frequencyField = fields[1];
    const QString mode = fields[2].toUpper();

    if (!allDigits(channelField) || channelField.size() > kLargestChannelDigits)
        return QStringLiteral("canal « %1 » : de 00 à 99").arg(channelField);
    const int channel = channelField.toInt();
    if (givenOn_[channel] != 0)
        return QStringLiteral("canal %1 déjà donné ligne %2")
            .arg(channelText(channel))
            .arg(givenOn_[channel]);
    if (!frequencyField.isEmpty() &&
        (!allDigits(frequencyField) || frequencyField.size() > kLargestFrequencyDigits))
        return QStringLiteral("fréquence « %1 » : des hertz, en chiffres seuls")
            .arg(frequencyField);
    const qint64 hz = frequencyField.toLongLong();  // an empty field reads as 0

    MemoryFile::Channel channelRead;
    if (hz == 0 && !mode.isEmpty())
        return QStringLiteral("mode %1 sans fréquence").arg(mode);
    if (hz != 0) {
        const std::optional<char> digit = Modes::digitOf(mode);
        if (mode.isEmpty())
            return QStringLiteral("fréquence %1 sans mode").arg(hz);
        if (!digit)
            return QStringLiteral("mode « %1 » inconnu").arg(fields[2]);
        if (!radio_.covers(hz))
            return QStringLiteral("%1 Hz hors des bandes du %2").arg(hz).arg(radio_.model);
        if (!radio_.hasMode(*digit))
            return QStringLiteral("le %1 n'a pas le mode %2").arg(radio_.model, mode);
        channelRead = {hz, *digit};
    }
    givenOn_[channel] = line_;
    reading_.channels[channel] = channelRead;
    return {};
}

}  // namespace

namespace MemoryFile {

QByteArray write(const QString& model, QDate date, const Channels& channels) {
    QString text = QStringLiteral("# %1,%2\n").arg(model, date.toString(Qt::ISODate));
    text += kHeader + u'\n';
    for (int channel = 0; channel < kChannels; ++channel) {
        const Channel& held = channels[channel];
        text += channelText(channel) + u',';
        if (!held.isEmpty())
            text += QString::number(held.frequencyHz) + u',' + Modes::nameOf(held.modeDigit);
        else
            text += u',';
        text += u'\n';
    }
    return text.toUtf8();
}

Reading read(QByteArrayView text, const Radio& radio) {
    return Reader(radio).read(text);
}

}  // namespace MemoryFile
