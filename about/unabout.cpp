#include "about/unabout.h"

#include "about/marquee.h"
#include "platform/fonts.h"
#include "platform/window_frame.h"

#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

const QStringList &aboutLines() {
    // The trailing blanks are part of the text: the memo breaks its lines where the design did.
    static const QStringList lines{
        QStringLiteral("Команда Cifrovex"),
        QStringLiteral("Версия 1.0"),
        QStringLiteral("Программа "),
        QStringLiteral("распространяется"),
        QStringLiteral("бесплатно. С вопросами и "),
        QStringLiteral("предложениями"),
        QStringLiteral("пишите на почту "),
        QStringLiteral("cifrovex@example.org"),
        QStringLiteral("Посетите сайт"),
        QStringLiteral("https://cifrovex.example.org"),
    };
    return lines;
}

QLabel *makeFreewareLabel(QWidget *parent, const QString &name, const QString &text, int top) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 11, true));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(palette);
    label->move(192, top);
    label->adjustSize();
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 11));
    setFixedSize(244, 327);

    m_Label1 = new QLabel(aboutTitle(), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    m_Label1->setFont(platform::designFont(QStringLiteral("Times New Roman"), 19, true));
    m_Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_Label1->setGeometry(16, 5, 177, 17);

    m_Memo1 = new QPlainTextEdit(this);
    m_Memo1->setObjectName(QStringLiteral("Memo1"));
    m_Memo1->setReadOnly(true);
    m_Memo1->setFrameShape(QFrame::NoFrame);
    m_Memo1->setFont(platform::designFont(QStringLiteral("Times New Roman"), 15));
    QPalette memoPalette = m_Memo1->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::Button));
    m_Memo1->setPalette(memoPalette);
    m_Memo1->setPlainText(aboutLines().join(QLatin1Char('\n')));
    m_Memo1->setGeometry(16, 32, 209, 201);
    // Tab reaches the memo; without a caption of its own a screen reader would name it nothing.
    m_Memo1->setAccessibleName(QStringLiteral("Сведения о программе"));

    // The design's bevel is a 212 x 33 area at 13,208 drawing only its bottom edge; a widget that
    // large would sit over the memo and take its clicks, so only the edge itself is a widget.
    m_Bevel1 = new QFrame(this);
    m_Bevel1->setObjectName(QStringLiteral("Bevel1"));
    m_Bevel1->setFrameShape(QFrame::HLine);
    m_Bevel1->setFrameShadow(QFrame::Sunken);
    m_Bevel1->setGeometry(13, 208 + 33 - 2, 212, 2);

    m_noticeLabel = new QLabel(QStringLiteral("Свободное ПО, без гарантий."), this);
    m_noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    m_noticeLabel->move(13, 249);
    m_noticeLabel->adjustSize();

    m_Image1 = new QLabel(this);
    m_Image1->setObjectName(QStringLiteral("Image1"));
    m_Image1->setPixmap(QIcon(QStringLiteral(":/icons/cifrovex.png")).pixmap(32, 32));
    m_Image1->setGeometry(192, 249, 32, 32);
    m_Image1->setAccessibleName(QStringLiteral("Значок программы"));

    m_StaticText1 = makeFreewareLabel(this, QStringLiteral("StaticText1"), QStringLiteral("FREE"), 288);
    m_StaticText2 = makeFreewareLabel(this, QStringLiteral("StaticText2"), QStringLiteral("WARE"), 304);

    m_OKButton = new QPushButton(QIcon(QStringLiteral(":/glyphs/ok.png")), QStringLiteral("&OK"), this);
    m_OKButton->setObjectName(QStringLiteral("OKButton"));
    m_OKButton->setFont(platform::designFont(QStringLiteral("Times New Roman"), 15));
    m_OKButton->setGeometry(81, 293, 75, 25);
    m_OKButton->setDefault(true);
    m_OKButton->setFocus();
    connect(m_OKButton, &QPushButton::clicked, this, &QDialog::accept);

    // Centred over the main window, outer frame over outer frame.
    (new platform::WindowFrame(this))->centre([parent] {
        if (parent)
            return parent->window()->frameGeometry();
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry() : QRect();
    });

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(200);
    connect(m_Timer1, &QTimer::timeout, this, &TAboutBox::Timer1Timer);
    m_Timer1->start();
}

void TAboutBox::Timer1Timer() {
    m_Label1->setText(advanceMarquee());
}

void TAboutBox::keyPressEvent(QKeyEvent *event) {
    // There is no cancel button and no close box: Esc must not close the window. Enter inside the
    // memo does nothing either, as in every memo of the program.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (event->key() == Qt::Key_Escape || (enter && focusWidget() == m_Memo1)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
