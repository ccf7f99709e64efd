#include "editor/manual.h"

#include <QFile>
#include <QKeySequence>
#include <QShortcut>
#include <QStringList>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// The named characters the pages use (\(xx).
QString named(const QString &name) {
    static const struct {
        const char *roff;
        const char *text;
    } kNamed[] = {
        {"em", "—"}, {"en", "–"}, {"Fo", "«"}, {"Fc", "»"}, {"lq", "“"}, {"rq", "”"}, {"aq", "'"},
        {"bu", "•"}, {"mu", "×"}, {"co", "©"}, {"de", "°"}, {">=", "≥"}, {"<=", "≤"}, {"hy", "-"},
    };
    for (const auto &n : kNamed)
        if (name == QLatin1String(n.roff))
            return QString::fromUtf8(n.text);
    return name;
}

// One line of text as HTML: escapes as text, font changes (\fB, \fI, \fR, \fP) as tags.
QString inlineText(const QString &line) {
    QString out;
    QString open; // the tag of the font in effect: "b", "i" or none
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != u'\\' || i + 1 == line.size()) {
            out += QString(line[i]).toHtmlEscaped();
            continue;
        }
        const QChar e = line[++i];
        if (e == u'f' && i + 1 < line.size()) {
            const QChar font = line[++i];
            if (!open.isEmpty())
                out += QStringLiteral("</%1>").arg(open);
            open = font == u'B' ? QStringLiteral("b") : font == u'I' ? QStringLiteral("i") : QString();
            if (!open.isEmpty())
                out += QStringLiteral("<%1>").arg(open);
        } else if (e == u'(' && i + 2 < line.size()) {
            out += named(line.mid(i + 1, 2)).toHtmlEscaped();
            i += 2;
        } else if (e == u'~' || e == u' ') {
            out += e == u'~' ? QStringLiteral("&nbsp;") : QStringLiteral(" ");
        } else if (e == u'e') {
            out += u'\\';
        } else if (e != u'&') {
            out += QString(e).toHtmlEscaped(); // \- and the like: the character itself
        }
    }
    if (!open.isEmpty())
        out += QStringLiteral("</%1>").arg(open);
    return out;
}

// A macro's arguments: words, or "quoted words" as one.
QStringList arguments(const QString &rest) {
    QStringList args;
    QString current;
    bool quoted = false, any = false;
    for (QChar c : rest) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (c == u' ' && !quoted) {
            if (any || !current.isEmpty())
                args << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        args << current;
    return args;
}

// .B and .I: the words in that font, a space between them; the alternating .BR, .RB, .IR, .RI,
// .BI, .IB: the words in turn in the two fonts, with nothing between them.
QString fonts(const QString &macro, const QStringList &args) {
    if (macro.size() == 1) {
        const QString tag = macro == QLatin1String("B") ? QStringLiteral("b") : QStringLiteral("i");
        return QStringLiteral("<%1>%2</%1>").arg(tag, inlineText(args.join(u' ')));
    }
    QString out;
    for (int i = 0; i < args.size(); ++i) {
        const QChar font = macro[i % 2];
        const QString text = inlineText(args[i]);
        out += font == u'B'   ? QStringLiteral("<b>%1</b>").arg(text)
               : font == u'I' ? QStringLiteral("<i>%1</i>").arg(text)
                              : text;
    }
    return out;
}

bool isFontMacro(const QString &macro) {
    static const QStringList kFonts{QStringLiteral("B"),  QStringLiteral("I"),  QStringLiteral("BR"),
                                    QStringLiteral("RB"), QStringLiteral("IR"), QStringLiteral("RI"),
                                    QStringLiteral("BI"), QStringLiteral("IB")};
    return kFonts.contains(macro);
}

} // namespace

