#include "editor/problem_list_model.h"

#include "data/bank_document.h"

#include <QColor>
#include <QMimeData>

#include <algorithm>

namespace {

const QString kMime = QStringLiteral("application/x-cifrovex-problem-row");

// One line of a text for the list: the first line, cut short, with a mark that more follows.
QString firstLine(const QString &text) {
    constexpr int kLimit = 120;
    const qsizetype end = text.indexOf(u'\n');
    QString line = end < 0 ? text : text.left(end);
    const bool more = end >= 0 || line.size() > kLimit;
    line.truncate(kLimit);
    return more ? line + QStringLiteral(" …") : line;
}

} // namespace

ProblemListModel::ProblemListModel(BankDocument *document, QObject *parent)
    : QAbstractTableModel(parent)
    , m_document(document) {
    connect(document, &BankDocument::problemsInserted, this, [this](int at, int count) {
        beginInsertRows({}, at, at + count - 1);
        endInsertRows();
        // Every later row has a new position and perhaps other levels.
        emit dataChanged(index(at, 0), index(rowCount() - 1, ColumnCount - 1));
    });
    connect(document, &BankDocument::problemsRemoved, this, [this](int at, int count) {
        beginRemoveRows({}, at, at + count - 1);
        endRemoveRows();
        if (at < rowCount())
            emit dataChanged(index(at, 0), index(rowCount() - 1, ColumnCount - 1));
    });
    connect(document, &BankDocument::problemMoved, this, [this](int from, int to) {
        beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
        endMoveRows();
        emit dataChanged(index(std::min(from, to), 0), index(std::max(from, to), ColumnCount - 1));
    });
    connect(document, &BankDocument::problemChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, ColumnCount - 1)); });
    connect(document, &BankDocument::modelReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int ProblemListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_document->problemCount();
}

int ProblemListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProblemListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_document->problemCount())
        return {};
    const DocProblem &p = m_document->problem(index.row());
    const int position = index.row() + 1;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case PositionColumn:
            return position;
        case LevelsColumn:
            return bankdoc::levelsUsing(position);
        case ConditionColumn:
            return firstLine(p.condition);
        case BodyColumn:
            return firstLine(p.body);
        }
    }
    // A problem without a chosen answer stands out until the teacher chooses one.
    const bool unanswered = p.correct < 0 && !p.options.isEmpty();
    if (unanswered && role == Qt::ForegroundRole)
        return QColor(0xa0, 0, 0);
    if (unanswered && (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) &&
        index.column() == PositionColumn)
        return QStringLiteral("Верный ответ не отмечен");
    if (role == Qt::ToolTipRole && (index.column() == ConditionColumn || index.column() == BodyColumn))
        return index.column() == ConditionColumn ? p.condition : p.body;
    if (role == Qt::TextAlignmentRole && index.column() == PositionColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ProblemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case PositionColumn:
        return QStringLiteral("№");
    case LevelsColumn:
        return QStringLiteral("Уровни");
    case ConditionColumn:
        return QStringLiteral("Условие");
    case BodyColumn:
        return QStringLiteral("Текст задачи");
    }
    return {};
}

Qt::ItemFlags ProblemListModel::flags(const QModelIndex &index) const {
    const Qt::ItemFlags base = QAbstractTableModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsDragEnabled : base | Qt::ItemIsDropEnabled;
}

Qt::DropActions ProblemListModel::supportedDropActions() const {
    return Qt::MoveAction;
}

QStringList ProblemListModel::mimeTypes() const {
    return {kMime};
}

QMimeData *ProblemListModel::mimeData(const QModelIndexList &indexes) const {
    if (indexes.isEmpty())
        return nullptr;
    QList<int> rows;
    for (const QModelIndex &i : indexes)
        if (!rows.contains(i.row()))
            rows << i.row();
    std::sort(rows.begin(), rows.end());
    QByteArrayList numbers;
    for (int r : rows)
        numbers << QByteArray::number(r);
    auto *data = new QMimeData;
    data->setData(kMime, numbers.join(','));
    return data;
}

bool ProblemListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                    const QModelIndex &parent) {
    if (action != Qt::MoveAction || !data->hasFormat(kMime))
        return false;
    QList<int> rows;
    for (const QByteArray &number : data->data(kMime).split(',')) {
        bool ok = false;
        const int r = number.toInt(&ok);
        if (!ok || r < 0 || r >= rowCount())
            return false;
        rows << r;
    }
    if (rows.size() > 1) {
        const int before = row >= 0                      ? row
                           : !parent.isValid()           ? rowCount()
                           : parent.row() < rows.first() ? parent.row()
                                                         : parent.row() + 1;
        emit rowsMoveRequested(rows, before);
        return false;
    }
    const int from = rows.value(0, -1);
    if (from < 0)
        return false;
    // Dropped between rows (row) or onto a row (parent): the problem takes that place.
    int to = row >= 0 ? row : (parent.isValid() ? parent.row() : rowCount());
    if (to > from && (row >= 0 || !parent.isValid()))
        --to;
    to = std::clamp(to, 0, rowCount() - 1);
    if (to != from)
        emit moveRequested(from, to);
    // The move is done by the document; the view must not remove the dragged row itself.
    return false;
}

void ProblemListView::scrollTo(const QModelIndex &index, ScrollHint hint) {
    QTableView::scrollTo(index.siblingAtColumn(ProblemListModel::PositionColumn), hint);
}
