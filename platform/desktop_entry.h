#pragma once

namespace tallyglass {

// The base name of the program's desktop entry, share/applications/tallyglass.desktop. It is also
// the desktop file name the program announces (the app id on Wayland), and the name an autostart
// entry should carry so desktops see both as one program.
inline constexpr char desktopEntryName[] = "tallyglass";

} // namespace tallyglass
