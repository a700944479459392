#pragma once

#include "Answers.h"
#include "Requests.h"
#include "SharedRadio.h"

#include <QByteArray>
#include <QList>

#include <variant>

// What the radio commands mean to these radios: reads answered from the latest status report,
// and sets turned into the panel's own commands (FA/FB with eleven digits, MD1; to MD6;, FN0;
// to FN2;, TX; and RX;), built only from values checked here.
namespace Rigctl {

bool readsStatus(Action action);
bool setsRadio(Action action);
Outcome readStatus(const Request& request, const SharedRadio& radio);

struct RadioSet {
    SharedRadio::SetKind kind;
    QByteArray command;
};
// The sets to put on the line, in order, or the code that answers the request instead (kOk for
// a set that asks for what already holds).
std::variant<QList<RadioSet>, int> radioSet(const Request& request, const SharedRadio& radio);

}  // namespace Rigctl
