#include "temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace tallyglass::testing {

TempHome::TempHome()
    : m_oldHome(qgetenv("HOME"))
    , m_oldConfig(qgetenv("XDG_CONFIG_HOME")) {
    const QString config = m_dir.filePath(QStringLiteral(".config"));
    qputenv("HOME", m_dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    qunsetenv("CODEX_HOME");
    qunsetenv("CLAUDE_CONFIG_DIR");
    // QSettings reads XDG_CONFIG_HOME once per process; point it at this home explicitly.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
}

TempHome::~TempHome() {
    qputenv("HOME", m_oldHome);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromLocal8Bit(m_oldConfig));
    // Every test runs without them; a test that set one leaves none behind.
    qunsetenv("CODEX_HOME");
    qunsetenv("CLAUDE_CONFIG_DIR");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace tallyglass::testing
