#pragma once

// How the desktop tells the program apart: its own icon and the name of its desktop entry.

#include <QIcon>

namespace shell {

// The name of the program's desktop entry, its AppStream component and its icon in the
// desktop's icon theme.
inline constexpr char kDesktopEntryName[] = "example.orlavin.loadgen";

// The program's icon, compiled in at 16, 24, 32, 48, 64, 128 and 256 pixels, so that the
// title bar, the task bar and the window switcher each find a size drawn for them.
[[nodiscard]] QIcon ProgramIcon();

// Gives the application object the program's icon, which every window shows that has none
// of its own, and the desktop entry's name, by which a Wayland compositor finds the entry
// (and so the icon and name) that belongs to the window. Needs the application object.
void ApplyProgramIdentity();

}  // namespace shell
