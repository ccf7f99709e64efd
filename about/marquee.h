#pragma once

#include <QString>

#include <cstdint>

// The program's title as the about window scrolls it.
QString aboutTitle();

// Two blanks, the title, two blanks, the title, one blank.
QString marqueeText();

// How many characters of the marquee text the label shows at once.
inline constexpr int kMarqueeWidth = 23;

// The last position before the marquee jumps back to the start.
inline constexpr int32_t kMarqueeLastPosition = 20;

// The kMarqueeWidth characters of the marquee text from a 1-based position (fewer near the end).
QString marqueeFrame(int32_t position);

// The position after one step: one to the right, back to 1 after kMarqueeLastPosition.
int32_t nextMarqueePosition(int32_t position);

// The position of the next step. It belongs to the program's run, not to a window, so a second
// about window carries on where the first one stopped.
int32_t marqueePosition();

// One tick of the about window's timer: the frame at the current position, and moves on.
QString advanceMarquee();
