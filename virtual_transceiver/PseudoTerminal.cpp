#include "PseudoTerminal.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Read in pieces of this size until the master has nothing more: larger than any burst of
// commands a panel writes at once.
constexpr int kReadChunk = 256;

struct Speed {
    speed_t code;
    int baud;
};
// The speeds a serial program sets for these radios and their neighbours.
constexpr Speed kSpeeds[] = {{B300, 300},     {B600, 600},      {B1200, 1200},   {B2400, 2400},
                             {B4800, 4800},   {B9600, 9600},    {B19200, 19200}, {B38400, 38400},
                             {B57600, 57600}, {B115200, 115200}};

void closeOnExec(int fd) {
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

}  // namespace

PseudoTerminal::PseudoTerminal(QObject* parent)
    : QObject(parent),
      readable_(new QSocketNotifier(QSocketNotifier::Read, this)),
      writable_(new QSocketNotifier(QSocketNotifier::Write, this)) {
    connect(readable_, &QSocketNotifier::activated, this, &PseudoTerminal::readAvailable);
    connect(writable_, &QSocketNotifier::activated, this, &PseudoTerminal::writePending);
}

PseudoTerminal::~PseudoTerminal() {
    close();
}

bool PseudoTerminal::open(QString* error) {
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail("posix_openpt", error);
    closeOnExec(master_);
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return fail("grantpt/unlockpt", error);
    const char* name = ::ptsname(master_);
    if (!name)
        return fail("ptsname", error);
    slavePath_ = QString::fromLocal8Bit(name);
    if (!openSlave())
        return fail(slavePath_.toLocal8Bit().constData(), error);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    readable_->setSocket(master_);
    writable_->setSocket(master_);
    readable_->setEnabled(true);
    return true;
}

// The slave starts raw at the radio's line settings, so that a program that opens it without
// setting the line up sees the bytes as they are.
bool PseudoTerminal::openSlave() {
    slave_ = ::open(slavePath_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios line{};
    if (slave_ < 0 || ::tcgetattr(slave_, &line) != 0)
        return false;
    ::cfmakeraw(&line);
    ::cfsetspeed(&line, B4800);
    line.c_cflag |= CSTOPB | CLOCAL;
    return ::tcsetattr(slave_, TCSANOW, &line) == 0;
}

bool PseudoTerminal::fail(const char* what, QString* error) {
    if (error)
        *error = QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(what),
                                              QString::fromLocal8Bit(std::strerror(errno)));
    close();
    return false;
}

bool PseudoTerminal::linkAs(const QString& path) {
    if (!isOpen())
        return false;
    removeLink();
    if (QFileInfo(path).isSymLink() && !QFile::remove(path))
        return false;
    if (!QFile::link(slavePath_, path))
        return false;
    linkPath_ = path;
    return true;
}

void PseudoTerminal::close() {
    readable_->setEnabled(false);
    writable_->setEnabled(false);
    for (int* fd : {&slave_, &master_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    removeLink();
    slavePath_.clear();
    unwritten_.clear();
}

// Only a link that still leads to this device is ours to remove.
void PseudoTerminal::removeLink() {
    const QFileInfo link(linkPath_);
    if (!linkPath_.isEmpty() && link.isSymLink() && link.symLinkTarget() == slavePath_)
        QFile::remove(linkPath_);
    linkPath_.clear();
}

void PseudoTerminal::write(const QByteArray& bytes) {
    if (!isOpen())
        return;
    unwritten_ += bytes;
    writePending();
}

int PseudoTerminal::receiverBaud() const {
    termios line{};
    if (master_ < 0 || ::tcgetattr(master_, &line) != 0)
        return 0;
    // An input speed of 0 means "the same as the output speed".
    const speed_t code = ::cfgetispeed(&line) != B0 ? ::cfgetispeed(&line) : ::cfgetospeed(&line);
    for (const Speed& speed : kSpeeds) {
        if (speed.code == code)
            return speed.baud;
    }
    return 0;
}

void PseudoTerminal::writePending() {
    while (!unwritten_.isEmpty()) {
        const ssize_t written = ::write(master_, unwritten_.constData(), unwritten_.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            if (errno != EAGAIN)
                unwritten_.clear();  // the line is gone: what was left for it is lost
            break;
        }
        unwritten_.remove(0, written);
    }
    writable_->setEnabled(!unwritten_.isEmpty());
}

void PseudoTerminal::readAvailable() {
    QByteArray bytes;
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t count = ::read(master_, chunk, sizeof chunk);
        if (count > 0)
            bytes.append(chunk, count);
        else if (count < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
}
