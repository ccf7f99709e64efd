#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The about window with its scrolling title. Shown modally; OK or Enter closes it, Esc does not.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget *parent = nullptr);

public slots:
    // One step of the scrolling title.
    void Timer1Timer();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *m_Label1;
    QPlainTextEdit *m_Memo1;
    QFrame *m_Bevel1;
    QLabel *m_noticeLabel;
    QLabel *m_Image1;
    QLabel *m_StaticText1;
    QLabel *m_StaticText2;
    QPushButton *m_OKButton;
    QTimer *m_Timer1;
};
