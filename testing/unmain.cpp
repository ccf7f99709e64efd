#include "testing/unmain.h"

#include "data/unmodul.h"

TForm2::TForm2(std::function<void()> pause, QWidget *parent)
    : QMainWindow(parent) {
    if (pause)
        pause();
    setWindowTitle(QStringLiteral("Цифроведческийзачёт"));
}

TForm2::~TForm2() = default;

void TForm2::setDataModule(TDM *dm) {
    m_dm = dm;
}

void TForm2::setProgressPanel(const QString &text) {
    m_progress = text;
}

QString TForm2::progressPanel() const {
    return m_progress;
}

void TForm2::prepareForReturn() {}
