#pragma once

// The test sheet on pages: the student's sheet, then the answer key and the mark scale on a page
// of their own, every problem whole on one page. Qt GUI (fonts, QTextDocument, QPdfWriter), no
// widgets: the bank tool and the editor both print through here.

#include "data/test_sheet.h"

#include <QByteArray>
#include <QMarginsF>
#include <QString>

class QPagedPaintDevice;

namespace testsheet {

// A4 with these margins (millimetres) unless the user chose otherwise in a print dialog.
QMarginsF pageMargins();

// Prints the sheet on a device whose page size and margins are already set (a printer the user
// chose, or a PDF writer); returns the number of pages. Throws BankError (Output) when the device
// cannot be painted on.
int print(const Sheet &sheet, QPagedPaintDevice &device);

// The sheet as a PDF file on A4; `pages` receives the number of pages.
QByteArray pdf(const Sheet &sheet, int *pages = nullptr);

// Writes the PDF, replacing the file only once the new one is whole; returns the number of pages.
// Throws BankError (Output).
int writePdf(const Sheet &sheet, const QString &path);

} // namespace testsheet
