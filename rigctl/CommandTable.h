#pragma once

#include <QByteArrayView>

#include <array>
#include <span>

// The commands of Hamlib's network protocol ("NET rigctl", the protocol of rigctld), one row
// each: the letter, the long name (sent after a backslash), how its arguments are read, the
// labels of the extended answers, and what the server does with it. The parser and the
// answers read this table; nothing else lists commands.
namespace Rigctl {

// How the arguments are read and answered, as rigctld flags them.
enum Flag : unsigned {
    In1 = 0x01,
    Out1 = 0x02,
    In2 = 0x04,
    Out2 = 0x08,
    In3 = 0x10,
    Out3 = 0x20,
    In4 = 0x40,
    Out4 = 0x80,
    Out5 = 0x100,
    In = In1 | In2 | In3 | In4,
    Out = Out1 | Out2 | Out3 | Out4 | Out5,
    InLine = 0x4000,  // the first argument is the rest of the line
    NoVfo = 0x8000,
    // rigctld's own habits, kept because clients were written against them:
    EndsLine = 0x10000,  // the value ends its line whatever the separator
    Bare = 0x20000,      // no echo of the command and no "RPRT" after the value
};

enum class Action {
    Unavailable,  // a command of the protocol these radios cannot do
    SetFrequency,
    GetFrequency,
    SetMode,
    GetMode,
    SetVfo,
    GetVfo,
    SetPtt,
    GetPtt,
    SetSplitFrequency,
    GetSplitFrequency,
    SetSplitMode,
    GetSplitMode,
    GetSplitFrequencyMode,
    SetSplitVfo,
    GetSplitVfo,
    GetRit,
    GetXit,
    GetRigInfo,
    GetVfoList,
    GetModes,
    GetVfoInfo,
    GetPowerStatus,
    SetLockMode,
    GetLockMode,
    CheckVfo,
    DumpState,
    DumpCaps,
    Quit,
};

struct RigCommand {
    char letter;  // '\0': by long name only
    const char* name;
    unsigned flags;
    Action action;
    std::array<const char*, 6> labels;  // inputs first, then the answers
    const char* caps = nullptr;         // its "Can ..." line in the capabilities dump
};

const RigCommand* commandByLetter(char letter);
const RigCommand* commandByName(QByteArrayView name);

// The arguments the command reads from the request line, and the labels of its answers.
int inputCount(const RigCommand& command);
const char* answerLabel(const RigCommand& command, int answer);
bool answers(const RigCommand& command);

// Every row, in the table's order (the order of rigctld's capabilities dump).
std::span<const RigCommand> commands();

}  // namespace Rigctl
