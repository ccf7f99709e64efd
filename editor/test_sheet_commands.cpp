#include "editor/test_sheet_commands.h"

#include "data/bank_document.h"
#include "data/test_sheet.h"
#include "data/test_sheet_print.h"
#include "data/levels.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QStatusBar>

#ifdef CIFROVEX_PRINTER
#include <QPrintDialog>
#include <QPrinter>
#endif

#include <optional>

namespace {

QString levelItem(const LevelRules &rules) {
    return QStringLiteral("Уровень «%1» — задачи 1–%2").arg(rules.level).arg(rules.problems);
}

QString pages(int n) {
    return QStringLiteral("%1 %2").arg(n).arg(testsheet::plural(
        n, QStringLiteral("страница"), QStringLiteral("страницы"), QStringLiteral("страниц")));
}

// What the status bar adds about bodies left off the sheet.
QString hiddenBodiesNote(const testsheet::Sheet &sheet) {
    if (sheet.hiddenBodies.isEmpty())
        return QString();
    QStringList positions;
    for (int p : sheet.hiddenBodies)
        positions << QString::number(p);
    return QStringLiteral(" Текст задач %1 не напечатан: на этих местах ученик видит только условие.")
        .arg(positions.join(QStringLiteral(", ")));
}

} // namespace

SheetDialogs SheetDialogs::standard() {
    SheetDialogs d;
    d.chooseLevel = [](QWidget *parent, int suggested) {
        QStringList items;
        int current = 0;
        for (const LevelRules &rules : kLevels) {
            if (rules.level == suggested)
                current = int(items.size());
            items << levelItem(rules);
        }
        bool ok = false;
        const QString item =
            QInputDialog::getItem(parent, QStringLiteral("Тест на бумаге"), QStringLiteral("&Уровень теста:"),
                                  items, current, false, &ok);
        return ok ? kLevels[std::size_t(items.indexOf(item))].level : 0;
    };
    d.pdfFile = [](QWidget *parent, const QString &suggested) {
        QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить тест как PDF"),
                                                    suggested, QStringLiteral("Документ PDF (*.pdf)"));
        if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".pdf");
        return path;
    };
    d.choosePrinter = [](QWidget *parent, QPrinter *printer) {
#ifdef CIFROVEX_PRINTER
        QPrintDialog dialog(printer, parent);
        dialog.setWindowTitle(QStringLiteral("Печать теста"));
        return dialog.exec() == QDialog::Accepted;
#else
        Q_UNUSED(parent);
        Q_UNUSED(printer);
        return false;
#endif
    };
    d.showError = [](QWidget *parent, const QString &text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Редактор банка задач Cifrovex"), text,
                        QMessageBox::NoButton, parent);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
    };
    return d;
}

SheetCommands::SheetCommands(const BankDocument *document, QMainWindow *window)
    : QObject(window)
    , m_window(window)
    , m_document(document)
    , m_dialogs(SheetDialogs::standard()) {
    setObjectName(QStringLiteral("SheetCommands"));
    if (canPrint()) {
        m_print = new QAction(QStringLiteral("&Печать теста..."), window);
        m_print->setObjectName(QStringLiteral("PrintTest"));
        m_print->setShortcut(QKeySequence::Print);
        m_print->setStatusTip(
            QStringLiteral("Напечатать тест уровня для учеников, с ключом и шкалой оценок"));
        window->addAction(m_print);
        connect(m_print, &QAction::triggered, this, &SheetCommands::printSheet);
    }
    m_pdf = new QAction(QStringLiteral("Сохранить тест в P&DF..."), window);
    m_pdf->setObjectName(QStringLiteral("ExportTestPdf"));
    m_pdf->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    m_pdf->setStatusTip(QStringLiteral("Сохранить тест уровня в PDF, с ключом и шкалой оценок"));
    window->addAction(m_pdf);
    connect(m_pdf, &QAction::triggered, this, &SheetCommands::exportPdf);
}

QList<QAction *> SheetCommands::actions() const {
    QList<QAction *> list;
    if (m_print)
        list << m_print;
    list << m_pdf;
    return list;
}

bool SheetCommands::canPrint() {
#ifdef CIFROVEX_PRINTER
    return true;
#else
    return false;
#endif
}

namespace {

// The sheet of the level the user picks, or nothing after saying why there is none.
std::optional<testsheet::Sheet> chooseSheet(const BankDocument &document, QWidget *window,
                                            const SheetDialogs &dialogs, int &level) {
    const int chosen = dialogs.chooseLevel(window, level);
    if (chosen == 0)
        return std::nullopt;
    level = chosen;
    const QString path = window->windowFilePath();
    const QString name = path.isEmpty() ? QStringLiteral("Новый банк") : QFileInfo(path).fileName();
    try {
        return testsheet::make(document.toBank(), level, QStringLiteral("«%1»").arg(name));
    } catch (const BankError &e) {
        dialogs.showError(window, e.message());
        return std::nullopt;
    }
}

} // namespace

void SheetCommands::printSheet() {
#ifdef CIFROVEX_PRINTER
    const std::optional<testsheet::Sheet> sheet = chooseSheet(*m_document, m_window, m_dialogs, m_level);
    if (!sheet)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      testsheet::pageMargins(), QPageLayout::Millimeter));
    printer.setDocName(QStringLiteral("Цифроведческий зачёт: %1").arg(testsheet::levelText(*sheet)));
    if (!m_dialogs.choosePrinter(m_window, &printer))
        return;
    try {
        const int printed = testsheet::print(*sheet, printer);
        m_window->statusBar()->showMessage(
            QStringLiteral("Тест (%1) отправлен на печать: %2.%3")
                .arg(testsheet::levelText(*sheet), pages(printed), hiddenBodiesNote(*sheet)));
    } catch (const BankError &e) {
        m_dialogs.showError(m_window, e.message());
    }
#endif
}

void SheetCommands::exportPdf() {
    const std::optional<testsheet::Sheet> sheet = chooseSheet(*m_document, m_window, m_dialogs, m_level);
    if (!sheet)
        return;
    const QString bank = m_window->windowFilePath();
    const QString name =
        QStringLiteral("%1-уровень-%2.pdf")
            .arg(bank.isEmpty() ? QStringLiteral("тест") : QFileInfo(bank).completeBaseName())
            .arg(sheet->level);
    const QDir folder = bank.isEmpty() ? QDir::home() : QFileInfo(bank).dir();
    const QString path = m_dialogs.pdfFile(m_window, folder.filePath(name));
    if (path.isEmpty())
        return;
    if (!bank.isEmpty() && QFileInfo(path).absoluteFilePath() == QFileInfo(bank).absoluteFilePath()) {
        m_dialogs.showError(m_window, QStringLiteral("Лист теста нельзя записать на место самого банка «%1».")
                                          .arg(QFileInfo(bank).fileName()));
        return;
    }
    try {
        const int written = testsheet::writePdf(*sheet, path);
        m_window->statusBar()->showMessage(
            QStringLiteral("Тест (%1) записан в %2: %3, ключ и оценки — на "
                           "последней.%4")
                .arg(testsheet::levelText(*sheet), path, pages(written), hiddenBodiesNote(*sheet)));
    } catch (const BankError &e) {
        m_dialogs.showError(m_window, e.message());
    }
}
