#include "testing/option_grid.h"

#include "platform/fonts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>

#include <algorithm>

OptionGridGeometry optionGridGeometry(QSize gridSize, int scrollBarExtent) {
    OptionGridGeometry g;
    g.panel = QSize(gridSize.width() - scrollBarExtent, gridSize.height() / OptionGrid::RowCount);
    const int textWidth = g.panel.width() - OptionGrid::NumberWidth - 15;
    const int textHeight = g.panel.height() - 10;
    g.text = QRect(OptionGrid::TextLeft, OptionGrid::TextTop, textWidth, textHeight);
    // The number stands level with the middle of the option text.
    const int numberTop = textHeight / 2 + OptionGrid::TextTop - OptionGrid::NumberHeight / 2;
    g.number = QRect(OptionGrid::NumberLeft, numberTop, OptionGrid::NumberWidth, OptionGrid::NumberHeight);
    return g;
}

std::optional<int> optionKeyTarget(int key, int current, int count) {
    int target = 0;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        target = current - 1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        target = current + 1;
        break;
    case Qt::Key_PageUp:
        target = current - OptionGrid::RowCount;
        break;
    case Qt::Key_PageDown:
        target = current + OptionGrid::RowCount;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = count - 1;
        break;
    default:
        return std::nullopt;
    }
    if (count <= 0)
        return -1;
    return std::clamp(target, 0, count - 1);
}

namespace {

QRect nonNegative(const QRect &r) {
    return QRect(r.topLeft(), QSize(std::max(0, r.width()), std::max(0, r.height())));
}

// DBMemo2: a read-only option text. Enter and Esc stay inside a text control, as they do in any
// memo, instead of reaching the window's default and cancel commands.
class OptionTextMemo : public QPlainTextEdit {
public:
    explicit OptionTextMemo(QWidget *parent)
        : QPlainTextEdit(parent) {}

protected:
    bool event(QEvent *e) override {
        if (e->type() == QEvent::ShortcutOverride && isMemoKey(static_cast<QKeyEvent *>(e))) {
            e->accept();
            return true;
        }
        return QPlainTextEdit::event(e);
    }
    void keyPressEvent(QKeyEvent *e) override {
        if (isMemoKey(e)) {
            e->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }

private:
    static bool isMemoKey(const QKeyEvent *e) {
        const bool plain = e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier;
        return plain &&
               (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape);
    }
};

} // namespace

// One option's panel: a raised frame with the number and the text.
class OptionGridPanel : public QFrame {
public:
    OptionGridPanel(OptionGrid *grid, int row)
        : QFrame(grid)
        , m_grid(grid)
        , m_row(row) {
        setObjectName(QStringLiteral("DBCtrlGrid1Panel%1").arg(row + 1));
        setFrameStyle(QFrame::WinPanel | QFrame::Raised);
        setAutoFillBackground(true);
        setCursor(Qt::PointingHandCursor);

        number = new QLabel(this);
        number->setObjectName(QStringLiteral("DBText3"));
        number->setFont(platform::designFont(QStringLiteral("Arial"), 12));
        number->setCursor(Qt::PointingHandCursor);
        number->setTextFormat(Qt::PlainText);
        number->setAlignment(Qt::AlignLeft | Qt::AlignTop);

        text = new OptionTextMemo(this);
        text->setObjectName(QStringLiteral("DBMemo2"));
        text->setFont(platform::designFont(QStringLiteral("Arial"), 12));
        text->setReadOnly(true);
        text->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        text->setFocusPolicy(Qt::ClickFocus);
        text->setContextMenuPolicy(Qt::NoContextMenu);
        text->viewport()->setCursor(Qt::PointingHandCursor);
    }

    void setSelected(bool selected, bool force = false) {
        if (selected == m_selected && !force)
            return;
        const bool changed = selected != m_selected;
        m_selected = selected;
        if (changed && QAccessible::isActive()) {
            QAccessible::State state;
            state.selected = true;
            QAccessibleStateChangeEvent event(this, state);
            QAccessible::updateAccessibility(&event);
        }
        if (selected) {
            QPalette pal = m_grid->palette();
            pal.setColor(QPalette::Window, OptionGrid::selectedColor());
            setPalette(pal);
        } else {
            setPalette(QPalette()); // the grid's own colour
        }
    }
    bool isSelected() const { return m_selected; }

