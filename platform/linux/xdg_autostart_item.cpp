#include "xdg_autostart_item.h"

#include "core/file_access.h"
#include "core/home_directory.h"
#include "core/shell_quoting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tallyglass {
namespace {

// An autostart entry is a few hundred bytes; anything far larger is not one we wrote.
constexpr qint64 largestEntry = 64 * 1024;

struct AutostartEntry {
    bool ours = false;
    bool switchedOff = false;
    QString exec;
};

// Reads the keys that matter from the [Desktop Entry] group. None when there is no file.
std::optional<AutostartEntry> readEntry(const QString& path) {
    const FileRead file = readRegularFile(path, largestEntry);
    if (file.status == FileRead::Status::absent)
        return std::nullopt;
    AutostartEntry entry;
    bool inMainGroup = false;
    for (const QByteArray& raw : file.bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMainGroup || line.startsWith('#') || equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == XdgAutostartItem::markerKey)
            entry.ours = value == "true";
        else if (key == "Hidden" && value == "true")
            entry.switchedOff = true;
        else if (key == "X-GNOME-Autostart-enabled" && value == "false")
            entry.switchedOff = true;
        else if (key == "Exec")
            entry.exec = QString::fromUtf8(value);
    }
    return entry;
}

// The program of an Exec value: undoes the string escapes, then the argument quoting.
QString execProgram(const QString& exec) {
    QString unescaped;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] == u'\\' && i + 1 < exec.size() && exec[i + 1] == u's') {
            unescaped += u' ';
            ++i;
        } else if (exec[i] == u'\\' && i + 1 < exec.size() && exec[i + 1] == u'\\') {
            unescaped += u'\\';
            ++i;
        } else {
            unescaped += exec[i];
        }
    }
    // A literal percent sign is written doubled, as field codes start with one.
    if (!unescaped.startsWith(u'"'))
        return unescaped.section(u' ', 0, 0).replace(QStringLiteral("%%"), QStringLiteral("%"));
    QString program;
    for (qsizetype i = 1; i < unescaped.size() && unescaped[i] != u'"'; ++i) {
        if (unescaped[i] == u'\\' && i + 1 < unescaped.size())
            ++i;
        program += unescaped[i];
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

bool isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isAbsolute() && info.isFile() && info.isExecutable();
}

QString foreignEntryText(const QString& path) {
    return QCoreApplication::translate(
               "LoginItem",
               "The autostart entry %1 was not made by Tallyglass and was left as it is.")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

QString desktopExecArgument(const QString& path) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString argument = path;
    argument.replace(u'%', QStringLiteral("%%"));
    const bool needsQuotes =
        std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    if (needsQuotes) {
        argument =
            u'"' + QString::fromStdString(escapedForDoubleQuotes(argument.toStdString())) + u'"';
    }
    // The value itself is a desktop-entry string, whose own escape is the backslash.
    return argument.replace(u'\\', QStringLiteral("\\\\"));
}

XdgAutostartItem::XdgAutostartItem(QString executable)
    : m_executable(std::move(executable)) {}

QString XdgAutostartItem::entryPath() {
    const QString config = QString::fromStdString(configDirectory());
    return config.isEmpty() ? QString() : config + QStringLiteral("/autostart/tallyglass.desktop");
}

QByteArray XdgAutostartItem::entryContents(const QString& executable) {
    QByteArray contents = "[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Tallyglass\n"
                          "Comment=Usage limits of Claude Code and Codex in the tray\n";
    contents += "Exec=" + desktopExecArgument(executable).toUtf8() + "\n";
    contents += "Terminal=false\n"
                "X-GNOME-Autostart-enabled=true\n";
    contents += QByteArray(markerKey) + "=true\n";
    return contents;
}

LoginItemStatus XdgAutostartItem::status() const {
    const auto entry = readEntry(entryPath());
    if (!entry || !entry->ours)
        return LoginItemStatus::notRegistered;
    if (entry->switchedOff)
        return LoginItemStatus::requiresApproval;
    if (!isExecutableFile(execProgram(entry->exec)))
        return LoginItemStatus::notFound;
    return LoginItemStatus::enabled;
}

std::optional<QString> XdgAutostartItem::registerItem() {
    const QString path = entryPath();
    const auto entry = readEntry(path);
    if (entry && !entry->ours)
        return foreignEntryText(path);
    if (!isExecutableFile(m_executable))
        return QCoreApplication::translate(
            "LoginItem", "The location of the Tallyglass program is not known, so it cannot be "
                         "started at login.");
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QCoreApplication::translate("LoginItem", "The folder %1 could not be created.")
            .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
    if (writeFileAtomically(path, entryContents(m_executable)) != WriteResult::written)
        return QCoreApplication::translate("LoginItem",
                                           "The autostart entry could not be written: %1")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    return std::nullopt;
}

std::optional<QString> XdgAutostartItem::unregisterItem() {
    const QString path = entryPath();
    const auto entry = readEntry(path);
    if (!entry)
        return std::nullopt;
    if (!entry->ours)
        return foreignEntryText(path);
    QFile file(path);
    if (!file.remove())
        return QCoreApplication::translate("LoginItem",
                                           "The autostart entry could not be removed: %1")
            .arg(file.errorString());
    return std::nullopt;
}

} // namespace tallyglass
