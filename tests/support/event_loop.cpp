#include "event_loop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace tallyglass::testing {

bool processEventsUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void processEventsFor(int milliseconds) {
    processEventsUntil([] { return false; }, milliseconds);
}

} // namespace tallyglass::testing
