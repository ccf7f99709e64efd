#include "testing/option_grid.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTextCursor>

class TestOptionGrid : public QObject {
    Q_OBJECT

private slots:
    void geometry_data();
    void geometry();
    void keys_data();
    void keys();
    void enterAndEscapeReachTheWindow_data();
    void enterAndEscapeReachTheWindow();
    void clickSelects();
    void doubleClickOnOtherOptionSelectsThenAnswers_data();
    void doubleClickOnOtherOptionSelectsThenAnswers();
    void nothingSelectedInTheNextProblem_data();
    void nothingSelectedInTheNextProblem();
    void pagesFollowTheCurrentOption();
    void currentPanelIsGreen();
    void panelsReadAsNumberAndText();
    void problemWithoutOptions();
    void pickedOnlyByClicksAndKeys();
};

namespace {

// Six options numbered 1..6, the fourth without a text.
QList<OptionGrid::Option> sixOptions() {
    QList<OptionGrid::Option> options;
    for (qint32 n = 1; n <= 6; ++n)
        options.append({n, n == 4 ? QString() : QStringLiteral("x = %1").arg(n)});
    return options;
}

// A window around the grid that records the keys the grid leaves alone.
class KeyWitness : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *e) override { keys.append(e->key()); }
};

struct Fixture {
    KeyWitness window;
    OptionGrid *grid = new OptionGrid(&window);

    Fixture() {
        grid->setOptions(sixOptions(), 0);
        grid->setGeometry(0, 0, 249, 208);
        window.resize(249, 208);
        window.show();
        grid->setFocus();
    }
    QPoint panelPoint(int row, QPoint inside = {3, 3}) const { return grid->panel(row)->pos() + inside; }

    // Mouse events go to the control under the point, as the window system would send them.
    void click(QPoint at) const {
        QWidget *target = grid->childAt(at);
        QVERIFY(target);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(grid, at));
    }
    // A double click arrives as press, release, double click, release.
    void doubleClick(QPoint at) const {
        QWidget *target = grid->childAt(at);
        QVERIFY(target);
        const QPoint local = target->mapFrom(grid, at);
        QTest::mouseClick(target, Qt::LeftButton, {}, local);
        QTest::mouseDClick(target, Qt::LeftButton, {}, local);
        QTest::mouseRelease(target, Qt::LeftButton, {}, local);
    }
    QPoint numberPoint(int row) const {
        return grid->panel(row)->pos() + grid->numberGeometry().topLeft() + QPoint(2, 2);
    }
    QPoint textPoint(int row) const {
        return grid->panel(row)->pos() + grid->textGeometry().topLeft() + QPoint(5, 5);
    }
    qint32 currentNumber() const { return grid->options().at(grid->currentIndex()).number; }
};

} // namespace

void TestOptionGrid::geometry_data() {
    QTest::addColumn<QSize>("grid");
    QTest::addColumn<int>("panelHeight");
    QTest::addColumn<int>("textHeight");
    QTest::addColumn<int>("numberTop");

    QTest::newRow("design") << QSize(249, 208) << 52 << 42 << 17;
    QTest::newRow("height_not_divisible") << QSize(249, 211) << 52 << 42 << 17;
    QTest::newRow("odd_text_height") << QSize(300, 196) << 49 << 39 << 15;
    QTest::newRow("minimum_window") << QSize(223, 187) << 46 << 36 << 14;
    QTest::newRow("tiny") << QSize(30, 20) << 5 << -5 << -6;
}

void TestOptionGrid::geometry() {
    QFETCH(QSize, grid);
    QFETCH(int, panelHeight);
    QFETCH(int, textHeight);
    QFETCH(int, numberTop);

    OptionGrid widget;
    widget.resize(grid);
    const int extent = widget.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &widget);
    const int panelWidth = grid.width() - extent;

    QCOMPARE(widget.panelSize(), QSize(panelWidth, panelHeight));
    QCOMPARE(widget.textGeometry(), QRect(18, 5, panelWidth - 13 - 15, textHeight));
    QCOMPARE(widget.numberGeometry(), QRect(5, numberTop, 13, 18));

    // The controls carry those numbers, a negative size shown as nothing.
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QCOMPARE(widget.panel(3)->geometry().top(), 3 * panelHeight);
    QCOMPARE(widget.textMemo(0)->height(), std::max(0, textHeight));
    QCOMPARE(widget.numberLabel(0)->y(), numberTop);
    QCOMPARE(widget.scrollBar()->geometry(), QRect(grid.width() - extent, 0, extent, grid.height()));
}

