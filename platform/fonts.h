#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace platform {

// The windows are designed in "MS Sans Serif", "Arial" and "Times New Roman" at fixed pixel
// heights. Installs substitutions to their metric-compatible free twins (fonts-liberation2)
// where the originals are missing. Idempotent; called by designFont().
void installFontSubstitutions();

// A font of the design: family, character height in pixels, bold or not.
QFont designFont(const QString &family, int pixelSize, bool bold = false);

} // namespace platform
