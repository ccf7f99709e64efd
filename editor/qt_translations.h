#pragma once

// Qt's own texts in the editor (the file dialogs, the standard buttons) in Russian.

class QCoreApplication;
class QTranslator;

// Installs Qt's Russian translations: from where this Qt keeps them (on Debian, the package
// qt6-translations-l10n) or, for the Windows build, from the "translations" folder beside the
// program, which the zip and the installer bring. The translator, owned by app; nullptr when
// none was found, and Qt's texts stay English.
QTranslator *installQtTranslations(QCoreApplication *app);
