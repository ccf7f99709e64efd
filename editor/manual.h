#pragma once

// The editor's manual in the program (F1): the man page cifrovex-editor(1), built into the
// editor as a resource and shown as rich text, so that the two never say different things.

#include <QString>
#include <QWidget>

class QTextBrowser;

// A man page in the subset of roff our pages use (.TH, .SH, .SS, .PP, .TP, .IP, .RS/.RE,
// .B, .I and their alternating forms, .br, .nf/.fi, \f escapes and the named characters) as HTML.
QString manualHtml(const QString &roff);

// The editor's man page as the program carries it.
QString editorManualRoff();

class ManualWindow : public QWidget {
    Q_OBJECT

public:
    explicit ManualWindow(QWidget *parent = nullptr);

    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};
