#!/usr/bin/python3
"""A person's session with cadhost at a terminal, driven through a real pseudo-terminal.

    terminal_session.py --cadhost BIN --drawing examples/arcs.dxf --work DIR

Invariants: the session goes on after every mistake (an unknown command, a word where a
point is wanted), each answered in the host's words with the prompt asked again; Tab
completes a command name; Ctrl-C cancels the running command as Escape and leaves nothing of
it in the drawing, and at the bare command prompt only gives a new prompt; `quit` ends the
session with status 0 and saves the drawing with the one new dimension; the history goes to
the file under $HOME.
"""
import argparse
import codecs
import fcntl
import os
import pty
import re
import select
import struct
import sys
import termios
import time

import ezdxf

WAIT_SECONDS = 30
# One CSI sequence (ESC [ parameters final), or ESC and one other character.
ESCAPE = re.compile(r"\x1b\[([0-9;?]*)[ -/]*([@-~])|\x1b[^\[]")


class Screen:
    """Just enough of a terminal to read what a line editor draws: text, CR, LF, backspace,
    tabs, cursor moves and erasing; the screen scrolls without end."""

    def __init__(self):
        self.lines = [""]
        self.row = 0
        self.col = 0
        self.decoder = codecs.getincrementaldecoder("utf-8")()
        self.pending = ""

    def feed(self, data):
        text = self.pending + self.decoder.decode(data)
        self.pending = ""
        at = 0
        while at < len(text):
            ch = text[at]
            if ch != "\x1b":
                self.control_or_put(ch)
                at += 1
                continue
            match = ESCAPE.match(text, at)
            if match is None:  # an escape cut off at the end of this chunk
                self.pending = text[at:]
                return
            if match.group(2):
                self.csi(match.group(1), match.group(2))
            at = match.end()

    def control_or_put(self, ch):
        if ch == "\r":
            self.col = 0
        elif ch == "\n":
            self.move_to_row(self.row + 1)
        elif ch == "\b":
            self.col = max(0, self.col - 1)
        elif ch == "\t":
            self.col = (self.col // 8 + 1) * 8
        elif ch >= " ":
            line = self.lines[self.row].ljust(self.col)
            self.lines[self.row] = line[:self.col] + ch + line[self.col + 1:]
            self.col += 1

    def move_to_row(self, row):
        self.row = max(0, row)
        while len(self.lines) <= self.row:
            self.lines.append("")

    def csi(self, params, final):
        n = int(params) if params.isdigit() else 1
        if final == "K":
            self.lines[self.row] = self.lines[self.row][:self.col]
        elif final == "J":
            self.lines[self.row] = self.lines[self.row][:self.col]
            del self.lines[self.row + 1:]
        elif final == "A":
            self.move_to_row(self.row - n)
        elif final == "B":
            self.move_to_row(self.row + n)
        elif final == "C":
            self.col += n
        elif final == "D":
            self.col = max(0, self.col - n)
        elif final == "G":
            self.col = n - 1

    def text(self):
        return "\n".join(line.rstrip() for line in self.lines).rstrip("\n")

    def current_line(self):
        return self.lines[self.row].rstrip()


class TerminalSession:
    """cadhost on the slave side of a pseudo-terminal; keys are written to the master."""

    def __init__(self, argv, env):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 200, 0, 0))
            os.execve(argv[0], argv, env)
        self.screen = Screen()
        self.closed = False

    def pump(self, until):
        deadline = time.monotonic() + WAIT_SECONDS
        while not until():
            if self.closed or time.monotonic() > deadline:
                raise AssertionError("waited in vain; the screen shows:\n" + self.screen.text())
            ready, _, _ = select.select([self.fd], [], [], 0.2)
            if ready:
                try:
                    data = os.read(self.fd, 4096)
                except OSError:  # the slave side closed: cadhost ended
                    data = b""
                if not data:
                    self.closed = True
                self.screen.feed(data)

    def editing(self):
        """Whether the line editor reads keys: the terminal is out of line mode. Keys typed
        before would be echoed by the terminal as well."""
        return not termios.tcgetattr(self.fd)[3] & termios.ICANON

    def wait_for_prompt(self, prompt, below_row=-1):
        self.pump(lambda: self.screen.row > below_row and
                  self.screen.current_line() == prompt and self.editing())

    def answer(self, keys, prompt):
        """Types keys, then waits for prompt on a new line."""
        row = self.screen.row
        os.write(self.fd, keys.encode())
        self.wait_for_prompt(prompt, row)

    def type_on_line(self, keys, line):
        """Types keys that stay on the line, waiting until it reads line."""
        os.write(self.fd, keys.encode())
        self.pump(lambda: self.screen.current_line() == line and self.editing())

    def finish(self, keys):
        """Types keys that end the session; its exit status."""
        os.write(self.fd, keys.encode())
        self.pump(lambda: self.closed)
        _, status = os.waitpid(self.pid, 0)
        return os.waitstatus_to_exitcode(status)


PICK = "Vyberte oblouk ke kótování:"
DRAG = "Určete polohu kótovací čáry:"
START = "Určete počáteční bod oblouku:"
ON_ARC = "Určete bod na oblouku:"
END = "Určete koncový bod oblouku:"
COMMAND = "Command:"