    QLabel *number = nullptr;
    QPlainTextEdit *text = nullptr;

protected:
    void mousePressEvent(QMouseEvent *e) override {
        if (e->button() != Qt::LeftButton)
            return QFrame::mousePressEvent(e);
        m_grid->selectRow(m_row);
        e->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent *e) override {
        if (e->button() != Qt::LeftButton)
            return QFrame::mouseDoubleClickEvent(e);
        m_grid->answerFromRow(m_row);
        e->accept();
    }
    void paintEvent(QPaintEvent *e) override {
        QFrame::paintEvent(e);
        if (m_selected && m_grid->hasFocus()) {
            // A dotted line of our own: the style's focus frame tints the whole panel, so the
            // current option would lose its green while the keys are on the grid, and it shows
            // nothing at all until the keyboard has moved the focus once.
            QPainter p(this);
            p.setPen(QPen(Qt::white, 1, Qt::DotLine));
            p.drawRect(rect().adjusted(3, 3, -4, -4));
        }
    }

private:
    OptionGrid *m_grid;
    int m_row;
    bool m_selected = false;
};

namespace {

// A screen reader meets the grid as a list of the options, the current one selected, instead of
// a blank container holding frames (which it would take for windows).
class OptionListAccessible : public QAccessibleWidget {
public:
    explicit OptionListAccessible(QWidget *grid)
        : QAccessibleWidget(grid, QAccessible::List) {}
};

class OptionItemAccessible : public QAccessibleWidget {
public:
    explicit OptionItemAccessible(OptionGridPanel *panel)
        : QAccessibleWidget(panel, QAccessible::ListItem) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = static_cast<const OptionGridPanel *>(widget())->isSelected();
        return s;
    }
};

QAccessibleInterface *optionGridAccessible(const QString &, QObject *object) {
    if (auto *grid = qobject_cast<OptionGrid *>(object))
        return new OptionListAccessible(grid);
    if (auto *panel = dynamic_cast<OptionGridPanel *>(object))
        return new OptionItemAccessible(panel);
    return nullptr;
}

} // namespace

OptionGrid::OptionGrid(QWidget *parent)
    : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(optionGridAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("DBCtrlGrid1"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setStatusTip(
        QStringLiteral("Выберите нужный ответ и дважды щелкните по нему или нажмите на кнопку \"ответить\""));
    // The hint reaches sighted users through the status bar only; a screen reader reads it here.
    setAccessibleDescription(statusTip());
    m_textColor = palette().color(QPalette::Text);

    for (int row = 0; row < RowCount; ++row) {
        auto *panel = new OptionGridPanel(this, row);
        panel->text->viewport()->installEventFilter(this);
        m_panels[size_t(row)] = panel;
    }
    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setObjectName(QStringLiteral("DBCtrlGrid1ScrollBar"));
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->setCursor(Qt::ArrowCursor);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setPageStep(RowCount);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == m_top)
            return;
        m_top = value;
        refreshPanels();
    });

    resize(249, 208);
    applyTextPalette();
    refreshPanels();
}

OptionGrid::~OptionGrid() = default;

void OptionGrid::setOptions(const QList<Option> &options, int current) {
    m_options = options;
    m_current = m_options.isEmpty() ? -1 : current >= 0 && current < optionCount() ? current : 0;
    m_top = 0;
    ensureCurrentVisible();
    refreshPanels();
    // Another problem: nothing of the last one's options may stay selected, also where an option
    // of the new one reads the same and keeps its text.
    for (OptionGridPanel *panel : m_panels) {
        QTextCursor cursor = panel->text->textCursor();
        if (cursor.hasSelection()) {
            cursor.clearSelection();
            panel->text->setTextCursor(cursor);
        }
    }
}

void OptionGrid::setCurrentIndex(int index) {
    if (index < 0 || index >= optionCount() || index == m_current)
        return;
    m_current = index;
    ensureCurrentVisible();
    refreshPanels();
}

void OptionGrid::pick(int index) {
    if (index < 0 || index >= optionCount() || index == m_current)
        return;
    setCurrentIndex(index);
    emit optionPicked(index);
}

void OptionGrid::setTextColor(const QColor &color) {
    m_textColor = color;
    applyTextPalette();
}

void OptionGrid::applyTextPalette() {
    for (OptionGridPanel *panel : m_panels) {
        QPalette pal = panel->text->palette();
        pal.setColor(QPalette::Base, palette().color(QPalette::Button));
        // A disabled grid keeps the style's grey text.
        for (auto group : {QPalette::Active, QPalette::Inactive})
            pal.setColor(group, QPalette::Text, m_textColor);
        panel->text->setPalette(pal);
    }
}

QWidget *OptionGrid::panel(int row) const {
    return row >= 0 && row < RowCount ? m_panels[size_t(row)] : nullptr;
}

QLabel *OptionGrid::numberLabel(int row) const {
    return row >= 0 && row < RowCount ? m_panels[size_t(row)]->number : nullptr;
}

QPlainTextEdit *OptionGrid::textMemo(int row) const {
    return row >= 0 && row < RowCount ? m_panels[size_t(row)]->text : nullptr;
}

int OptionGrid::optionIndexAt(const QPoint &pos) const {
    for (int row = 0; row < RowCount; ++row) {
        const OptionGridPanel *p = m_panels[size_t(row)];
        if (!p->isHidden() && p->geometry().contains(pos) && m_top + row < optionCount())
            return m_top + row;
    }
    return -1;
}

