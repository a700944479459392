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

void closeOnExec(int fd) {
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

}  // namespace

PseudoTerminal::PseudoTerminal(QObject* parent)
    : QObject(parent),
      m_readable(new QSocketNotifier(QSocketNotifier::Read, this)),
      m_writable(new QSocketNotifier(QSocketNotifier::Write, this)) {
    connect(m_readable, &QSocketNotifier::activated, this, &PseudoTerminal::readAvailable);
    connect(m_writable, &QSocketNotifier::activated, this, &PseudoTerminal::writePending);
}

PseudoTerminal::~PseudoTerminal() {
    close();
}

bool PseudoTerminal::open(QString* error) {
    close();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("posix_openpt", error);
    closeOnExec(m_master);
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt", error);
    const char* name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname", error);
    m_slavePath = QString::fromLocal8Bit(name);
    if (!openSlave())
        return fail(m_slavePath.toLocal8Bit().constData(), error);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_readable->setSocket(m_master);
    m_writable->setSocket(m_master);
    m_readable->setEnabled(true);
    return true;
}

// The slave starts raw at the radio's line settings, so that a program that opens it without
// setting the line up sees the bytes as they are.
bool PseudoTerminal::openSlave() {
    m_slave = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios line{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &line) != 0)
        return false;
    ::cfmakeraw(&line);
    ::cfsetspeed(&line, B4800);
    line.c_cflag |= CSTOPB | CLOCAL;
    return ::tcsetattr(m_slave, TCSANOW, &line) == 0;
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
    if (!QFile::link(m_slavePath, path))
        return false;
    m_linkPath = path;
    return true;
}

void PseudoTerminal::close() {
    m_readable->setEnabled(false);
    m_writable->setEnabled(false);
    for (int* fd : {&m_slave, &m_master}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    removeLink();
    m_slavePath.clear();
    m_unwritten.clear();
}

// Only a link that still leads to this device is ours to remove.
void PseudoTerminal::removeLink() {
    const QFileInfo link(m_linkPath);
    if (!m_linkPath.isEmpty() && link.isSymLink() && link.symLinkTarget() == m_slavePath)
        QFile::remove(m_linkPath);
    m_linkPath.clear();
}

void PseudoTerminal::write(const QByteArray& bytes) {
    if (!isOpen())
        return;
    m_unwritten += bytes;
    writePending();
}

void PseudoTerminal::writePending() {
    while (!m_unwritten.isEmpty()) {
        const ssize_t written = ::write(m_master, m_unwritten.constData(), m_unwritten.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            if (errno != EAGAIN)
                m_unwritten.clear();  // the line is gone: what was left for it is lost
            break;
        }
        m_unwritten.remove(0, written);
    }
    m_writable->setEnabled(!m_unwritten.isEmpty());
}

void PseudoTerminal::readAvailable() {
    QByteArray bytes;
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t count = ::read(m_master, chunk, sizeof chunk);
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
