#!/usr/bin/python3
"""Acceptance tests of the real program.

Each test starts the built executable in a folder of its own, reads its windows over AT-SPI the
way a screen reader does and drives it with real key presses and mouse clicks (xdotool). What a
screen reader cannot read (the splash gauge, the green of the current option) is checked on
screenshots.

Usage (normally through run.sh, inside a private X server and D-Bus session):
    acceptance.py <path to cifrovex> <path to the shipped data.cvx> <scratch folder>
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import warnings

import pyatspi
from gi.repository import Gio, GLib

PROGRAM = BANK = SCRATCH = None

MAIN_TITLE = "Цифроведческийзачёт"
LEVEL_TITLE = "Уровень сложности"
RESULTS_TITLE = "Результаты"
ABOUT_TITLE = "О программе"
IDLE_PROBLEM_CAPTION = "Здесь будет условие задачи"
KEY = [3, 1, 4, 2, 2, 3, 1, 2, 4, 3, 4, 2, 3, 2, 2, 3, 3, 4, 3, 2]
PROBLEMS = {3: 10, 4: 15, 5: 20}
CONGRATULATION = "Поздравляю! Вы прошли тест. Нажмите OK и ознакомьтесь с результатами."

# Generous: under the sanitizers a start takes several times as long, and polling ends early.
START_TIMEOUT = 90.0
TIMEOUT = 30.0


def wait_for(probe, what, timeout=TIMEOUT, interval=0.05, program=None):
    """Polls probe() until it returns something truthy and returns that. `what` may be a function
    giving the description, for one that tells what was last seen."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = probe()
            if value:
                return value
        except AssertionError:  # a probe that has seen something wrong fails at once
            raise
        except Exception as error:  # the accessibility tree changes under our feet
            last_error = error
        if time.monotonic() > deadline or (program is not None and program.process.poll() is not None):
            break
        time.sleep(interval)
    message = f"timed out waiting for {what() if callable(what) else what}"
    if last_error is not None:
        message += f" (last error: {last_error})"
    if program is not None:
        message += program.diagnosis()
    raise AssertionError(message)


class Announcements:
    """What a screen reader is told as windows come up: alerts that show or become active, as
    (process id, name). Events arrive through the GLib main loop, which pump() runs."""

    EVENTS = ("window:activate", "object:state-changed:showing")

    def __init__(self):
        self.heard = []
        pyatspi.Registry.registerEventListener(self._on_event, *self.EVENTS)

    def _on_event(self, event):
        try:
            if event.type.startswith("object:") and not event.detail1:
                return
            source = event.source
            if source.getRole() == pyatspi.ROLE_ALERT:
                self.heard.append((source.get_process_id(), source.name))
        except Exception:  # the box may be gone already
            pass

    def pump(self):
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass

    def alert(self, pid, name):
        self.pump()
        return (pid, name) in self.heard

    def close(self):
        pyatspi.Registry.deregisterEventListener(self._on_event, *self.EVENTS)


ANNOUNCEMENTS = None


def run(*command, check=True):
    return subprocess.run([str(c) for c in command], check=check, capture_output=True, text=True).stdout


def xdo(*args):
    return run("xdotool", *args)


def showing(acc):
    return pyatspi.STATE_SHOWING in acc.getState().getStates()


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find(root, role=None, name=None, predicate=None):
    for acc in walk(root):
        if (role is None or acc.getRole() == role) and (name is None or acc.name == name) and \
                (predicate is None or predicate(acc)):
            return acc
    return None


def text_of(acc):
    try:
        text = acc.queryText()
    except NotImplementedError:
        return None
    return text.getText(0, text.characterCount)


