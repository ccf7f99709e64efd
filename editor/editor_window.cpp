#include "editor/editor_window.h"

#include "data/bank_aiken.h"
#include "data/bank_charset.h"
#include "data/bank_check.h"
#include "data/bank_csv.h"
#include "data/bank_document.h"
#include "data/bank_editing.h"
#include "data/bank_files.h"
#include "data/bank_tables.h"
#include "editor/check_panel.h"
#include "editor/find_panel.h"
#include "editor/manual.h"
#include "editor/problem_editor.h"
#include "editor/problem_list_model.h"
#include "editor/recent_files.h"
#include "editor/student_view.h"
#include "editor/test_sheet_commands.h"
#include "editor/text_edit.h"
#include "platform/files.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLockFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QSysInfo>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kBankFilter = QStringLiteral("Банк задач (*.cvx);;Все файлы (*)");
const QString kJet4Filter = QStringLiteral("Банк задач, Jet 4 — Access 2000–2003 (*.cvx)");
const QString kJet3Filter = QStringLiteral("Банк задач, Jet 3 — Access 97 (*.cvx)");

QString appTitle() {
    return QStringLiteral("Редактор банка задач Cifrovex");
}

// What the teacher is told after an import about files that were not UTF-8 and were taken for
// Windows-1251: a line for the status bar (files by name) and the text of a box (by path), both
// empty when every file was UTF-8.
struct EncodingNotice {
    QString status;
    QString box;
};

EncodingNotice encodingNotice(const QList<std::pair<QString, csv::FileFormat>> &files) {
    QStringList byName, byPath;
    for (const auto &[path, format] : files) {
        if (const QString notice = csv::encodingNotice(path, format); !notice.isEmpty()) {
            byPath << notice + u'.';
            byName << csv::encodingNotice(QFileInfo(path).fileName(), format) + u'.';
        }
    }
    if (byPath.isEmpty())
        return {};
    return {byName.join(u' '),
            byPath.join(u'\n') +
                QStringLiteral("\n\nЕсли буквы в задачах выглядят неверно, отмените импорт (Ctrl+Z) и "
                               "сохраните файл в кодировке UTF-8.")};
}

// Where the bank has signs a version cannot store: the first such field, how many problems have
// them, and what the teacher can do. Empty when it has none.
QString unstorableSigns(const QList<DocProblem> &problems, jet::Version version) {
    QString first;
    int count = 0;
    for (int i = 0; i < problems.size(); ++i) {
        const DocProblem &p = problems[i];
        QList<std::pair<QString, QString>> fields{{QStringLiteral("условие"), p.condition},
                                                  {QStringLiteral("текст задачи"), p.body}};
        for (int o = 0; o < p.options.size(); ++o)
            fields.append({QStringLiteral("вариант «%1»").arg(p.options[o].left(30)), p.options[o]});
        bool found = false;
        for (const auto &[what, text] : fields) {
            const QString bad = bankcharset::notStorable(text, version);
            if (bad.isEmpty())
                continue;
            if (first.isEmpty())
                first = QStringLiteral("задача %1, %2: «%3» (%4)")
                            .arg(i + 1)
                            .arg(what, bad, bankcharset::advice(bad));
            found = true;
        }
        count += found ? 1 : 0;
    }
    if (first.isEmpty())
        return {};
    const bool jet3 = version == jet::Version::Jet3;
    return QStringLiteral("в %1 не записать знаки %2. Первые из них — %3%4.\n\n%5")
        .arg(jet3 ? QStringLiteral("Jet 3 (Access 97)") : QStringLiteral("Jet 4"),
             jet3 ? QStringLiteral("вне Windows-1251") : QStringLiteral("вне основной плоскости Юникода"),
             first,
             count > 1 ? QStringLiteral("; такие знаки есть ещё в задачах: %1").arg(count - 1) : QString(),
             jet3 ? QStringLiteral(
                        "Сохраните банк в Jet 4 («Сохранить как») или замените знаки школьной записью "
                        "(вкладка «Проверка»).")
                  : QStringLiteral("Уберите эти символы из текста."));
}

// The start of the status line after an import: what was done and, when added, where.
QString importedWhere(EditorWindow::ImportPlace place, int at, int count) {
    if (place == EditorWindow::ImportPlace::Replace)
        return QStringLiteral("Импортировано");
    return count == 1 ? QStringLiteral("Добавлена задача %1; всего добавлено").arg(at + 1)
                      : QStringLiteral("Добавлены задачи %1–%2; всего добавлено").arg(at + 1).arg(at + count);
}

QAction *makeAction(QWidget *owner, const QString &name, const QString &text, const QKeySequence &key,
                    const QString &tip = {}) {
    auto *action = new QAction(text, owner);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setStatusTip(tip);
    owner->addAction(action);
    return action;
}

// Where a dialog of the window opens.
QString folderFor(QWidget *parent) {
    const auto *window = qobject_cast<const EditorWindow *>(parent);
    return window ? window->dialogFolder() : QString();
}

} // namespace

