#include "platform/fonts.h"

namespace platform {

void installFontSubstitutions() {
    static const bool installed = [] {
        const QString sans = QStringLiteral("Liberation Sans");
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   QStringList() << QStringLiteral("Microsoft Sans Serif") << sans);
        QFont::insertSubstitution(QStringLiteral("Arial"), sans);
        QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
        return true;
    }();
    Q_UNUSED(installed);
}

QFont designFont(const QString &family, int pixelSize, bool bold) {
    installFontSubstitutions();
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace platform
