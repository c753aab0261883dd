#!/usr/bin/python3
"""An HTTP/1.1 server on 127.0.0.1 that misbehaves on purpose, for the fetch tests.

Usage: hostile_http.py PORT ROOT LOG [NAME=BEHAVIOUR ...]

Serves the files of ROOT with kept-alive connections and byte ranges ("bytes=N-"); a
request for a file named in a rule gets that rule's behaviour instead ("*" names every
file):

  endless    200 without a length, then bytes without end
  short      a Content-Length 100 below the file's, then the whole file, so that the
             rest waits on the kept connection for the next request
  lying      a Content-Length 100 above the file's, the file, then the connection closed
  stall      the headers and half the file, then nothing
  refuse     the connection closed without an answer
  as:PATH    the bytes of PATH instead of the file

Every request is appended to LOG as "GET /NAME RANGE".
"""

import http.server
import os
import socketserver
import sys
import threading
import time
import urllib.parse


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def make_handler(root, log_path, rules):
    log_lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_GET(self):
            name = urllib.parse.unquote(self.path.lstrip("/").split("?")[0])
            offset = 0
            ranged = self.headers.get("Range", "")
            if ranged.startswith("bytes=") and ranged.endswith("-"):
                offset = int(ranged[len("bytes="):-1])
            with log_lock, open(log_path, "a") as log:
                log.write("GET /%s %s\n" % (name, ranged or "-"))
            rule = rules.get(name, rules.get("*", ""))
            if rule == "refuse":
                self.close_connection = True
                return
            if rule == "endless":
                self.send_response(200)
                self.send_header("Connection", "close")
                self.end_headers()
                self.close_connection = True
                chunk = b"\x5a" * 65536
                try:
                    while True:
                        self.wfile.write(chunk)
                except OSError:
                    return
            path = rule[len("as:"):] if rule.startswith("as:") else os.path.join(root, name)
            if os.sep in name or not os.path.isfile(path):
                self.send_error(404)
                return
            with open(path, "rb") as f:
                body = f.read()
            if offset >= len(body) and offset > 0:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % len(body))
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            body = body[offset:]
            length = len(body)
            if rule == "short":
                length = max(len(body) - 100, 0)
            elif rule == "lying":
                length = len(body) + 100
            self.send_response(206 if offset else 200)
            if offset:
                self.send_header("Content-Range",
                                 "bytes %d-%d/%d" % (offset, offset + len(body) - 1,
                                                     offset + len(body)))
            self.send_header("Content-Length", str(length))
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


def main():
    port, root, log_path = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    rules = dict(arg.split("=", 1) for arg in sys.argv[4:])
    server = Server(("127.0.0.1", port), make_handler(root, log_path, rules))
    server.serve_forever()


if __name__ == "__main__":
    main()
