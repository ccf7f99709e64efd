#include "testing/status_bar.h"

#include "platform/accessible_role.h"
#include "platform/date_time_format.h"
#include "platform/fonts.h"

#include <QDateTime>
#include <QLabel>
#include <QSizeGrip>

namespace {

struct PanelDesign {
    const char16_t *text;
    int width;
    bool raised;
    // What a screen reader says the panel is: the value panels have no label of their own.
    const char16_t *description;
};

constexpr std::array<PanelDesign, StatusBar::PanelCount> panelDesign{{
    {u"Дата:", 45, true, u""},
    {u"", 65, false, u"Дата"},
    {u"Время:", 50, true, u""},
    {u"", 65, false, u"Время"},
    {u"Помощь:", 60, true, u""},
    {u"", 140, false, u"Помощь"},
    {u"", 100, false, u"Ход теста"},
}};

// Room between panels, as the common status bar control leaves it.
constexpr int panelGap = 2;

} // namespace

StatusBar::StatusBar(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFont(platform::designFont(QStringLiteral("MS Sans Serif"), 11));
    setFixedHeight(Height);
    // A screen reader's "read the status bar" looks for this role.
    platform::setAccessibleRole(this, QAccessible::StatusBar);
    setAccessibleName(QStringLiteral("Строка состояния"));

    for (int i = 0; i < PanelCount; ++i) {
        const PanelDesign &design = panelDesign[size_t(i)];
        auto *label = new QLabel(QString::fromUtf16(design.text), this);
        label->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | (design.raised ? QFrame::Raised : QFrame::Sunken));
        label->setLineWidth(1);
        label->setIndent(2);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(false);
        label->setAccessibleDescription(QString::fromUtf16(design.description));
        m_labels[size_t(i)] = label;
        m_widths[size_t(i)] = design.width;
    }
    m_sizeGrip = new QSizeGrip(this);
    layoutPanels();
}

void StatusBar::setPanelText(int index, const QString &text) {
    if (index < 0 || index >= PanelCount)
        return;
    QLabel *label = m_labels[size_t(index)];
    if (label->text() != text)
        label->setText(text);
}

QString StatusBar::panelText(int index) const {
    return index >= 0 && index < PanelCount ? m_labels[size_t(index)]->text() : QString();
}

void StatusBar::setPanelWidth(int index, int width) {
    if (index < 0 || index >= PanelCount || m_widths[size_t(index)] == width)
        return;
    m_widths[size_t(index)] = width;
    layoutPanels();
}

int StatusBar::panelWidth(int index) const {
    return index >= 0 && index < PanelCount ? m_widths[size_t(index)] : 0;
}

bool StatusBar::panelRaised(int index) const {
    return index >= 0 && index < PanelCount && panelDesign[size_t(index)].raised;
}

QRect StatusBar::panelRect(int index) const {
    if (index < 0 || index >= PanelCount)
        return {};
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += std::max(0, m_widths[size_t(i)]);
    // The last panel takes whatever is left up to the right edge.
    const int right = index == PanelCount - 1 ? width() : left + std::max(0, m_widths[size_t(index)]);
    return QRect(QPoint(left, panelGap), QPoint(right - panelGap - 1, height() - 1));
}

QLabel *StatusBar::panelLabel(int index) const {
    return index >= 0 && index < PanelCount ? m_labels[size_t(index)] : nullptr;
}

void StatusBar::tick(const QDateTime &now) {
    setPanelText(0, QStringLiteral("Дата: "));
    setPanelText(DatePanel, platform::shortDate(now.date()));
    setPanelText(2, QStringLiteral("Время: "));
    setPanelText(TimePanel, platform::longTime(now.time()));
}

QSize StatusBar::sizeHint() const {
    int total = 0;
    for (int w : m_widths)
        total += std::max(0, w);
    return {total, Height};
}

QSize StatusBar::minimumSizeHint() const {
    return {0, Height};
}

void StatusBar::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutPanels();
}

void StatusBar::layoutPanels() {
    for (int i = 0; i < PanelCount; ++i) {
        const QRect r = panelRect(i);
        m_labels[size_t(i)]->setGeometry(r.isValid() ? r : QRect(r.topLeft(), QSize(0, 0)));
    }
    const QSize grip = m_sizeGrip->sizeHint();
    m_sizeGrip->setGeometry(width() - grip.width(), height() - grip.height(), grip.width(), grip.height());
    m_sizeGrip->raise();
}
