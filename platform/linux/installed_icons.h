#pragma once

#include <QString>

namespace tallyglass {

// The icon StatusNotifierItem hosts recolour to suit their bar, installed as
// share/icons/hicolor/scalable/apps/tallyglass-symbolic.svg.
inline constexpr char symbolicIconName[] = "tallyglass-symbolic";

// The icons folder of the prefix the running program was installed to, when it holds the
// symbolic icon; empty otherwise (hosts then draw the item's pixmaps).
QString installedIconThemePath(const QString& executableDir);

} // namespace tallyglass
