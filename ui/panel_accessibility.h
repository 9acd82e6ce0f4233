#pragma once

namespace tallyglass {

// How the panel shows itself to assistive technology beyond what each widget says:
// - Qt leaves popup windows out of the application's accessible children, so a screen reader
//   walking down from the application would never find the panel that opens from the tray;
//   the application also lists the popups that are on screen.
// - A usage row and the source switch are each one named group; the panel is a window; a
//   bar is a progress bar with its value; a label cut short still says its whole text.
// Call before the first window is shown; later calls do nothing.
void installPanelAccessibility();

} // namespace tallyglass
