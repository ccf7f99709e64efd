#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QScrollBar;
class OptionGridPanel;

// Where the panels of the option grid and the controls on them go for a grid of a given size.
// Sizes may come out negative for a tiny grid; the grid shows those as empty.
struct OptionGridGeometry {
    QSize panel;  // every panel; panel i sits at top i * panel.height()
    QRect number; // DBText3 inside a panel
    QRect text;   // DBMemo2 inside a panel
};
OptionGridGeometry optionGridGeometry(QSize gridSize, int scrollBarExtent);

// The option a navigation key moves to from `current` among `count` options, or nothing when the
// key is not a navigation key (the grid then leaves it to its parents). With no options every
// navigation key is used up and moves nowhere (returns -1).
std::optional<int> optionKeyTarget(int key, int current, int count);

// DBCtrlGrid1: the answer options of the current problem, one raised panel per option in a column
// of four per page, the current option's panel green. Panels show the option's number (DBText3)
// and text (DBMemo2). A click selects an option; a double click on a panel, its number or its text
// selects it and asks for the answer. Enter and Esc on the grid are left to the window; inside an
// option's text they stay there, as in any text control.
//
// The grid shows the options it is given, in that order, and keeps which one is current; it knows
// nothing of where they come from.
class OptionGrid : public QWidget {
    Q_OBJECT

public:
    // One option as the student sees it: the number answered with, and its text.
    struct Option {
        qint32 number = 0;
        QString text;
        bool operator==(const Option &) const = default;
    };

    static constexpr int RowCount = 4;
    static constexpr int NumberLeft = 5;
    static constexpr int NumberWidth = 13;
    static constexpr int NumberHeight = 18;
    static constexpr int TextLeft = 18;
    static constexpr int TextTop = 5;
    static QColor selectedColor() { return QColor(0, 128, 0); }

    explicit OptionGrid(QWidget *parent = nullptr);
    ~OptionGrid() override;

    // Another problem's options and the index of the current one; while there are options, one
    // of them is current (the first for an index out of range). The page goes back to the top,
    // then turns to the current option, and nothing of the last problem's texts stays selected.
    void setOptions(const QList<Option> &options, int current);
    const QList<Option> &options() const { return m_options; }
    // Makes another option current, turning the page to it. Emits nothing.
    void setCurrentIndex(int index);
    // The current option's index, or -1 when there are no options.
    int currentIndex() const { return m_current; }

    // Colour of the option texts (DBMemo2 on every panel).
    void setTextColor(const QColor &color);
    QColor textColor() const { return m_textColor; }

    // Derived from the grid's size as it is now, also while the grid is hidden and has not been
    // laid out yet.
    OptionGridGeometry geometryNow() const;
    QSize panelSize() const { return geometryNow().panel; }
    QRect numberGeometry() const { return geometryNow().number; }
    QRect textGeometry() const { return geometryNow().text; }

    // Index of the option shown on the first panel of the page.
    int topIndex() const { return m_top; }
    // The option index shown at a point of the grid, or -1.
    int optionIndexAt(const QPoint &pos) const;

    // The four panels from the top; each shows option topIndex() + row when that exists.
    QWidget *panel(int row) const;
    QLabel *numberLabel(int row) const;
    QPlainTextEdit *textMemo(int row) const;
    QScrollBar *scrollBar() const { return m_scrollBar; }

signals:
    // A click or a navigation key made another option current.
    void optionPicked(int index);
    // A double click on an option panel, its number or its text: answer with the current option.
    void answerRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class OptionGridPanel;
    void refreshPanels();
    void ensureCurrentVisible();
    void layoutPanels();
    int scrollBarExtent() const;
    // What a screen reader says for an option: "number: text".
    QString spokenName(int index) const;
    void applyTextPalette();
    void updateFocusFrame();
    void pick(int index);
    void selectRow(int row);
    void answerFromRow(int row);
    int optionCount() const { return int(m_options.size()); }

    QList<Option> m_options;
    int m_current = -1;
    std::array<OptionGridPanel *, RowCount> m_panels{};
    QScrollBar *m_scrollBar = nullptr;
    QColor m_textColor;
    int m_top = 0;
};
