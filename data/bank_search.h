#pragma once

// Find and replace across a bank document's texts: conditions, bodies and options, in the order
// the editor shows them (problem by problem; condition, body, then the options in the teacher's
// order, as the editor's fields keep them).

#include "data/bank_document.h"

#include <QList>
#include <QString>

namespace banksearch {

enum class Field { Condition, Body, Option };

struct Hit {
    int problem = 0; // 0-based index
    Field field = Field::Condition;
    int option = -1; // the author's index (DocProblem::options) for an option, else -1
    int start = 0;   // where the match starts in the field's text
    int length = 0;

    bool operator==(const Hit &) const = default;
};

// Every match of `needle` (none for an empty needle), matches within one text not overlapping.
QList<Hit> find(const QList<DocProblem> &problems, const QString &needle, Qt::CaseSensitivity cs);

// The text of a hit's field.
const QString &fieldText(const DocProblem &problem, const Hit &hit);

// The field as a teacher names it: "условие", "текст задачи", "вариант 3" (the option's row in
// the editor, as the check's findings name it too).
QString fieldName(const Hit &hit);

// The hit with some text either side on one line, the match in «», for the list of hits.
QString context(const DocProblem &problem, const Hit &hit);

// The problem with the one match a hit names replaced; unchanged when the text there no longer
// matches (the field was edited since the search).
DocProblem replaceHit(const DocProblem &problem, const Hit &hit, const QString &needle,
                      const QString &replacement, Qt::CaseSensitivity cs);

// The problem with every match in every field replaced; `count` receives how many there were.
DocProblem replaceAll(const DocProblem &problem, const QString &needle, const QString &replacement,
                      Qt::CaseSensitivity cs, int *count = nullptr);

} // namespace banksearch