EXPECTED_BEFORE_HELP = [
    "Command: helpme",
    'Unknown command "HELPME".  Press F1 for help.',
    "Command: help",
]
EXPECTED_AFTER_HELP = [
    "Command: oblouk_kota_m",
    PICK + " 210,-32",
    DRAG + " 210.-40.5",
    "Point or option keyword required.",
    DRAG + " 210,-40,5x",
    "Invalid point.",
    DRAG + " 210,-40.5",
    '1 dimension added (text "66,208")',
    "Command: oblouk_delka_m",
    START + " 37.58770483143634,13.680805733026748",
    ON_ARC + " 0,40",
    END + " *Cancel*",
    "No change to the drawing",
    "Command: *Cancel*",
    "Command: quit",
]
MODULE_COMMANDS = ["oblouk_delka_m", "oblouk_kota2_m", "oblouk_kota3_m", "oblouk_kota4_m",
                   "oblouk_kota_m"]
HOST_COMMANDS = ["setvar", "ucs", "point", "line", "circle", "arc", "pline", "wall", "dimstyle",
                 "layerkey", "aperture", "open", "save"]


def check_transcript(text, problems):
    lines = text.split("\n")
    head = lines[:len(EXPECTED_BEFORE_HELP)]
    tail = lines[len(lines) - len(EXPECTED_AFTER_HELP):]
    if head != EXPECTED_BEFORE_HELP:
        problems.append(f"the session opens with {head}")
    if tail != EXPECTED_AFTER_HELP:
        problems.append("the session goes on as:\n" + "\n".join(tail))
    help_lines = lines[len(EXPECTED_BEFORE_HELP):len(lines) - len(EXPECTED_AFTER_HELP)]
    for name in MODULE_COMMANDS:
        described = [l for l in help_lines if re.match(r"^\s+" + name + r"\s+\S", l)]
        if len(described) != 1:
            problems.append(f"help has no line of its own that describes {name}")
    for name in HOST_COMMANDS:
        if not any(re.match(r"^\s+" + name + r"\b", l) for l in help_lines):
            problems.append(f"help does not show the host command {name}")
    if not any("quit" in l for l in help_lines):
        problems.append("help does not tell how to quit")


def check_drawing(original_path, saved_path, problems):
    original = ezdxf.readfile(original_path).modelspace()
    saved = ezdxf.readfile(saved_path).modelspace()
    kept = {e.dxf.handle for e in original}
    missing = kept - {e.dxf.handle for e in saved}
    if missing:
        problems.append(f"the saved drawing lost {sorted(missing)}")
    new = [e for e in saved if e.dxf.handle not in kept]
    if [e.dxftype() for e in new] != ["DIMENSION"]:
        problems.append(f"new entities: {[e.dxftype() for e in new]}, not one DIMENSION "
                        "(the cancelled command must leave no POINT)")
        return
    dimension = new[0]
    if dimension.dxf.text != "66,208":
        problems.append(f"the new dimension's text is {dimension.dxf.text!r}")
    center = dimension.dxf.defpoint4
    if abs(center.x - 210.0) > 1e-9 or abs(center.y - 11.5) > 1e-9:
        problems.append(f"the new dimension's centre is {center}, not the polyline arc's 210,11.5")


def verdict(problems, transcript, success):
    """The exit status of a session's check: 1 with the transcript and the problems printed
    when there are any, else 0 with the success printed."""
    if problems:
        print("transcript:\n" + transcript)
        print("\n".join(problems))
        return 1
    print(success)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cadhost", required=True)
    parser.add_argument("--drawing", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    saved = os.path.join(args.work, "terminal.dxf")
    history = os.path.join(args.work, ".cadhost_history")
    for stale in (saved, history):
        if os.path.exists(stale):
            os.remove(stale)
    # HOME is the work folder, so that the history never goes to the real home.
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": args.work, "TERM": "xterm"}
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if name in os.environ:
            env[name] = os.environ[name]
    session = TerminalSession([args.cadhost, "--drawing", args.drawing, "--save", saved], env)

    session.wait_for_prompt(COMMAND)
    session.answer("helpme\r", COMMAND)
    session.answer("help\r", COMMAND)
    session.answer("oblouk_kota_m\r", PICK)
    session.answer("210,-32\r", DRAG)
    session.answer("210.-40.5\r", DRAG)  # a full stop for the comma
    session.answer("210,-40,5x\r", DRAG)
    session.answer("210,-40.5\r", COMMAND)
    session.type_on_line("oblouk_d\t", "Command: oblouk_delka_m")
    session.answer("\r", START)
    session.answer("37.58770483143634,13.680805733026748\r", ON_ARC)
    session.answer("0,40\r", END)
    session.type_on_line("12", END + " 12")
    session.answer("\x03", COMMAND)
    session.answer("\x03", COMMAND)
    status = session.finish("quit\r")

    problems = []
    if status != 0:
        problems.append(f"exit status {status}")
    transcript = session.screen.text()
    check_transcript(transcript, problems)
    if os.path.exists(saved):
        check_drawing(args.drawing, saved, problems)
    else:
        problems.append("quit did not save the drawing")
    entered = open(history, encoding="utf-8").read() if os.path.exists(history) else ""
    for line in ("oblouk_kota_m", "oblouk_delka_m", "210,-40.5"):
        if line not in entered:
            problems.append(f"the history file in HOME lacks {line!r}")
    return verdict(problems, transcript, "the terminal session ran as a person would have it")


if __name__ == "__main__":
    sys.exit(main())
