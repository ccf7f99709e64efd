#!/usr/bin/python3
"""Acceptance tests of the bank editor, cifrovex-editor, with the real program.

The editor and the program run as built, are read over AT-SPI and driven with key presses
(xdotool), with the helpers of the program's own suite (acceptance.py).

Usage (normally through editor_run.sh, inside a private X server and D-Bus session):
    editor_acceptance.py <cifrovex-editor> <cifrovex> <shipped data.cvx> <scratch folder>
"""

import csv
import io
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import pyatspi

import acceptance
from acceptance import KEY, START_TIMEOUT, Program, find, showing, text_of, wait_for, walk, xdo

EDITOR = None
EDITOR_TITLE = "Редактор банка задач Cifrovex"


def title(file_name):
    return f"{file_name} — {EDITOR_TITLE}"


class Editor(Program):
    """One running editor in a folder of its own, started on a file of that folder."""

    def __init__(self, file_name="data.cvx", content=None, path=None):
        if path:  # another editor's file
            self.folder, self.path = os.path.dirname(path), path
        else:
            self.folder = tempfile.mkdtemp(dir=acceptance.SCRATCH)
            self.path = os.path.join(self.folder, file_name)
        if content is not None:
            with open(self.path, "wb") as f:
                f.write(content)
        self.owns_runtime = True
        self.runtime = tempfile.mkdtemp(dir=acceptance.SCRATCH)
        env = dict(os.environ)
        env.pop("AT_SPI_BUS_ADDRESS", None)
        env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=self.runtime)
        self.log = tempfile.TemporaryFile(dir=self.runtime)
        self.process = subprocess.Popen([EDITOR, self.path], cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=self.log)
        self._app = None

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=30)
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)

    def focus(self, window_title):
        # The main window's title changes with every first edit and save: any of its titles will do.
        if window_title.endswith(f"— {EDITOR_TITLE}"):
            window_id = self.wait(lambda: next((i for name, i in self.x_windows().items()
                                                if name.endswith(f"— {EDITOR_TITLE}")), None), "the editor's window")
            xdo("windowfocus", "--sync", window_id)
        else:
            super().focus(window_title)

    def type(self, window_title, text):
        self.focus(window_title)
        xdo("type", "--delay", 8, "--clearmodifiers", text)

    def files(self):
        return sorted(os.listdir(self.folder))


