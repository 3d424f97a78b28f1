"""A `cadhost --serve` session for the tests: started on a free loopback port, its page address
read from its standard output, ended with Ctrl-C (SIGINT) as a person ends it."""
import argparse
import re
import signal
import subprocess
import sys
import threading
import time
import unittest
import urllib.parse

URL_LINE = re.compile(r"the session is at (http://\S+)")
START_SECONDS = 30
END_SECONDS = 30


class ServedSession:
    def __init__(self, cadhost, *args):
        self.process = subprocess.Popen([cadhost, "--serve", *args], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, encoding="utf-8")
        self.output = []
        self.errors = []
        found = threading.Event()

        def read_output():
            for line in self.process.stdout:
                self.output.append(line)
                match = URL_LINE.search(line)
                if match and not found.is_set():
                    self.url = match.group(1)
                    found.set()

        def read_errors():
            for line in self.process.stderr:
                self.errors.append(line)

        self.readers = [threading.Thread(target=read_output, daemon=True),
                        threading.Thread(target=read_errors, daemon=True)]
        for reader in self.readers:
            reader.start()
        if not found.wait(START_SECONDS):
            self.process.kill()
            raise AssertionError("cadhost printed no page address: " + "".join(self.errors))
        parts = urllib.parse.urlsplit(self.url)
        self.authority = parts.netloc
        self.host = parts.hostname
        self.port = parts.port
        self.token = urllib.parse.parse_qs(parts.query)["token"][0]

    def interrupt(self):
        """Ctrl-C; the exit status once cadhost has ended."""
        self.process.send_signal(signal.SIGINT)
        status = self.process.wait(END_SECONDS)
        for reader in self.readers:
            reader.join(END_SECONDS)
        return status

    def transcript(self):
        return "".join(self.output)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for stream in (self.process.stdout, self.process.stderr):
            stream.close()


def wait_until(condition, what, seconds=20):
    """Polls condition until it gives a true value, which it returns."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.02)


def parse_arguments(*extra):
    """The tests' arguments: --cadhost, --drawing, --work and the options named in extra; and
    the rest, for unittest."""
    parser = argparse.ArgumentParser()
    for name in ("--cadhost", "--drawing", "--work"):
        parser.add_argument(name, required=True)
    for name in extra:
        parser.add_argument(name)
    return parser.parse_known_args()


def run_tests(rest):
    """Runs the tests of the calling module; the exit status."""
    result = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1
