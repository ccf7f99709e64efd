#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

// The level dialog: chooses how many problems the test has and which mark it can reach. Created
// for each showing, so it always opens with the first level checked. It says what was chosen
// through its signals; the main window connects them (TForm2::connectLevelDialog).
class TForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);

public slots:
    void FormShow();
    // Choose: the checked level, then the dialog closes.
    void BitBtn1Click();
    // Exit: ends the program, then the dialog closes.
    void BitBtn2Click();

signals:
    void levelChosen(int level);
    void exitRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGroupBox *m_GroupBox1;
    QRadioButton *m_RadioButton1;
    QRadioButton *m_RadioButton2;
    QRadioButton *m_RadioButton3;
    QPushButton *m_BitBtn1;
    QPushButton *m_BitBtn2;
};
