#include "FrequencyText.h"

#include "Digits.h"

#include <QLocale>

namespace {

constexpr int kDisplayDigits = 8;  // the display's "00,000,000"
constexpr int kMaxDigits = 11;     // the width of a frequency field on the line

QString groupSeparator() {
    return QLocale().groupSeparator();
}

// Groups a string of digits in threes from the right. QLocale groups too, but not zero-padded
// texts, and some locales group otherwise than in threes; the panel always groups in threes.
QString groupInThrees(const QString& digits) {
    const QString separator = groupSeparator();
    QString text;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += separator;
        text += digits[i];
    }
    return text;
}

}  // namespace

namespace FrequencyText {

QString display(qint64 hz) {
    return groupInThrees(QString::number(hz).rightJustified(kDisplayDigits, u'0'));
}

QString grouped(qint64 hz) {
    return hz == 0 ? QString() : groupInThrees(QString::number(hz));
}

std::optional<qint64> read(const QString& text) {
    QString digits = text;
    digits.remove(groupSeparator());
    if (digits.isEmpty() || digits.size() > kMaxDigits || !Digits::only(digits.toLatin1()))
        return std::nullopt;
    return digits.toLongLong();
}

std::optional<qint64> readField(QByteArrayView digits) {
    if (digits.isEmpty() || digits.size() > kMaxDigits || !Digits::only(digits))
        return std::nullopt;
    return digits.toLongLong();
}

}  // namespace FrequencyText