EditorDialogs EditorDialogs::standard() {
    EditorDialogs d;
    d.openFile = [](QWidget *parent, const QString &title, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, title, folderFor(parent), filter);
    };
    d.saveFile = [](QWidget *parent, const QString &suggested, bool *jet3) {
        QString selected = *jet3 ? kJet3Filter : kJet4Filter;
        const QString path =
            QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить банк задач как"), suggested,
                                         kJet4Filter + QStringLiteral(";;") + kJet3Filter, &selected);
        *jet3 = selected == kJet3Filter;
        return path;
    };
    d.chooseFolder = [](QWidget *parent, const QString &title) {
        return QFileDialog::getExistingDirectory(parent, title, folderFor(parent));
    };
    d.askSave = [](QWidget *parent, const QString &text) {
        QMessageBox box(QMessageBox::Question, appTitle(), text, QMessageBox::NoButton, parent);
        QPushButton *save = box.addButton(QStringLiteral("&Сохранить"), QMessageBox::AcceptRole);
        QPushButton *discard = box.addButton(QStringLiteral("&Не сохранять"), QMessageBox::DestructiveRole);
        QPushButton *cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == save)
            return SaveAnswer::Save;
        return box.clickedButton() == discard ? SaveAnswer::Discard : SaveAnswer::Cancel;
    };
    d.showError = [](QWidget *parent, const QString &text) {
        QMessageBox box(QMessageBox::Warning, appTitle(), text, QMessageBox::NoButton, parent);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
    };
    d.saveFailed = [](QWidget *parent, const QString &text) {
        QMessageBox box(QMessageBox::Warning, appTitle(), text, QMessageBox::NoButton, parent);
        QPushButton *saveAs = box.addButton(QStringLiteral("Сохранить &как..."), QMessageBox::AcceptRole);
        QPushButton *close = box.addButton(QStringLiteral("Закрыть"), QMessageBox::RejectRole);
        box.setDefaultButton(saveAs);
        box.setEscapeButton(close);
        box.exec();
        return box.clickedButton() == saveAs;
    };
    d.choose = [](QWidget *parent, const QString &text, const QStringList &buttons) {
        QMessageBox box(QMessageBox::Question, appTitle(), text, QMessageBox::NoButton, parent);
        QList<QAbstractButton *> added;
        for (const QString &label : buttons)
            added << box.addButton(label, added.size() + 1 == buttons.size() ? QMessageBox::RejectRole
                                                                             : QMessageBox::AcceptRole);
        if (!added.isEmpty()) {
            box.setDefaultButton(static_cast<QPushButton *>(added.first()));
            box.setEscapeButton(added.last());
        }
        box.exec();
        const int chosen = int(added.indexOf(box.clickedButton()));
        return chosen < 0 ? int(buttons.size()) - 1 : chosen;
    };
    d.showInfo = [](QWidget *parent, const QString &text) {
        QMessageBox box(QMessageBox::Information, appTitle(), text, QMessageBox::NoButton, parent);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
    };
    d.startProgram = [](const QString &program, const QString &folder) {
        return QProcess::startDetached(program, {}, folder);
    };
    return d;
}

EditorWindow::EditorWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_dialogs(EditorDialogs::standard())
    , m_document(new BankDocument(this))
    , m_editing(new BankEditing(m_document, this))
    , m_model(new ProblemListModel(m_document, this))
    , m_list(new ProblemListView(this))
    , m_editor(new ProblemEditor(m_editing, this))
    , m_student(new StudentView(this))
    , m_check(new CheckPanel(m_document, this))
    , m_studentDelay(new QTimer(this)) {
    setObjectName(QStringLiteral("EditorWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/cifrovex.png")));

    m_list->setObjectName(QStringLiteral("ProblemList"));
    m_list->setAccessibleName(QStringLiteral("Задачи"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setDragEnabled(true);
    m_list->setAcceptDrops(true);
    m_list->setDropIndicatorShown(true);
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->setWordWrap(false);
    m_list->setTabKeyNavigation(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    // Widths from the widest texts these columns hold: sizing to contents would measure the rows
    // again on every key typed.
    const QFontMetrics metrics = m_list->fontMetrics();
    m_list->setColumnWidth(ProblemListModel::PositionColumn,
                           metrics.horizontalAdvance(QStringLiteral("100000")) + 12);
    m_list->setColumnWidth(ProblemListModel::LevelsColumn,
                           metrics.horizontalAdvance(QStringLiteral("не используется")) + 12);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setColumnWidth(ProblemListModel::ConditionColumn, 220);
    connect(m_model, &ProblemListModel::moveRequested, this, [this](int from, int to) {
        m_editing->moveProblem(from, to);
        setCurrentProblem(to);
    });
    connect(m_model, &ProblemListModel::rowsMoveRequested, this, [this](const QList<int> &rows, int before) {
        const QList<int> moved = m_editing->moveProblemsTo(rows, before);
        if (!moved.isEmpty())
            selectProblems(moved, moved.first());
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { updateActions(); });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &i) {
                m_editor->setProblem(i.isValid() ? i.row() : -1);
                updateActions();
                refreshStudentView();
            });

    auto *listPane = new QWidget(this);
    auto *listLayout = new QVBoxLayout(listPane);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto *listLabel = new QLabel(QStringLiteral("&Задачи по порядку:"), listPane);
    listLabel->setBuddy(m_list);
    listLayout->addWidget(listLabel);
    listLayout->addWidget(m_list);

    auto *editorScroll = new QScrollArea(this);
    editorScroll->setWidget(m_editor);
    editorScroll->setWidgetResizable(true);
    editorScroll->setFrameShape(QFrame::NoFrame);

    auto *tabs = m_tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("SideTabs"));
    auto *studentScroll = new QScrollArea(this);
    studentScroll->setWidget(m_student);
    studentScroll->setWidgetResizable(true);
    tabs->addTab(m_check, QStringLiteral("П&роверка"));
    tabs->addTab(studentScroll, QStringLiteral("Как увидит уч&еник"));

    auto *right = new QSplitter(Qt::Vertical, this);
    right->addWidget(editorScroll);
    right->addWidget(tabs);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);
    right->setSizes({440, 340});

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("MainSplitter"));
    split->addWidget(listPane);
    split->addWidget(right);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setSizes({470, 730});
    setCentralWidget(split);

    connect(m_check, &CheckPanel::schoolSpellingRequested, this,
            [this](int problem, ProblemEditor::Field field, int option) {
                useSchoolSpellings(problem, field, option);
            });
    connect(m_check, &CheckPanel::schoolSpellingEverywhereRequested, this, [this] {
        const int changed = m_editing->useSchoolSpellingsEverywhere();
        statusBar()->showMessage(
            QStringLiteral("Знаки записаны по-школьному в задачах: %1. Отменить: Ctrl+Z.").arg(changed));
    });
    connect(m_check, &CheckPanel::findingActivated, this,
            [this](int problem, ProblemEditor::Field field, int row) {
                setCurrentProblem(problem);
                m_editor->focusField(field, row);
            });

    // The student's view is rebuilt after a pause in typing, as a long text takes a while to lay out.
    m_studentDelay->setSingleShot(true);
    m_studentDelay->setInterval(150);
    connect(m_studentDelay, &QTimer::timeout, this, &EditorWindow::refreshStudentView);
    connect(m_document, &BankDocument::changed, m_studentDelay, qOverload<>(&QTimer::start));
    connect(m_document, &BankDocument::changed, this, &EditorWindow::updateActions);
    // A problem inserted or removed elsewhere keeps the same problem current.
    connect(m_document, &BankDocument::problemsInserted, this, [this](int at, int) {
        if (m_list->currentIndex().isValid() == false)
            setCurrentProblem(at);
    });
    connect(m_document, &BankDocument::modelReset, this, [this] { setCurrentProblem(0); });

    // Undo and redo show the problem they changed, wherever it is.
    connect(m_document, &BankDocument::problemChanged, this, [this](int i) { m_touched = i; });
    connect(m_document, &BankDocument::problemsInserted, this, [this](int at, int) { m_touched = at; });
    connect(m_document, &BankDocument::problemsRemoved, this, [this](int at, int) { m_touched = at; });
    connect(m_document, &BankDocument::problemMoved, this, [this](int, int to) { m_touched = to; });
    // The list's current row moves with rows inserted above it without saying so, while the
    // fields stay on their index: after every step both are set to the same problem.
    connect(m_editing->undoStack(), &QUndoStack::indexChanged, this, [this] {
        const int touched = std::min(m_touched, m_document->problemCount() - 1);
        m_touched = -1;
        const QModelIndex listed = m_list->currentIndex();
        setCurrentProblem(touched >= 0 ? touched : listed.isValid() ? listed.row() : currentProblem());
    });
    connect(m_editing->undoStack(), &QUndoStack::cleanChanged, this,
            [this](bool clean) { setWindowModified(!clean); });