class Started:
    """A copy of the program the editor started: found by its executable among the processes."""

    def __init__(self, pid):
        self.pid = pid

    def poll(self):
        return None if os.path.exists(f"/proc/{self.pid}") else 0

    def kill(self):
        try:
            os.kill(self.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def wait(self, timeout=None):
        deadline = time.monotonic() + (timeout or 30)
        while self.poll() is None and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.poll()


class StartedProgram(Program):
    def __init__(self, pid):
        self.process = Started(pid)
        self.folder = os.readlink(f"/proc/{pid}/cwd")
        self.owns_runtime = False
        self.log = tempfile.TemporaryFile()
        self._app = None

    def close(self):
        self.process.kill()
        self.process.wait()
        self.log.close()


def programs_running():
    found = set()
    target = os.path.realpath(acceptance.PROGRAM)
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if os.path.realpath(f"/proc/{entry}/exe") == target:
                    found.add(int(entry))
            except OSError:
                pass
    return found


class EditorAcceptanceTest(unittest.TestCase):
    # The program's own suite knows how a test is taken.
    choose_level = acceptance.AcceptanceTest.choose_level
    answer = acceptance.AcceptanceTest.answer
    take_test = acceptance.AcceptanceTest.take_test

    def editor(self, **kwargs):
        editor = Editor(**kwargs)
        self.addCleanup(editor.close)
        return editor

    def wait_title(self, editor, expected):
        return editor.wait(lambda: next((w for w in editor.showing_windows() if w.name == expected), None),
                           lambda: f"editor title {expected!r} (showing {editor.showing_titles()})", START_TIMEOUT)

    def test_bank_from_scratch_then_a_level_5_test(self):
        editor = self.editor()
        window = title("data.cvx")
        self.wait_title(editor, window)
        for p in range(1, 21):
            editor.keys(window, "ctrl+Return")
            editor.type(window, f"problem {p}.")
            editor.keys(window, "Tab")
            editor.type(window, f"{p} - {p}")
            for row in range(4):
                editor.keys(window, "Tab")
                editor.type(window, "right" if row == 0 else f"wrong {row}")
            editor.keys(window, "ctrl+1")
        # Unsaved: the title carries the mark.
        self.wait_title(editor, title("data.cvx*"))
        frame = editor.window(title("data.cvx*"))
        checks = editor.wait(lambda: find(frame, name=None, predicate=lambda a: a.getRole() == pyatspi.ROLE_LABEL
                                          and "Уровень «5» (задачи 1–20): работает." in (a.name or "")),
                             lambda: "the check saying level 5 works; labels: " + repr(
                                 [a.name for a in walk(frame) if a.getRole() == pyatspi.ROLE_LABEL and a.name]))
        self.assertIn("Уровень «3» (задачи 1–10): работает.", checks.name)
        editor.keys(title("data.cvx*"), "ctrl+s")
        self.wait_title(editor, window)
        self.assertEqual(editor.files(), ["data.cvx", "data.cvx.lock"])

        before = programs_running()
        editor.keys(window, "F9")
        pid = editor.wait(lambda: next(iter(programs_running() - before), None), "cifrovex started by F9")
        program = StartedProgram(pid)
        self.addCleanup(program.close)
        self.assertTrue(os.path.exists(os.path.join(program.folder, "data.cvx")))
        main = self.choose_level(program, 5)
        lines = self.take_test(main, 5, 14, "keyboard")
        self.assertEqual(lines, ['Уровень сложности на "5";', "правильных ответов: 14;", 'ваша оценка: "4".'])

    def test_change_an_option_of_the_shipped_bank(self):
        with open(acceptance.BANK, "rb") as f:
            shipped = f.read()
        editor = self.editor(content=shipped)
        window = title("data.cvx")
        self.wait_title(editor, window)
        # F7: the first problem's condition; then the body and option 1's text.
        editor.keys(window, "F7", "Tab", "Tab", "ctrl+a")
        editor.type(window, "izmeneno 12345")
        self.wait_title(editor, title("data.cvx*"))
        editor.keys(title("data.cvx*"), "ctrl+s")
        self.wait_title(editor, window)
        self.assertEqual(editor.files(), ["data.cvx", "data.cvx.bak", "data.cvx.lock"])
        with open(os.path.join(editor.folder, "data.cvx.bak"), "rb") as f:
            self.assertEqual(f.read(), shipped)

        with open(editor.path, "rb") as f:
            program = Program(bank_bytes=f.read())
        self.addCleanup(program.close)
        main = self.choose_level(program, 3)
        program.keys(acceptance.MAIN_TITLE, "Return")
        main.wait_heading("Задача №1")
        main.panel_of(1)
        self.assertEqual([p.name for p in main.option_panels if showing(p)][0], "1: izmeneno 12345")

    def test_damaged_file_is_reported_and_left_alone(self):
        with open(acceptance.BANK, "rb") as f:
            damaged = f.read()[:5000]
        editor = self.editor(file_name="broken.cvx", content=damaged)
        box = editor.window(EDITOR_TITLE, START_TIMEOUT)
        texts = [a.name for a in walk(box) if a.getRole() == pyatspi.ROLE_LABEL and a.name]
        self.assertTrue(any(editor.path in t for t in texts), texts)
        editor.keys(EDITOR_TITLE, "Return")
        self.wait_title(editor, title("Новый банк"))
        editor.keys(title("Новый банк"), "ctrl+q")
        self.assertEqual(editor.exit_code(), 0)
        self.assertEqual(editor.files(), ["broken.cvx"])
        with open(editor.path, "rb") as f:
            self.assertEqual(f.read(), damaged)

    def test_second_editor_on_one_bank_is_told(self):
        with open(acceptance.BANK, "rb") as f:
            shipped = f.read()
        first = self.editor(content=shipped)
        self.wait_title(first, title("data.cvx"))
        self.assertEqual(first.files(), ["data.cvx", "data.cvx.lock"])

        second = self.editor(path=first.path)
        box = second.window(EDITOR_TITLE, START_TIMEOUT)
        texts = " ".join(a.name for a in walk(box) if a.getRole() == pyatspi.ROLE_LABEL and a.name)
        self.assertIn("уже открыт в редакторе банка задач на этом компьютере", texts)
        second.keys(EDITOR_TITLE, "Escape")
        self.wait_title(second, title("Новый банк"))

        # An editor that did not close its bank (killed here) leaves a lock naming a process
        # that is gone: the next one opens the bank without a word.
        first.close()
        third = self.editor(path=first.path)
        self.wait_title(third, title("data.cvx"))
        self.assertEqual([w.name for w in third.showing_windows()], [title("data.cvx")])
        third.keys(title("data.cvx"), "ctrl+q")
        self.assertEqual(third.exit_code(), 0)
        self.assertEqual(third.files(), ["data.cvx"])

    def test_move_keys_reach_the_editor_from_a_field(self):
        with open(acceptance.BANK, "rb") as f:
            shipped = f.read()
        editor = self.editor(content=shipped)
        window = title("data.cvx")
        self.wait_title(editor, window)
        # F7: the keyboard in the first problem's condition; Ctrl+Shift+Down moves the problem.
        editor.keys(window, "F7", "ctrl+shift+Down")
        self.wait_title(editor, title("data.cvx*"))
        editor.keys(title("data.cvx*"), "ctrl+s")
        self.wait_title(editor, window)
        before, after = (dump_problems(path) for path in (os.path.join(editor.folder, "data.cvx.bak"), editor.path))
        self.assertEqual(after[:2], [before[1], before[0]])
        self.assertEqual(after[2:], before[2:])


def dump_problems(bank):
    """The (Name, Uslovie) of each problem of a bank, as the bank tool dumps them."""
    tool = os.path.join(os.path.dirname(acceptance.PROGRAM), "tools", "cifrovex-bank")
    out = subprocess.run([tool, "dump", bank, "Zadachi"], check=True, capture_output=True).stdout
    rows = list(csv.reader(io.StringIO(out.decode("utf-8"))))[1:]
    return [(row[1], row[2]) for row in rows]


def main():
    global EDITOR
    EDITOR, acceptance.PROGRAM, acceptance.BANK, acceptance.SCRATCH = sys.argv[1:5]
    acceptance.run_suite(sys.argv[5:])

if __name__ == "__main__":
    main()
