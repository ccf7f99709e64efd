#pragma once

#include <QDialog>

class TForm2;

// The results window of one finished test.
class TForm5 : public QDialog {
    Q_OBJECT

public:
    explicit TForm5(TForm2 *main, QWidget *parent = nullptr);

    qint32 CorrectCount = 0;
    double Grade = 0.0;

private:
    TForm2 *m_main;
};
