// What the window tells the desktop about itself, so that docks, taskbars and
// task managers can match it to the menu entry, show its icon and name its
// process.
#pragma once

#include <cstddef>
#include <cstdint>

// Gives the window of the current GL context its class ("plumbrix",
// "Plumbrix"), `title` again as its UTF-8 name, the game's process id and its
// icons. A GL context that is not on X gets nothing, and the game carries on
// without.
void introduceWindow(const char* title);

// The icons, written by the build from data/icons/ so that even a build that
// was never installed shows them: for each size, its width, its height, then
// its pixels row by row as 0xAARRGGBB.
extern const std::uint32_t kWindowIcons[];
extern const std::size_t kWindowIconWords;
