#pragma once

// The bank's problems as a table for the editor's list: position, the levels that use it, the
// condition and the body, one line each. Rows are dragged to move problems.

#include <QAbstractTableModel>
#include <QTableView>

class BankDocument;

class ProblemListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { PositionColumn, LevelsColumn, ConditionColumn, BodyColumn, ColumnCount };

    explicit ProblemListModel(BankDocument *document, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

signals:
    // A problem dragged from one row to end up at another; the window makes it an undoable move.
    void moveRequested(int from, int to);
    // Several problems dragged together (in order) to stand before the problem at row `before`.
    void rowsMoveRequested(const QList<int> &rows, int before);

private:
    BankDocument *m_document;
};

// The list of problems: a row is a problem, so going to a cell (Ctrl+End takes the last row's
// last column) scrolls to its row without scrolling the numbers out of view sideways.
class ProblemListView : public QTableView {
    Q_OBJECT

public:
    using QTableView::QTableView;

    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
};
