#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;
class TForm2;

// The level dialog: chooses how many problems the test has and which mark it can reach. Created
// for each showing, so it always opens with the first level checked.
class TForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TForm1(TForm2 *main, QWidget *parent = nullptr);

public slots:
    void FormShow();
    // Choose: writes the checked level into the test state and its total into the progress panel.
    void BitBtn1Click();
    // Exit: ends the program once the dialog has closed.
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TForm2 *m_main;
    QGroupBox *m_GroupBox1;
    QRadioButton *m_RadioButton1;
    QRadioButton *m_RadioButton2;
    QRadioButton *m_RadioButton3;
    QPushButton *m_BitBtn1;
    QPushButton *m_BitBtn2;
};
