#pragma once

// Driving the main window from tests: small banks, the level dialog, modal windows.

#include "data/bank.h"
#include "data/unmodul.h"
#include "testing/option_grid.h"
#include "testing/unlevel.h"
#include "testing/unmain.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace mwtest {

// A bank of `problems` problems with four options each, numbered 1 to 4 in file order.
inline Bank smallBank(int problems) {
    Bank bank;
    for (int p = 1; p <= problems; ++p) {
        bank.problems.append(
            Problem{p, QStringLiteral("Тело %1").arg(p), QStringLiteral("Условие %1").arg(p)});
        for (qint16 o = 1; o <= 4; ++o)
            bank.options.append(
                AnswerOption{p * 10 + o, p, QStringLiteral("Ответ %1.%2").arg(p).arg(o), false, o});
    }
    return bank;
}

// Runs `act` on the first visible modal window of type T once one is up, from the event loop it
// runs in. Used for the modal windows that a call under test opens and waits for. The request
// dies with `context`, so a window that never came cannot be answered by a later test.
template <typename T> void whenModal(QObject *context, std::function<void(T *)> act) {
    QTimer::singleShot(0, context, [context, act] {
        if (auto *window = qobject_cast<T *>(QApplication::activeModalWidget());
            window && window->isVisible())
            act(window);
        else
            whenModal<T>(context, act);
    });
}

// How the level dialog that the next showing opens is answered.
enum class LevelAnswer { Level3, Level4, Level5, CloseBox, Exit };

inline void answerLevelDialog(QObject *context, LevelAnswer answer, bool *seen = nullptr) {
    whenModal<TForm1>(context, [answer, seen](TForm1 *dialog) {
        if (seen)
            *seen = true;
        const auto radio = [dialog](int n) {
            return dialog->findChild<QRadioButton *>(QStringLiteral("RadioButton%1").arg(n));
        };
        switch (answer) {
        case LevelAnswer::Level3:
        case LevelAnswer::Level4:
        case LevelAnswer::Level5:
            radio(int(answer) + 1)->setChecked(true);
            dialog->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
            break;
        case LevelAnswer::CloseBox:
            dialog->close();
            break;
        case LevelAnswer::Exit:
            dialog->findChild<QPushButton *>(QStringLiteral("BitBtn2"))->click();
            break;
        }
    });
}

inline LevelAnswer levelAnswer(int level) {
    return level == 4 ? LevelAnswer::Level4 : level == 5 ? LevelAnswer::Level5 : LevelAnswer::Level3;
}

// Shows the window, which opens the level dialog first; the dialog is answered as given.
inline void showWith(TForm2 &window, LevelAnswer answer) {
    answerLevelDialog(&window, answer);
    window.show();
}

template <typename T = QWidget> T *child(const QObject &window, const char *name) {
    return window.findChild<T *>(QString::fromLatin1(name));
}

inline QString paneCaption(const TForm2 &window, const char *pane) {
    return child<QGroupBox>(window, pane)->title();
}

// Makes the option with number `dopol` current by clicking its panel, as a user picks it.
inline bool pickOption(TForm2 &window, int dopol) {
    TDM *dm = window.dataModule();
    auto *grid = child<OptionGrid>(window, "DBCtrlGrid1");
    for (int i = 0; i < dm->optionCount(); ++i) {
        if (dm->option(i).dopol != dopol)
            continue;
        const int row = i - grid->topIndex();
        if (row < 0 || row >= OptionGrid::RowCount)
            return false;
        QTest::mouseClick(grid->panel(row), Qt::LeftButton, {}, QPoint(3, 3));
        return dm->currentOptionIndex() == i;
    }
    return false;
}

} // namespace mwtest
