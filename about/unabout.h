#pragma once

#include <QDialog>

// The about window with its scrolling title.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget *parent = nullptr);
};
