#include "editor/student_view.h"

#include "data/bank_document.h"
#include "data/levels.h"
#include "data/problem_display.h"
#include "platform/fonts.h"
#include "testing/main_layout.h"
#include "testing/main_texts.h"
#include "testing/option_grid.h"
#include "testing/problem_pane.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The part of the client area the panes use: below the toolbar, above the status bar.
constexpr int kToolBarHeight = 35;
constexpr int kTopMargin = 5;

} // namespace

QSize StudentView::designedClientSize() {
    // The window is 562 x 350 with a one-line menu bar above the client area.
    static const QSize size = [] {
        QMenuBar bar;
        bar.addMenu(QStringLiteral("&Файл"));
        return QSize(562, 350 - bar.sizeHint().height());
    }();
    return size;
}

StudentView::StudentView(QWidget *parent)
    : QWidget(parent)
    , m_client(new QWidget(this))
    , m_pane(new ProblemPane(m_client))
    , m_optionPane(new QGroupBox(maintexts::chooseOptionCaption(), m_client))
    , m_grid(new OptionGrid(m_optionPane))
    , m_note(new QLabel(this)) {
    setObjectName(QStringLiteral("StudentView"));
    setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 11));
    m_client->setObjectName(QStringLiteral("StudentViewPanes"));
    m_client->setAccessibleName(QStringLiteral("Как увидит ученик"));
    m_optionPane->setObjectName(QStringLiteral("GroupBox2"));
    m_optionPane->setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 12));
    m_grid->move(MainLayout::GridLeft, MainLayout::GridTop);
    // A picture of the test: nothing in it takes the keyboard or answers.
    for (QWidget *w : m_client->findChildren<QWidget *>())
        w->setFocusPolicy(Qt::NoFocus);
    m_note->setObjectName(QStringLiteral("StudentViewNote"));
    m_note->setWordWrap(true);

    const QSize client = designedClientSize();
    const int panesHeight = client.height() - kToolBarHeight - MainLayout::StatusBarHeight;
    m_client->setFixedSize(client.width(), panesHeight);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_client);
    layout->addWidget(m_note);
    layout->addStretch();
    showProblem(DocProblem{}, 0);
}

void StudentView::showProblem(const DocProblem &problem, int position) {
    const QSize client = designedClientSize();
    MainLayoutInput in;
    in.clientWidth = client.width();
    in.clientHeight = client.height();
    in.statusBarWidth = client.width();
    in.scrollBarExtent = m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid);

    // A test starts with the designed condition height and no scroll bars; every answer then
    // prepares the pane for the next heading, as the main window does.
    m_pane->setConditionHeight(ProblemPane::DesignConditionHeight);
    ProblemPane::setScrollBars(m_pane->conditionMemo(), ProblemPane::ScrollBars::None);
    ProblemPane::setScrollBars(m_pane->bodyMemo(), ProblemPane::ScrollBars::None);
    in.conditionHeight = m_pane->conditionHeight();
    m_pane->applyLayout(mainLayout(in));
    for (int heading = 2; heading <= position; ++heading)
        for (problemdisplay::DisplayAdjustment effect : problemdisplay::displayAdjustmentsAt(heading))
            m_pane->applyDisplayAdjustment(effect);
    in.conditionHeight = m_pane->conditionHeight();
    const MainLayout out = mainLayout(in);
    const QPoint shift(0, MainLayout::PaneTop - kTopMargin);
    MainLayout shifted = out;
    shifted.problemPane.translate(-shift);
    m_pane->applyLayout(shifted);
    QRect options = out.optionPane.translated(-shift);
    options.setSize(options.size().expandedTo({0, 0}));
    m_optionPane->setGeometry(options);
    m_grid->setGeometry(
        QRect(QPoint(MainLayout::GridLeft, MainLayout::GridTop), out.grid.expandedTo({0, 0})));

    m_pane->setTitle(position == 1 ? maintexts::startHeading() : maintexts::problemHeading(position));
    m_pane->setEnabled(true);
    m_pane->conditionMemo()->setPlainText(problem.condition);
    m_pane->bodyMemo()->setPlainText(problem.body);

    // The options in the order the student sees them, each numbered by its place.
    QList<OptionGrid::Option> shown;
    if (position > 0) {
        const QList<int> order = bankdoc::shownOrder(problem, position);
        for (int place = 0; place < order.size(); ++place)
            shown.append({place + 1, problem.options[order[place]]});
    }
    m_grid->setOptions(shown, 0);

    QStringList notes;
    const bool conditionFills = out.bodyMemo.height() <= 0;
    if (position > kMostProblems)
        notes << QStringLiteral("Программа показывает только первые 20 задач; эту ученик не увидит.");
    else if (conditionFills && !problem.body.trimmed().isEmpty())
        notes << QStringLiteral("На месте %1 условие занимает всю рамку задачи: текст задачи (Name) ученик "
                                "не увидит. Здесь нужно длинное условие без текста.")
                     .arg(position);
    if (problem.options.size() > OptionGrid::RowCount)
        notes << QStringLiteral(
            "Вариантов больше четырёх: остальные ученик увидит, только прокрутив список.");
    m_note->setText(notes.join(u'\n'));
    m_note->setVisible(!notes.isEmpty());
}
