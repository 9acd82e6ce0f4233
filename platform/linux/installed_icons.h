#pragma once

#include <QString>

namespace tallyglass {

// The icon StatusNotifierItem hosts recolour to suit their bar, installed as
// share/icons/hicolor/scalable/apps/tallyglass-symbolic.svg and again in a theme folder of
// the program's own, share/tallyglass/icons, with the index that lookups there need.
inline constexpr char symbolicIconName[] = "tallyglass-symbolic";

// The program's own theme folder in the prefix the running program was installed to, when it
// holds the symbolic icon and the index; empty otherwise (hosts then draw the item's pixmaps).
// Its last part is "icons": KDE takes the folder for an application's icons only then.
QString installedIconThemePath(const QString& executableDir);

} // namespace tallyglass
