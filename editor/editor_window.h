#pragma once

// The bank editor's main window: the problem list, the current problem's fields, the student's
// view and the live check, with the File and Edit commands.

#include "data/bank_document.h"
#include "data/jet/jet.h"
#include "editor/problem_editor.h"

#include <QMainWindow>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

class BankDocument;
struct DocProblem;
class BankEditing;
class CheckPanel;
class ProblemEditor;
class ProblemListModel;
class ManualWindow;
class QAction;
class RecentFiles;
class QLockFile;
class QTabWidget;
class QTableView;
class QTimer;
class StudentView;

// What the window asks of the user and the system, replaceable in tests.
struct EditorDialogs {
    enum class SaveAnswer { Save, Discard, Cancel };
    // A file to open; empty when cancelled.
    std::function<QString(QWidget *, const QString &title, const QString &filter)> openFile;
    // A file to save to and whether Jet 3 was asked for; empty when cancelled.
    std::function<QString(QWidget *, const QString &suggested, bool *jet3)> saveFile;
    std::function<QString(QWidget *, const QString &title)> chooseFolder;
    std::function<SaveAnswer(QWidget *, const QString &text)> askSave;
    std::function<void(QWidget *, const QString &text)> showError;
    // A save that failed: true when the user asks to save elsewhere (Save As).
    std::function<bool(QWidget *, const QString &text)> saveFailed;
    // A question with buttons, the first the default and the last the one Escape takes: the
    // index of the button chosen.
    std::function<int(QWidget *, const QString &text, const QStringList &buttons)> choose;
    // Something the user should know that is not a fault.
    std::function<void(QWidget *, const QString &text)> showInfo;
    // Starts a program detached in a working folder; false when it could not be started.
    std::function<bool(const QString &program, const QString &workingFolder)> startProgram;

    static EditorDialogs standard();
};

class EditorWindow : public QMainWindow {
    Q_OBJECT

public:
    // Where imported problems go: in place of the bank's, after the current problem, or after the last.
    enum class ImportPlace { Replace, AfterCurrent, AtEnd };

    explicit EditorWindow(QWidget *parent = nullptr);
    ~EditorWindow() override;

    EditorDialogs &dialogs() { return m_dialogs; }

    BankDocument *document() const { return m_document; }
    BankEditing *editing() const { return m_editing; }
    ProblemEditor *problemEditor() const { return m_editor; }
    CheckPanel *checkPanel() const { return m_check; }
    StudentView *studentView() const { return m_student; }
    QTableView *problemList() const { return m_list; }
    RecentFiles *recentFiles() const { return m_recent; }
    // The manual's window once F1 has opened it; null before.
    ManualWindow *manualWindow() const { return m_manual; }

    const QString &filePath() const { return m_path; }
    jet::Version version() const { return m_version; }
    int currentProblem() const;
    void setCurrentProblem(int index);
    // The problems selected in the list, in order; the current one when none is.
    QList<int> selectedProblems() const;
    // Selects these problems in the list, with `current` the one shown in the fields.
    void selectProblems(const QList<int> &problems, int current);

    // Opens a bank without asking about unsaved changes; false after showing why it could not.
    bool openFile(const QString &path);
    // A new, empty bank that Save writes to path (a file that does not exist yet).
    void newBankAt(const QString &path);
    // Saves to a file in a version; false after showing why it could not.
    bool saveTo(const QString &path, jet::Version version);

    // The program the Start command runs; by default cifrovex beside the editor.
    void setProgramPath(const QString &path) { m_programPath = path; }
    const QString &programPath() const { return m_programPath; }

    // The folder where the program was last started on a copy of the bank.
    QString lastTrialFolder() const;

    // The folder the file dialogs open in: the last one a dialog chose, else the bank's.
    QString dialogFolder() const;

public slots:
    void newBank();
    void open();
    bool save();
    bool saveAs();
    void importAiken() { importAikenTo(ImportPlace::Replace); }
    void importCsv() { importCsvTo(ImportPlace::Replace); }
    void importAikenTo(ImportPlace place);
    void importCsvTo(ImportPlace place);
    void exportCsv();
    void exportSelectedCsv();
    void exportCsvForSpreadsheet();
    void startProgram();
    void showManual();
    // Opens a file from the recent list, asking first about unsaved changes.
    void openRecent(const QString &path);
    void insertProblem();
    void duplicateProblem();
    void removeProblem();
    void moveUp();
    void moveDown();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createActions();
    void updateTitle();
    void updateActions();
    void refreshStudentView();
    // The quick fix of a finding about signs outside Windows-1251; `option` is the author's index.
    void useSchoolSpellings(int problem, ProblemEditor::Field field, int option);
    // Save As with the dialog's format set to `version` at first.
    bool saveAsOffering(jet::Version version);
    // Moves the selected problems one place up (-1) or down (+1).
    void moveSelected(int delta);
    // Asks what to do with unsaved changes; true when the caller may go on.
    bool mayDiscard();
    void showNotes(const QStringList &notes);
    // Writes the problems as a bank of their own, in a CSV form, into a folder the teacher chooses.
    void exportProblems(const QList<DocProblem> &problems, bool spreadsheet);
    // Puts imported problems where the teacher asked, as one step, and makes them current.
    void placeImported(const QList<DocProblem> &problems, ImportPlace place, const QString &what);
    // Where imported problems begin: 0 when they replace the bank.
    int importIndex(ImportPlace place) const;
    // Who else has a bank open, in words for the teacher; empty when nobody seems to.
    QString othersUsing(const QString &path) const;
    // Keeps the editor's lock beside the bank being edited (none for an empty path).
    void holdLock(const QString &path);
    // A file a dialog chose: its folder is where the next dialog opens.
    void rememberFolderOf(const QString &path);

    EditorDialogs m_dialogs;
    BankDocument *m_document;
    BankEditing *m_editing;
    ProblemListModel *m_model;
    QTableView *m_list;
    ProblemEditor *m_editor;
    StudentView *m_student;
    CheckPanel *m_check;
    QTabWidget *m_tabs = nullptr;
    QTimer *m_studentDelay;
    QString m_path;
    QString m_programPath;
    QString m_dialogFolder;
    int m_touched = -1; // the problem the last change touched
    jet::Version m_version = jet::Version::Jet4;
    std::vector<std::unique_ptr<QTemporaryDir>> m_trialFolders;
    std::unique_ptr<QLockFile> m_lock;
    QString m_lockedPath;
    // The file as it was when opened or last saved here.
    bankdoc::FileStamp m_stamp;

    QAction *m_save = nullptr;
    QAction *m_duplicate = nullptr;
    QAction *m_remove = nullptr;
    QAction *m_moveUp = nullptr;
    QAction *m_moveDown = nullptr;
    QAction *m_exportSelected = nullptr;
    RecentFiles *m_recent = nullptr;
    ManualWindow *m_manual = nullptr;
};
