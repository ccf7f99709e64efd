#include "app/startup.h"

#include <QApplication>

int runCifrovex(int argc, char **argv) {
    QApplication app(argc, argv);
    return 0;
}
