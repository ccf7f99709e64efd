#pragma once

// Which characters a bank can hold, and the school spellings that stand in for maths signs a
// bank cannot.
//
// Jet 3 (Access 97) keeps text in Windows-1251, and the older program for Windows shows a bank's
// text through that code page whatever the version, so for it a bank must stay within
// Windows-1251. Jet 4 keeps text as UCS-2: every character of the Basic Multilingual Plane, which
// Cifrovex shows as it is. Signs such as ², √, ×, ≤ are therefore kept by a Jet 4 bank and
// shown by Cifrovex, but refused by Jet 3 and shown as "?" by the older program; a teacher who
// writes for both spells them the way school notebooks do without them (x^2, ·, :, <=).

#include "data/jet/jet.h"

#include <QString>

namespace bankcharset {

// The characters of text that a bank version cannot store, each once, in order: for Jet 3 those
// outside Windows-1251, for Jet 4 those beyond the Basic Multilingual Plane.
QString notStorable(const QString &text, jet::Version version);

// What a file's reader says of a text the bank version cannot store, e.g. "символы, которых
// Jet 3 (Windows-1251) не хранит: «²» (…advice…)"; empty when it can store it all.
QString storageFault(const QString &text, jet::Version version);

// The school spelling, within Windows-1251, of a maths character outside it ("^2" for "²");
// empty when there is none.
QString schoolSpelling(char32_t c);

// Whether text has a character with a school spelling; quicker than comparing the respelled text.
bool hasSchoolSpelling(const QString &text);

// The text with every character that has a school spelling written that way.
QString withSchoolSpellings(const QString &text);

// What a teacher is told about characters outside Windows-1251 found in a text: which of them a
// Jet 4 bank keeps and Cifrovex shows, which neither version can store, and the school
// spellings on offer, e.g. "в банке Jet 4 они сохранятся и Cifrovex их покажет, а Jet 3 и
// прежняя программа для Windows их не примут; школьная запись: ² → ^2, × → ·". Empty for none.
QString advice(const QString &foreign);

} // namespace bankcharset
