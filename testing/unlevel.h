#pragma once

#include <QDialog>

class TForm2;

// The level dialog: chooses how many problems the test has and which mark it can reach.
class TForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TForm1(TForm2 *main, QWidget *parent = nullptr);

private:
    TForm2 *m_main;
};
