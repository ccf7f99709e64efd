#pragma once

// The editor's text fields: multi-line, Tab moves on, characters outside Windows-1251 marked
// where they stand, and Undo and Redo left to the bank's undo stack rather than the field's own.

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>

// Marks characters that Windows-1251 has no code for: the program would show them as "?".
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

    // No taller than the field's least height: a layout that sizes by height for width (a
    // word-wrapped warning makes it one) gives each field its size hint, and the plain text
    // edit's own would push the options and the warning out of view. Spare room still goes to
    // the fields.
    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
};