void OptionGrid::ensureCurrentVisible() {
    const int current = currentIndex();
    if (current < 0)
        return;
    if (current < m_top)
        m_top = current;
    else if (current >= m_top + RowCount)
        m_top = current - RowCount + 1;
}

void OptionGrid::refreshPanels() {
    const int count = optionCount();
    const int current = currentIndex();
    m_top = std::clamp(m_top, 0, std::max(0, count - RowCount));

    {
        const QSignalBlocker block(m_scrollBar);
        m_scrollBar->setRange(0, std::max(0, count - RowCount));
        m_scrollBar->setValue(m_top);
    }
    m_scrollBar->setEnabled(count > RowCount);

    for (int row = 0; row < RowCount; ++row) {
        OptionGridPanel *panel = m_panels[size_t(row)];
        const int index = m_top + row;
        const bool has = index < count;
        // With no options at all the first panel still stands there, empty.
        panel->setVisible(has || (count == 0 && row == 0));
        const QString number = has ? QString::number(m_options[index].number) : QString();
        const QString text = has ? m_options[index].text : QString();
        if (panel->number->text() != number)
            panel->number->setText(number);
        if (panel->text->toPlainText() != text)
            panel->text->setPlainText(text);
        const QString name = has ? spokenName(index) : QString();
        if (panel->accessibleName() != name)
            panel->setAccessibleName(name);
        // A click puts the focus into the option's text; the reader then names the option it
        // belongs to before reading the text itself.
        const QString textName = has ? QStringLiteral("Ответ %1").arg(number) : QString();
        if (panel->text->accessibleName() != textName)
            panel->text->setAccessibleName(textName);
        panel->setSelected(has && index == current);
    }

    const QString currentName = current >= 0 ? spokenName(current) : QString();
    if (accessibleName() != currentName) {
        // A screen reader on the grid reads the option the keys have moved to.
        setAccessibleName(currentName);
        if (QAccessible::isActive()) {
            QAccessibleEvent event(this, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
    }
}

QString OptionGrid::spokenName(int index) const {
    const Option &option = m_options[index];
    return QStringLiteral("%1: %2").arg(QString::number(option.number), option.text);
}

int OptionGrid::scrollBarExtent() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

OptionGridGeometry OptionGrid::geometryNow() const {
    return optionGridGeometry(size(), scrollBarExtent());
}

void OptionGrid::layoutPanels() {
    const OptionGridGeometry g = geometryNow();
    const QSize panelSize(std::max(0, g.panel.width()), std::max(0, g.panel.height()));
    for (int row = 0; row < RowCount; ++row) {
        OptionGridPanel *panel = m_panels[size_t(row)];
        panel->setGeometry(QRect(QPoint(0, row * panelSize.height()), panelSize));
        panel->number->setGeometry(nonNegative(g.number));
        panel->text->setGeometry(nonNegative(g.text));
    }
    const int extent = scrollBarExtent();
    m_scrollBar->setGeometry(width() - extent, 0, extent, height());
}

void OptionGrid::selectRow(int row) {
    pick(m_top + row);
}

void OptionGrid::answerFromRow(int row) {
    if (m_top + row >= optionCount())
        return;
    selectRow(row);
    emit answerRequested();
}

void OptionGrid::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutPanels();
}

void OptionGrid::keyPressEvent(QKeyEvent *event) {
    const std::optional<int> target = optionKeyTarget(event->key(), currentIndex(), optionCount());
    if (!target) {
        QWidget::keyPressEvent(event); // ignored: Enter and Esc are the window's
        return;
    }
    pick(*target);
    event->accept();
}

void OptionGrid::focusInEvent(QFocusEvent *event) {
    QWidget::focusInEvent(event);
    updateFocusFrame();
}

void OptionGrid::focusOutEvent(QFocusEvent *event) {
    QWidget::focusOutEvent(event);
    updateFocusFrame();
}

void OptionGrid::updateFocusFrame() {
    for (OptionGridPanel *panel : m_panels) {
        if (panel->isSelected())
            panel->update();
    }
}

void OptionGrid::wheelEvent(QWheelEvent *event) {
    QCoreApplication::sendEvent(m_scrollBar, event);
}

void OptionGrid::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
        applyTextPalette();
        for (OptionGridPanel *panel : m_panels) {
            if (panel->isSelected())
                panel->setSelected(true, true);
        }
        break;
    case QEvent::StyleChange:
        layoutPanels();
        break;
    default:
        break;
    }
}

bool OptionGrid::eventFilter(QObject *watched, QEvent *event) {
    const auto type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        for (int row = 0; row < RowCount; ++row) {
            if (watched != m_panels[size_t(row)]->text->viewport() || mouse->button() != Qt::LeftButton)
                continue;
            // The text control gets a single click too: it may take the focus and place its caret.
            if (type == QEvent::MouseButtonPress) {
                selectRow(row);
                break;
            }
            // A double click answers and ends here: the text control would select the word under
            // the pointer, by then a word of the next problem's option.
            answerFromRow(row);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
