// Loaded into Wine (LD_PRELOAD) by the Windows run: a pseudo-terminal keeps no modem lines, so
// Linux answers TIOCMGET on it with ENOTTY, and Wine's serial driver takes that as the end of
// WaitCommEvent's wait: the receive event never comes and Qt Serial Port never reads. Here a
// pseudo-terminal answers as a serial port with its lines up (DSR, CTS, DCD).

#include <dlfcn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdarg>

namespace {

// /dev/pts/N: the Unix 98 pseudo-terminals' majors.
constexpr unsigned kFirstPtsMajor = 136;
constexpr unsigned kLastPtsMajor = 143;

bool isPseudoTerminal(int fd) {
    struct stat status {};
    return fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) &&
           major(status.st_rdev) >= kFirstPtsMajor && major(status.st_rdev) <= kLastPtsMajor;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    using Ioctl = int (*)(int, unsigned long, void*);
    static const auto real = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    if (request == TIOCMGET && isPseudoTerminal(fd)) {
        *static_cast<int*>(argument) = TIOCM_DSR | TIOCM_CTS | TIOCM_CAR;
        return 0;
    }
    return real(fd, request, argument);
}
