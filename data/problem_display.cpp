#include "data/problem_display.h"

namespace problemdisplay {

const QList<DisplayAdjustmentRow> &displayAdjustmentTable() {
    using enum DisplayAdjustment;
    static const QList<DisplayAdjustmentRow> table{
        {4, BodyHorizontalBar},     {5, BodyNoBars},
        {11, BodyHorizontalBar},    {12, BodyNoBars},
        {16, BodyHorizontalBar},    {17, BodyNoBars},
        {10, ConditionFillWithBar}, {11, ConditionResetNoBars},
        {15, ConditionFill},        {16, ConditionDesignHeight},
    };
    return table;
}

QList<DisplayAdjustment> displayAdjustmentsAt(int heading) {
    QList<DisplayAdjustment> effects;
    for (const DisplayAdjustmentRow &row : displayAdjustmentTable())
        if (row.heading == heading)
            effects.append(row.effect);
    return effects;
}

bool conditionFillsPaneAt(int position) {
    bool fills = false;
    for (int heading = 2; heading <= position; ++heading)
        for (DisplayAdjustment effect : displayAdjustmentsAt(heading)) {
            using enum DisplayAdjustment;
            if (effect == ConditionFill || effect == ConditionFillWithBar)
                fills = true;
            else if (effect == ConditionResetNoBars || effect == ConditionDesignHeight)
                fills = false;
        }
    return fills;
}

} // namespace problemdisplay
