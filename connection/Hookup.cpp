#include "Hookup.h"

#include "Line.h"

#include <algorithm>

namespace Hookup {

bool isProtocol(QByteArrayView text) {
    return std::ranges::all_of(text, [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ';' || c == '+' ||
               c == '-' || c == ' ' || c == '?' || c == '\r' || c == '\n';
    });
}

Trouble troubleOf(bool heardNotProtocol, std::optional<bool> clearToSend) {
    if (heardNotProtocol)
        return Trouble::NotProtocol;
    if (clearToSend == false)
        return Trouble::CtsLow;
    return Trouble::NoAnswer;
}

QString advice(Trouble trouble) {
    switch (trouble) {
        case Trouble::NoAnswer:
            return QStringLiteral(
                "La radio ne répond pas : l'interface IC-10 est-elle montée et "
                "alimentée, le câble branché dans la bonne prise ?");
        case Trouble::NotProtocol:
            return QStringLiteral(
                "La radio envoie des caractères illisibles : niveaux TTL non inversés "
                "(il faut une IF-232C ou un adaptateur inverseur) ou autre vitesse ?");
        case Trouble::CtsLow:
            return QStringLiteral(
                "CTS reste bas : la radio ou l'interface attend la poignée de main "
                "RTS/CTS. Reliez RTS à CTS côté radio, ou vérifiez le câble.");
    }
    return {};
}

QString answeredAt(int baud) {
    return QStringLiteral("La radio répond à %1 bauds.").arg(baud);
}

int nextSpeed(int baud, bool heardNotProtocol) {
    if (baud == Line::kBaud && heardNotProtocol)
        return Line::kJumperBaud;
    return Line::kBaud;
}

}  // namespace Hookup
