#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tallyglass::testing {

// A fresh, empty home for one test: HOME, XDG_CONFIG_HOME and the defaults of CODEX_HOME and
// CLAUDE_CONFIG_DIR all point into it, and HOME and XDG_CONFIG_HOME come back when it goes.
class TempHome {
public:
    TempHome();
    ~TempHome();

    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString& relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome, m_oldConfig;
};

// Writes bytes to a file under the given folder, making parents. False on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

} // namespace tallyglass::testing
