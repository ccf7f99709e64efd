#pragma once

// File > Печать… and File > Сохранить тест как PDF…: the test on paper for a level of the bank as
// it stands in the editor, saved or not (data/test_sheet.h decides what goes on the sheet).

#include <QList>
#include <QObject>

#include <functional>

class BankDocument;
class QAction;
class QMainWindow;
class QPrinter;
class QWidget;

// What the commands ask of the user, replaceable in tests.
struct SheetDialogs {
    // The level to print, `suggested` chosen at first; 0 when cancelled.
    std::function<int(QWidget *, int suggested)> chooseLevel;
    // The PDF file to write; empty when cancelled.
    std::function<QString(QWidget *, const QString &suggested)> pdfFile;
    // The printer and its settings (the print dialog); false when cancelled.
    std::function<bool(QWidget *, QPrinter *)> choosePrinter;
    std::function<void(QWidget *, const QString &text)> showError;

    static SheetDialogs standard();
};

class SheetCommands : public QObject {
    Q_OBJECT

public:
    // The actions go to the window, whose status bar tells what was printed.
    SheetCommands(const BankDocument *document, QMainWindow *window);

    SheetDialogs &dialogs() { return m_dialogs; }
    // Print (where Qt has print support: not in the Windows build, which writes the PDF) and the
    // PDF export, in menu order.
    QList<QAction *> actions() const;

    // Whether this build can print directly; otherwise the PDF is the way to paper.
    static bool canPrint();

public slots:
    void printSheet();
    void exportPdf();

private:
    QMainWindow *m_window;
    const BankDocument *m_document;
    SheetDialogs m_dialogs;
    QAction *m_print = nullptr;
    QAction *m_pdf = nullptr;
    int m_level = 5;
};
