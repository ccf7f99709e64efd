#include "main_window_watch.h"

#include "platform/message_box.h"
#include "platform/window_frame.h"
#include "testing/unlevel.h"
#include "testing/unmain.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

class TestLevelDialog : public QObject {
    Q_OBJECT

private slots:
    void sharedAccessLetterChooses();
    void design();
    void choose_data();
    void choose();
    void exitEndsProgram_data();
    void exitEndsProgram();
    void closeBoxChangesNothing_data();
    void closeBoxChangesNothing();
    void reopenStartsAtFirstLevel();
};

namespace {

QRadioButton *radio(const TForm1 &dialog, int number) {
    return dialog.findChild<QRadioButton *>(QStringLiteral("RadioButton%1").arg(number));
}

QPushButton *button(const QWidget &window, const char *name) {
    return window.findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

void TestLevelDialog::design() {
    platform::ScriptedMessageBoxes boxes;
    TForm2 main([] {});
    TForm1 dialog;

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Уровень сложности"));
    QCOMPARE(dialog.size(), QSize(227, 186));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    // The middle level sits halfway down its frame, whatever height the radio button has.
    const QWidget *frame = radio(dialog, 2)->parentWidget();
    QCOMPARE(radio(dialog, 2)->y(), frame->height() / 2 - radio(dialog, 2)->height() / 2);

    // The buttons' hints belong to the status line; no tooltip pops up over them.
    QCOMPARE(button(dialog, "BitBtn1")->statusTip(),
             QStringLiteral("Выберите уровень и нажмите \"Выбрать!\""));
    QCOMPARE(button(dialog, "BitBtn2")->statusTip(), QStringLiteral("Выход из программы"));
    QVERIFY(button(dialog, "BitBtn1")->toolTip().isEmpty());
    QVERIFY(button(dialog, "BitBtn2")->toolTip().isEmpty());

    // Centred on the desktop, as the main window opens it before it is on the screen itself.
    TForm1 placed(&main);
    placed.show();
    QVERIFY(QTest::qWaitForWindowExposed(&placed));
    const QPoint offCentre =
        placed.frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY(offCentre.manhattanLength() <= 4); // the window frame's rounding

    // The client area stays as designed; once the system reports the frame, the outer frame is
    // what is centred.
    placed.findChild<platform::WindowFrame *>()->setMarginsForTest(QMargins(4, 23, 4, 4));
    QCOMPARE(placed.size(), QSize(227, 186));
    QTRY_COMPARE(placed.windowHandle()->position(),
                 platform::WindowFrame::centredTopLeft(QSize(227 + 8, 186 + 27),
                                                       QGuiApplication::primaryScreen()->geometry()) +
                     QPoint(4, 23));
}

void TestLevelDialog::choose_data() {
    QTest::addColumn<int>("radioNumber");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("panel");

    QTest::newRow("level3_enter") << 1 << false << 3 << QStringLiteral("Всего 10 задач");
    QTest::newRow("level4_enter") << 2 << false << 4 << QStringLiteral("Всего 15 задач");
    QTest::newRow("level5_enter") << 3 << false << 5 << QStringLiteral("Всего 20 задач");
    QTest::newRow("level3_dblclick") << 1 << true << 3 << QStringLiteral("Всего 10 задач");
    QTest::newRow("level4_dblclick") << 2 << true << 4 << QStringLiteral("Всего 15 задач");
    QTest::newRow("level5_dblclick") << 3 << true << 5 << QStringLiteral("Всего 20 задач");
}

// A click on a level then Enter (the Choose button is the default), or a double click alone.
void TestLevelDialog::choose() {
    QFETCH(int, radioNumber);
    QFETCH(bool, doubleClick);
    QFETCH(int, level);
    QFETCH(QString, panel);

    platform::ScriptedMessageBoxes boxes;
    TForm2 main([] {});
    MainWindowWatch watch(&main);
    TForm1 dialog;
    main.connectLevelDialog(&dialog);
    QRadioButton *chosen = radio(dialog, radioNumber);
    QWidget *focusAtShow = nullptr;

    QTimer::singleShot(0, &dialog, [&] {
        focusAtShow = dialog.focusWidget();
        if (doubleClick) {
            QTest::mouseDClick(chosen, Qt::LeftButton);
        } else {
            QTest::mouseClick(chosen, Qt::LeftButton);
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
        }
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));

    QCOMPARE(focusAtShow, radio(dialog, 1));
    QCOMPARE(main.session().level(), level);
    QCOMPARE(main.progressPanel(), panel);
    QCOMPARE(watch.closes, 0);
}

// "&Выбрать!" and "&Выход" share their letter: Alt+В chooses, as the first created of the two.
void TestLevelDialog::sharedAccessLetterChooses() {
    platform::ScriptedMessageBoxes boxes;
    TForm2 main([] {});
    MainWindowWatch watch(&main);
    TForm1 dialog;
    main.connectLevelDialog(&dialog);
    const QChar letter(u'В');
    QTimer::singleShot(0, &dialog, [&] {
        QWidget *focus = dialog.focusWidget();
        QTest::sendKeyEvent(QTest::Press, focus, Qt::Key(letter.unicode()), QString(letter), Qt::AltModifier);
        QTest::sendKeyEvent(QTest::Release, focus, Qt::Key(letter.unicode()), QString(letter),
                            Qt::AltModifier);
    });
    // Should the letter do nothing, the dialog is ended from here instead of waiting for ever.
    QTimer::singleShot(5000, &dialog, [&] { dialog.done(99); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(main.session().level(), 3);
    QCOMPARE(watch.closes, 0);
}

void TestLevelDialog::exitEndsProgram_data() {
    QTest::addColumn<bool>("escape");

    QTest::newRow("esc") << true;
    QTest::newRow("exit_button") << false;
}

void TestLevelDialog::exitEndsProgram() {
    QFETCH(bool, escape);

    platform::ScriptedMessageBoxes boxes;
    TForm2 main([] {});
    MainWindowWatch watch(&main);
    TForm1 dialog;
    main.connectLevelDialog(&dialog);

    QTimer::singleShot(0, &dialog, [&] {
        if (escape)
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
        else
            button(dialog, "BitBtn2")->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));

    QCOMPARE(watch.closes, 1);
    QCOMPARE(main.session().level(), 0);
}

void TestLevelDialog::closeBoxChangesNothing_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("panel");

    QTest::newRow("at_startup") << 0 << QString();
    QTest::newRow("level_chosen") << 4 << QStringLiteral("Всего 15 задач");
}

void TestLevelDialog::closeBoxChangesNothing() {
    QFETCH(int, level);
    QFETCH(QString, panel);

    platform::ScriptedMessageBoxes boxes;
    TForm2 main([] {});
    if (level != 0)
        main.session().chooseLevel(level);
    QCOMPARE(main.progressPanel(), panel);
    MainWindowWatch watch(&main);
    TForm1 dialog;
    main.connectLevelDialog(&dialog);

    QTimer::singleShot(0, &dialog, [&] {
        radio(dialog, 3)->click();
        dialog.close();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));

    QCOMPARE(main.session().level(), level);
    QCOMPARE(main.progressPanel(), panel);
    QCOMPARE(watch.closes, 0);
}

// The dialog does not show the level chosen before: it opens on the first level every time.
void TestLevelDialog::reopenStartsAtFirstLevel() {
    platform::ScriptedMessageBoxes boxes;
    TForm2 main([] {});
    {
        TForm1 first;
        main.connectLevelDialog(&first);
        radio(first, 3)->click();
        button(first, "BitBtn1")->click();
        QCOMPARE(main.session().level(), 5);
    }
    TForm1 second;
    main.connectLevelDialog(&second);
    QVERIFY(radio(second, 1)->isChecked());
    QVERIFY(!radio(second, 2)->isChecked());
    QVERIFY(!radio(second, 3)->isChecked());
    QTimer::singleShot(0, &second, [&] { QTest::keyClick(second.focusWidget(), Qt::Key_Return); });
    QCOMPARE(second.exec(), int(QDialog::Accepted));
    QCOMPARE(main.session().level(), 3);
    QCOMPARE(main.progressPanel(), QStringLiteral("Всего 10 задач"));
}

QTEST_MAIN(TestLevelDialog)
#include "tst_level_dialog.moc"
