#include "editor/text_edit.h"

#include "data/bank_charset.h"
#include "data/bank_check.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCharFormat>

#include <algorithm>

ForeignCharHighlighter::ForeignCharHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document) {}

void ForeignCharHighlighter::highlightBlock(const QString &text) {
    const QString foreign = bankcheck::outsideWindows1251(text);
    if (foreign.isEmpty())
        return;
    QTextCharFormat mark;
    mark.setBackground(QColor(255, 200, 200));
    mark.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.setUnderlineColor(Qt::red);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QString c = text.mid(i, pair ? 2 : 1);
        if (foreign.contains(c)) {
            mark.setToolTip(
                QStringLiteral("Этого символа нет в Windows-1251: %1.").arg(bankcharset::advice(c)));
            setFormat(int(i), int(c.size()), mark);
        }
        if (pair)
            ++i;
    }
}

BankTextEdit::BankTextEdit(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_schoolSpelling(new QAction(QStringLiteral("Записать знаки &по-школьному"), this)) {
    setTabChangesFocus(true);
    setUndoRedoEnabled(false);
    new ForeignCharHighlighter(document());
    m_schoolSpelling->setObjectName(QStringLiteral("SchoolSpelling"));
    const auto update = [this] {
        const QString text = toPlainText();
        const bool any = bankcharset::hasSchoolSpelling(text);
        m_schoolSpelling->setEnabled(any);
        m_schoolSpelling->setToolTip(
            any ? QStringLiteral("Станет: %1").arg(bankcharset::withSchoolSpellings(text)) : QString());
    };
    connect(this, &QPlainTextEdit::textChanged, m_schoolSpelling, update);
    update();
    connect(m_schoolSpelling, &QAction::triggered, this, &BankTextEdit::schoolSpellingRequested);
}

void BankTextEdit::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createStandardContextMenu(event->pos());
    menu->addSeparator();
    menu->addAction(m_schoolSpelling);
    menu->exec(event->globalPos());
    delete menu;
}

void BankTextEdit::setTextKeepingCursor(const QString &text) {
    if (toPlainText() == text)
        return;
    const int position = textCursor().position();
    setPlainText(text);
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, int(text.size())));
    setTextCursor(cursor);
}

bool BankTextEdit::event(QEvent *event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            event->ignore();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

QSize BankTextEdit::sizeHint() const {
    return {QPlainTextEdit::sizeHint().width(), minimumHeight()};
}

QSize BankTextEdit::minimumSizeHint() const {
    return {QPlainTextEdit::minimumSizeHint().width(), minimumHeight()};
}
