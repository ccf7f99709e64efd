#include "app/startup.h"

#include "app/unzast.h"
#include "data/bank.h"
#include "data/unmodul.h"
#include "platform/app_title.h"
#include "platform/error_text.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"
#include "platform/system_keys.h"
#include "platform/tick_count.h"
#include "testing/unmain.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <exception>
#include <memory>
#include <typeinfo>

#if defined(__GNUG__)
#include <cstdlib>
#include <cxxabi.h>
#endif

namespace {

// The guard finds a running copy by its main window's title.
const QString mainWindowTitle = QStringLiteral("Цифроведческийзачёт");

QString exceptionKind(const std::exception &error) {
    const char *name = typeid(error).name();
#if defined(__GNUG__)
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), &std::free);
    if (status == 0 && demangled)
        return QString::fromLatin1(demangled.get());
#endif
    return QString::fromLatin1(name);
}

TDM *openDataModule() {
    return new TDM();
}

// What the run-time shows for an error nobody caught: the error's kind, the program's file
// name and a code address, then the message.
void reportStartupError(const QString &kind, const QString &message) {
    const QString module = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const auto address = reinterpret_cast<quintptr>(&openDataModule);
    platform::showError(QStringLiteral("Application Error"),
                        platform::uncaughtErrorText(kind, module, address, message));
}

} // namespace

int runCifrovex(int argc, char **argv) {
    QApplication app(argc, argv);
    return startCifrovex(app);
}

int startCifrovex(QApplication &app, const StartupOptions &options) {
    QApplication::setApplicationName(QStringLiteral("Cifrovex"));
    // The program ends when its main window closes, not when the level dialog or the results
    // window happens to be the last one on the screen.
    app.setQuitOnLastWindowClosed(false);
    platform::routeAltF4ToShortcuts(app);

    platform::SingleInstanceGuard guard(mainWindowTitle);
    if (guard.claim() == platform::SingleInstanceGuard::Role::Second)
        return 0;
    QObject::connect(&guard, &platform::SingleInstanceGuard::raiseRequested, &app,
                     &platform::bringShowingWindowToFront);

    auto splash = std::make_unique<TForm3>();
    splash->showAndRunGauge();
    splash->repaint();

    platform::setApplicationTitle(QStringLiteral("Cifrovex"));

    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TDM> dm;
    QString errorKind;
    QString errorMessage;
    try {
        form2 = std::make_unique<TForm2>(options.pause);
        dm.reset(openDataModule());
        form2->setDataModule(dm.get());
    } catch (const BankError &error) {
        errorKind = BankError::typeName();
        errorMessage = error.message();
    } catch (const std::exception &error) {
        errorKind = exceptionKind(error);
        errorMessage = QString::fromLocal8Bit(error.what());
    } catch (...) {
        errorKind = QStringLiteral("Exception");
    }

    splash->hide();
    splash.reset();

    if (!errorKind.isEmpty()) {
        // The splash is gone first: it stays on top and would cover the box centred beneath it.
        form2.reset();
        reportStartupError(errorKind, errorMessage);
        return 1;
    }

    QTimer::singleShot(0, form2.get(), &QWidget::show);
    const int code = QApplication::exec();
    form2.reset();
    dm.reset();
    return code;
}