#ifdef Q_OS_WIN
    m_programPath = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("cifrovex.exe"));
#else
    m_programPath = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("cifrovex"));
#endif
    createActions();
    updateTitle();
    updateActions();
    statusBar()->showMessage(QStringLiteral("Новый банк задач."));
    // Room for the list, the fields and the student's view at its real size, within the screen.
    QSize size(1280, 820);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.95);
    resize(size);
}

EditorWindow::~EditorWindow() {
    // The undo stack clears itself, and says so, after this window is gone.
    disconnect(m_editing->undoStack(), nullptr, this, nullptr);
    disconnect(m_document, nullptr, this, nullptr);
}

void EditorWindow::createActions() {
    // Each command is made once, here, connected to what it does and put in its menu (none: the
    // caller places it).
    const auto command = [this](QMenu *menu, const QString &name, const QString &text,
                                const QKeySequence &key, const QString &tip, auto slot) {
        QAction *action = makeAction(this, name, text, key, tip);
        connect(action, &QAction::triggered, this, slot);
        if (menu)
            menu->addAction(action);
        return action;
    };

    QMenu *file = menuBar()->addMenu(QStringLiteral("&Файл"));
    command(file, QStringLiteral("NewBank"), QStringLiteral("&Новый банк"), QKeySequence::New, {},
            &EditorWindow::newBank);
    command(file, QStringLiteral("OpenBank"), QStringLiteral("&Открыть..."), QKeySequence::Open, {},
            &EditorWindow::open);
    m_save = command(nullptr, QStringLiteral("SaveBank"), QStringLiteral("&Сохранить"), QKeySequence::Save,
                     {}, &EditorWindow::save);
    QMenu *recent = file->addMenu(QStringLiteral("&Недавние файлы"));
    recent->setObjectName(QStringLiteral("RecentFilesMenu"));
    m_recent = new RecentFiles(recent, this);
    connect(m_recent, &RecentFiles::fileChosen, this, &EditorWindow::openRecent);
    file->addAction(m_save);
    command(file, QStringLiteral("SaveBankAs"), QStringLiteral("Сохранить &как..."),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
            QStringLiteral("Сохранить в другой файл, в формате Jet 4 или Jet 3"), &EditorWindow::saveAs);
    file->addSeparator();
    command(file, QStringLiteral("ImportAiken"), QStringLiteral("Импорт из &Aiken..."), {},
            QStringLiteral("Заменить задачи вопросами из текстового файла Moodle Aiken"),
            &EditorWindow::importAiken);
    command(file, QStringLiteral("ImportCsv"), QStringLiteral("Импорт из &CSV..."), {},
            QStringLiteral("Заменить задачи таблицами Zadachi.csv и Otvety.csv"), &EditorWindow::importCsv);
    QMenu *add = file->addMenu(QStringLiteral("&Добавить в банк"));
    const struct {
        const char *name;
        const char *text;
        ImportPlace place;
        bool csv;
    } adds[] = {
        {"AddAikenAfterCurrent", "Из Aiken после &текущей задачи...", ImportPlace::AfterCurrent, false},
        {"AddAikenAtEnd", "Из Aiken в &конец...", ImportPlace::AtEnd, false},
        {"AddCsvAfterCurrent", "Из CSV после т&екущей задачи...", ImportPlace::AfterCurrent, true},
        {"AddCsvAtEnd", "Из CSV в ко&нец...", ImportPlace::AtEnd, true},
    };
    for (const auto &a : adds)
        command(add, QString::fromLatin1(a.name), QString::fromUtf8(a.text), {},
                QStringLiteral("Добавить задачи из файла, не заменяя банк"),
                [this, place = a.place, csv = a.csv] {
                    if (csv)
                        importCsvTo(place);
                    else
                        importAikenTo(place);
                });
    command(file, QStringLiteral("ExportCsv"), QStringLiteral("&Экспорт в CSV..."), {},
            QStringLiteral("Записать Zadachi.csv и Otvety.csv в папку, как их пишет mdb-export"),
            &EditorWindow::exportCsv);
    command(file, QStringLiteral("ExportCsvSpreadsheet"),
            QStringLiteral("Экспорт для электронной &таблицы..."), {},
            QStringLiteral("Записать Zadachi.csv и Otvety.csv так, чтобы их открыла "
                           "электронная таблица: через «;», в UTF-8 с меткой BOM"),
            &EditorWindow::exportCsvForSpreadsheet);
    m_exportSelected = command(
        file, QStringLiteral("ExportSelectedCsv"), QStringLiteral("Экспорт &выбранных задач в CSV..."), {},
        QStringLiteral("Записать выбранные в списке задачи отдельным банком в Zadachi.csv и "
                       "Otvety.csv"),
        &EditorWindow::exportSelectedCsv);
    file->addSeparator();
    auto *sheets = new SheetCommands(m_document, this);
    sheets->dialogs().showError = [this](QWidget *parent, const QString &text) {
        m_dialogs.showError(parent, text);
    };
    file->addActions(sheets->actions());
    file->addSeparator();
    command(file, QStringLiteral("StartProgram"), QStringLiteral("&Запустить Cifrovex"), Qt::Key_F9,
            QStringLiteral("Пройти тест на этом банке (на его копии)"), &EditorWindow::startProgram);
    file->addSeparator();
    command(file, QStringLiteral("Quit"), QStringLiteral("В&ыход"), QKeySequence(Qt::CTRL | Qt::Key_Q), {},
            &QWidget::close);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Правка"));
    QAction *undo = m_editing->undoStack()->createUndoAction(this, QStringLiteral("&Отменить"));
    undo->setObjectName(QStringLiteral("Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = m_editing->undoStack()->createRedoAction(this, QStringLiteral("&Повторить"));
    redo->setObjectName(QStringLiteral("Redo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    addAction(undo);
    addAction(redo);
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    command(edit, QStringLiteral("InsertProblem"), QStringLiteral("&Новая задача"),
            QKeySequence(Qt::CTRL | Qt::Key_Return), QStringLiteral("Вставить пустую задачу после текущей"),
            &EditorWindow::insertProblem);
    m_duplicate = command(edit, QStringLiteral("DuplicateProblem"), QStringLiteral("&Копия задачи"),
                          QKeySequence(Qt::CTRL | Qt::Key_D), {}, &EditorWindow::duplicateProblem);
    m_remove = command(edit, QStringLiteral("RemoveProblem"), QStringLiteral("Уда&лить задачу"),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), {}, &EditorWindow::removeProblem);
    // Alt+Shift is the layout switch on Windows and window managers take Alt+Shift+arrows:
    // Ctrl+Shift+arrows reach the editor everywhere.
    m_moveUp = command(edit, QStringLiteral("MoveUp"), QStringLiteral("Переместить в&ыше"), {}, {},
                       &EditorWindow::moveUp);
    m_moveUp->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up), QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Up)});
    m_moveDown = command(edit, QStringLiteral("MoveDown"), QStringLiteral("Переместить ни&же"), {}, {},
                         &EditorWindow::moveDown);
    m_moveDown->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down),
                              QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Down)});
    command(edit, QStringLiteral("SelectAllProblems"), QStringLiteral("Выбрать вс&е задачи"),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
            QStringLiteral("Выбрать все задачи в списке (одну или несколько — Shift "
                           "или Ctrl и щелчок)"),
            [this] {
                m_list->selectAll();
                m_list->setFocus();
            });
    edit->addSeparator();
    command(edit, QStringLiteral("AddOption"), QStringLiteral("&Добавить вариант"),
            QKeySequence(Qt::ALT | Qt::Key_Insert), {}, [this] { m_editor->addOption(); });
    command(edit, QStringLiteral("RemoveOption"), QStringLiteral("Уд&алить вариант"),
            QKeySequence(Qt::ALT | Qt::Key_Delete), {}, [this] { m_editor->removeOption(); });
    command(edit, QStringLiteral("MoveOptionUp"), QStringLiteral("Вариант в&ыше"),
            QKeySequence(Qt::ALT | Qt::Key_Up), QStringLiteral("Поднять неверный вариант среди неверных"),
            [this] { m_editor->moveOption(-1); });
    command(edit, QStringLiteral("MoveOptionDown"), QStringLiteral("Вариант ни&же"),
            QKeySequence(Qt::ALT | Qt::Key_Down), QStringLiteral("Опустить неверный вариант среди неверных"),
            [this] { m_editor->moveOption(+1); });
    connect(m_editor, &ProblemEditor::optionNotMoved, this,
            [this](const QString &why) { statusBar()->showMessage(why, 8000); });
    QMenu *correct = edit->addMenu(QStringLiteral("&Верный ответ"));
    for (int n = 1; n <= 9; ++n)
        command(correct, QStringLiteral("MarkCorrect%1").arg(n), QStringLiteral("Вариант &%1").arg(n),
                QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + n)), {},
                [this, n] { m_editor->markCorrect(n - 1); });
    edit->addSeparator();
    command(edit, QStringLiteral("GoToList"), QStringLiteral("К &списку задач"), QKeySequence(Qt::Key_F6), {},
            [this] { m_list->setFocus(); });
    command(edit, QStringLiteral("GoToCondition"), QStringLiteral("К &условию"), QKeySequence(Qt::Key_F7), {},
            [this] { m_editor->focusField(ProblemEditor::Field::Condition); });
    edit->addSeparator();
    edit->addActions((new FindPanel(this))->actions());

    QMenu *view = menuBar()->addMenu(QStringLiteral("&Вид"));
    command(view, QStringLiteral("ShowCheck"), QStringLiteral("&Проверка"), QKeySequence(Qt::Key_F11), {},
            [this] {
                m_tabs->setCurrentIndex(0);
                m_check->findingsList()->setFocus();
            });
    command(view, QStringLiteral("ShowStudentView"), QStringLiteral("Как увидит уч&еник"),
            QKeySequence(Qt::Key_F12), {}, [this] { m_tabs->setCurrentIndex(1); });

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Справка"));
    command(help, QStringLiteral("ShowManual"), QStringLiteral("&Руководство"), QKeySequence::HelpContents,
            QStringLiteral("Как работать с редактором"), &EditorWindow::showManual);
    command(help, QStringLiteral("AboutEditor"), QStringLiteral("&О редакторе"), {}, {}, [this] {
        QMessageBox::about(
            this, appTitle(),
            QStringLiteral("<p><b>Редактор банка задач Cifrovex</b></p>"
                           "<p>Составляет и правит банк задач data.cvx. Верный вариант каждой задачи "
                           "редактор сам ставит под номер, который программа считает верным для её "
                           "места; остальные варианты сохраняют свой порядок.</p>"
                           "<p>Задачи 1–10 нужны уровню «3», 1–15 — уровню «4», 1–20 — уровню «5».</p>"));
    });
}

