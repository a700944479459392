#include "CommandTable.h"

#include <algorithm>
#include <string_view>

namespace Rigctl {

namespace {

using enum Action;

// Hamlib 4.5's table (tests/rigctl_parse.c), with what this server does for each command.
// Commands that have no letter there have none here either: they go by long name only.
// clang-format off
constexpr RigCommand kCommands[] = {
    {'F', "set_freq", In1, SetFrequency, {"Frequency"}, "Can set Frequency"},
    {'f', "get_freq", Out, GetFrequency, {"Frequency"}, "Can get Frequency"},
    {'M', "set_mode", In, SetMode, {"Mode", "Passband"}, "Can set Mode"},
    {'m', "get_mode", Out, GetMode, {"Mode", "Passband"}, "Can get Mode"},
    {'I', "set_split_freq", In, SetSplitFrequency, {"TX Frequency"}, "Can set Split Freq"},
    {'i', "get_split_freq", Out, GetSplitFrequency, {"TX Frequency"}, "Can get Split Freq"},
    {'X', "set_split_mode", In, SetSplitMode, {"TX Mode", "TX Passband"}, "Can set Split Mode"},
    {'x', "get_split_mode", Out, GetSplitMode, {"TX Mode", "TX Passband"}, "Can get Split Mode"},
    {'K', "set_split_freq_mode", In, Unavailable, {"TX Frequency", "TX Mode", "TX Passband"}},
    {'k', "get_split_freq_mode", Out, GetSplitFrequencyMode, {"TX Frequency", "TX Mode", "TX Passband"}},
    {'S', "set_split_vfo", In, SetSplitVfo, {"Split", "TX VFO"}, "Can set Split VFO"},
    {'s', "get_split_vfo", Out, GetSplitVfo, {"Split", "TX VFO"}, "Can get Split VFO"},
    {'N', "set_ts", In, Unavailable, {"Tuning Step"}, "Can set Tuning Step"},
    {'n', "get_ts", Out, Unavailable, {"Tuning Step"}, "Can get Tuning Step"},
    {'L', "set_level", In, Unavailable, {"Level", "Level Value"}, "Can set Level"},
    {'l', "get_level", In1 | Out2, Unavailable, {"Level", "Level Value"}, "Can get Level"},
    {'U', "set_func", In, Unavailable, {"Func", "Func Status"}, "Can set Func"},
    {'u', "get_func", In1 | Out2, Unavailable, {"Func", "Func Status"}, "Can get Func"},
    {'P', "set_parm", In | NoVfo, Unavailable, {"Parm", "Parm Value"}, "Can set Param"},
    {'p', "get_parm", In1 | Out2 | NoVfo, Unavailable, {"Parm", "Parm Value"}, "Can get Param"},
    {'G', "vfo_op", In, Unavailable, {"Mem/VFO Op"}, "Can ctl Mem/VFO"},
    {'g', "scan", In, Unavailable, {"Scan Fct", "Scan Channel"}, "Can Scan"},
    {'A', "set_trn", In | NoVfo, Unavailable, {"Transceive"}, "Can set Transceive"},
    {'a', "get_trn", Out | NoVfo, Unavailable, {"Transceive"}, "Can get Transceive"},
    {'R', "set_rptr_shift", In, Unavailable, {"Rptr Shift"}, "Can set Repeater Duplex"},
    {'r', "get_rptr_shift", Out, Unavailable, {"Rptr Shift"}, "Can get Repeater Duplex"},
    {'O', "set_rptr_offs", In, Unavailable, {"Rptr Offset"}, "Can set Repeater Offset"},
    {'o', "get_rptr_offs", Out, Unavailable, {"Rptr Offset"}, "Can get Repeater Offset"},
    {'C', "set_ctcss_tone", In, Unavailable, {"CTCSS Tone"}, "Can set CTCSS"},
    {'c', "get_ctcss_tone", Out, Unavailable, {"CTCSS Tone"}, "Can get CTCSS"},
    {'D', "set_dcs_code", In, Unavailable, {"DCS Code"}, "Can set DCS"},
    {'d', "get_dcs_code", Out, Unavailable, {"DCS Code"}, "Can get DCS"},
    {'\0', "set_ctcss_sql", In, Unavailable, {"CTCSS Sql"}, "Can set CTCSS Squelch"},
    {'\0', "get_ctcss_sql", Out, Unavailable, {"CTCSS Sql"}, "Can get CTCSS Squelch"},
    {'\0', "set_dcs_sql", In, Unavailable, {"DCS Sql"}, "Can set DCS Squelch"},
    {'\0', "get_dcs_sql", Out, Unavailable, {"DCS Sql"}, "Can get DCS Squelch"},
    {'V', "set_vfo", In | NoVfo, SetVfo, {"VFO"}, "Can set VFO"},
    {'v', "get_vfo", Out | NoVfo, GetVfo, {"VFO"}, "Can get VFO"},
    {'T', "set_ptt", In, SetPtt, {"PTT"}, "Can set PTT"},
    {'t', "get_ptt", Out, GetPtt, {"PTT"}, "Can get PTT"},
    {'E', "set_mem", In, Unavailable, {"Memory#"}, "Can set Mem"},
    {'e', "get_mem", Out, Unavailable, {"Memory#"}, "Can get Mem"},
    {'H', "set_channel", In | NoVfo, Unavailable, {"Channel"}, "Can set Channel"},
    {'h', "get_channel", In | NoVfo, Unavailable, {"Channel", "Read Only"}, "Can get Channel"},
    {'B', "set_bank", In, Unavailable, {"Bank"}, "Can set Bank"},
    {'_', "get_info", Out | NoVfo, Unavailable, {"Info"}, "Can get Info"},
    {'J', "set_rit", In, Unavailable, {"RIT"}, "Can set RIT"},
    {'j', "get_rit", Out, GetRit, {"RIT"}, "Can get RIT"},
    {'Z', "set_xit", In, Unavailable, {"XIT"}, "Can set XIT"},
    {'z', "get_xit", Out, GetXit, {"XIT"}, "Can get XIT"},
    {'Y', "set_ant", In, Unavailable, {"Antenna", "Option"}, "Can set Ant"},
    {'y', "get_ant", In1 | Out2 | NoVfo, Unavailable, {"AntCurr", "Option", "AntTx", "AntRx"}, "Can get Ant"},
    {'\0', "set_powerstat", In | NoVfo, Unavailable, {"Power Status"}, "Can set Power Stat"},
    {'\0', "get_powerstat", Out | NoVfo | EndsLine, GetPowerStatus, {"Power Status"}, "Can get Power Stat"},
    {'\0', "send_dtmf", In, Unavailable, {"Digits"}, "Can send DTMF"},
    {'\0', "recv_dtmf", Out, Unavailable, {"Digits"}, "Can recv DTMF"},
    {'*', "reset", In, Unavailable, {"Reset"}, "Can Reset"},
    {'w', "send_cmd", In1 | InLine | Out2 | NoVfo, Unavailable, {"Cmd", "Reply"}},
    {'W', "send_cmd_rx", In | Out2 | NoVfo, Unavailable, {"Cmd", "Reply"}},
    {'b', "send_morse", In | NoVfo | InLine, Unavailable, {"Morse"}, "Can send Morse"},
    {'\0', "stop_morse", 0, Unavailable, {}},
    {'\0', "wait_morse", 0, Unavailable, {}},
    {'\0', "send_voice_mem", In, Unavailable, {"Voice Mem#"}, "Can send Voice"},
    {'\0', "get_dcd", Out, Unavailable, {"DCD"}, "Can get DCD"},
    {'\0', "set_twiddle", In | NoVfo, Unavailable, {"Timeout (secs)"}},
    {'\0', "get_twiddle", Out | NoVfo, Unavailable, {"Timeout (secs)"}},
    {'\0', "uplink", In | NoVfo, Unavailable, {"1=Sub, 2=Main"}},
    {'\0', "set_cache", In | NoVfo, Unavailable, {"Timeout (msecs)"}},
    {'\0', "get_cache", Out | NoVfo, Unavailable, {"Timeout (msecs)"}},
    {'2', "power2mW", In1 | In2 | In3 | Out1 | NoVfo, Unavailable, {"Power [0.0..1.0]", "Frequency", "Mode", "Power mW"}, "Can get power2mW"},
    {'4', "mW2power", In1 | In2 | In3 | Out1 | NoVfo, Unavailable, {"Pwr mW", "Freq", "Mode", "Power [0.0..1.0]"}, "Can get mW2power"},
    {'1', "dump_caps", NoVfo, DumpCaps, {}},
    {'3', "dump_conf", NoVfo, Unavailable, {}},
    {'\0', "dump_state", Out | NoVfo, DumpState, {}},
    {'\0', "chk_vfo", NoVfo | EndsLine | Bare, CheckVfo, {"ChkVFO"}},
    {'\0', "set_vfo_opt", In | NoVfo, Unavailable, {"Status"}},
    {'\0', "get_vfo_info", In1 | Out5 | NoVfo, GetVfoInfo, {"VFO", "Freq", "Mode", "Width", "Split", "SatMode"}},
    {'\0', "get_rig_info", Out | NoVfo, GetRigInfo, {"RigInfo"}},
    {'\0', "get_vfo_list", Out | NoVfo | EndsLine, GetVfoList, {"VFOs"}},
    {'\0', "get_modes", Out | NoVfo | EndsLine, GetModes, {"Modes"}},
    {'\0', "get_clock", NoVfo, Unavailable, {}},
    {'\0', "set_clock", In | NoVfo, Unavailable, {"YYYYMMDDHHMMSS.sss+ZZ"}},
    {'\0', "halt", NoVfo, Unavailable, {}},
    {'\0', "pause", In, Unavailable, {"Seconds"}},
    {'\0', "password", In | NoVfo, Unavailable, {"Password"}},
    {'\0', "get_mode_bandwidths", In | NoVfo, Unavailable, {"Mode"}},
    {'\0', "set_separator", In | NoVfo, Unavailable, {"Separator"}},
    {'\0', "get_separator", NoVfo, Unavailable, {"Separator"}},
    {'\0', "set_lock_mode", In | NoVfo, SetLockMode, {"Locked"}},
    {'\0', "get_lock_mode", NoVfo | EndsLine, GetLockMode, {"Locked"}},
    {'\0', "send_raw", In1 | In2 | Out3 | NoVfo, Unavailable, {"Terminator", "Command", "Send raw answer"}},
    {'q', "quit", NoVfo, Quit, {}},
    {'Q', "quit", NoVfo, Quit, {}},
};
// clang-format on

constexpr unsigned kInputFlags[] = {In1, In2, In3};

}  // namespace

std::span<const RigCommand> commands() {
    return kCommands;
}

const RigCommand* commandByLetter(char letter) {
    if (letter == '\0')
        return nullptr;
    const auto* found = std::ranges::find(kCommands, letter, &RigCommand::letter);
    return found == std::end(kCommands) ? nullptr : found;
}

const RigCommand* commandByName(QByteArrayView name) {
    const std::string_view wanted(name.data(), name.size());
    const auto* found = std::ranges::find_if(
        kCommands, [&](const RigCommand& command) { return wanted == command.name; });
    return found == std::end(kCommands) ? nullptr : found;
}

// rigctld reads the first three arguments that are flagged and labelled, and no more.
int inputCount(const RigCommand& command) {
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if ((command.flags & kInputFlags[i]) && command.labels[i])
            count = i + 1;
    }
    return count;
}

const char* answerLabel(const RigCommand& command, int answer) {
    const int index = inputCount(command) + answer;
    return index < int(command.labels.size()) && command.labels[index] ? command.labels[index] : "";
}

bool answers(const RigCommand& command) {
    return command.flags & Out;
}

}  // namespace Rigctl
