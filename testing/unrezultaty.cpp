#include "testing/unrezultaty.h"

#include "testing/unmain.h"

TForm5::TForm5(TForm2 *main, QWidget *parent)
    : QDialog(parent)
    , m_main(main) {}
