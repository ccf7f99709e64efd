#pragma once

#include "testing/grading.h"

#include <QDialog>

#include <cstdint>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

// The results window of one finished test. Grading creates a new one for every test with the
// test's level and result and shows it without modality; Return hides it for good. It asks for
// the program's end or the return through its signals; the main window connects them
// (TForm2::connectResultsWindow).
class TForm5 : public QDialog {
    Q_OBJECT

public:
    TForm5(int32_t level, const GradeResult &result, QWidget *parent = nullptr);

    const int32_t Level;
    const int32_t CorrectCount;
    const double Grade;

public slots:
    void FormShow();
    // Exit: the main window closes, which ends the program.
    void BitBtn1Click();
    // Return: the main window back in its idle state with the level dialog over it, then this
    // window hidden.
    void BitBtn2Click();

signals:
    void exitRequested();
    void returnRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QGroupBox *m_GroupBox1;
    QPlainTextEdit *m_Memo1;
    QPushButton *m_BitBtn1;
    QPushButton *m_BitBtn2;
};
