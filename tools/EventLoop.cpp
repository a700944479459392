#include "EventLoop.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace EventLoop {

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds patience) {
    const QDeadlineTimer deadline(patience);
    QEventLoop loop;
    QTimer look;
    look.setTimerType(Qt::PreciseTimer);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    look.start(1);
    if (!done())
        loop.exec();
    return done();
}

void runFor(std::chrono::milliseconds time) {
    waitUntil([] { return false; }, time);
}

}  // namespace EventLoop
