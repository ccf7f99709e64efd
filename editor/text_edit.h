#pragma once

// The editor's text fields: multi-line, Tab moves on, characters outside Windows-1251 marked
// where they stand, and Undo and Redo left to the bank's undo stack rather than the field's own.

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>

class QAction;

// Marks characters that Windows-1251 has no code for: Jet 3 cannot store them and the older
// program for Windows shows them as "?".
class ForeignCharHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit ForeignCharHighlighter(QTextDocument *document);

protected:
    void highlightBlock(const QString &text) override;
};

class BankTextEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit BankTextEdit(QWidget *parent = nullptr);

    // Replaces the text only when it differs, keeping the cursor where it was as far as it can.
    void setTextKeepingCursor(const QString &text);

    // "Записать знаки по-школьному" in the field's context menu, on while the text has such signs.
    QAction *schoolSpellingAction() const { return m_schoolSpelling; }

    // No taller than the field's least height: a layout that sizes by height for width (a
    // word-wrapped warning makes it one) gives each field its size hint, and the plain text
    // edit's own would push the options and the warning out of view. Spare room still goes to
    // the fields.
    QSize sizeHint() const override;
    // The scroll area's own least height (room for its scroll bar's arrows) would otherwise count
    // as the field's preferred one once the problem needs scrolling.
    QSize minimumSizeHint() const override;

signals:
    // The teacher asked for the field's maths signs in school spelling; the owner makes it one
    // step on the bank's undo stack.
    void schoolSpellingRequested();

protected:
    bool event(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QAction *m_schoolSpelling;
};