void TestOptionGrid::keys_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");

    QTest::newRow("up") << 3 << int(Qt::Key_Up) << 2;
    QTest::newRow("left") << 3 << int(Qt::Key_Left) << 2;
    QTest::newRow("up_at_first") << 0 << int(Qt::Key_Up) << 0;
    QTest::newRow("down") << 3 << int(Qt::Key_Down) << 4;
    QTest::newRow("right") << 3 << int(Qt::Key_Right) << 4;
    QTest::newRow("down_at_last") << 5 << int(Qt::Key_Down) << 5;
    QTest::newRow("pagedown") << 0 << int(Qt::Key_PageDown) << 4;
    QTest::newRow("pagedown_clamped") << 3 << int(Qt::Key_PageDown) << 5;
    QTest::newRow("pageup") << 5 << int(Qt::Key_PageUp) << 1;
    QTest::newRow("pageup_clamped") << 2 << int(Qt::Key_PageUp) << 0;
    QTest::newRow("home") << 4 << int(Qt::Key_Home) << 0;
    QTest::newRow("end") << 1 << int(Qt::Key_End) << 5;
}

void TestOptionGrid::keys() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);

    Fixture f;
    f.grid->setCurrentIndex(from);
    QTest::keyClick(f.grid, Qt::Key(key));
    QCOMPARE(f.grid->currentIndex(), to);
    QVERIFY(f.window.keys.isEmpty()); // used up by the grid
}

void TestOptionGrid::enterAndEscapeReachTheWindow_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("return") << int(Qt::Key_Return);
    QTest::newRow("enter") << int(Qt::Key_Enter);
    QTest::newRow("escape") << int(Qt::Key_Escape);
}

void TestOptionGrid::enterAndEscapeReachTheWindow() {
    QFETCH(int, key);
    Fixture f;
    f.grid->setCurrentIndex(2);
    QTest::keyClick(f.grid, Qt::Key(key));
    QCOMPARE(f.window.keys, QList<int>{key});
    QCOMPARE(f.grid->currentIndex(), 2);

    // Inside an option's text they stay there, as in any text control.
    f.window.keys.clear();
    QTest::keyClick(f.grid->textMemo(1), Qt::Key(key));
    QVERIFY(f.window.keys.isEmpty());
}

void TestOptionGrid::clickSelects() {
    Fixture f;
    QSignalSpy answers(f.grid, &OptionGrid::answerRequested);

    f.grid->clearFocus();
    f.click(f.panelPoint(2));
    QCOMPARE(f.grid->currentIndex(), 2);
    QCOMPARE(f.window.focusWidget(), f.grid); // so the keys work from here on
    f.click(f.numberPoint(3));
    QCOMPARE(f.grid->currentIndex(), 3);

    // A click on the text selects its option and still reaches the text control, which takes the focus.
    QPlainTextEdit *text = f.grid->textMemo(1);
    f.click(f.textPoint(1));
    QCOMPARE(f.grid->currentIndex(), 1);
    QTRY_COMPARE(f.window.focusWidget(), text);

    QCOMPARE(answers.count(), 0);
}

void TestOptionGrid::doubleClickOnOtherOptionSelectsThenAnswers_data() {
    QTest::addColumn<QString>("part"); // what is double-clicked on panel row 2
    QTest::newRow("panel") << QStringLiteral("panel");
    QTest::newRow("number") << QStringLiteral("number");
    QTest::newRow("text") << QStringLiteral("text");
}

void TestOptionGrid::doubleClickOnOtherOptionSelectsThenAnswers() {
    QFETCH(QString, part);
    Fixture f;
    QList<qint32> answeredWith;
    connect(f.grid, &OptionGrid::answerRequested, f.grid, [&] { answeredWith.append(f.currentNumber()); });

    QPoint at = f.panelPoint(2);
    if (part == QStringLiteral("number"))
        at = f.numberPoint(2);
    else if (part == QStringLiteral("text"))
        at = f.textPoint(2);

    f.doubleClick(at);
    QCOMPARE(answeredWith, QList<qint32>{3});
    QCOMPARE(f.grid->currentIndex(), 2);
}

