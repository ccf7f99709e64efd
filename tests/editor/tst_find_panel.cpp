// Find and replace in the editor on the offscreen platform: the hits listed in the order the
// editor shows the fields, a hit activated shows its match selected, a replacement is one undo step.

#include "data/bank_document.h"
#include "data/bank_editing.h"
#include "data/bank_search.h"
#include "editor/editor_window.h"
#include "editor/find_panel.h"
#include "editor/problem_editor.h"
#include "editor/text_edit.h"
#include "testing/grading.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>

namespace {

// Three problems; "x" in every kind of field. Problem 1's correct option is the author's first,
// so at position 1 (key 3) the student sees the author's options 2, 3, 1, 4; the editor's rows,
// and so the hits, keep the author's order.
QList<DocProblem> fixture() {
    return {
        {QStringLiteral("Найдите x"),
         QStringLiteral("2x = 4"),
         {QStringLiteral("x = 2"), QStringLiteral("y"), QStringLiteral("X"), QStringLiteral("нет")},
         0},
        {QStringLiteral("Вычислите"), QString(), {QStringLiteral("1"), QStringLiteral("2")}, 1},
        {QStringLiteral("Решите"),
         QStringLiteral("x + x = 10"),
         {QStringLiteral("5"), QStringLiteral("x")},
         0},
    };
}

struct Harness {
    EditorWindow window;
    FindPanel *panel = window.findChild<FindPanel *>(QStringLiteral("FindPanel"));

    Harness() {
        window.document()->reset(fixture());
        window.editing()->undoStack()->clear();
        window.show();
        QApplication::setActiveWindow(&window);
    }
    void trigger(const char *name) { window.findChild<QAction *>(QString::fromLatin1(name))->trigger(); }
    // The selected text of the field that has the keyboard.
    QString selection() const {
        auto *edit = qobject_cast<BankTextEdit *>(QApplication::focusWidget());
        return edit ? edit->textCursor().selectedText() : QStringLiteral("<no field has the keyboard>");
    }
};

QString describe(const QList<banksearch::Hit> &hits) {
    QStringList parts;
    for (const banksearch::Hit &h : hits)
        parts << QStringLiteral("%1:%2@%3").arg(h.problem + 1).arg(banksearch::fieldName(h)).arg(h.start);
    return parts.join(u' ');
}

} // namespace

class TestFindPanel : public QObject {
    Q_OBJECT

private slots:
    void hitsInTheOrderShown_data();
    void hitsInTheOrderShown();
    void listedAndActivated();
    void nextAndPreviousWrap();
    void replaceOneIsOneStep();
    void replaceAllIsOneStep();
};

void TestFindPanel::hitsInTheOrderShown_data() {
    QTest::addColumn<QString>("needle");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("hits");
    // Options by their row in the editor: problem 1's "x = 2" is the teacher's first, though the
    // student sees it under the key's number 3.
    QTest::newRow("any_case") << QStringLiteral("x") << false
                              << QStringLiteral("1:условие@8 1:текст задачи@1 1:вариант 1@0 1:вариант 3@0 "
                                                "3:текст задачи@0 3:текст задачи@4 3:вариант 2@0");
    QTest::newRow("match_case") << QStringLiteral("X") << true << QStringLiteral("1:вариант 3@0");
    QTest::newRow("never_overlapping") << QStringLiteral("xx") << false << QString();
    QTest::newRow("empty") << QString() << false << QString();
}

void TestFindPanel::hitsInTheOrderShown() {
    QFETCH(QString, needle);
    QFETCH(bool, matchCase);
    QFETCH(QString, hits);
    QCOMPARE(
        describe(banksearch::find(fixture(), needle, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive)),
        hits);
}