QString manualHtml(const QString &roff) {
    QString html;
    enum class Block { None, Paragraph, Term, Definition, Pre };
    Block block = Block::None;
    bool inList = false;
    const auto close = [&] {
        switch (block) {
        case Block::None:
            break;
        case Block::Paragraph:
            html += QStringLiteral("</p>\n");
            break;
        case Block::Term:
            html += QStringLiteral("</dt>\n");
            break;
        case Block::Definition:
            html += QStringLiteral("</dd>\n");
            break;
        case Block::Pre:
            html += QStringLiteral("</pre>\n");
            break;
        }
        block = Block::None;
    };
    const auto closeList = [&] {
        close();
        if (inList)
            html += QStringLiteral("</dl>\n");
        inList = false;
    };
    // Lines of filled text join with a space, as roff joins them.
    const auto text = [&](const QString &piece) {
        if (block == Block::None) {
            html += QStringLiteral("<p>");
            block = Block::Paragraph;
        } else if (block != Block::Pre && !html.endsWith(QStringLiteral("<p>")) &&
                   !html.endsWith(QStringLiteral("<dt>")) && !html.endsWith(QStringLiteral("<dd>"))) {
            html += u' ';
        }
        html += piece;
        if (block == Block::Pre)
            html += u'\n';
        if (block == Block::Term) {
            html += QStringLiteral("</dt>\n<dd>");
            block = Block::Definition;
        }
    };

    for (const QString &raw : roff.split(u'\n')) {
        const QString line = raw.endsWith(u'\r') ? raw.chopped(1) : raw;
        if (line.startsWith(QStringLiteral(".\\\"")) || line.startsWith(QStringLiteral("'\\\"")))
            continue;
        if (!line.startsWith(u'.')) {
            if (block == Block::Pre)
                text(inlineText(line));
            else if (line.trimmed().isEmpty())
                close();
            else
                text(inlineText(line));
            continue;
        }
        const qsizetype space = line.indexOf(u' ');
        const QString macro = line.mid(1, space < 0 ? -1 : space - 1);
        const QString rest = space < 0 ? QString() : line.mid(space + 1);
        if (macro == QLatin1String("SH") || macro == QLatin1String("SS")) {
            closeList();
            const QString tag = macro == QLatin1String("SH") ? QStringLiteral("h2") : QStringLiteral("h3");
            html += QStringLiteral("<%1>%2</%1>\n").arg(tag, inlineText(arguments(rest).join(u' ')));
        } else if (macro == QLatin1String("PP") || macro == QLatin1String("LP") ||
                   macro == QLatin1String("P")) {
            closeList();
        } else if (macro == QLatin1String("TP") || macro == QLatin1String("IP")) {
            close();
            if (!inList)
                html += QStringLiteral("<dl>\n");
            inList = true;
            const QStringList args = arguments(rest);
            if (macro == QLatin1String("IP")) {
                html +=
                    QStringLiteral("<dt>%1</dt>\n<dd>").arg(args.isEmpty() ? QString() : inlineText(args[0]));
                block = Block::Definition;
            } else {
                html += QStringLiteral("<dt>");
                block = Block::Term;
            }
        } else if (macro == QLatin1String("RS")) {
            close();
            html += QStringLiteral("<blockquote>\n");
        } else if (macro == QLatin1String("RE")) {
            close();
            html += QStringLiteral("</blockquote>\n");
        } else if (macro == QLatin1String("br")) {
            html += QStringLiteral("<br>");
        } else if (macro == QLatin1String("nf") || macro == QLatin1String("EX")) {
            close();
            html += QStringLiteral("<pre>");
            block = Block::Pre;
        } else if (macro == QLatin1String("fi") || macro == QLatin1String("EE")) {
            close();
        } else if (isFontMacro(macro)) {
            text(fonts(macro, arguments(rest)));
        }
        // Anything else (.TH, .nh, .ad, .hy, .sp, .PD) only sets up the typesetting.
    }
    closeList();
    return html;
}

QString editorManualRoff() {
    QFile file(QStringLiteral(":/manual/cifrovex-editor.1"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

ManualWindow::ManualWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("ManualWindow"));
    setWindowTitle(QStringLiteral("Справка — Редактор банка задач Cifrovex"));
    m_browser->setObjectName(QStringLiteral("ManualBrowser"));
    m_browser->setAccessibleName(QStringLiteral("Справка"));
    m_browser->setOpenLinks(false);
    const QString roff = editorManualRoff();
    m_browser->setHtml(roff.isEmpty() ? QStringLiteral("<p>Справка не найдена в программе.</p>")
                                      : manualHtml(roff));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    auto *closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
    setFocusProxy(m_browser);
    resize(720, 640);
}
