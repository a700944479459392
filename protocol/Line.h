#pragma once

#include <chrono>

// What the radio's serial line costs: the figures the pacing, the memory write-back's share,
// closing and the benchmarks all reckon with.
namespace Line {

// The radios' interface runs at 4800 baud (1200 with the speed jumper fitted), 8N2: a start
// bit, eight data bits and two stop bits make 11 bits a character.
constexpr int kBaud = 4800;
constexpr int kJumperBaud = 1200;
constexpr int kBitsPerCharacter = 11;

constexpr std::chrono::nanoseconds characterTime(int baud = kBaud) {
    return std::chrono::nanoseconds(std::chrono::seconds(1)) * kBitsPerCharacter / baud;
}

// A status round trip is "IF;" and its 38-character reply; a channel's read is its request
// "MR00nn;" and the 24-character memory reply.
constexpr int kStatusRoundTrip = 3 + 38;
constexpr int kMemoryRoundTrip = 7 + 24;

// A command written after status report n goes out while the request that report n + 1
// answers is already on the line; report n + 2 answers a request written after it.
constexpr int kReportsToShowACommand = 2;

}  // namespace Line
