#pragma once

#include <chrono>
#include <functional>

// Waiting, in the tests, the benchmark and the tools, for what the panel and the virtual radio do
// on the event loop: everything runs meanwhile, as in the program.
namespace EventLoop {

// Runs the event loop until done() holds or `patience` is over; says whether it holds. It looks
// every millisecond: QTest::qWaitFor sleeps 10 ms between two looks, longer than a round trip
// to the virtual radio.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds patience);

// Runs the event loop for that long.
void runFor(std::chrono::milliseconds time);

}  // namespace EventLoop
