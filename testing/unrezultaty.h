#pragma once

#include <QDialog>

#include <cstdint>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class TForm2;

// The results window of one finished test. Grading creates a new one for every test, sets
// CorrectCount and Grade and shows it without modality; Return hides it for good.
class TForm5 : public QDialog {
    Q_OBJECT

public:
    explicit TForm5(TForm2 *main, QWidget *parent = nullptr);

    int32_t CorrectCount = 0;
    double Grade = 0.0;

public slots:
    void FormShow();
    // Exit: closes the main window, which ends the program.
    void BitBtn1Click();
    // Return: the main window back in its idle state, the level dialog over it, this window hidden.
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    TForm2 *m_main;
    QGroupBox *m_GroupBox1;
    QPlainTextEdit *m_Memo1;
    QPushButton *m_BitBtn1;
    QPushButton *m_BitBtn2;
};
