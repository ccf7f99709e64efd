#include "about/marquee.h"

namespace {
int32_t g_position = 1;
} // namespace

QString aboutTitle() {
    return QStringLiteral("Цифроведческийзачёт");
}

QString marqueeText() {
    const QString title = aboutTitle();
    return QStringLiteral("  ") + title + QStringLiteral("  ") + title + QStringLiteral(" ");
}

QString marqueeFrame(int32_t position) {
    return marqueeText().mid(position - 1, kMarqueeWidth);
}

int32_t nextMarqueePosition(int32_t position) {
    ++position;
    return position > kMarqueeLastPosition ? 1 : position;
}

int32_t marqueePosition() {
    return g_position;
}

QString advanceMarquee() {
    const QString frame = marqueeFrame(g_position);
    g_position = nextMarqueePosition(g_position);
    return frame;
}
