#include "data/test_sheet_print.h"

#include "platform/files.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <memory>

namespace testsheet {

namespace {

// A field's text with its line ends, whatever system wrote them, as "\n".
QString normalLines(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

// The same within one paragraph: its line breaks stay line breaks, as in the program's memos.
QString inParagraph(const QString &text) {
    return normalLines(text).replace(u'\n', QChar::LineSeparator);
}

// Lays the sheet out in pixels of 96 dpi, whatever the device's resolution (a PDF writer's 300 dpi, a
// printer's 1200): the layout does not scale every length alike between resolutions (indents and
// tab stops differ from margins), so the page is laid out once at 96 dpi and the painter scales it.
// Lengths are given in points.
class SheetWriter {
public:
    explicit SheetWriter(QTextDocument &document)
        : m_cursor(&document) {}

    static double px(double points) { return points * 96.0 / 72.0; }

    static QTextCharFormat font(double points, bool bold = false, bool italic = false) {
        QTextCharFormat f;
        // Arial on Windows; elsewhere its metric twin from fonts-liberation2.
        f.setFontFamilies(QStringList{QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
        f.setFontPointSize(points);
        f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(italic);
        return f;
    }

    QTextBlockFormat paragraph(double spaceBefore, Qt::Alignment align = Qt::AlignLeft) const {
        QTextBlockFormat f;
        f.setTopMargin(px(spaceBefore));
        f.setAlignment(align);
        return f;
    }

    // A paragraph of its own; the first one takes the document's empty first block.
    QTextBlock add(const QString &text, const QTextBlockFormat &block, const QTextCharFormat &chars) {
        if (m_started) {
            m_cursor.insertBlock(block, chars);
        } else {
            m_cursor.setBlockFormat(block);
            m_cursor.setBlockCharFormat(chars);
            m_started = true;
        }
        return append(text, chars);
    }

    // More text at the end of the last paragraph.
    QTextBlock append(const QString &text, const QTextCharFormat &chars) {
        m_cursor.insertText(inParagraph(text), chars);
        return m_cursor.block();
    }

    QTextTable *table(int rows, int columns, const QList<double> &widthsPercent) {
        QTextTableFormat f;
        f.setBorder(px(0.75));
        f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        f.setBorderCollapse(true);
        f.setCellPadding(px(3));
        f.setCellSpacing(0);
        f.setTopMargin(px(6));
        QList<QTextLength> widths;
        for (double w : widthsPercent)
            widths << QTextLength(QTextLength::PercentageLength, w);
        f.setColumnWidthConstraints(widths);
        return m_cursor.insertTable(rows, columns, f);
    }

    static void cell(QTextTable *table, int row, int column, const QString &text,
                     const QTextCharFormat &chars, Qt::Alignment align = Qt::AlignHCenter) {
        QTextCursor c = table->cellAt(row, column).firstCursorPosition();
        QTextBlockFormat block;
        block.setAlignment(align);
        c.setBlockFormat(block);
        c.insertText(inParagraph(text), chars);
    }

    // Back below the table, for the paragraphs after it.
    void leave(QTextTable *table) {
        m_cursor = table->lastCursorPosition();
        m_cursor.movePosition(QTextCursor::NextBlock);
    }

private:
    QTextCursor m_cursor;
    bool m_started = false;
};

QString countRange(const MarkRange &range) {
    return range.fewest == range.most ? QString::number(range.most)
                                      : QStringLiteral("%1–%2").arg(range.fewest).arg(range.most);
}

QString capitalized(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// Where the student's problems start and end: a problem is kept on one page.
struct ProblemBlocks {
    QTextBlock first;
    QTextBlock last;
};

QList<ProblemBlocks> fill(QTextDocument &document, const Sheet &sheet, const QSet<int> &breaks) {
    SheetWriter w(document);
    const QTextCharFormat normal = SheetWriter::font(12);
    const QTextCharFormat bold = SheetWriter::font(12, true);

    w.add(QStringLiteral("Цифроведческий зачёт"), w.paragraph(0, Qt::AlignHCenter),
          SheetWriter::font(17, true));
    w.add(QStringLiteral("Тест по математике: %1").arg(levelText(sheet)), w.paragraph(4, Qt::AlignHCenter),
          SheetWriter::font(14));
    w.add(QStringLiteral("Фамилия, имя: ") + QString(44, u'_'), w.paragraph(16), normal);
    w.add(QStringLiteral("Класс: ") + QString(12, u'_') + QStringLiteral("        Дата: ") +
              QString(18, u'_'),
          w.paragraph(12), normal);
    w.add(QStringLiteral("В каждой задаче обведите номер ответа, который считаете верным."), w.paragraph(12),
          SheetWriter::font(12, false, true));

    QList<ProblemBlocks> problems;
    for (const SheetProblem &p : sheet.problems) {
        ProblemBlocks blocks;
        QTextBlockFormat heading = w.paragraph(14);
        if (breaks.contains(p.position))
            heading.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        blocks.first = w.add(QStringLiteral("Задача № %1").arg(p.position), heading, bold);
        if (!p.condition.isEmpty())
            w.add(p.condition, w.paragraph(3), normal);
        if (!p.body.isEmpty())
            w.add(p.body, w.paragraph(3), SheetWriter::font(13));
        for (const SheetOption &o : p.options) {
            // The number hangs in the margin; the option's text, its further lines included,
            // stands at the margin.
            QTextBlockFormat option = w.paragraph(2);
            option.setLeftMargin(SheetWriter::px(30));
            option.setTextIndent(-SheetWriter::px(18));
            option.setTabPositions({QTextOption::Tab(SheetWriter::px(18), QTextOption::LeftTab)});
            const QStringList lines = normalLines(o.text).split(u'\n');
            w.add(QStringLiteral("%1)").arg(o.number), option, bold);
            blocks.last = w.append(u'\t' + lines.first(), normal);
            // A line break would take the hanging indent again: each further line is a paragraph.
            QTextBlockFormat more = w.paragraph(0);
            more.setLeftMargin(SheetWriter::px(30));
            for (const QString &line : lines.mid(1))
                blocks.last = w.add(line, more, normal);
        }
        if (!blocks.last.isValid())
            blocks.last = document.lastBlock();
        problems << blocks;
    }

    QTextBlockFormat keyHeading = w.paragraph(0, Qt::AlignHCenter);
    keyHeading.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    w.add(QStringLiteral("Ключ к тесту"), keyHeading, SheetWriter::font(17, true));
    w.add(QStringLiteral("%1 — для учителя").arg(capitalized(levelText(sheet))),
          w.paragraph(4, Qt::AlignHCenter), SheetWriter::font(14));
    QTextTable *key = w.table(int(sheet.problems.size()) + 1, 3, {14, 18, 68});
    SheetWriter::cell(key, 0, 0, QStringLiteral("Задача"), bold);
    SheetWriter::cell(key, 0, 1, QStringLiteral("Верный ответ"), bold);
    SheetWriter::cell(key, 0, 2, QStringLiteral("Текст верного ответа"), bold, Qt::AlignLeft);
    for (int i = 0; i < sheet.problems.size(); ++i) {
        const SheetProblem &p = sheet.problems[i];
        QStringList texts;
        for (const SheetOption &o : p.options)
            if (o.number == p.correct)
                texts << o.text;
        SheetWriter::cell(key, i + 1, 0, QString::number(p.position), normal);
        SheetWriter::cell(key, i + 1, 1, QString::number(p.correct), bold);
        SheetWriter::cell(key, i + 1, 2, texts.join(u'\n'), normal, Qt::AlignLeft);
    }
    w.leave(key);

    const int n = int(sheet.problems.size());
    w.add(QStringLiteral("Оценка"), w.paragraph(16), SheetWriter::font(14, true));
    QTextTable *scale = w.table(int(sheet.scale.size()) + 1, 2, {30, 14});
    SheetWriter::cell(scale, 0, 0, QStringLiteral("Верных ответов из %1").arg(n), bold);
    SheetWriter::cell(scale, 0, 1, QStringLiteral("Оценка"), bold);
    for (int i = 0; i < sheet.scale.size(); ++i) {
        SheetWriter::cell(scale, i + 1, 0, countRange(sheet.scale[i]), normal);
        SheetWriter::cell(scale, i + 1, 1, QString::number(sheet.scale[i].mark), bold);
    }
    w.leave(scale);
    w.add(QStringLiteral("Так оценивает программа: число верных ответов умножается на %1 и делится на %2, "
                         "результат округляется до целого (ровно половина — до чётного); 0 и 1 становятся "
                         "двойкой.")
              .arg(sheet.level)
              .arg(n),
          w.paragraph(10), normal);
    return problems;
}

// The sheet laid out on pages of a size, every problem on one page where it fits on one: each
// problem that would run over a page's end starts the next page instead. The document is made anew
// for each such break, as a document laid out once does not lay out its later pages again right.
std::unique_ptr<QTextDocument> layOut(const Sheet &sheet, QPaintDevice &metrics, const QSizeF &page) {
    QSet<int> breaks;
    for (;;) {
        auto document = std::make_unique<QTextDocument>();
        document->setDocumentMargin(0);
        document->documentLayout()->setPaintDevice(&metrics);
        // Glyph advances as the font designs them, not as hinted for 96 dpi: the page is printed
        // at many times that.
        QTextOption option = document->defaultTextOption();
        option.setUseDesignMetrics(true);
        document->setDefaultTextOption(option);
        document->setDefaultFont(SheetWriter::font(12).font());
        const QList<ProblemBlocks> problems = fill(*document, sheet, breaks);
        document->setPageSize(page);
        QAbstractTextDocumentLayout *layout = document->documentLayout();
        layout->documentSize();
        int next = 0;
        for (int i = 0; i < problems.size() && next == 0; ++i) {
            const QRectF first = layout->blockBoundingRect(problems[i].first);
            const QRectF last = layout->blockBoundingRect(problems[i].last);
            const bool crosses = int(first.top() / page.height()) != int((last.bottom() - 1) / page.height());
            // A problem taller than a page breaks where it must.
            if (crosses && last.bottom() - first.top() < page.height() * 0.9 &&
                !breaks.contains(sheet.problems[i].position))
                next = sheet.problems[i].position;
        }
        if (next == 0)
            return document;
        breaks.insert(next);
    }
}

} // namespace

QMarginsF pageMargins() {
    return QMarginsF(20, 15, 15, 12);
}

int print(const Sheet &sheet, QPagedPaintDevice &device) {
    QPainter painter;
    if (!painter.begin(&device))
        throw BankError(BankError::Kind::Output,
                        QStringLiteral("Лист теста не напечатан: устройство печати не готово."));

    constexpr double kLayoutDpi = 96.0;
    QImage metrics(1, 1, QImage::Format_RGB32);
    metrics.setDotsPerMeterX(qRound(kLayoutDpi / 0.0254));
    metrics.setDotsPerMeterY(qRound(kLayoutDpi / 0.0254));
    const double scaleX = device.logicalDpiX() / kLayoutDpi;
    const double scaleY = device.logicalDpiY() / kLayoutDpi;
    const double footer = SheetWriter::px(24);
    const QSizeF page(device.width() / scaleX, device.height() / scaleY - footer);
    const std::unique_ptr<QTextDocument> document = layOut(sheet, metrics, page);
    painter.scale(scaleX, scaleY);

    const int pages = document->pageCount();
    QFont footerFont;
    footerFont.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    footerFont.setPixelSize(qRound(SheetWriter::px(9)));
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            device.newPage();
        painter.save();
        const QRectF clip(0, i * page.height(), page.width(), page.height());
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        // A line that starts right at the page's end belongs to the next page. The layout draws
        // every line that touches the clip, and a PDF keeps clipped text, which a search would find.
        context.clip = clip.adjusted(0, 0.5, 0, -0.5);
        document->documentLayout()->draw(&painter, context);
        painter.restore();
        painter.setFont(footerFont);
        painter.drawText(
            QRectF(0, page.height(), page.width(), footer), Qt::AlignRight | Qt::AlignBottom,
            QStringLiteral("%1 · стр. %2 из %3").arg(capitalized(levelText(sheet))).arg(i + 1).arg(pages));
    }
    painter.end();
    return pages;
}

QByteArray pdf(const Sheet &sheet, int *pages) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Цифроведческий зачёт: %1").arg(levelText(sheet)));
        writer.setCreator(QStringLiteral("Cifrovex"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, pageMargins(),
                                         QPageLayout::Millimeter));
        const int printed = print(sheet, writer);
        if (pages)
            *pages = printed;
    }
    return bytes;
}

int writePdf(const Sheet &sheet, const QString &path) {
    const QFileInfo info(path);
    if (info.isDir())
        throw BankError(BankError::Kind::Output,
                        QStringLiteral("«%1» — папка, лист теста в неё записать нельзя.").arg(path));
    // Said before the pages are laid out, which takes a while.
    if (!info.absoluteDir().exists())
        throw BankError(BankError::Kind::Output,
                        QStringLiteral("Лист теста «%1» не записан: нет такой папки.").arg(path));
    int pages = 0;
    if (const QString why = platform::writeWhole(path, pdf(sheet, &pages)); !why.isEmpty())
        throw BankError(BankError::Kind::Output,
                        QStringLiteral("Лист теста «%1» не записан: %2.").arg(path, why));
    return pages;
}

} // namespace testsheet