namespace {
// The options of two problems that read alike: the texts stay in place when the next problem comes.
QList<OptionGrid::Option> alikeOptions() {
    QList<OptionGrid::Option> options;
    for (qint32 n = 1; n <= 4; ++n)
        options.append({n, QStringLiteral("5/6 или %1 7/8").arg(n)});
    return options;
}
} // namespace

void TestOptionGrid::nothingSelectedInTheNextProblem_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    QTest::newRow("double_click_first_text") << QStringLiteral("double") << 0;
    QTest::newRow("double_click_third_text") << QStringLiteral("double") << 2;
    QTest::newRow("word_selected_then_answered") << QStringLiteral("selected") << 1;
}

void TestOptionGrid::nothingSelectedInTheNextProblem() {
    QFETCH(QString, how);
    QFETCH(int, row);
    QWidget window;
    auto *grid = new OptionGrid(&window);
    int problem = 1;
    grid->setOptions(alikeOptions(), 0);
    grid->setGeometry(0, 0, 249, 208);
    window.resize(249, 208);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The answer moves on to the next problem while the double click is still being delivered.
    int answers = 0;
    connect(grid, &OptionGrid::answerRequested, grid, [&] {
        ++answers;
        ++problem;
        grid->setOptions(alikeOptions(), 0);
    });

    QPlainTextEdit *text = grid->textMemo(row);
    QWidget *viewport = text->viewport();
    const QPoint local(8, 8); // on the first word
    if (how == QStringLiteral("double")) {
        QTest::mouseClick(viewport, Qt::LeftButton, {}, local);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, local);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, local);
        QCOMPARE(answers, 1);
    } else {
        QTextCursor cursor = text->textCursor();
        cursor.select(QTextCursor::WordUnderCursor);
        text->setTextCursor(cursor);
        QVERIFY(text->textCursor().hasSelection());
        emit grid->answerRequested(); // Enter or the Answer button
    }
    QCOMPARE(problem, 2);
    for (int r = 0; r < OptionGrid::RowCount; ++r)
        QVERIFY2(!grid->textMemo(r)->textCursor().hasSelection(), qPrintable(QString::number(r)));
}

void TestOptionGrid::pagesFollowTheCurrentOption() {
    Fixture f;
    QVERIFY(f.grid->scrollBar()->isEnabled());
    QCOMPARE(f.grid->scrollBar()->maximum(), 2);

    QTest::keyClick(f.grid, Qt::Key_End);
    QCOMPARE(f.grid->topIndex(), 2);
    QCOMPARE(f.grid->numberLabel(0)->text(), QStringLiteral("3"));
    QCOMPARE(f.grid->scrollBar()->value(), 2);

    // The bottom panel now shows the sixth option, and a click there selects the sixth option.
    f.grid->setCurrentIndex(2);
    QCOMPARE(f.grid->optionIndexAt(f.panelPoint(3)), 5);
    f.click(f.panelPoint(3));
    QCOMPARE(f.grid->currentIndex(), 5);

    QTest::keyClick(f.grid, Qt::Key_Home);
    QCOMPARE(f.grid->topIndex(), 0);

    // The scroll bar moves the page, not the selection.
    f.grid->scrollBar()->setValue(1);
    QCOMPARE(f.grid->numberLabel(0)->text(), QStringLiteral("2"));
    QCOMPARE(f.grid->currentIndex(), 0);
}

void TestOptionGrid::currentPanelIsGreen() {
    Fixture f;
    f.grid->setCurrentIndex(1);
    const QColor gridColour = f.grid->palette().color(QPalette::Window);
    QVERIFY(gridColour != OptionGrid::selectedColor());

    const QImage image = f.grid->grab().toImage();
    QCOMPARE(image.pixelColor(f.panelPoint(1)), OptionGrid::selectedColor());
    QCOMPARE(image.pixelColor(f.panelPoint(0)), gridColour);
    QCOMPARE(image.pixelColor(f.panelPoint(2)), gridColour);
    // With the keys on the grid the current panel stays green: the focus shows as a dotted line,
    // not as a tint over the panel.
    f.window.setAttribute(Qt::WA_KeyboardFocusChange);
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    QVERIFY(f.grid->hasFocus());
    QCOMPARE(f.grid->grab().toImage().pixelColor(f.panelPoint(1, {8, 8})), OptionGrid::selectedColor());
    // The strip under the fourth panel is the grid's colour too.
    f.grid->resize(249, 211);
    QCOMPARE(f.grid->grab().toImage().pixelColor(5, 209), gridColour);
}