int EditorWindow::currentProblem() const {
    return m_editor->problem();
}

void EditorWindow::setCurrentProblem(int index) {
    if (index < 0 || index >= m_document->problemCount()) {
        m_list->setCurrentIndex({});
        m_editor->setProblem(m_document->problemCount() > 0 ? 0 : -1);
        if (m_document->problemCount() > 0)
            m_list->setCurrentIndex(m_model->index(0, ProblemListModel::PositionColumn));
        return;
    }
    // Not the view's setCurrentIndex: it reads the keys held, and Shift or Ctrl still down from
    // Shift+F3 or Ctrl+Shift+Up would add the rows passed on the way to the selection.
    m_list->selectionModel()->setCurrentIndex(m_model->index(index, ProblemListModel::PositionColumn),
                                              QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
    m_list->scrollTo(m_list->currentIndex());
    m_editor->setProblem(index);
}

QList<int> EditorWindow::selectedProblems() const {
    QList<int> rows;
    for (const QModelIndex &i : m_list->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty() && currentProblem() >= 0)
        rows << currentProblem();
    return rows;
}

void EditorWindow::selectProblems(const QList<int> &problems, int current) {
    setCurrentProblem(current);
    QItemSelection selection;
    for (int row : problems)
        if (row >= 0 && row < m_document->problemCount())
            selection.select(m_model->index(row, 0), m_model->index(row, ProblemListModel::ColumnCount - 1));
    m_list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void EditorWindow::useSchoolSpellings(int problem, ProblemEditor::Field field, int option) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    const BankEditing::Field which = field == ProblemEditor::Field::Condition ? BankEditing::Field::Condition
                                     : field == ProblemEditor::Field::Body    ? BankEditing::Field::Body
                                                                              : BankEditing::Field::Option;
    if (m_editing->useSchoolSpellings(problem, which, option)) {
        setCurrentProblem(problem);
        statusBar()->showMessage(
            QStringLiteral("Задача %1: знаки записаны по-школьному. Отменить: Ctrl+Z.").arg(problem + 1));
    }
}

void EditorWindow::updateTitle() {
    const QString name = m_path.isEmpty() ? QStringLiteral("Новый банк") : QFileInfo(m_path).fileName();
    setWindowTitle(QStringLiteral("%1[*] — %2").arg(name, appTitle()));
    setWindowFilePath(m_path);
}

void EditorWindow::updateActions() {
    const QList<int> selected = selectedProblems();
    const bool has = !selected.isEmpty();
    m_duplicate->setEnabled(has);
    m_remove->setEnabled(has);
    m_moveUp->setEnabled(has && selected.first() > 0);
    m_moveDown->setEnabled(has && selected.last() + 1 < m_document->problemCount());
    m_exportSelected->setEnabled(has);
}

void EditorWindow::refreshStudentView() {
    m_studentDelay->stop();
    const int current = currentProblem();
    if (current < 0)
        m_student->showProblem(DocProblem{}, 0);
    else
        m_student->showProblem(m_document->problem(current), current + 1);
}

bool EditorWindow::mayDiscard() {
    if (m_editing->undoStack()->isClean())
        return true;
    const QString name = m_path.isEmpty() ? QStringLiteral("Новый банк") : QFileInfo(m_path).fileName();
    switch (m_dialogs.askSave(
        this, QStringLiteral("В банке задач «%1» есть несохранённые изменения. Сохранить их?").arg(name))) {
    case EditorDialogs::SaveAnswer::Save:
        return save();
    case EditorDialogs::SaveAnswer::Discard:
        return true;
    case EditorDialogs::SaveAnswer::Cancel:
        break;
    }
    return false;
}

void EditorWindow::showNotes(const QStringList &notes) {
    if (notes.isEmpty())
        return;
    m_dialogs.showError(
        this, QStringLiteral("Редактор хранит верный вариант под номером, который считает верным "
                             "программа. В этом банке:\n\n") +
                  notes.mid(0, 15).join(u'\n') +
                  (notes.size() > 15 ? QStringLiteral("\n… и ещё %1.").arg(notes.size() - 15) : QString()));
}

void EditorWindow::newBank() {
    if (!mayDiscard())
        return;
    m_document->reset({});
    m_editing->undoStack()->clear();
    m_path.clear();
    m_stamp = {};
    holdLock({});
    m_version = jet::Version::Jet4;
    updateTitle();
    setWindowModified(false);
    statusBar()->showMessage(QStringLiteral("Новый банк задач."));
}

void EditorWindow::newBankAt(const QString &path) {
    m_document->reset({});
    m_editing->undoStack()->clear();
    m_path = QFileInfo(path).absoluteFilePath();
    m_stamp = bankdoc::FileStamp::of(m_path);
    holdLock(m_path);
    m_version = jet::Version::Jet4;
    updateTitle();
    setWindowModified(false);
    statusBar()->showMessage(
        QStringLiteral("Файла %1 ещё нет: новый банк запишется в него при сохранении.").arg(m_path));
}

void EditorWindow::open() {
    if (!mayDiscard())
        return;
    const QString path = m_dialogs.openFile(this, QStringLiteral("Открыть банк задач"), kBankFilter);
    rememberFolderOf(path);
    if (!path.isEmpty())
        openFile(path);
}

QString EditorWindow::othersUsing(const QString &path) const {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList who;
    if (!(m_lock && m_lockedPath == absolute)) {
        QLockFile probe(bankdoc::editorLockPath(absolute));
        probe.setStaleLockTime(0);
        if (!probe.tryLock(0) && probe.error() == QLockFile::LockFailedError) {
            qint64 pid = 0;
            QString host, application;
            probe.getLockInfo(&pid, &host, &application);
            who << (host.isEmpty() || host == QSysInfo::machineHostName()
                        ? QStringLiteral("в редакторе банка задач на этом компьютере")
                        : QStringLiteral("в редакторе банка задач на компьютере «%1»").arg(host));
        }
    }
    if (const QFileInfo jetLock(bankdoc::jetLockPath(absolute)); jetLock.exists())
        who << QStringLiteral("в Microsoft Access или другой программе (рядом с ним лежит её файл "
                              "блокировки %1)")
                   .arg(jetLock.fileName());
    return who.join(QStringLiteral(" и "));
}

void EditorWindow::holdLock(const QString &path) {
    m_lock.reset();
    m_lockedPath.clear();
    if (path.isEmpty())
        return;
    // A lock left by an editor that was killed names a process that is gone: Qt takes it over.
    // Age alone makes none stale, as a bank on a shared folder may be open for hours.
    auto lock = std::make_unique<QLockFile>(bankdoc::editorLockPath(path));
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        m_lockedPath = path;
    }
}

