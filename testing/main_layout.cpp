#include "testing/main_layout.h"

MainLayout mainLayout(const MainLayoutInput &in) {
    MainLayout out;
    const int halfW = in.clientWidth / 2;

    const int paneHeight = in.clientHeight - in.statusBarHeight - in.toolBarHeight - 10;
    const int paneWidth = halfW - 15;
    out.problemPane = QRect(5, MainLayout::PaneTop, paneWidth, paneHeight);
    out.optionPane = QRect(halfW + 5, MainLayout::PaneTop, paneWidth, paneHeight);

    const int bodyWidth = paneWidth - 20;
    out.bodyMemo = QRect(10, in.conditionHeight + 29, bodyWidth, paneHeight - in.conditionHeight - 36);
    out.conditionMemo = QRect(10, MainLayout::ConditionTop, bodyWidth, in.conditionHeight);

    out.grid = QSize(paneWidth - 20, paneHeight - 23);
    out.panel = QSize(out.grid.width() - in.scrollBarExtent, out.grid.height() / 4);

    const int textWidth = out.panel.width() - MainLayout::OptionNumberWidth - 15;
    const int textHeight = out.panel.height() - 10;
    out.optionText = QRect(18, 5, textWidth, textHeight);

    out.hintPanelWidth = in.statusBarWidth - 420;
    out.optionNumberTop = textHeight / 2 + out.optionText.top() - MainLayout::OptionNumberHeight / 2;
    out.statusBarHeight = MainLayout::StatusBarHeight;
    return out;
}