def extents(acc):
    box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def grab(x, y, width, height):
    """The screen's pixels in a rectangle, as rows of (r, g, b)."""
    raw = subprocess.run(["import", "-silent", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                          "+repage", "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    pixels = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
    return [pixels[row * width:(row + 1) * width] for row in range(height)]


def green_share(rows):
    """The share of pixels in the current option's green."""
    flat = [p for row in rows for p in row]
    return sum(p == (0, 128, 0) for p in flat) / max(1, len(flat))


class Program:
    """One running copy of the program in a folder of its own.

    The program lets one copy run per user, found through a lock in XDG_RUNTIME_DIR, so every
    copy gets a runtime folder of its own unless a test shares one on purpose."""

    def __init__(self, bank=True, bank_bytes=None, runtime=None):
        self.folder = tempfile.mkdtemp(dir=SCRATCH)
        if bank_bytes is not None:
            with open(os.path.join(self.folder, "data.cvx"), "wb") as f:
                f.write(bank_bytes)
        elif bank:
            shutil.copy(BANK, os.path.join(self.folder, "data.cvx"))
        self.owns_runtime = runtime is None
        self.runtime = runtime or tempfile.mkdtemp(dir=SCRATCH)
        env = dict(os.environ)
        # Qt finds the accessibility bus through the session bus only when this is not set.
        env.pop("AT_SPI_BUS_ADDRESS", None)
        env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=self.runtime)
        self.log = open(os.path.join(self.folder, "stderr.log"), "w+b")
        self.process = subprocess.Popen([PROGRAM], cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=self.log)
        self._app = None

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=30)
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)
        if self.owns_runtime:
            shutil.rmtree(self.runtime, ignore_errors=True)

    def diagnosis(self):
        code = self.process.poll()
        self.log.flush()
        self.log.seek(0)
        tail = self.log.read().decode(errors="replace")[-3000:]
        state = "still running" if code is None else f"exited with code {code}"
        xvfb = os.environ.get("ACCEPTANCE_XVFB_PID")
        if xvfb and not os.path.exists(f"/proc/{xvfb}"):
            state += " (the X server has gone)"
        return f"\nprogram {state}" + (f"; its output:\n{tail}" if tail.strip() else "")

    def wait(self, probe, what, timeout=TIMEOUT, interval=0.05):
        return wait_for(probe, what, timeout, interval, program=self)

    def exit_code(self, timeout=TIMEOUT):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end" + self.diagnosis()) from None

    # --- reading as a screen reader -------------------------------------------------------
    def app(self):
        if self._app is None:
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.get_process_id() == self.process.pid:
                    self._app = app
        return self._app

    def showing_windows(self):
        app = self.app()
        if app is None:
            return []
        windows = (app.getChildAtIndex(i) for i in range(app.childCount))
        return [w for w in windows if w is not None and showing(w)]

    def showing_titles(self):
        return sorted(w.name for w in self.showing_windows())

    def window(self, title, timeout=TIMEOUT):
        """The showing top-level window with this title."""
        return self.wait(lambda: next((w for w in self.showing_windows() if w.name == title), None),
                         f"window {title!r}", timeout)

    def wait_gone(self, title):
        self.wait(lambda: title not in self.showing_titles(), f"window {title!r} to close")

    def message_box(self, caption, timeout=TIMEOUT):
        """The text of the showing message box with this caption. A screen reader must meet it as
        an alert and be told when it opens, as it reads out only what it is told of."""
        box = self.window(caption, timeout)
        if box.getRole() != pyatspi.ROLE_ALERT:
            raise AssertionError(f"the {caption!r} box reads as a {box.getRoleName()}, not an alert")
        self.wait(lambda: ANNOUNCEMENTS.alert(self.process.pid, caption), f"the {caption!r} box announced")
        texts = [acc.name for acc in walk(box) if acc.getRole() == pyatspi.ROLE_LABEL and acc.name]
        return texts[-1] if texts else ""

    # --- acting as a person ---------------------------------------------------------------
    def x_windows(self):
        """The program's mapped X windows by title."""
        ids = run("xdotool", "search", "--onlyvisible", "--pid", self.process.pid, check=False).split()
        # xdotool's --name matching mangles non-ASCII titles, so the titles are compared here.
        return {xdo("getwindowname", i).rstrip("\n"): i for i in ids}

    def focus(self, title):
        window_id = self.wait(lambda: self.x_windows().get(title), f"X window {title!r}")
        xdo("windowfocus", "--sync", window_id)

    def keys(self, title, *keys):
        """Keys typed into the window with this title."""
        self.focus(title)
        for key in keys:
            xdo("key", "--clearmodifiers", key)

    def point_at(self, acc):
        x, y, w, h = extents(acc)
        xdo("mousemove", "--sync", x + w // 2, y + h // 2)

    def click(self, acc, double=False):
        self.point_at(acc)
        xdo("click", *(["--repeat", 2, "--delay", 80] if double else []), 1)


class MainWindow:
    """What a screen reader finds in the main window, looked up once: the window object and its
    controls live as long as the program."""

    def __init__(self, program):
        self.program = program
        self.frame = program.window(MAIN_TITLE)
        panes = [acc for acc in walk(self.frame) if acc.getRole() == pyatspi.ROLE_PANEL]
        self.problem_pane = next(p for p in panes if find(p, role=pyatspi.ROLE_TEXT))
        self.option_pane = next(p for p in panes if p is not self.problem_pane)
        self.grid = find(self.option_pane, predicate=lambda a: pyatspi.STATE_FOCUSABLE in a.getState().getStates()
                         and a.getRole() != pyatspi.ROLE_TEXT)
        self.option_panels = [self.grid.getChildAtIndex(i) for i in range(self.grid.childCount)
                              if self.grid.getChildAtIndex(i).getRole() != pyatspi.ROLE_SCROLL_BAR]
        status_bar = find(self.frame, name="Строка состояния")
        self.status_labels = [status_bar.getChildAtIndex(i) for i in range(status_bar.childCount)
                              if status_bar.getChildAtIndex(i).getRole() == pyatspi.ROLE_LABEL]
        self.buttons = {b.name: b for b in walk(self.frame)
                        if b.getRole() == pyatspi.ROLE_PUSH_BUTTON and showing(b)}

    def heading(self):
        return self.problem_pane.name

    def progress(self):
        return self.status_labels[6].name

    def wait_heading(self, heading):
        return self.program.wait(lambda: self.heading() == heading,
                                 lambda: f"problem heading {heading!r} (it reads {self.heading()!r})")

    def panel_of(self, option):
        """The option panel whose option has this number; panels read "number: text"."""
        return self.program.wait(
            lambda: next((p for p in self.option_panels if showing(p) and p.name.startswith(f"{option}: ")), None),
            f"the panel of option {option}")

    def enabled(self, caption):
        return pyatspi.STATE_ENABLED in self.buttons[caption].getState().getStates()


class AcceptanceTest(unittest.TestCase):
    def start(self, **kwargs):
        program = Program(**kwargs)
        self.addCleanup(program.close)
        return program

    def choose_level(self, program, level):
        """Picks the level with the arrow keys and Enter, as the dialog opens at "3"."""
        program.window(LEVEL_TITLE, START_TIMEOUT)
        program.keys(LEVEL_TITLE, *(["Down"] * (level - 3)), "Return")
        program.wait_gone(LEVEL_TITLE)
        main = MainWindow(program)
        program.wait(lambda: main.progress() == f"Всего {PROBLEMS[level]} задач", "the level's total")
        return main

    def answer(self, main, option, how):
        if how == "double click":
            main.program.click(main.panel_of(option), double=True)
        elif how == "click and Answer":
            main.program.click(main.panel_of(option))
            main.program.wait(lambda: main.grid.name.startswith(f"{option}: "), f"option {option} selected")
            main.program.click(main.buttons["Ответить"])
        else:  # the keyboard: the grid has the focus, Home and Down pick, Enter answers
            row = main.option_panels.index(main.panel_of(option))
            main.program.keys(MAIN_TITLE, "Home", *(["Down"] * row))
            main.program.wait(lambda: main.grid.name.startswith(f"{option}: "), f"option {option} read out")
            main.program.keys(MAIN_TITLE, "Return")

    def take_test(self, main, level, correct, how):
        """Starts a test with Enter and answers it: the first `correct` problems right, the others
        wrong. Returns the results window's lines."""
        program, n = main.program, PROBLEMS[level]
        program.keys(MAIN_TITLE, "Return")  # the Start button has the focus
        main.wait_heading("Задача №1")
        self.assertEqual(main.progress(), f"Осталось решить {n} задач")
        self.assertEqual(main.option_pane.name, "Выберите нужный ответ:")
        if how == "keyboard":
            program.keys(MAIN_TITLE, "shift+Tab")  # from the Answer button back to the grid
        for p in range(1, n + 1):
            chosen = KEY[p - 1] if p <= correct else KEY[p - 1] % 4 + 1
            self.answer(main, chosen, how)
            if p < n:
                main.wait_heading(f"Задача № {p + 1}")
                if how == "double click":
                    # The double click's second click must not select a word of the next problem.
                    texts = [find(panel, role=pyatspi.ROLE_TEXT) for panel in main.option_panels]
                    selected = [t.name for t in texts if t is not None and t.queryText().getNSelections()]
                    self.assertEqual(selected, [], f"text selected on problem {p + 1}")
                self.assertEqual(main.option_pane.name, f"Узадачи № {p}, выбран ответ № {chosen}")
                remaining = n - p
                form = {4: "задачи", 3: "задачи", 2: "задачи", 1: "задачу"}.get(remaining, "задач")
                self.assertEqual(main.progress(), f"Осталось решить {remaining} {form}")
        caption = "Information" if level == 3 else "Cifrovex"
        self.assertEqual(program.message_box(caption), CONGRATULATION)
        self.assertEqual(main.heading(), f"Задача № {n}")
        self.assertEqual(main.progress(), "Тест завершен")
        program.keys(caption, "Return")
        results = program.window(RESULTS_TITLE)
        self.assertNotIn(MAIN_TITLE, program.showing_titles())
        memo = program.wait(lambda: find(results, role=pyatspi.ROLE_TEXT, predicate=text_of), "the results text")
        return text_of(memo).splitlines()

    def check_tab_cycle(self, program, title, expected):
        """Tabs once round the window from the control with the focus and compares what a screen
        reader announces for each control on the way: (role, name) pairs, a name of None standing
        for any name but an empty one."""
        window = program.window(title)

        def focused():
            return find(window, predicate=lambda a: pyatspi.STATE_FOCUSED in a.getState().getStates())

        visited = [program.wait(focused, f"the focus in {title!r}")]
        for _ in expected:
            program.keys(title, "Tab")
            previous = visited[-1]
            visited.append(program.wait(lambda: (f := focused()) is not None and f != previous and f,
                                        f"the focus to move on from {previous.name!r} in {title!r}"))
        said = [(a.getRoleName(), a.name) for a in visited]
        self.assertEqual(said[-1], said[0], "Tab does not come round to where it started")
        wanted = [(role, name if name is not None else said[i][1]) for i, (role, name) in enumerate(expected)]
        self.assertEqual(said[:-1], wanted)
        self.assertTrue(all(name for _, name in said), said)

    # --- the tests ------------------------------------------------------------------------
    def test_start_up_to_exit(self):
        """Splash at 100 %, the level dialog alone, each window's Tab order as a screen reader
        hears it, the green current option, hints, the exit question."""
        program = self.start()
        self.check_splash_reaches_full(program)

        dialog = program.window(LEVEL_TITLE, START_TIMEOUT)
        self.assertEqual(program.showing_titles(), [LEVEL_TITLE], "the level dialog is not alone")
        self.assertEqual(list(program.x_windows()), [LEVEL_TITLE])
        self.assertEqual(find(dialog, role=pyatspi.ROLE_PANEL).name, "Выберите уровень сложности теста:")
        radios = [a for a in walk(dialog) if a.getRole() == pyatspi.ROLE_RADIO_BUTTON]
        self.assertEqual([r.name for r in radios], ['на "3" (10 задач)', 'на "4" (15 задач)', 'на "5" (20 задач)'])
        self.assertEqual([pyatspi.STATE_CHECKED in r.getState().getStates() for r in radios], [True, False, False])
        self.check_tab_cycle(program, LEVEL_TITLE, [("radio button", 'на "3" (10 задач)'),
                                                    ("push button", "Выбрать!"), ("push button", "Выход")])
        hints = {b.name: b.description for b in walk(dialog) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON}
        self.assertEqual(hints, {"Выбрать!": 'Выберите уровень и нажмите "Выбрать!"', "Выход": "Выход из программы"})

        main = self.choose_level(program, 3)
        self.assertEqual(main.heading(), IDLE_PROBLEM_CAPTION)
        # A screen reader's "read the status bar" and toolbar commands find them by their roles.
        self.assertEqual(find(main.frame, role=pyatspi.ROLE_STATUS_BAR).name, "Строка состояния")
        self.assertEqual(find(main.frame, role=pyatspi.ROLE_TOOL_BAR).name, "Панель инструментов")
        self.assertEqual({c: main.enabled(c) for c in main.buttons},
                         {"Начать": True, "Ответить": False, "Сначала": False, "Уровень": True, "Выход": True})
        # The Level command opens the dialog afresh, at "3" again whatever was chosen before.
        program.keys(MAIN_TITLE, "F4")
        dialog = program.window(LEVEL_TITLE)
        radios = [a for a in walk(dialog) if a.getRole() == pyatspi.ROLE_RADIO_BUTTON]
        self.assertEqual([pyatspi.STATE_CHECKED in r.getState().getStates() for r in radios], [True, False, False])
        self.choose_level(program, 4)
        program.keys(MAIN_TITLE, "Return")  # Start has the focus
        main.wait_heading("Задача №1")
        self.assertEqual(main.progress(), "Осталось решить 15 задач")
        # Start and Level are disabled now; the memos are read-only but reachable for reading.
        self.check_tab_cycle(program, MAIN_TITLE, [
            ("push button", "Ответить"), ("push button", "Выход"), ("push button", "Сначала"),
            ("text", None), ("text", None), ("list", main.option_panels[0].name)])
        self.check_green_follows_current_option(main)

        # The hint of the control under the pointer shows in the status bar's help panel.
        for caption, hint in [("Выход", "Выход из программы"), ("Сначала", "Начать сначала")]:
            program.point_at(main.buttons[caption])
            program.wait(lambda: main.status_labels[5].name == hint, f"the hint {hint!r}")

        program.keys(MAIN_TITLE, "Escape")
        self.assertEqual(program.message_box("Confirm"), "Вы действительно хотите выйти из программы?")
        program.keys("Confirm", "Escape")  # No
        program.wait_gone("Confirm")
        self.assertIsNone(program.process.poll())
        self.assertIn(MAIN_TITLE, program.showing_titles())
        program.keys(MAIN_TITLE, "alt+F4")  # the Exit menu item's key asks too
        self.assertEqual(program.message_box("Confirm"), "Вы действительно хотите выйти из программы?")
        program.keys("Confirm", "Return")  # Yes
        self.assertEqual(program.exit_code(), 0)

    def check_splash_reaches_full(self, program):
        """The gauge's bar fills the inner area and its "100%" shows white on black. The window
        does not answer the accessibility bus while the gauge runs, so only the screen tells."""
        def splash_geometry():
            for window_id in program.x_windows().values():
                shell = dict(line.split("=", 1) for line in xdo("getwindowgeometry", "--shell", window_id).split())
                if (shell["WIDTH"], shell["HEIGHT"]) == ("342", "272"):
                    return int(shell["X"]), int(shell["Y"])
            return None

        def gauge_full():
            position = splash_geometry()
            if position is None:
                self.assertNotIn(LEVEL_TITLE, program.x_windows(), "the splash went before its gauge was full")
                return False
            x, y = position
            # The gauge: the bottom 30 pixels, a one-pixel frame around the inner area.
            rows = grab(x + 1, y + 242 + 1, 340, 28)
            black = (0, 0, 0)
            ends = all(row[c] == black for row in rows for c in (0, 1, 338, 339))
            white = sum(p == (255, 255, 255) for row in rows for p in row[120:220])
            return ends and white >= 20

        program.wait(gauge_full, "the splash gauge at 100%", START_TIMEOUT, interval=0.02)

    def check_green_follows_current_option(self, main):
        """The current option's panel is painted green; a click and the arrow keys on the grid move
        it, and the grid reads out the option it moved to."""
        program = main.program
        shares = []

        def only_green(row):
            shares[:] = [round(green_share(grab(*extents(panel))), 2) for panel in main.option_panels]
            if not (shares[row] > 0.1 and all(s == 0 for i, s in enumerate(shares) if i != row)):
                return False
            # What the eye sees green, a screen reader hears as the selected option.
            selected = [pyatspi.STATE_SELECTED in p.getState().getStates() for p in main.option_panels]
            return selected == [i == row for i in range(len(selected))]

        program.wait(lambda: only_green(0), lambda: f"the first option's panel green (green shares {shares})")
        self.assertEqual(main.grid.name, main.option_panels[0].name)
        # A click on the number selects and leaves the keys with the grid; one on the option text
        # would take them into that text.
        program.click(find(main.option_panels[2], role=pyatspi.ROLE_LABEL))
        program.wait(lambda: only_green(2), lambda: f"the clicked panel green (green shares {shares})")
        program.keys(MAIN_TITLE, "Up")
        program.wait(lambda: only_green(1), lambda: f"the green panel one up (green shares {shares})")
        self.assertEqual(main.grid.name, main.option_panels[1].name)

    def test_a_test_at_each_level_with_returns(self):
        """Three tests in one run, answered by double clicks, by the keyboard and by clicking an
        option then Answer; Return between them; Enter on the results window ends the program."""
        program = self.start()
        runs = [(3, 10, "3", "double click"), (4, 12, "3", "keyboard"), (5, 19, "5", "click and Answer")]
        main = None
        for i, (level, correct, mark, how) in enumerate(runs):
            with self.subTest(level=level, correct=correct, how=how):
                main = self.choose_level(program, level)
                self.assertEqual(main.heading(), IDLE_PROBLEM_CAPTION)
                lines = self.take_test(main, level, correct, how)
                self.assertEqual(lines, [f'Уровень сложности на "{level}";', f"правильных ответов: {correct};",
                                         f'ваша оценка: "{mark}".'])
                if i == 0:
                    self.check_tab_cycle(program, RESULTS_TITLE, [
                        ("push button", "Выход"), ("push button", "Вернуться"), ("text", "Ваши результаты:")])
            if i + 1 < len(runs):
                self.return_for_another_test(program, by_keyboard=i == 1)
        program.keys(RESULTS_TITLE, "Return")  # Exit has the focus
        self.assertEqual(program.exit_code(), 0)

    def return_for_another_test(self, program, by_keyboard):
        results = program.window(RESULTS_TITLE)
        back = find(results, role=pyatspi.ROLE_PUSH_BUTTON, name="Вернуться")
        if by_keyboard:
            program.keys(RESULTS_TITLE, "Tab", "Return")  # from Exit to Return
        else:
            program.click(back)
        # The level dialog comes over the main window; the results stay until it has closed.
        program.window(LEVEL_TITLE)
        self.assertIn(RESULTS_TITLE, program.showing_titles())

    def test_restart_and_about(self):
        program = self.start()
        main = self.choose_level(program, 5)
        program.keys(MAIN_TITLE, "Return")
        main.wait_heading("Задача №1")
        self.assertEqual({c: main.enabled(c) for c in main.buttons},
                         {"Начать": False, "Ответить": True, "Сначала": True, "Уровень": False, "Выход": True})

        program.keys(MAIN_TITLE, "F6")
        self.assertEqual(program.message_box("Warning"), "Вы не решили еще не одной задачи!!!")
        program.keys("Warning", "Return")
        program.wait_gone("Warning")
        self.assertEqual(main.heading(), "Задача №1")

        self.answer(main, KEY[0], "double click")
        main.wait_heading("Задача № 2")
        # Alt+О is the Answer button's letter and the About menu's: while a test runs it answers,
        # with the first option, current on every new problem.
        program.keys(MAIN_TITLE, "alt+Cyrillic_o")
        main.wait_heading("Задача № 3")
        self.assertEqual(main.option_pane.name, "Узадачи № 2, выбран ответ № 1")
        program.keys(MAIN_TITLE, "F6")
        self.assertEqual(program.message_box("Confirm"), "Вы действительно хотите начать заново?")
        program.keys("Confirm", "Escape")  # No: nothing changes
        program.wait_gone("Confirm")
        self.assertEqual((main.heading(), main.progress()), ("Задача № 3", "Осталось решить 18 задач"))
        program.click(main.buttons["Сначала"])
        program.window("Confirm")
        program.keys("Confirm", "Return")  # Yes
        main.wait_heading("Задача № 1")
        self.assertEqual(main.progress(), "Осталось решить 20 задач")
        self.assertEqual(main.option_pane.name, "Выберите нужный ответ:")

        program.keys(MAIN_TITLE, "F1")
        about = program.window(ABOUT_TITLE)
        self.check_tab_cycle(program, ABOUT_TITLE, [("push button", "OK"), ("text", "Сведения о программе")])
        title = find(about, role=pyatspi.ROLE_LABEL)
        marquee = f"  {MAIN_TITLE}  {MAIN_TITLE} "
        positions = {marquee[p:p + 23]: p for p in range(20)}
        seen = []

        def scrolled():
            text = title.name
            if text != MAIN_TITLE:
                self.assertIn(text, positions, "the title shows something other than the marquee")
                if not seen or seen[-1] != positions[text]:
                    seen.append(positions[text])
            return len(seen) >= 4

        program.wait(scrolled, "the title to scroll", interval=0.02)
        # Leftwards one character per tick: positions climb, wrapping from the last back to the first.
        steps = [(b - a) % 20 for a, b in zip(seen, seen[1:])]
        self.assertTrue(all(0 < s < 10 for s in steps), seen)
        program.keys(ABOUT_TITLE, "Return")
        program.wait_gone(ABOUT_TITLE)
        self.assertEqual(main.heading(), "Задача № 1")

    def test_outer_frames_under_a_window_manager(self):
        """Under a real window manager the main window's designed 562 x 350 is its outer size and
        the panes are laid out below the menu bar in what is left; the level dialog keeps its
        designed inside; each window's frame is centred (the about window's over the main
        window's)."""
        if shutil.which("openbox") is None:
            self.skipTest("openbox is not installed")
        screen = tuple(int(v) for v in run("xdotool", "getdisplaygeometry").split())
        wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def stop_wm():
            wm.terminate()
            wm.wait(timeout=10)
        self.addCleanup(stop_wm)
        wait_for(lambda: "window id" in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False),
                 "the window manager")

        def framed(program, title):
            window_id = program.wait(lambda: program.x_windows().get(title), f"X window {title!r}")
            return program.wait(lambda: (f := x_frame(window_id))[1] and f, f"the frame of {title!r}")

        def assert_centred(rect, area, what):
            """Raises a plain error, which wait_for retries, until the window is centred."""
            x, y, w, h = rect
            ax, ay, aw, ah = area
            if abs(x - (ax + (aw - w) // 2)) > 1 or abs(y - (ay + (ah - h) // 2)) > 1:
                raise ValueError(f"{what} {rect} is not centred in {area}")

        program = self.start()
        program.window(LEVEL_TITLE, START_TIMEOUT)
        level = program.wait(lambda: (f := framed(program, LEVEL_TITLE)) and
                             (assert_centred(outer(f), (0, 0, *screen), "the level dialog") or f),
                             "the level dialog centred")
        self.assertEqual(level[0][2:], (227, 186))

        main = self.choose_level(program, 3)
        frame = framed(program, MAIN_TITLE)
        program.wait(lambda: outer(frame := framed(program, MAIN_TITLE))[2:] == (562, 350),
                     lambda: f"the main window's outer size 562 x 350 (it is {outer(frame)[2:]})")
        frame = program.wait(lambda: (f := framed(program, MAIN_TITLE)) and
                             (assert_centred(outer(f), (0, 0, *screen), "the main window") or f),
                             "the main window centred")
        menu_bar = find(main.frame, role=pyatspi.ROLE_MENU_BAR)
        client_height = frame[0][3] - extents(menu_bar)[3]
        self.assertEqual(extents(main.problem_pane)[3], client_height - 20 - 35 - 10)

        program.keys(MAIN_TITLE, "F1")
        program.window(ABOUT_TITLE)
        about = program.wait(lambda: (f := framed(program, ABOUT_TITLE)) and
                             (assert_centred(outer(f), outer(frame), "the about window") or f),
                             "the about window centred over the main window")
        self.assertEqual(about[0][2:], (244, 327))

    def test_second_copy_leaves_the_first(self):
        first = self.start()
        first.window(LEVEL_TITLE, START_TIMEOUT)
        second = self.start(runtime=first.runtime)
        self.assertEqual(second.exit_code(START_TIMEOUT), 0)
        self.assertIsNone(first.process.poll())
        self.assertEqual(first.showing_titles(), [LEVEL_TITLE])
        # The first copy goes on as if nothing happened: Esc in its level dialog ends it.
        first.keys(LEVEL_TITLE, "Escape")
        self.assertEqual(first.exit_code(), 0)

    def test_bad_bank_is_reported(self):
        with open(BANK, "rb") as f:
            shipped = f.read()
        # A copy cut short, as an interrupted copy leaves it.
        cases = [("missing", {"bank": False}), ("damaged", {"bank_bytes": shipped[:len(shipped) // 2]})]
        for case, kwargs in cases:
            with self.subTest(case):
                program = self.start(**kwargs)
                text = program.message_box("Application Error", START_TIMEOUT)
                first_line, _, message = text.partition("\n")
                self.assertRegex(first_line, r"^Exception EBankError in module cifrovex at [0-9A-F]{8,16}\.$")
                self.assertIn("data.cvx", message)
                self.assertEqual(program.showing_titles(), ["Application Error"])
                program.keys("Application Error", "Return")
                self.assertEqual(program.exit_code(), 1)


def x_frame(window_id):
    """A mapped window's inside (x, y, width, height) on the screen and its frame's extents (left,
    right, top, bottom) as the window manager reports them."""
    info = run("xwininfo", "-id", str(window_id))
    field = {k.strip(): v.strip() for k, _, v in (line.partition(":") for line in info.splitlines()) if v}
    inside = tuple(int(field[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    extents = run("xprop", "-id", str(window_id), "_NET_FRAME_EXTENTS").partition("=")[2]
    return inside, tuple(int(v) for v in extents.split(",")) if extents.strip() else None


def outer(frame):
    """The outer rectangle (x, y, width, height) of x_frame's answer."""
    (x, y, w, h), (left, right, top, bottom) = frame
    return x - left, y - top, w + left + right, h + top + bottom


def wait_for_accessibility_bus():
    """Starts the accessibility bus of this session and waits until it answers."""
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def address():
        reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                  GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NO_AUTO_START, 1000, None)
        return reply.unpack()[0]

    wait_for(address, "the accessibility bus")
    return bus


def run_suite(selection):
    """Runs the tests of the calling script (all, or those `selection` names, as unittest takes
    them) with the accessibility bus up and alerts listened for, then exits with the result."""
    # pyatspi calls interfaces of libatspi that are deprecated but still the only way in.
    warnings.filterwarnings("ignore", category=DeprecationWarning)
    bus = wait_for_accessibility_bus()
    global ANNOUNCEMENTS
    ANNOUNCEMENTS = Announcements()
    try:
        result = unittest.main(argv=[sys.argv[0], "-v", *selection], exit=False, warnings=False).result
    finally:
        bus.terminate()
        bus.wait(timeout=10)
    # A failing subtest fails its whole test.
    failed = len({getattr(test, "test_case", test).id() for test, _ in result.failures + result.errors})
    print(f"{result.testsRun - failed} passed, {failed} failed")
    sys.exit(0 if result.wasSuccessful() else 1)


def main():
    global PROGRAM, BANK, SCRATCH
    PROGRAM, BANK, SCRATCH = sys.argv[1:4]
    run_suite(sys.argv[4:])


if __name__ == "__main__":
    main()
