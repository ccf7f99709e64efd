#pragma once

// Where the main window's panes and their controls go for a given client size (FormResize).

#include <QRect>
#include <QSize>

struct MainLayoutInput {
    int clientWidth = 0;      // W
    int clientHeight = 0;     // H
    int conditionHeight = 50; // DBMemo3 keeps its height; the body memo goes below it
    int statusBarHeight = 20;
    int toolBarHeight = 35;
    int statusBarWidth = 0;
    int scrollBarExtent = 16; // the style's vertical scroll-bar width, beside the option panels
};

struct MainLayout {
    static constexpr int PaneTop = 40;
    static constexpr int ConditionTop = 20;
    static constexpr int GridLeft = 10;
    static constexpr int GridTop = 15;
    static constexpr int OptionNumberWidth = 13;  // DBText3
    static constexpr int OptionNumberHeight = 18; // DBText3
    static constexpr int StatusBarHeight = 20;

    QRect problemPane; // GroupBox1, in the client area
    QRect optionPane;  // GroupBox2, in the client area
    // DBMemo1 in its pane. Its height is as computed and may be negative when the condition memo
    // fills the pane; shownHeight() is what the memo gets.
    QRect bodyMemo;
    QRect conditionMemo;     // DBMemo3 in its pane: only left and width change, top and height stay
    QSize grid;              // DBCtrlGrid1
    QSize panel;             // each option panel of the grid
    QRect optionText;        // DBMemo2 in a panel (left stays at the design's 18)
    int optionNumberTop = 0; // DBText3 in a panel, centred on the option text
    int hintPanelWidth = 0;  // status bar panel 5
    int statusBarHeight = StatusBarHeight;

    static int shownHeight(int computed) { return computed < 0 ? 0 : computed; }
};

// The layout steps in their order. "Half" is whole-number division rounding toward zero.
MainLayout mainLayout(const MainLayoutInput &in);