bool EditorWindow::openFile(const QString &path) {
    if (const QString who = othersUsing(path); !who.isEmpty()) {
        const QString question =
            QStringLiteral("Банк задач «%1» уже открыт %2.\n\nЕсли править его в двух программах сразу, "
                           "то, что сохранит одна, сотрёт сохранённое другой. Открыть его всё равно?")
                .arg(QDir::toNativeSeparators(path), who);
        if (m_dialogs.choose(this, question, {QStringLiteral("&Открыть"), QStringLiteral("Отмена")}) != 0)
            return false;
    }
    QStringList notes;
    bankfiles::OpenedBank opened;
    try {
        opened = bankfiles::openBank(path);
    } catch (const BankError &e) {
        m_dialogs.showError(this, e.message());
        return false;
    }
    m_document->reset(BankDocument::fromBank(opened.bank, &notes));
    m_editing->undoStack()->clear();
    m_path = QFileInfo(path).absoluteFilePath();
    m_stamp = bankdoc::FileStamp::of(m_path);
    holdLock(m_path);
    rememberFolderOf(m_path);
    m_version = opened.version;
    updateTitle();
    setWindowModified(false);
    statusBar()->showMessage(
        QStringLiteral("Открыт банк %1 (%2): задач %3.")
            .arg(m_path, m_version == jet::Version::Jet3 ? QStringLiteral("Jet 3") : QStringLiteral("Jet 4"))
            .arg(m_document->problemCount()));
    m_recent->add(m_path);
    showNotes(notes);
    return true;
}

