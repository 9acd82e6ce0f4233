#include "codex_home.h"

#include "core/file_access.h"

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <vector>

namespace tallyglass {
namespace {

QString userHome(const QString& user) {
    if (user.isEmpty())
        return homeFolderPath();
    const QByteArray name = user.toLocal8Bit();
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwnam_r(name.constData(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return QFile::decodeName(found->pw_dir);
}

// "~" and "~/x" name the user's home, "~name/x" another user's; an unknown user is left as
// written.
QString expandTilde(const QString& path) {
    if (!path.startsWith(u'~'))
        return path;
    const qsizetype slash = path.indexOf(u'/');
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    const QString home = userHome(user);
    if (home.isEmpty())
        return path;
    return slash < 0 ? home : home + path.mid(slash);
}

} // namespace

QString codexHome() {
    const QString configured = qEnvironmentVariable("CODEX_HOME");
    if (configured.isEmpty())
        return homeFolderPath() + QStringLiteral("/.codex");
    return QDir::current().absoluteFilePath(expandTilde(configured));
}

} // namespace tallyglass
