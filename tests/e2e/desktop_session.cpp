#include "desktop_session.h"

#include "support/event_loop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

namespace tallyglass::testing {

void endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

DesktopSession::DesktopSession() {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        m_noServer = QStringLiteral("Xvfb is not installed");
        return;
    }
    for (const char* tool : {"openbox", "xdotool", "import", "gdbus"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            m_error = QStringLiteral("%1 is not installed (see TEST_PACKAGES)").arg(tool);
            return;
        }
    }
    if (m_bus.address().isEmpty()) {
        m_error = m_bus.error();
        return;
    }
    if (!startServer())
        return;
    m_windowManager.setProcessEnvironment(environment(QDir::tempPath()));
    m_windowManager.start(QStringLiteral("openbox"), {});
}

DesktopSession::~DesktopSession() {
    endProcess(m_windowManager);
    endProcess(m_server);
}

bool DesktopSession::startServer() {
    // Xvfb picks a free display itself, under its own lock, and names it on standard output
    // once it accepts connections: parallel test runs cannot take the same one.
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                    QStringLiteral("tcp"), QStringLiteral("-noreset")});
    processEventsUntil(
        [&] { return m_server.canReadLine() || m_server.state() == QProcess::NotRunning; }, 15000);
    const QByteArray number = m_server.readLine().trimmed();
    if (m_server.state() == QProcess::Running && !number.isEmpty()) {
        m_display = QLatin1Char(':') + QString::fromLatin1(number);
        return true;
    }
    m_noServer = QStringLiteral("Xvfb did not start: ") +
                 QString::fromUtf8(m_server.readAllStandardError()).trimmed();
    endProcess(m_server);
    return false;
}

QProcessEnvironment DesktopSession::environment(const QString& home) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CURRENT_DESKTOP",
                             "SESSION_MANAGER", "XAUTHORITY"})
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/.runtime"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QDir(home).mkpath(QStringLiteral(".runtime"));
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return environment;
}

QByteArray DesktopSession::run(const QString& program, const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment tools = environment(QDir::tempPath());
    // gdbus prints what the locale cannot show as '?'; C.UTF-8 is always there.
    tools.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(tools);
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        process.kill();
    return process.readAllStandardOutput();
}

QImage DesktopSession::screenshot(const QString& savePath) const {
    const QString path = savePath.isEmpty()
                             ? QDir::temp().filePath(QStringLiteral("tallyglass-screen.png"))
                             : savePath;
    if (!savePath.isEmpty())
        QDir().mkpath(QFileInfo(savePath).absolutePath());
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
    QImage image(path);
    if (savePath.isEmpty())
        QFile::remove(path);
    return image;
}

bool DesktopSession::windowShown(const QString& title) const {
    return !run(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')})
                .trimmed()
                .isEmpty();
}

void DesktopSession::click(QPoint position, int button) const {
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(position.x()), QString::number(position.y()),
         QStringLiteral("click"), QString::number(button)});
}

void DesktopSession::key(const QString& name) const {
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), name});
}

Foreground foreground(const QImage& screen, const QRect& area) {
    const QRect inside = area.intersected(screen.rect());
    QHash<QRgb, int> colours;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++colours[screen.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = colours.cbegin(); it != colours.cend(); ++it)
        if (it.value() > most)
            std::tie(background, most) = std::pair(it.key(), it.value());

    Foreground result;
    result.background = background;
    qint64 sumX = 0;
    qint64 sumY = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (screen.pixel(x, y) == background)
                continue;
            ++result.count;
            sumX += x;
            sumY += y;
            result.bounds |= QRect(x, y, 1, 1);
        }
    }
    if (result.count > 0)
        result.centre = QPoint(int(sumX / result.count), int(sumY / result.count));
    return result;
}

} // namespace tallyglass::testing
