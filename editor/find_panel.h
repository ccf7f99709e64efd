#pragma once

// Find and replace across the bank (Ctrl+F, F3, Shift+F3, Ctrl+H): a panel docked below the
// window with the search and replacement texts and every hit listed by problem, field and the
// text around it. Activating a hit shows its problem with the match selected in its field; a
// replacement, of one hit or of all, is one step on the undo stack.

#include "data/bank_search.h"

#include <QDockWidget>
#include <QList>

class EditorWindow;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

class FindPanel : public QDockWidget {
    Q_OBJECT

public:
    // Docks itself in the window, hidden until asked for.
    explicit FindPanel(EditorWindow *window);

    // Find, Find next, Find previous, Replace, in menu order; the window has them too.
    QList<QAction *> actions() const { return m_actions; }

    QLineEdit *findEdit() const { return m_find; }
    QLineEdit *replaceEdit() const { return m_replace; }
    QCheckBox *caseBox() const { return m_case; }
    QTreeWidget *hitList() const { return m_hits; }
    const QList<banksearch::Hit> &hits() const { return m_found; }
    // The hit shown last, or -1.
    int currentHit() const { return m_current; }

public slots:
    void showFind();
    void showReplace();
    void findNext();
    void findPrevious();
    // Replaces the current hit and goes to the next; without one, goes to the next first.
    void replaceCurrent();
    void replaceAll();

private:
    bool hitsToStep();
    void refresh();
    void goTo(int index);
    Qt::CaseSensitivity caseSensitivity() const;

    EditorWindow *m_window;
    QLineEdit *m_find;
    QLineEdit *m_replace;
    QCheckBox *m_case;
    QPushButton *m_replaceOne;
    QPushButton *m_replaceAll;
    QLabel *m_summary;
    QTreeWidget *m_hits;
    QTimer *m_refresh;
    QList<QAction *> m_actions;
    QList<banksearch::Hit> m_found;
    int m_current = -1;
    bool m_changing = false; // a replacement of ours is changing the document
};
