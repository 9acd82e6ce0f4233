#include "status_follow.h"

#include "core/clock.h"

#include <QCoreApplication>

#include <csignal>
#include <iostream>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace tallyglass {
namespace {

// Ends the event loop once standard output is closed at its other end. poll() with no events
// wakes only then (POLLERR for a pipe without reader, POLLHUP for a socket or terminal), so
// this costs nothing while the bar runs.
void quitWhenOutputCloses() {
    std::thread([] {
        pollfd output{STDOUT_FILENO, 0, 0};
        while (::poll(&output, 1, -1) < 0 && errno == EINTR) {
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    }).detach();
}

class LineFollower final : public QObject {
public:
    LineFollower(const SourceTable& sources, SourceId kind, LineFormat format)
        : m_actor(sources.at(kind))
        , m_kind(kind)
        , m_format(format)
        , m_clock(std::make_shared<SystemClock>())
        , m_model(sources, m_clock, ReadOnlyWatch{kind}) {
        // Emitted last when a reading is published, at every refresh.
        connect(&m_model, &UsageModel::lastCheckedChanged, this, &LineFollower::update);
    }

private:
    void update() {
        SourceReading reading{m_kind, m_model.snapshot(), m_model.sourceAvailable(), {}};
        if (m_format == LineFormat::json)
            reading.reasons = reasons(reading);
        const std::string line = statusLine(m_format, reading, m_clock->now(), true);
        if (line == m_line)
            return;
        m_line = line;
        std::cout << line << '\n' << std::flush;
        if (!std::cout)
            QCoreApplication::quit();
    }
    // Asked again only when the reading changed: a diagnosis reads as much as a load.
    const std::vector<QString>& reasons(const SourceReading& reading) {
        if (!m_diagnosed || m_diagnosed->snapshot != reading.snapshot ||
            m_diagnosed->available != reading.available) {
            m_diagnosed = reading;
            m_diagnosed->reasons = m_actor->diagnosis().result();
        }
        return m_diagnosed->reasons;
    }

    std::shared_ptr<SourceActor> m_actor;
    SourceId m_kind;
    LineFormat m_format;
    std::shared_ptr<SystemClock> m_clock;
    UsageModel m_model;
    std::string m_line;
    std::optional<SourceReading> m_diagnosed;
};

} // namespace

int followSource(const SourceTable& sources, SourceId kind, LineFormat format) {
    // A write to a closed pipe then fails rather than ending the program by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    LineFollower follower(sources, kind, format);
    quitWhenOutputCloses();
    QCoreApplication::exec();
    return 0;
}

} // namespace tallyglass