void EditorWindow::openRecent(const QString &path) {
    if (!mayDiscard())
        return;
    if (!QFileInfo::exists(path)) {
        m_dialogs.showError(this,
                            QStringLiteral("Файла «%1» больше нет: он удалён из списка недавних.").arg(path));
        m_recent->remove(path);
        return;
    }
    if (!openFile(path))
        m_recent->remove(path);
}

void EditorWindow::showManual() {
    if (!m_manual)
        m_manual = new ManualWindow(this);
    m_manual->show();
    m_manual->raise();
    m_manual->activateWindow();
}

bool EditorWindow::save() {
    if (m_path.isEmpty())
        return saveAs();
    return saveTo(m_path, m_version);
}

bool EditorWindow::saveAs() {
    return saveAsOffering(m_version);
}

bool EditorWindow::saveAsOffering(jet::Version version) {
    bool jet3 = version == jet::Version::Jet3;
    const QString suggested =
        QDir(dialogFolder())
            .filePath(m_path.isEmpty() ? QStringLiteral("data.cvx") : QFileInfo(m_path).fileName());
    const QString path = m_dialogs.saveFile(this, suggested, &jet3);
    if (path.isEmpty())
        return false;
    rememberFolderOf(path);
    return saveTo(path, jet3 ? jet::Version::Jet3 : jet::Version::Jet4);
}

bool EditorWindow::saveTo(const QString &path, jet::Version version) {
    // Said by problem and field, with what to do, rather than by table, row and column.
    if (const QString refused = unstorableSigns(m_document->problems(), version); !refused.isEmpty()) {
        const QString said = QStringLiteral("Банк задач не сохранён в «%1»: %2").arg(path, refused);
        // A Jet 4 file keeps these signs: the teacher's work need not wait for the school spelling.
        if (version == jet::Version::Jet3)
            return m_dialogs.saveFailed(this, said + QStringLiteral("\n\nСохранить банк в другой файл?")) &&
                   saveAsOffering(jet::Version::Jet4);
        m_dialogs.showError(this, said);
        return false;
    }
    // A bank still being written may be saved, but one no level can use is said to be so first.
    if (const bankcheck::Report report = bankcheck::check(m_document->toBank());
        report.levelsServed.isEmpty()) {
        const QString question =
            QStringLiteral("На этом банке не работает ни один уровень программы:\n\n%1\n\nЧто не так, "
                           "показывает вкладка «Проверка» (F11). Сохранить банк всё равно?")
                .arg(bankcheck::levelLines(report).join(u'\n'));
        if (m_dialogs.choose(this, question, {QStringLiteral("&Сохранить"), QStringLiteral("Отмена")}) != 0)
            return false;
    }
    // Another program's work on the file is not overwritten without a word.
    const QString target = QFileInfo(path).absoluteFilePath();
    QStringList others;
    if (target == m_path) {
        const bankdoc::FileStamp now = bankdoc::FileStamp::of(target);
        if (now.size >= 0 && now != m_stamp)
            others << QStringLiteral("Файл «%1» изменён другой программой после того, как редактор его %2.")
                          .arg(QDir::toNativeSeparators(target), m_stamp.size >= 0
                                                                     ? QStringLiteral("открыл или сохранил")
                                                                     : QStringLiteral("создал"));
    }
    if (const QString who = othersUsing(target); !who.isEmpty())
        others
            << QStringLiteral("Банк задач «%1» сейчас открыт %2.").arg(QDir::toNativeSeparators(target), who);
    if (!others.isEmpty()) {
        const QString question =
            others.join(u' ') + QStringLiteral("\n\nЕсли сохранить сюда, изменения, "
                                               "сделанные там, пропадут. Перезаписать файл?");
        switch (m_dialogs.choose(this, question,
                                 {QStringLiteral("&Перезаписать"), QStringLiteral("Сохранить &как..."),
                                  QStringLiteral("Отмена")})) {
        case 0:
            break;
        case 1:
            return saveAs();
        default:
            return false;
        }
    }
    QString note;
    try {
        note = m_document->save(path, version, m_path);
    } catch (const BankError &e) {
        // Another file, folder or format may well do: the teacher's work is not lost.
        return m_dialogs.saveFailed(this,
                                    e.message() + QStringLiteral("\n\nСохранить банк в другой файл?")) &&
               saveAs();
    }
    m_path = target;
    m_stamp = bankdoc::FileStamp::of(m_path);
    if (m_lockedPath != m_path)
        holdLock(m_path);
    m_version = version;
    m_editing->undoStack()->setClean();
    m_recent->add(m_path);
    updateTitle();
    setWindowModified(false);
    // Saving a bank still being written is fine; the teacher is told which levels it serves yet.
    const bankcheck::Report report = bankcheck::check(m_document->toBank());
    QStringList levels;
    for (int level : report.levelsServed)
        levels << QStringLiteral("«%1»").arg(level);
    const QString served =
        report.ok() ? QStringLiteral("банк готов для всех уровней")
        : levels.isEmpty()
            ? QStringLiteral("ни один уровень пока не работает (см. «Проверка»)")
            : QStringLiteral("работают уровни %1 (см. «Проверка»)").arg(levels.join(QStringLiteral(", ")));
    const QString backup =
        QFile::exists(bankdoc::backupPath(m_path))
            ? QStringLiteral("; прежняя версия — %1").arg(QFileInfo(bankdoc::backupPath(m_path)).fileName())
            : QString();
    statusBar()->showMessage(
        QStringLiteral("Сохранено в %1 (%2)%3; %4.")
            .arg(m_path, version == jet::Version::Jet3 ? QStringLiteral("Jet 3") : QStringLiteral("Jet 4"),
                 backup, served));
    if (!note.isEmpty())
        m_dialogs.showInfo(this, note);
    return true;
}

