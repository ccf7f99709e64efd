#include "testing/problem_pane.h"

#include "platform/fonts.h"
#include "testing/main_layout.h"
#include "testing/main_texts.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

namespace {

const QString kSansSerif = QStringLiteral("MS Sans Serif");

// A memo of the problem pane. Enter and Esc end here, as a memo wants them for itself: they
// neither answer nor ask the exit question.
class ProblemMemo : public QPlainTextEdit {
public:
    explicit ProblemMemo(QWidget *parent)
        : QPlainTextEdit(parent) {}

protected:
    void keyPressEvent(QKeyEvent *e) override {
        const bool plain = e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier;
        const bool enter = (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && plain;
        const bool escape = e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier;
        if (enter || escape) {
            e->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }
};

ProblemMemo *makeMemo(QWidget *parent, const QString &name, const QFont &font) {
    auto *memo = new ProblemMemo(parent);
    memo->setObjectName(name);
    memo->setFont(font);
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A disabled pane must not grey the memos: before Start their text is hidden by colour alone.
    QPalette pal = memo->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Base, pal.color(QPalette::Active, QPalette::Button));
    memo->setPalette(pal);
    return memo;
}

} // namespace

ProblemPane::ProblemPane(QWidget *parent)
    : QGroupBox(maintexts::idleProblemCaption(), parent) {
    setObjectName(QStringLiteral("GroupBox1"));
    setFont(platform::designFont(kSansSerif, 12));
    setStatusTip(maintexts::problemPaneHint());
    setAccessibleDescription(maintexts::problemPaneHint());
    setGeometry(5, MainLayout::PaneTop, 262, 231);
    m_condition = makeMemo(this, QStringLiteral("DBMemo3"), platform::designFont(kSansSerif, 12));
    m_condition->setGeometry(10, MainLayout::ConditionTop, 242, m_conditionHeight);
    // The memos have no captions of their own; without names a screen reader would repeat the
    // pane's heading for both.
    m_condition->setAccessibleName(QStringLiteral("Условие задачи"));
    m_body = makeMemo(this, QStringLiteral("DBMemo1"), platform::designFont(QStringLiteral("Arial"), 13));
    m_body->viewport()->setCursor(Qt::ArrowCursor);
    m_body->setAccessibleName(QStringLiteral("Текст задачи"));
}

void ProblemPane::setConditionHeight(int height) {
    m_conditionHeight = height;
    m_condition->resize(m_condition->width(), MainLayout::shownHeight(height));
}

void ProblemPane::setScrollBars(QPlainTextEdit *memo, ScrollBars bars) {
    // A memo with a horizontal bar scrolls its lines instead of wrapping them.
    memo->setLineWrapMode(bars == ScrollBars::Horizontal ? QPlainTextEdit::NoWrap
                                                         : QPlainTextEdit::WidgetWidth);
    memo->setHorizontalScrollBarPolicy(bars == ScrollBars::Horizontal ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(bars == ScrollBars::Vertical ? Qt::ScrollBarAlwaysOn
                                                                  : Qt::ScrollBarAlwaysOff);
}

void ProblemPane::applyDisplayAdjustment(problemdisplay::DisplayAdjustment effect) {
    using enum problemdisplay::DisplayAdjustment;
    const int filled = height() - 30;
    switch (effect) {
    case BodyHorizontalBar:
        setScrollBars(m_body, ScrollBars::Horizontal);
        break;
    case BodyNoBars:
        setScrollBars(m_body, ScrollBars::None);
        break;
    case ConditionFillWithBar:
        setConditionHeight(filled);
        setScrollBars(m_condition, ScrollBars::Vertical);
        break;
    case ConditionResetNoBars:
        setScrollBars(m_condition, ScrollBars::None);
        setConditionHeight(DesignConditionHeight);
        break;
    case ConditionFill:
        setConditionHeight(filled);
        break;
    case ConditionDesignHeight:
        setConditionHeight(DesignConditionHeight);
        break;
    }
}

void ProblemPane::applyLayout(const MainLayout &layout) {
    const auto shown = [](QRect r) {
        r.setWidth(MainLayout::shownHeight(r.width()));
        r.setHeight(MainLayout::shownHeight(r.height()));
        return r;
    };
    setGeometry(shown(layout.problemPane));
    m_body->setGeometry(shown(layout.bodyMemo));
    m_condition->setGeometry(shown(layout.conditionMemo));
}
