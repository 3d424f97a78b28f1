#!/usr/bin/python3
"""A session at a terminal when the line editor's library is missing from cadhost's folder.

    plain_terminal_session.py --cadhost BIN --module FILE --drawing examples/arcs.dxf --work DIR

Invariants: one warning names the library that could not be loaded; the session still takes
typed lines and forgives mistakes, with the transcript laid out as with the line editor (each
line once, no empty lines); `quit` ends it with status 0 and saves the drawing.
"""
import argparse
import os
import shutil
import sys

from terminal_session import TerminalSession, verdict

COMMAND = "Command:"
EXPECTED = [
    "Command: helpme",
    'Unknown command "HELPME".  Press F1 for help.',
    "Command: quit",
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cadhost", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--drawing", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    # cadhost and its library alone, without the line editor's library beside them.
    folder = os.path.join(args.work, "without-line-editor")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    cadhost = shutil.copy(args.cadhost, folder)
    shutil.copy(os.path.join(os.path.dirname(args.cadhost), "libcadhost.so"), folder)
    saved = os.path.join(folder, "plain.dxf")
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": folder, "TERM": "xterm"}
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if name in os.environ:
            env[name] = os.environ[name]
    session = TerminalSession([cadhost, "--module", args.module, "--drawing", args.drawing,
                               "--save", saved], env)

    at_prompt = lambda: session.screen.current_line() == COMMAND
    session.pump(at_prompt)
    row = session.screen.row
    os.write(session.fd, b"helpme\r")
    session.pump(lambda: session.screen.row > row and at_prompt())
    status = session.finish("quit\r")

    problems = []
    if status != 0:
        problems.append(f"exit status {status}")
    lines = session.screen.text().split("\n")
    warnings = [l for l in lines if l.startswith("cadhost: warning: ")]
    if len(warnings) != 1 or "libcadhost_terminal.so" not in warnings[0]:
        problems.append("no one warning that names the line editor's library")
    if [l for l in lines if l not in warnings] != EXPECTED:
        problems.append("the session does not go as with the line editor")
    if not os.path.exists(saved):
        problems.append("quit did not save the drawing")
    return verdict(problems, session.screen.text(),
                   "the session without the line editor ran on plain lines")


if __name__ == "__main__":
    sys.exit(main())
