#include "testing/unlevel.h"

#include "platform/fonts.h"
#include "platform/window_frame.h"
#include "testing/grading.h"

#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {

QRadioButton *makeRadio(QGroupBox *frame, const QString &name, const QString &text) {
    auto *radio = new QRadioButton(text, frame);
    radio->setObjectName(name);
    radio->resize(185, 17);
    return radio;
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &text, const QString &glyph,
                        const QString &hint) {
    auto *button = new QPushButton(QIcon(glyph), text, parent);
    button->setObjectName(name);
    // The hint goes to the status line only; the design shows no tooltip here. A screen reader
    // reads it as the button's description.
    button->setStatusTip(hint);
    button->setAccessibleDescription(hint);
    return button;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Уровень сложности"));
    setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 11));
    setFixedSize(227, 186);

    m_GroupBox1 = new QGroupBox(QStringLiteral("Выберите уровень сложности теста:"), this);
    m_GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    m_GroupBox1->setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 12));
    m_GroupBox1->setGeometry(5, 5, 215, 140);

    m_RadioButton1 =
        makeRadio(m_GroupBox1, QStringLiteral("RadioButton1"), QStringLiteral("на \"3\" (10 задач)"));
    m_RadioButton1->move(16, 19);
    m_RadioButton1->setChecked(true);
    m_RadioButton2 =
        makeRadio(m_GroupBox1, QStringLiteral("RadioButton2"), QStringLiteral("на \"4\" (15 задач)"));
    // FormCreate: the middle level sits halfway down the frame.
    m_RadioButton2->move(16, m_GroupBox1->height() / 2 - m_RadioButton2->height() / 2);
    m_RadioButton3 =
        makeRadio(m_GroupBox1, QStringLiteral("RadioButton3"), QStringLiteral("на \"5\" (20 задач)"));
    m_RadioButton3->move(16, 105);
    for (QRadioButton *radio : {m_RadioButton1, m_RadioButton2, m_RadioButton3})
        radio->installEventFilter(this);

    m_BitBtn1 = makeButton(this, QStringLiteral("BitBtn1"), QStringLiteral("&Выбрать!"),
                           QStringLiteral(":/glyphs/choose.png"),
                           QStringLiteral("Выберите уровень и нажмите \"Выбрать!\""));
    m_BitBtn1->setGeometry(5, 152, 87, 29);
    m_BitBtn1->setDefault(true);
    m_BitBtn2 = makeButton(this, QStringLiteral("BitBtn2"), QStringLiteral("&Выход"),
                           QStringLiteral(":/glyphs/cancel.png"), QStringLiteral("Выход из программы"));
    m_BitBtn2->setGeometry(133, 152, 87, 29);

    connect(m_BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(m_BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);

    // Centred on the screen by the outer frame, once the system has framed the window too.
    (new platform::WindowFrame(this))->centre([] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry() : QRect();
    });
}

void TForm1::FormShow() {
    m_RadioButton1->setFocus();
}

void TForm1::BitBtn1Click() {
    const QRadioButton *radios[] = {m_RadioButton1, m_RadioButton2, m_RadioButton3};
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        if (radios[i]->isChecked())
            emit levelChosen(kLevels[i].level);
    }
    accept();
}

void TForm1::BitBtn2Click() {
    // The main window closes, which ends the program; the dialog only has to go away.
    emit exitRequested();
    reject();
}

void TForm1::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm1::keyPressEvent(QKeyEvent *event) {
    // Esc is the Exit button's key and so ends the program. QDialog would merely reject, which is
    // what the close box does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_BitBtn2->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (auto *radio = qobject_cast<QRadioButton *>(watched)) {
            radio->setChecked(true);
            m_BitBtn1->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