void TestOptionGrid::panelsReadAsNumberAndText() {
    Fixture f;
    QCOMPARE(f.grid->panel(0)->accessibleName(), QStringLiteral("1: x = 1"));
    // An option's text, where a click puts the focus, is named after the option.
    QCOMPARE(f.grid->textMemo(0)->accessibleName(), QStringLiteral("Ответ 1"));
    QCOMPARE(f.grid->accessibleDescription(), f.grid->statusTip());
    // An option without a text shows nothing.
    QCOMPARE(f.grid->textMemo(3)->toPlainText(), QString());
    QCOMPARE(f.grid->panel(3)->accessibleName(), QStringLiteral("4: "));

    // A reader meets a list of the options with the current one selected.
    QCOMPARE(QAccessible::queryAccessibleInterface(f.grid)->role(), QAccessible::List);
    QAccessibleInterface *first = QAccessible::queryAccessibleInterface(f.grid->panel(0));
    QCOMPARE(first->role(), QAccessible::ListItem);
    QVERIFY(first->state().selected);

    QTest::keyClick(f.grid, Qt::Key_End);
    QVERIFY(!first->state().selected);
    QVERIFY(QAccessible::queryAccessibleInterface(f.grid->panel(3))->state().selected);
    QCOMPARE(f.grid->panel(3)->accessibleName(), QStringLiteral("6: x = 6"));
    QCOMPARE(f.grid->textMemo(3)->accessibleName(), QStringLiteral("Ответ 6"));
    QCOMPARE(f.grid->accessibleName(), QStringLiteral("6: x = 6"));
    QVERIFY(f.grid->focusPolicy() & Qt::TabFocus);
    QVERIFY(f.grid->toolTip().isEmpty());
}

void TestOptionGrid::problemWithoutOptions() {
    Fixture f;
    QTest::keyClick(f.grid, Qt::Key_End);
    f.grid->setOptions({}, 0);
    QCOMPARE(f.grid->currentIndex(), -1);

    QCOMPARE(f.grid->topIndex(), 0);
    QVERIFY(f.grid->panel(0)->isVisible());
    QVERIFY(!f.grid->panel(1)->isVisible());
    QCOMPARE(f.grid->numberLabel(0)->text(), QString());
    QCOMPARE(f.grid->textMemo(0)->toPlainText(), QString());
    QVERIFY(!f.grid->scrollBar()->isEnabled());

    QSignalSpy answers(f.grid, &OptionGrid::answerRequested);
    QTest::keyClick(f.grid, Qt::Key_Down);
    f.doubleClick(f.panelPoint(0));
    f.doubleClick(f.textPoint(0));
    QCOMPARE(answers.count(), 0);
    QCOMPARE(f.grid->currentIndex(), -1);
    QVERIFY(f.window.keys.isEmpty());

    // Back on a problem with options, the grid shows them again.
    f.grid->setOptions(sixOptions(), 0);
    QCOMPARE(f.grid->numberLabel(0)->text(), QStringLiteral("1"));
    QCOMPARE(f.grid->panel(3)->isVisible(), true);
}

// The grid tells of the options the student picks, by click or key, and of nothing else: neither
// of what it is told nor of a pick of the option already current.
void TestOptionGrid::pickedOnlyByClicksAndKeys() {
    Fixture f;
    QSignalSpy picked(f.grid, &OptionGrid::optionPicked);
    f.grid->setCurrentIndex(3);
    f.grid->setOptions(sixOptions(), 5);
    QCOMPARE(f.grid->currentIndex(), 5);
    QCOMPARE(f.grid->topIndex(), 2); // the page turned to it
    f.grid->setCurrentIndex(7);      // no such option
    QCOMPARE(f.grid->currentIndex(), 5);
    QCOMPARE(picked.count(), 0);

    QTest::keyClick(f.grid, Qt::Key_Home);
    f.click(f.panelPoint(2));
    f.click(f.panelPoint(2));
    QTest::keyClick(f.grid, Qt::Key_Up);
    QTest::keyClick(f.grid, Qt::Key_Home);
    QTest::keyClick(f.grid, Qt::Key_Home);
    QList<int> indices;
    for (const QList<QVariant> &signal : picked)
        indices.append(signal.at(0).toInt());
    QCOMPARE(indices, (QList<int>{0, 2, 1, 0}));
}

QTEST_MAIN(TestOptionGrid)
#include "tst_option_grid.moc"
