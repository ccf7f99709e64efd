// The yardstick for the start-up benchmarks: the least a Qt Widgets program of the same shape
// does (a main window with a toolbar, a menu, two group boxes with a text edit each and a status
// bar), built and measured in the same run as Cifrovex.
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.menuBar()
        ->addMenu(QStringLiteral("&File"))
        ->addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);
    QToolBar *toolBar = window.addToolBar(QStringLiteral("Tools"));
    for (const char *caption : {"Start", "Answer", "Restart", "Level", "Exit"})
        toolBar->addAction(QString::fromLatin1(caption));
    auto *central = new QWidget;
    auto *layout = new QHBoxLayout(central);
    for (const char *title : {"Problem", "Options"}) {
        auto *box = new QGroupBox(QString::fromLatin1(title));
        auto *boxLayout = new QVBoxLayout(box);
        boxLayout->addWidget(new QTextEdit);
        layout->addWidget(box);
    }
    window.setCentralWidget(central);
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.resize(562, 350);
    window.show();
    return app.exec();
}
