// Arbitrary bytes, in arbitrary pieces, through the panel's serial buffer into its receive
// handler: one panel for the whole run, put back to its identification before each input, what
// it writes and shows after each receive event checked (tests/HostileLine.h). A broken rule
// aborts, so that libFuzzer keeps the input. The panel lives on from input to input, so the
// leak check, which reruns every input that leaves memory behind, is turned off:
//
//   fuzz_receive -runs=1000000 -max_len=256 -detect_leaks=0 corpus/

#include "HostileLine.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

HostileLine* line = nullptr;

}  // namespace

// The same holds at the end of the run: Qt's font caches outlive the application object, and a
// leak report then would be written out as a crashing input. Recording every allocation's whole
// stack took half the run's time and grew the stack store without end; two frames keep the run
// fast and flat. Replay a crashing input with ASAN_OPTIONS=malloc_context_size=30 for the rest.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0:malloc_context_size=2";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    static QApplication application(*argc, *argv);
    static HostileLine hostile;
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