int EditorWindow::importIndex(ImportPlace place) const {
    switch (place) {
    case ImportPlace::Replace:
        break;
    case ImportPlace::AfterCurrent:
        return currentProblem() + 1;
    case ImportPlace::AtEnd:
        return m_document->problemCount();
    }
    return 0;
}

void EditorWindow::placeImported(const QList<DocProblem> &problems, ImportPlace place, const QString &what) {
    if (place == ImportPlace::Replace) {
        m_editing->replaceAll(problems, what);
        return;
    }
    const int at = importIndex(place);
    m_editing->insertProblems(at, problems, what);
    QList<int> added;
    for (int i = 0; i < problems.size(); ++i)
        added << at + i;
    selectProblems(added, at);
}

void EditorWindow::importAikenTo(ImportPlace place) {
    const QString path = m_dialogs.openFile(this,
                                            place == ImportPlace::Replace
                                                ? QStringLiteral("Импорт вопросов в формате Aiken")
                                                : QStringLiteral("Добавить в банк вопросы в формате Aiken"),
                                            QStringLiteral("Вопросы Aiken (*.txt);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    rememberFolderOf(path);
    try {
        // Added to a bank, the file needs no level's worth of questions; each keeps its own order.
        const bankfiles::Import import =
            bankfiles::importAiken(path, m_version, place == ImportPlace::Replace);
        const int at = importIndex(place);
        placeImported(import.problems, place, QStringLiteral("импорт из %1").arg(QFileInfo(path).fileName()));
        const EncodingNotice notice = encodingNotice(import.files);
        statusBar()->showMessage(QStringLiteral("%1 вопросов: %2 из %3. %4Отменить: Ctrl+Z.")
                                     .arg(importedWhere(place, at, int(import.problems.size())))
                                     .arg(import.problems.size())
                                     .arg(path, notice.status.isEmpty() ? QString() : notice.status + u' '));
        if (!notice.box.isEmpty())
            m_dialogs.showInfo(this, notice.box);
    } catch (const BankError &e) {
        m_dialogs.showError(this, e.message());
    }
}

void EditorWindow::importCsvTo(ImportPlace place) {
    const QString problems = m_dialogs.openFile(
        this,
        place == ImportPlace::Replace ? QStringLiteral("Импорт из CSV: таблица задач (Zadachi.csv)")
                                      : QStringLiteral("Добавить в банк из CSV: таблица задач (Zadachi.csv)"),
        QStringLiteral("Таблица CSV (*.csv);;Все файлы (*)"));
    if (problems.isEmpty())
        return;
    // The options' table is expected beside it; otherwise the teacher names it, starting there.
    rememberFolderOf(problems);
    QString options;
    const QDir dir = QFileInfo(problems).dir();
    for (const QString &name : dir.entryList(QDir::Files))
        if (name.compare(QStringLiteral("Otvety.csv"), Qt::CaseInsensitive) == 0)
            options = dir.filePath(name);
    if (options.isEmpty() || options == problems)
        options =
            m_dialogs.openFile(this, QStringLiteral("Импорт из CSV: таблица вариантов ответа (Otvety.csv)"),
                               QStringLiteral("Таблица CSV (*.csv);;Все файлы (*)"));
    if (options.isEmpty())
        return;
    rememberFolderOf(options);
    try {
        const bankfiles::Import import = bankfiles::importCsv(problems, options, m_version);
        if (import.problems.isEmpty() && place != ImportPlace::Replace) {
            m_dialogs.showError(
                this, QStringLiteral("В таблице «%1» нет ни одной задачи: добавлять нечего.").arg(problems));
            return;
        }
        const int at = importIndex(place);
        placeImported(import.problems, place, QStringLiteral("импорт из CSV"));
        const EncodingNotice notice = encodingNotice(import.files);
        statusBar()->showMessage(QStringLiteral("%1 задач: %2. %3Отменить: Ctrl+Z.")
                                     .arg(importedWhere(place, at, int(import.problems.size())),
                                          QString::number(import.problems.size()),
                                          notice.status.isEmpty() ? QString() : notice.status + u' '));
        if (!notice.box.isEmpty())
            m_dialogs.showInfo(this, notice.box);
        if (place == ImportPlace::Replace) {
            showNotes(import.notes);
        } else if (!import.unknownProblems.isEmpty()) {
            // Renumbering is what adding does anyway; only what is lost is worth a box.
            QStringList ids;
            for (qint32 id : import.unknownProblems)
                ids << QString::number(id);
            m_dialogs.showError(this,
                                QStringLiteral("В «%1» есть варианты ответа задач с ID_P %2, которых нет "
                                               "в «%3»: они не добавлены.")
                                    .arg(options, ids.join(QStringLiteral(", ")), problems));
        }
    } catch (const BankError &e) {
        m_dialogs.showError(this, e.message());
    }
}

void EditorWindow::exportCsv() {
    exportProblems(m_document->problems(), false);
}

void EditorWindow::exportCsvForSpreadsheet() {
    exportProblems(m_document->problems(), true);
}

void EditorWindow::exportSelectedCsv() {
    QList<DocProblem> problems;
    for (int i : selectedProblems())
        problems << m_document->problem(i);
    if (!problems.isEmpty())
        exportProblems(problems, false);
}

void EditorWindow::exportProblems(const QList<DocProblem> &problems, bool spreadsheet) {
    const bool all = problems.size() == m_document->problemCount();
    const QString what = all ? QString() : QStringLiteral(" выбранных задач (%1)").arg(problems.size());
    const QString folder = m_dialogs.chooseFolder(
        this, spreadsheet
                  ? QStringLiteral("Экспорт%1 для электронной таблицы: папка для Zadachi.csv и Otvety.csv")
                        .arg(what)
                  : QStringLiteral("Экспорт%1 в CSV: папка для Zadachi.csv и Otvety.csv").arg(what));
    if (folder.isEmpty())
        return;
    m_dialogFolder = QFileInfo(folder).absoluteFilePath();
    // The problems as a bank of their own: numbered from 1, each correct option under the key's
    // number for its place there.
    BankDocument part;
    part.reset(problems);
    const QList<jet::Table> tables = banktables::toTables(part.toBank());
    QStringList existing;
    for (const jet::Table &table : tables)
        if (QFileInfo::exists(QDir(folder).filePath(table.name + QStringLiteral(".csv"))))
            existing << table.name + QStringLiteral(".csv");
    if (!existing.isEmpty()) {
        const QString question =
            QStringLiteral("В папке «%1» уже есть %2. Заменить %3 таблицами этого банка?")
                .arg(QDir::toNativeSeparators(folder), existing.join(QStringLiteral(" и ")),
                     existing.size() > 1 ? QStringLiteral("их") : QStringLiteral("его"));
        if (m_dialogs.choose(this, question, {QStringLiteral("&Заменить"), QStringLiteral("Отмена")}) != 0)
            return;
    }
    for (const jet::Table &table : tables) {
        const QString path = QDir(folder).filePath(table.name + QStringLiteral(".csv"));
        const QByteArray text =
            csv::write(table, spreadsheet ? csv::Dialect::Spreadsheet : csv::Dialect::MdbExport);
        if (const QString why = platform::writeWhole(path, text); !why.isEmpty()) {
            m_dialogs.showError(this, QStringLiteral("Файл «%1» не записан: %2. Файл остался прежним.")
                                          .arg(QDir::toNativeSeparators(path), why));
            return;
        }
    }
    statusBar()->showMessage(QStringLiteral("Записаны Zadachi.csv и Otvety.csv%1 в %2.")
                                 .arg(spreadsheet ? QStringLiteral(" для электронной таблицы") : QString(),
                                      QDir::toNativeSeparators(folder)));
}

QString EditorWindow::dialogFolder() const {
    if (!m_dialogFolder.isEmpty())
        return m_dialogFolder;
    return m_path.isEmpty() ? QDir::homePath() : QFileInfo(m_path).absolutePath();
}

void EditorWindow::rememberFolderOf(const QString &path) {
    if (!path.isEmpty())
        m_dialogFolder = QFileInfo(path).absolutePath();
}

QString EditorWindow::lastTrialFolder() const {
    return m_trialFolders.empty() ? QString() : m_trialFolders.back()->path();
}

void EditorWindow::startProgram() {
    const QString &program = m_programPath;
    if (!QFileInfo(program).isExecutable()) {
        m_dialogs.showError(
            this, QStringLiteral("Программа Cifrovex не найдена рядом с редактором: %1.").arg(program));
        return;
    }
    // The program runs on any bank and shows what it can: a level the bank does not serve counts
    // problems that are not there or the wrong answers.
    if (const bankcheck::Report report = bankcheck::check(m_document->toBank());
        report.levelsServed.size() < 3) {
        const QString question =
            QStringLiteral(
                "%1 этом банке программа работает не так, как задумано:\n\n%2\n\nНа таком "
                "уровне она покажет не все задачи или засчитает не те ответы. Что не так, показывает "
                "вкладка «Проверка» (F11). Запустить программу всё равно?")
                .arg(report.levelsServed.isEmpty() ? QStringLiteral("Ни на одном уровне на")
                                                   : QStringLiteral("На некоторых уровнях на"),
                     bankcheck::levelLines(report).join(u'\n'));
        if (m_dialogs.choose(this, question, {QStringLiteral("&Запустить"), QStringLiteral("Отмена")}) != 0)
            return;
    }
    // The program reads data.cvx from its working folder: a copy of the bank as it is now, saved or not.
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid()) {
        m_dialogs.showError(
            this, QStringLiteral("Не удалось создать временную папку: %1.").arg(folder->errorString()));
        return;
    }
    const QString copy = folder->filePath(QStringLiteral("data.cvx"));
    try {
        bankfiles::writeNewBank(copy, m_document->toBank(), jet::Version::Jet4);
    } catch (const BankError &e) {
        m_dialogs.showError(this, e.message());
        return;
    }
    if (!m_dialogs.startProgram(program, folder->path())) {
        m_dialogs.showError(this, QStringLiteral("Программа %1 не запустилась.").arg(program));
        return;
    }
    statusBar()->showMessage(QStringLiteral("Cifrovex запущен на копии банка в %1.").arg(folder->path()));
    m_trialFolders.push_back(std::move(folder));
}

void EditorWindow::insertProblem() {
    const int at = currentProblem() + 1;
    m_editing->insertProblem(at);
    setCurrentProblem(at);
    m_editor->focusField(ProblemEditor::Field::Condition);
}

void EditorWindow::duplicateProblem() {
    const QList<int> rows = selectedProblems();
    if (rows.size() == 1) {
        m_editing->duplicateProblem(rows.first());
        setCurrentProblem(rows.first() + 1);
        return;
    }
    const int first = m_editing->duplicateProblems(rows);
    if (first < 0)
        return;
    QList<int> copies;
    for (int k = 0; k < rows.size(); ++k)
        copies << first + k;
    selectProblems(copies, first);
}

void EditorWindow::removeProblem() {
    const QList<int> rows = selectedProblems();
    if (rows.isEmpty())
        return;
    if (rows.size() == 1)
        m_editing->removeProblem(rows.first());
    else
        m_editing->removeProblems(rows);
    setCurrentProblem(std::min(rows.first(), m_document->problemCount() - 1));
}

void EditorWindow::moveSelected(int delta) {
    const QList<int> rows = selectedProblems();
    const int current = currentProblem();
    if (rows.size() == 1) {
        const int to = rows.first() + delta;
        if (to < 0 || to >= m_document->problemCount())
            return;
        m_editing->moveProblem(rows.first(), to);
        setCurrentProblem(to);
        return;
    }
    const QList<int> moved = m_editing->moveProblems(rows, delta);
    if (!moved.isEmpty())
        selectProblems(moved, rows.contains(current) ? current + delta : moved.first());
}

void EditorWindow::moveUp() {
    moveSelected(-1);
}

void EditorWindow::moveDown() {
    moveSelected(+1);
}

void EditorWindow::closeEvent(QCloseEvent *event) {
    if (mayDiscard())
        event->accept();
    else
        event->ignore();
}
