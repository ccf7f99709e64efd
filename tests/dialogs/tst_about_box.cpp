#include "about/marquee.h"
#include "about/unabout.h"
#include "platform/window_frame.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

class TestAboutBox : public QObject {
    Q_OBJECT

private slots:
    void design();
    void marqueeContinuesAcrossWindows();
    void keys_data();
    void keys();
};

namespace {

QLabel *title(const TAboutBox &box) {
    return box.findChild<QLabel *>(QStringLiteral("Label1"));
}

} // namespace

void TestAboutBox::design() {
    QWidget main;
    main.setGeometry(100, 100, 640, 480);
    main.show();
    TAboutBox box(&main);

    QCOMPARE(box.windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(box.size(), QSize(244, 327));
    QVERIFY(!(box.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)));
    QCOMPARE(box.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"))->toPlainText().split(QLatin1Char('\n')),
             QStringList({"Команда Cifrovex", "Версия 1.0", "Программа ", "распространяется",
                          "бесплатно. С вопросами и ", "предложениями", "пишите на почту ",
                          "cifrovex@example.org", "Посетите сайт", "https://cifrovex.example.org"}));

    // The notice stays clear of the program's icon beside it.
    const QWidget *notice = box.findChild<QLabel *>(QStringLiteral("noticeLabel"));
    QVERIFY(notice->x() + notice->sizeHint().width() <
            box.findChild<QLabel *>(QStringLiteral("Image1"))->x());

    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTRY_VERIFY((box.geometry().center() - main.geometry().center()).manhattanLength() <= 2);
    // Outer frame over outer frame, once the system reports the frame.
    box.findChild<platform::WindowFrame *>()->setMarginsForTest(QMargins(1, 20, 1, 1));
    QCOMPARE(box.size(), QSize(244, 327));
    QTRY_COMPARE(box.windowHandle()->position(),
                 platform::WindowFrame::centredTopLeft(QSize(246, 348), main.frameGeometry()) +
                     QPoint(1, 20));
    // The timer scrolls the title on its own from the window's first tick on.
    QCOMPARE(title(box)->text(), QStringLiteral("Цифроведческийзачёт"));
    QTRY_VERIFY(title(box)->text() != QStringLiteral("Цифроведческийзачёт"));
}

// The position belongs to the program's run: a new window starts with the plain title and then
// scrolls on from where the previous window stopped.
void TestAboutBox::marqueeContinuesAcrossWindows() {
    const QString lastFrame = QStringLiteral("ёт  Цифроведческийзачёт");
    {
        TAboutBox first;
        QCOMPARE(title(first)->text(), QStringLiteral("Цифроведческийзачёт"));
        for (int tick = 0; tick < 20 && title(first)->text() != lastFrame; ++tick)
            first.Timer1Timer();
        QCOMPARE(title(first)->text(), lastFrame);
    }
    {
        TAboutBox second;
        QCOMPARE(title(second)->text(), QStringLiteral("Цифроведческийзачёт"));
        second.Timer1Timer();
        QCOMPARE(title(second)->text(), QStringLiteral("  Цифроведческийзачёт  "));
        second.Timer1Timer();
        QCOMPARE(title(second)->text(), QStringLiteral(" Цифроведческийзачёт  Ц"));
    }
    TAboutBox third;
    third.Timer1Timer();
    QCOMPARE(title(third)->text(), QStringLiteral("Цифроведческийзачёт  Ци"));
    QCOMPARE(marqueePosition(), 4);
}

void TestAboutBox::keys_data() {
    QTest::addColumn<QString>("focus");  // empty for the initial focus
    QTest::addColumn<QString>("action"); // a key name, or "ok_click"
    QTest::addColumn<bool>("closes");

    QTest::newRow("esc") << QString() << "Escape" << false;
    QTest::newRow("enter") << QString() << "Return" << true;
    QTest::newRow("ok_click") << QString() << "ok_click" << true;
    QTest::newRow("esc_in_memo") << "Memo1"
                                 << "Escape" << false;
    QTest::newRow("enter_in_memo") << "Memo1"
                                   << "Return" << false;
}

void TestAboutBox::keys() {
    QFETCH(QString, focus);
    QFETCH(QString, action);
    QFETCH(bool, closes);

    TAboutBox box;
    bool openAfterAction = false;
    QTimer::singleShot(0, &box, [&] {
        if (!focus.isEmpty())
            box.findChild<QWidget *>(focus)->setFocus();
        if (action == QLatin1String("ok_click"))
            QTest::mouseClick(box.findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        else
            QTest::keyClick(box.focusWidget(),
                            action == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Escape);
        openAfterAction = box.isVisible();
        if (openAfterAction)
            box.accept();
    });
    QCOMPARE(box.exec(), int(QDialog::Accepted));
    QCOMPARE(openAfterAction, !closes);
}

QTEST_MAIN(TestAboutBox)
#include "tst_about_box.moc"
