#pragma once

#include "platform/login_item.h"

#include <QString>

namespace tallyglass {

// Launch at login on freedesktop.org desktops: the autostart entry
// $XDG_CONFIG_HOME/autostart/tallyglass.desktop, whose Exec is the program's absolute path.
// The entry's place is worked out afresh at every call, from the environment of that moment.
//
// What the four statuses mean here:
// - enabled: the entry exists, carries our marker key and is not switched off.
// - notRegistered: there is no entry; or there is one that is not ours (a file we did not
//   write, which we never touch).
// - requiresApproval: our entry exists but the desktop's startup settings switched it off
//   (Hidden=true, or X-GNOME-Autostart-enabled=false); only the user's own choice, in those
//   settings or by ticking the box here again, turns it back on.
// - notFound: our entry exists but the program it launches is gone or not executable (the
//   program was moved or removed since the entry was written).
class XdgAutostartItem final : public LoginItem {
public:
    explicit XdgAutostartItem(QString executable);

    LoginItemStatus status() const override;
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

    // autostart/tallyglass.desktop in the configuration folder; empty without a home.
    static QString entryPath();

    // The entry as written for the executable.
    static QByteArray entryContents(const QString& executable);

    static constexpr const char* markerKey = "X-Tallyglass-Autostart";

private:
    QString m_executable;
};

// Quotes a path for the Exec key of a desktop entry: reserved characters inside double quotes
// with their escapes, then the escapes of the string value itself.
QString desktopExecArgument(const QString& path);

} // namespace tallyglass
