#!/usr/bin/python3
"""Who may use a `cadhost --serve` session, asked over plain HTTP.

    serve_guard.py --cadhost BIN --drawing examples/arcs.dxf --work DIR

Invariants: the default address is loopback; a request is answered only when it carries the
session's token (a wrong one of the same length is refused as a missing one is), names the
address served in its Host header (no other name, as a rebound DNS name would send) and comes
from the page itself or the user (no other Origin, no cross-site fetch); a refused action never
reaches the session; every answer forbids caching, framing and loading from elsewhere; Ctrl-C
ends the session as the end of a script does, the running command cancelled and the --save
drawing written.
"""
import http.client
import json
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from served_session import ServedSession, parse_arguments, run_tests  # noqa: E402

import ezdxf  # noqa: E402

ARGS = None


class GuardTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(ARGS.work, exist_ok=True)
        cls.saved = os.path.join(ARGS.work, "guarded.dxf")
        if os.path.exists(cls.saved):
            os.remove(cls.saved)
        # No address: the default one, on loopback, with a port of the machine's choice.
        cls.session = ServedSession(ARGS.cadhost, "0", "--drawing", ARGS.drawing,
                                    "--save", cls.saved)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def request(self, path, token=True, host=None, headers=None, method="GET", body=None):
        connection = http.client.HTTPConnection(self.session.host, self.session.port, timeout=30)
        sent = {"Host": self.session.authority if host is None else host}
        if token is True:
            sent["X-Cadhost-Token"] = self.session.token
        elif token:
            sent["X-Cadhost-Token"] = token
        sent.update(headers or {})
        if body is not None:
            body = json.dumps(body)
            sent["Content-Type"] = "application/json"
        connection.request(method, path, body=body, headers=sent)
        response = connection.getresponse()
        answer = (response.status, dict(response.getheaders()), response.read().decode())
        connection.close()
        return answer

    def transcript(self):
        return json.loads(self.request("/api/state?version=0")[2])["transcript"]["text"]

    def test_a_the_default_address_is_loopback(self):
        self.assertEqual(self.session.host, "127.0.0.1")

    def test_b_only_requests_with_the_token_to_the_address_served_from_the_page_are_answered(self):
        wrong_token = ("0" if self.session.token[0] != "0" else "1") + self.session.token[1:]
        port = self.session.port
        refused = [
            ("no token", dict(token=False)),
            ("a wrong token of the same length", dict(token=wrong_token)),
            ("a cut token", dict(token=self.session.token[:-1])),
            ("another host name (DNS rebinding)", dict(host=f"attacker.example:{port}")),
            ("localhost for 127.0.0.1", dict(host=f"localhost:{port}")),
            ("another port", dict(host=f"127.0.0.1:{port + 1}")),
            ("an empty Host header", dict(host="")),
            ("another origin", dict(headers={"Origin": "http://attacker.example"})),
            ("a cross-site fetch", dict(headers={"Sec-Fetch-Site": "cross-site"})),
        ]
        for path in ("/", "/page.js", "/api/state?version=0", "/api/drawing"):
            for what, how in refused:
                with self.subTest(path=path, refused=what):
                    status, _, _ = self.request(path, **how)
                    self.assertEqual(status, 403)
        same_origin = {"Origin": f"http://{self.session.authority}",
                       "Sec-Fetch-Site": "same-origin"}
        for path in ("/", "/page.js", "/page.css", "/api/state?version=0", "/api/drawing"):
            with self.subTest(path=path):
                status, headers, _ = self.request(path, headers=same_origin)
                self.assertEqual(status, 200)
                self.assertEqual(headers.get("Cache-Control"), "no-store")
                self.assertIn("default-src 'none'", headers.get("Content-Security-Policy", ""))
                self.assertIn("frame-ancestors 'none'", headers["Content-Security-Policy"])
        # The page itself comes with the token in its address, as cadhost prints it.
        self.assertEqual(self.request("/?token=" + self.session.token, token=False)[0], 200)

    def test_c_a_refused_action_never_reaches_the_session(self):
        before = self.transcript()
        status, _, _ = self.request("/api/input", method="POST",
                                    body={"kind": "line", "text": "circle 0,0 5"},
                                    headers={"Origin": "http://attacker.example"})
        self.assertEqual(status, 403)
        for bad in ({"kind": "click", "x": "1", "y": 2}, {"kind": "line", "text": "a\nb"},
                    {"kind": "jump"}, [1, 2]):
            with self.subTest(body=bad):
                self.assertEqual(self.request("/api/input", method="POST", body=bad)[0], 400)
        self.assertEqual(self.transcript(), before)

    def test_d_ctrl_c_ends_the_session_as_the_end_of_a_script(self):
        status, _, answer = self.request("/api/input", method="POST",
                                         body={"kind": "line", "text": "oblouk_kota_m"})
        self.assertEqual(status, 200)
        self.assertEqual(json.loads(answer)["waiting"], "entity")
        self.assertEqual(self.session.interrupt(), 0, "".join(self.session.errors))
        self.assertIn("*Cancel*", self.session.transcript())
        saved = ezdxf.readfile(self.saved).modelspace()
        original = ezdxf.readfile(ARGS.drawing).modelspace()
        self.assertEqual(len(saved.query("DIMENSION")), len(original.query("DIMENSION")))


def main():
    global ARGS
    ARGS, rest = parse_arguments()
    return run_tests(rest)


if __name__ == "__main__":
    sys.exit(main())
