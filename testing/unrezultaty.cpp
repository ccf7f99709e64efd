#include "testing/unrezultaty.h"

#include "platform/fonts.h"
#include "platform/window_frame.h"
#include "testing/result_text.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

TForm5::TForm5(int32_t level, const GradeResult &result, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , Level(level)
    , CorrectCount(result.CorrectCount)
    , Grade(result.Grade) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Результаты"));
    setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 16));
    setFixedSize(202, 156);

    m_GroupBox1 = new QGroupBox(QStringLiteral("Ваши результаты:"), this);
    m_GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    m_GroupBox1->setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 12));
    m_GroupBox1->setGeometry(5, 5, 192, 110);

    m_Memo1 = new QPlainTextEdit(m_GroupBox1);
    m_Memo1->setObjectName(QStringLiteral("Memo1"));
    m_Memo1->setReadOnly(true);
    m_Memo1->setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 12));
    m_Memo1->setGeometry(10, 15, 172, 85);
    QPalette memoPalette = m_Memo1->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::Button));
    m_Memo1->setPalette(memoPalette);

    m_BitBtn1 = new QPushButton(QIcon(QStringLiteral(":/glyphs/exit.png")), QStringLiteral("&Выход"), this);
    m_BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    m_BitBtn1->setGeometry(107, 121, 90, 31);
    m_BitBtn1->setDefault(true);

    m_BitBtn2 =
        new QPushButton(QIcon(QStringLiteral(":/glyphs/retry.png")), QStringLiteral("&Вернуться"), this);
    m_BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    m_BitBtn2->setGeometry(5, 121, 90, 31);
    m_BitBtn2->setToolTip(QStringLiteral("Пройти  тест еще раз"));

    // With the 16 px window font "&Вернуться" and a full-size glyph do not fit the designed 90 px;
    // smaller glyphs keep the captions whole.
    for (QPushButton *button : {m_BitBtn1, m_BitBtn2})
        button->setIconSize(QSize(12, 12));

    setTabOrder(m_BitBtn1, m_BitBtn2);
    setTabOrder(m_BitBtn2, m_Memo1);

    connect(m_BitBtn1, &QPushButton::clicked, this, &TForm5::BitBtn1Click);
    connect(m_BitBtn2, &QPushButton::clicked, this, &TForm5::BitBtn2Click);

    // Centred on the screen by the outer frame, once the system has framed the window too.
    (new platform::WindowFrame(this))->centre([] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry() : QRect();
    });
}

void TForm5::FormShow() {
    m_Memo1->clear();
    for (const QString &line : resultLines(Level, CorrectCount, Grade))
        m_Memo1->appendPlainText(line);
}

void TForm5::BitBtn1Click() {
    emit exitRequested();
}

void TForm5::BitBtn2Click() {
    // The main window comes up again with the level dialog over it while this window stays on
    // the screen behind them.
    emit returnRequested();
    // Hidden, not closed: closing would end the program like the close box does.
    hide();
}

void TForm5::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
        m_BitBtn1->setFocus();
    }
}

void TForm5::keyPressEvent(QKeyEvent *event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool escape = event->key() == Qt::Key_Escape;
    // Inside the memo Enter and Esc do nothing, as in every memo of the program.
    if ((enter || escape) && focusWidget() == m_Memo1) {
        event->accept();
        return;
    }
    // Esc is the Exit button's key. QDialog would only hide this window and leave the program
    // running with no window at all.
    if (escape && event->modifiers() == Qt::NoModifier) {
        m_BitBtn1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm5::closeEvent(QCloseEvent *event) {
    // The main window is hidden while results are shown; closing this window alone would leave a
    // process with nothing on the screen, so the close box ends the program like Exit.
    BitBtn1Click();
    QDialog::closeEvent(event);
}
