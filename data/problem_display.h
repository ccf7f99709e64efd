#pragma once

// How the test's problem pane prepares for the problem that comes next: wide one-line bodies get
// a horizontal scroll bar, long conditions take over the pane. The rows are keyed by the position
// of the problem about to be shown; the main window applies them when its pane's heading names
// that position, and what the student can see at a position follows from them.

#include <QList>

namespace problemdisplay {

enum class DisplayAdjustment {
    BodyHorizontalBar,     // body memo: horizontal scroll bar
    BodyNoBars,            // body memo: no scroll bars
    ConditionFillWithBar,  // condition memo: pane height - 30, then a vertical scroll bar
    ConditionResetNoBars,  // condition memo: no scroll bars, then height 50
    ConditionFill,         // condition memo: pane height - 30, scroll bars unchanged
    ConditionDesignHeight, // condition memo: height 50
};

struct DisplayAdjustmentRow {
    int heading; // the position whose heading the pane shows
    DisplayAdjustment effect;
};

// The table in the order its rows are tested; several rows may apply to one position.
const QList<DisplayAdjustmentRow> &displayAdjustmentTable();

// The effects for the heading of a 1-based position, in table order.
QList<DisplayAdjustment> displayAdjustmentsAt(int heading);

// Whether the condition takes the whole problem pane at a 1-based position of a test, so that
// the student never sees the body: the adjustments of every heading up to it, in a test's order
// (a test starts at the designed condition height).
bool conditionFillsPaneAt(int position);

} // namespace problemdisplay
