#pragma once

#include "support/private_bus.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>

namespace tallyglass::testing {

// Real desktop parts for the end-to-end tests, each its own process and ended with this
// object: an X server (Xvfb) on a free display with a window manager (openbox), and a
// private D-Bus session bus. The desktop's panel is started by the tests.
class DesktopSession {
public:
    DesktopSession();
    ~DesktopSession();

    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Why there is no X server, when there is none; then nothing else was started.
    QString noServer() const { return m_noServer; }
    // Empty when everything runs; otherwise what else could not be started.
    QString error() const { return m_error; }
    QString busAddress() const { return m_bus.address(); }

    // The environment of a program started on this desktop with its own home folder.
    QProcessEnvironment environment(const QString& home) const;
    // Runs an X11 or D-Bus tool on this desktop; its standard output.
    QByteArray run(const QString& program, const QStringList& arguments) const;

    // The whole screen, as import (ImageMagick) takes it; also saved when a path is given.
    QImage screenshot(const QString& savePath = QString()) const;
    // Whether a window with exactly this title is mapped.
    bool windowShown(const QString& title) const;
    void click(QPoint position, int button = 1) const;
    void key(const QString& name) const;

private:
    bool startServer();

    PrivateBus m_bus;
    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
    QString m_noServer;
    QString m_error;
};

// Ends a process politely, then firmly.
void endProcess(QProcess& process);

// The pixels of a screen area that differ from its most common colour, the background.
struct Foreground {
    QRgb background = 0;
    int count = 0;
    QRect bounds;
    QPoint centre;
};
Foreground foreground(const QImage& screen, const QRect& area);

} // namespace tallyglass::testing
