#pragma once

#include <QString>

namespace tallyglass {

// The program's desktop entry, installed as share/applications/tallyglass.desktop. Its base
// name is also the desktop file name the program announces (the app id on Wayland), and the
// name an autostart entry should carry so desktops see both as one program.
inline constexpr char desktopEntryName[] = "tallyglass";
inline constexpr char desktopEntryFile[] = "tallyglass.desktop";

// The installed entry: the one in the prefix the running program was installed to (the
// share folder beside its bin folder) comes first, then the first one the XDG data folders
// hold. Empty when none is installed, as when running from a build folder.
QString installedDesktopEntry(const QString& executableDir);

// The icon StatusNotifierItem hosts recolour to suit their bar, installed as
// share/icons/hicolor/scalable/apps/tallyglass-symbolic.svg.
inline constexpr char symbolicIconName[] = "tallyglass-symbolic";

// The icons folder of the prefix the running program was installed to, when it holds the
// symbolic icon; empty otherwise (hosts then draw the item's pixmaps).
QString installedIconThemePath(const QString& executableDir);

} // namespace tallyglass
