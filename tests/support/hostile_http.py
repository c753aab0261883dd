#!/usr/bin/python3
"""An HTTP/1.1 server on 127.0.0.1 that misbehaves on purpose, for the fetch tests.

hostile_http.py PORT ROOT [NAME=BEHAVIOUR ...] serves ROOT with kept connections and
"bytes=N-" ranges; NAME ("*": every file) gets its BEHAVIOUR instead: endless (bytes
without end), short (a Content-Length 100 below the file's, then all of it), lying (100
above it, then the connection closed), stall (half the file, then nothing), refuse (the
connection closed unanswered), as:PATH (the bytes of PATH).
"""

import http.server
import os
import sys
import time
import urllib.parse


def make_handler(root, rules):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_GET(self):
            name = urllib.parse.unquote(self.path.lstrip("/").split("?")[0])
            ranged = self.headers.get("Range", "")
            offset = int(ranged[6:-1]) if ranged.startswith("bytes=") else 0
            rule = rules.get(name, rules.get("*", ""))
            if rule == "refuse":
                self.close_connection = True
                return
            if rule == "endless":
                self.send_response(200)
                self.send_header("Connection", "close")
                self.end_headers()
                self.close_connection = True
                try:
                    while True:
                        self.wfile.write(b"\x5a" * 65536)
                except OSError:
                    return
            path = rule[3:] if rule.startswith("as:") else os.path.join(root, name)
            if os.sep in name or not os.path.isfile(path):
                self.send_error(404)
                return
            with open(path, "rb") as f:
                whole = f.read()
            if 0 < len(whole) <= offset:
                self.send_response(416)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            body = whole[offset:]
            length = len(body) + {"short": -100, "lying": 100}.get(rule, 0)
            self.send_response(206 if offset else 200)
            if offset:
                self.send_header("Content-Range",
                                 "bytes %d-%d/%d" % (offset, len(whole) - 1, len(whole)))
            self.send_header("Content-Length", str(max(length, 0)))
            self.end_headers()
            if rule == "stall":
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                time.sleep(3600)
            self.wfile.write(body)
            self.wfile.flush()
            if rule == "lying":
                self.close_connection = True

    return Handler


if __name__ == "__main__":
    rules = dict(arg.split("=", 1) for arg in sys.argv[3:])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])),
                                             make_handler(sys.argv[2], rules))
    server.serve_forever()
