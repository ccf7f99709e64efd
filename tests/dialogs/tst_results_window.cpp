#include "main_window_watch.h"

#include "platform/message_box.h"
#include "testing/unlevel.h"
#include "testing/unmain.h"
#include "testing/unrezultaty.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

class TestResultsWindow : public QObject {
    Q_OBJECT

private slots:
    void design();
    void memoLines();
    void keysAndCloseBox_data();
    void keysAndCloseBox();
    void returnHidesAfterMainWindowIsUp();
};

namespace {

QPushButton *button(const QWidget &window, const char *name) {
    return window.findChild<QPushButton *>(QLatin1String(name));
}

// Confirms any level dialog that the main window's show handler opens, noting whether the
// results window was still on the screen behind it.
class LevelDialogConfirmer : public QObject {
public:
    explicit LevelDialogConfirmer(const QWidget *results)
        : m_results(results) {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *dialog = qobject_cast<TForm1 *>(QApplication::activeModalWidget())) {
                ++dialogs;
                resultsVisibleBehindDialog = m_results->isVisible();
                dialog->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
            }
        });
        m_timer.start(0);
    }

    int dialogs = 0;
    bool resultsVisibleBehindDialog = false;

private:
    const QWidget *m_results;
    QTimer m_timer;
};

} // namespace

void TestResultsWindow::design() {
    TForm5 results(3, {});

    QCOMPARE(results.windowTitle(), QStringLiteral("Результаты"));
    QCOMPARE(results.size(), QSize(202, 156));
    QVERIFY(results.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!results.isModal());
    QVERIFY(button(results, "BitBtn1")->isDefault());
    QCOMPARE(button(results, "BitBtn2")->toolTip(), QStringLiteral("Пройти  тест еще раз"));

    results.show();
    QVERIFY(QTest::qWaitForWindowExposed(&results));
    const QPoint offCentre =
        results.frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY(offCentre.manhattanLength() <= 4); // the window frame's rounding
}

// The memo holds exactly the three lines of this test, also when the window is shown again.
void TestResultsWindow::memoLines() {
    TForm5 results(4, {12, 3.0});
    const auto *memo = results.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));

    results.show();
    const QString expected = QStringLiteral("Уровень сложности на \"4\";\n"
                                            "правильных ответов: 12;\n"
                                            "ваша оценка: \"3\".");
    QCOMPARE(memo->toPlainText(), expected);
    QVERIFY(memo->isReadOnly());

    results.hide();
    results.show();
    QCOMPARE(memo->toPlainText(), expected);
}

void TestResultsWindow::keysAndCloseBox_data() {
    QTest::addColumn<QString>("focus");  // the control given the focus first, empty for the initial one
    QTest::addColumn<QString>("action"); // a key name, or "close" for the close box
    QTest::addColumn<bool>("exits");
    QTest::addColumn<bool>("returns");

    QTest::newRow("enter_initial") << QString() << "Return" << true << false;
    QTest::newRow("esc_initial") << QString() << "Escape" << true << false;
    QTest::newRow("enter_on_return") << "BitBtn2"
                                     << "Return" << false << true;
    QTest::newRow("esc_on_return") << "BitBtn2"
                                   << "Escape" << true << false;
    QTest::newRow("enter_in_memo") << "Memo1"
                                   << "Return" << false << false;
    QTest::newRow("esc_in_memo") << "Memo1"
                                 << "Escape" << false << false;
    QTest::newRow("close_box") << QString() << "close" << true << false;
    // "&Выход" and "&Вернуться" share their letter: Exit, created first, is pressed.
    QTest::newRow("alt_v_initial") << QString() << "AltВ" << true << false;
    QTest::newRow("alt_v_on_return") << "BitBtn2"
                                     << "AltВ" << true << false;
}

void TestResultsWindow::keysAndCloseBox() {
    QFETCH(QString, focus);
    QFETCH(QString, action);
    QFETCH(bool, exits);
    QFETCH(bool, returns);

    platform::ScriptedMessageBoxes boxes;
    TForm2 main([] {});
    MainWindowWatch watch(&main);
    TForm5 results(3, {9, 3.0});
    main.connectResultsWindow(&results);
    LevelDialogConfirmer confirmer(&results);

    results.show();
    QVERIFY(QTest::qWaitForWindowExposed(&results));
    QCOMPARE(results.focusWidget(), button(results, "BitBtn1"));
    if (!focus.isEmpty())
        results.findChild<QWidget *>(focus)->setFocus();

    if (action == QLatin1String("close")) {
        results.close();
    } else if (action.startsWith(QLatin1String("Alt"))) {
        const QChar letter = action.at(3);
        QWidget *target = results.focusWidget();
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key(letter.unicode()), QString(letter),
                            Qt::AltModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key(letter.unicode()), QString(letter),
                            Qt::AltModifier);
        // A button pressed by its letter shows pressed for a moment before it is clicked.
        QTRY_VERIFY(watch.closes + watch.shows > 0);
    } else
        QTest::keyClick(results.focusWidget(),
                        action == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Escape);

    QCOMPARE(watch.closes, exits ? 1 : 0);
    QCOMPARE(watch.shows, returns ? 1 : 0);
    QCOMPARE(confirmer.dialogs, returns ? 1 : 0);
    QCOMPARE(main.isVisible(), returns);
    if (!exits)
        QCOMPARE(results.isVisible(), !returns);
}

// Return: the main window comes up again (with the level dialog over it) while the results stay on
// the screen; only then is the results window hidden, and it is not destroyed.
void TestResultsWindow::returnHidesAfterMainWindowIsUp() {
    platform::ScriptedMessageBoxes boxes;
    TForm2 main([] {});
    MainWindowWatch watch(&main);
    QPointer<TForm5> results = new TForm5(5, {20, 5.0});
    main.connectResultsWindow(results);
    bool resultsVisibleAtMainShow = false;
    watch.onShow = [&] { resultsVisibleAtMainShow = results && results->isVisible(); };
    LevelDialogConfirmer confirmer(results);

    results->show();
    button(*results, "BitBtn2")->click();

    QCOMPARE(confirmer.dialogs, 1);
    QVERIFY(confirmer.resultsVisibleBehindDialog);
    QVERIFY(resultsVisibleAtMainShow);
    QVERIFY(main.isVisible());
    QCOMPARE(watch.closes, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(results);
    QVERIFY(results->isHidden());
    delete results.data();
}

QTEST_MAIN(TestResultsWindow)
#include "tst_results_window.moc"
