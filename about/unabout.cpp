#include "about/unabout.h"

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent) {}
