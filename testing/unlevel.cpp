#include "testing/unlevel.h"

#include "testing/unmain.h"

TForm1::TForm1(TForm2 *main, QWidget *parent)
    : QDialog(parent)
    , m_main(main) {}
