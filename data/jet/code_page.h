#pragma once

// How Jet keeps text, and what it can keep: Jet 4 stores UCS-2 (every character of the Basic
// Multilingual Plane, nothing beyond it), Jet 3 one byte a character in a single-byte Windows code
// page, named by the database's header. The reader decodes and the writer encodes through the
// same tables, and the bank's importers and checks ask here what a version can store.

#include "data/jet/jet.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace jet::codepage {

// The code page banks are written in, and the one Jet 3 text is read in when the file names none.
inline constexpr int kCyrillic = 1251;

// Whether this is one of the single-byte Windows code pages 1250-1258 that Jet 3 text can be in.
bool known(int codePage);

// The code page Jet 3 text is in, from the header's code page and, when that is not one of the
// known ones, from its sort order (a Windows locale id: Russian 0x0419 means 1251; "General",
// 0x0409, means none in particular); 0 when neither says.
int fromHeader(quint16 headerCodePage, quint16 sortOrder);

// Single-byte text in a code page (an unknown one reads as 1251). Bytes that are no character
// read as the C1 control of the same number (0x80..0x9F) or U+FFFD, as Windows reads them.
QString decode(int codePage, const uchar *data, qsizetype size);
// The bytes of text in a code page, or nullopt when a character has none there.
std::optional<QByteArray> encode(int codePage, const QString &text);
// decode()'s inverse for text read from a file, so that it is written back as it was: the holes'
// stand-ins give their bytes again, and a character decode never gives is written as "?".
QByteArray encodeAsRead(int codePage, const QString &text);

// The first character a version cannot store, or -1: for Jet 3 one outside the code page, for
// Jet 4 one beyond the Basic Multilingual Plane (a surrogate, paired or not).
qsizetype firstUnstorable(Version version, const QString &text, int codePage = kCyrillic);
// The characters of text a version cannot store, each once, in order of appearance.
QString unstorable(Version version, const QString &text, int codePage = kCyrillic);
// How a version keeps text, as messages name it: "Jet 3 (Windows-1251)", "Jet 4 (UCS-2)".
QString storageName(Version version);

} // namespace jet::codepage