// Ctrl+F puts the keyboard in the search field; the hits are listed by problem, field and the
// text around them; activating one shows its problem with the match selected in its field.
void TestFindPanel::listedAndActivated() {
    Harness h;
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QTest::keyClick(h.window.problemEditor()->conditionEdit(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(h.panel->isVisible());
    QCOMPARE(QApplication::focusWidget(), h.panel->findEdit());
    h.panel->findEdit()->setText(QStringLiteral("x"));
    QTreeWidget *list = h.panel->hitList();
    QCOMPARE(list->topLevelItemCount(), 7);
    QTreeWidgetItem *body = list->topLevelItem(5);
    QCOMPARE(body->text(0), QStringLiteral("3"));
    QCOMPARE(body->text(1), QStringLiteral("текст задачи"));
    QCOMPARE(body->text(2), QStringLiteral("x + «x» = 10"));

    emit list->itemActivated(body, 0);
    QCOMPARE(h.window.currentProblem(), 2);
    QCOMPARE(QApplication::focusWidget(), h.window.problemEditor()->bodyEdit());
    QCOMPARE(h.window.problemEditor()->bodyEdit()->textCursor().selectionStart(), 4);
    QCOMPARE(h.selection(), QStringLiteral("x"));

    // An option is found in the teacher's row, not in the place the student sees it (there 2).
    emit list->itemActivated(list->topLevelItem(3), 0);
    QCOMPARE(h.window.currentProblem(), 0);
    QCOMPARE(QApplication::focusWidget(), h.window.problemEditor()->optionEdit(2));
    QCOMPARE(h.selection(), QStringLiteral("X"));

    // Esc in the panel closes it and gives the keyboard back to the problem.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!h.panel->isVisible());
    QCOMPARE(QApplication::focusWidget(), h.window.problemEditor()->conditionEdit());
}

// F3 goes on from the problem on screen, wraps past the end; Shift+F3 goes back.
void TestFindPanel::nextAndPreviousWrap() {
    Harness h;
    h.panel->findEdit()->setText(QStringLiteral("x"));
    h.window.setCurrentProblem(1);
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QTest::keyClick(h.window.problemEditor()->conditionEdit(), Qt::Key_F3);
    QCOMPARE(h.panel->currentHit(), 4);
    QCOMPARE(h.window.currentProblem(), 2);
    for (int i = 0; i < 3; ++i)
        h.trigger("FindNext");
    QCOMPARE(h.panel->currentHit(), 0);
    QCOMPARE(h.selection(), QStringLiteral("x"));
    h.trigger("FindPrevious");
    QCOMPARE(h.panel->currentHit(), 6);
    QCOMPARE(h.window.currentProblem(), 2);

    // A field changed by typing is searched again.
    h.window.editing()->setCondition(1, QStringLiteral("Вычислите x"));
    QTRY_COMPARE(h.panel->hits().size(), 8);
}

// Replace changes the one match shown and moves on to the next; Undo takes back that one match,
// even right after typing into the same field.
void TestFindPanel::replaceOneIsOneStep() {
    Harness h;
    h.window.editing()->setBody(2, QStringLiteral("x + x = 12"));
    const QList<DocProblem> typed = h.window.document()->problems();
    QUndoStack *stack = h.window.editing()->undoStack();
    const int steps = stack->index();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QTest::keyClick(h.window.problemEditor()->bodyEdit(), Qt::Key_H, Qt::ControlModifier);
    QVERIFY(h.panel->isVisible());
    h.panel->findEdit()->setText(QStringLiteral("x"));
    h.panel->replaceEdit()->setText(QStringLiteral("a"));
    emit h.panel->hitList()->itemActivated(h.panel->hitList()->topLevelItem(5), 0);
    h.panel->findChild<QPushButton *>(QStringLiteral("ReplaceOne"))->click();
    QCOMPARE(h.window.document()->problem(2).body, QStringLiteral("x + a = 12"));
    QCOMPARE(stack->index(), steps + 1);
    // On to the next hit: problem 3's option "x", the teacher's second, though the student sees
    // it first.
    QCOMPARE(h.panel->hits().at(h.panel->currentHit()).field, banksearch::Field::Option);
    QCOMPARE(QApplication::focusWidget(), h.window.problemEditor()->optionEdit(1));
    QCOMPARE(h.selection(), QStringLiteral("x"));

    stack->undo();
    QCOMPARE(h.window.document()->problems(), typed);
}

// Replace all changes every field in one step; Undo restores the bank, Redo repeats it.
void TestFindPanel::replaceAllIsOneStep() {
    Harness h;
    QUndoStack *stack = h.window.editing()->undoStack();
    h.panel->findEdit()->setText(QStringLiteral("x"));
    h.panel->replaceEdit()->setText(QStringLiteral("y"));
    h.panel->findChild<QPushButton *>(QStringLiteral("ReplaceAll"))->click();
    QCOMPARE(stack->count(), 1);
    const QList<DocProblem> replaced = h.window.document()->problems();
    QCOMPARE(replaced[0].condition, QStringLiteral("Найдите y"));
    QCOMPARE(replaced[0].options, (QStringList{QStringLiteral("y = 2"), QStringLiteral("y"),
                                               QStringLiteral("y"), QStringLiteral("нет")}));
    QCOMPARE(replaced[2].body, QStringLiteral("y + y = 10"));
    QCOMPARE(banksearch::find(replaced, QStringLiteral("x"), Qt::CaseInsensitive).size(), 0);
    QCOMPARE(h.panel->hitList()->topLevelItemCount(), 0);

    stack->undo();
    QCOMPARE(h.window.document()->problems(), fixture());
    stack->redo();
    QCOMPARE(h.window.document()->problems(), replaced);

    // Case sensitive: only the capital X goes.
    stack->undo();
    h.panel->caseBox()->setChecked(true);
    h.panel->findEdit()->setText(QStringLiteral("X"));
    h.panel->replaceAll();
    QCOMPARE(h.window.document()->problem(0).options[2], QStringLiteral("y"));
    QCOMPARE(h.window.document()->problem(0).options[0], QStringLiteral("x = 2"));
}

QTEST_MAIN(TestFindPanel)
#include "tst_find_panel.moc"
