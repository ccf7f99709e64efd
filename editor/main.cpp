// cifrovex-editor: makes and changes the question bank data.cvx.

#include "editor/editor_window.h"
#include "editor/qt_translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cifrovex-editor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Редактор банка задач Cifrovex"));
    installQtTranslations(&app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Редактор банка задач Cifrovex (data.cvx)."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("банк задач, который открыть"));
    parser.process(app);

    EditorWindow window;
    window.show();
    if (!parser.positionalArguments().isEmpty()) {
        const QString path = parser.positionalArguments().first();
        // After the window is up, so that a message about a bad file has its window to stand on.
        QTimer::singleShot(0, &window, [&window, path] {
            if (QFileInfo::exists(path))
                window.openFile(path);
            else
                window.newBankAt(path);
        });
    }
    return app.exec();
}
