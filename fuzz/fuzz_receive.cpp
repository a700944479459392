// Arbitrary bytes, in arbitrary pieces, through the panel's serial buffer into its receive
// handler: a fresh panel for every input, its writes read back from its pseudo-terminal and
// checked. A broken rule aborts, so that libFuzzer keeps the input.
//
//   fuzz_receive -max_total_time=600 corpus/

#include "HostileLine.h"
#include "SerialComm.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace std::chrono_literals;

// Only the quiet gap of the identification is waited for: longer pauses would spend the
// fuzzer's time sleeping. The randomized test waits for the time-outs.
constexpr HostileLine::Limits kLimits{.pauses = 4, .longest = SerialComm::kQuietGap + 5ms};

HostileLine* line = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    static QApplication application(*argc, *argv);
    static HostileLine hostile(kLimits);
    line = &hostile;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString fault = line->play(QByteArrayView(data, qsizetype(size)));
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "receive path: %s\n", qPrintable(fault));
        std::abort();
    }
    return 0;
}
