#include "platform/app_title.h"
#include "platform/message_box.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using platform::MessageAnswer;
using platform::MessageKind;

Q_DECLARE_METATYPE(platform::MessageKind)

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { platform::setApplicationTitle(QStringLiteral("Cifrovex")); }
    void dialogParts_data();
    void dialogParts();
    void keysAndCloseBox_data();
    void keysAndCloseBox();
    void realBoxAnswersEsc();
    void announcedAsAnAlert_data();
    void announcedAsAnAlert();
    void scriptAnswersAndRecords();
};

void TestMessageBox::dialogParts_data() {
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<bool>("hasIcon");
    QTest::newRow("warning") << MessageKind::Warning << "Warning" << QStringList{"OK"} << true;
    QTest::newRow("information") << MessageKind::Information << "Information" << QStringList{"OK"} << true;
    QTest::newRow("confirmation") << MessageKind::Confirmation << "Confirm" << QStringList{"&Yes", "&No"}
                                  << true;
    QTest::newRow("plain") << MessageKind::Plain << "Cifrovex" << QStringList{"OK"} << false;
}

void TestMessageBox::dialogParts() {
    QFETCH(MessageKind, kind);
    QFETCH(QString, caption);
    QFETCH(QStringList, buttons);
    QFETCH(bool, hasIcon);

    QCOMPARE(platform::captionFor(kind), caption);
    std::unique_ptr<QDialog> dialog(platform::createMessageDialog({kind, caption, QStringLiteral("Текст")}));
    QCOMPARE(dialog->windowTitle(), caption);
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("text"))->text(), QStringLiteral("Текст"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("icon")) != nullptr, hasIcon);
    QStringList shown;
    const auto pushButtons = dialog->findChildren<QPushButton *>();
    for (const QPushButton *button : pushButtons)
        shown << button->text();
    QCOMPARE(shown, buttons);
    QVERIFY(pushButtons.first()->isDefault());
}

// Enter presses the first button, Esc the last; the close box answers neither Yes nor No.
void TestMessageBox::keysAndCloseBox_data() {
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");
    const int closed = 0;
    const auto code = [](MessageAnswer a) { return int(a) + 1; };
    QTest::newRow("confirm_enter") << MessageKind::Confirmation << "enter" << code(MessageAnswer::Yes);
    QTest::newRow("confirm_esc") << MessageKind::Confirmation << "esc" << code(MessageAnswer::No);
    QTest::newRow("confirm_close") << MessageKind::Confirmation << "close" << closed;
    QTest::newRow("warning_enter") << MessageKind::Warning << "enter" << code(MessageAnswer::Ok);
    QTest::newRow("warning_esc") << MessageKind::Warning << "esc" << code(MessageAnswer::Ok);
    QTest::newRow("plain_esc") << MessageKind::Plain << "esc" << code(MessageAnswer::Ok);
}

void TestMessageBox::keysAndCloseBox() {
    QFETCH(MessageKind, kind);
    QFETCH(QString, action);
    QFETCH(int, result);

    std::unique_ptr<QDialog> dialog(platform::createMessageDialog({kind, QString(), QStringLiteral("?")}));
    dialog->setResult(-1);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    if (action == QLatin1String("enter"))
        QTest::keyClick(dialog.get(), Qt::Key_Return);
    else if (action == QLatin1String("esc"))
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
    else
        dialog->close();
    QVERIFY(dialog->isHidden());
    QCOMPARE(dialog->result(), result);
}

void TestMessageBox::realBoxAnswersEsc() {
    QTimer::singleShot(0, this, [] {
        QWidget *box = QApplication::activeModalWidget();
        QVERIFY(box);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(platform::showMessage(MessageKind::Confirmation, QStringLiteral("Выйти?")), MessageAnswer::No);
}

// A screen reader meets every box as an alert with its text, so it reads the box out when it
// opens instead of only its focused button. The announcement itself needs an accessibility bus:
// the acceptance suite hears it.
void TestMessageBox::announcedAsAnAlert_data() {
    QTest::addColumn<MessageKind>("kind");
    QTest::newRow("warning") << MessageKind::Warning;
    QTest::newRow("information") << MessageKind::Information;
    QTest::newRow("confirmation") << MessageKind::Confirmation;
    QTest::newRow("plain") << MessageKind::Plain;
    QTest::newRow("error") << MessageKind::Error;
}

void TestMessageBox::announcedAsAnAlert() {
    QFETCH(MessageKind, kind);
    std::unique_ptr<QDialog> dialog(
        platform::createMessageDialog({kind, QStringLiteral("Application Error"), QStringLiteral("Текст")}));
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(dialog.get());
    QVERIFY(face);
    QCOMPARE(face->role(), QAccessible::AlertMessage);
    QCOMPARE(face->text(QAccessible::Description), QStringLiteral("Текст"));
}

void TestMessageBox::scriptAnswersAndRecords() {
    platform::ScriptedMessageBoxes boxes;
    boxes.answerNext(MessageAnswer::Closed);
    QCOMPARE(platform::showMessage(MessageKind::Confirmation, QStringLiteral("a")), MessageAnswer::Closed);
    // Past the script, each box takes its Enter button.
    QCOMPARE(platform::showMessage(MessageKind::Confirmation, QStringLiteral("b")), MessageAnswer::Yes);
    QCOMPARE(platform::showError(QStringLiteral("Application Error"), QStringLiteral("c")),
             MessageAnswer::Ok);
    QCOMPARE(boxes.asked().size(), 3);
    QCOMPARE(boxes.asked().at(1).text, QStringLiteral("b"));
    QCOMPARE(boxes.asked().at(2).kind, MessageKind::Error);
    QCOMPARE(boxes.asked().at(2).caption, QStringLiteral("Application Error"));
}

QTEST_MAIN(TestMessageBox)
#include "tst_message_box.moc"
