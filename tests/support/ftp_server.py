"""An FTP server for the send tests: pyftpdlib on 127.0.0.1, serving ROOT to the user
"kivora" with the password in $FTP_PASSWORD (anonymous when it is unset), writing every
command it gets to LOG, and printing "ready" on stderr once it listens.

ftp_server.py PORT ROOT LOG [--xcrc] [--rate BYTES_PER_SECOND]

--xcrc answers XCRC NAME with the file's CRC-32 ("250 XXXXXXXX"), as some servers do;
--rate reads uploads no faster than that.
"""
import logging, os, sys, zlib

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler, proto_cmds
from pyftpdlib.servers import FTPServer

port, root, log = int(sys.argv[1]), sys.argv[2], sys.argv[3]
options = sys.argv[4:]
logging.disable(logging.CRITICAL)
authorizer = DummyAuthorizer()
if os.environ.get("FTP_PASSWORD"):
    authorizer.add_user("kivora", os.environ["FTP_PASSWORD"], root, perm="elradfmwMT")
else:
    authorizer.add_anonymous(root, perm="elradfmwMT")


class Handler(FTPHandler):
    proto_cmds = dict(proto_cmds)
    if "--xcrc" in options:
        proto_cmds["XCRC"] = dict(perm="r", auth=True, arg=True, help="Syntax: XCRC <SP> file-name")

    def pre_process_command(self, line, cmd, arg):
        with open(log, "a", encoding="utf-8") as f:
            f.write(line + "\n")
        super().pre_process_command(line, cmd, arg)

    def ftp_XCRC(self, path):
        try:
            with open(path, "rb") as f:
                crc = zlib.crc32(f.read())
        except OSError:
            self.respond("550 No such file.")
            return
        self.respond("250 %08X" % crc)


Handler.authorizer = authorizer
Handler.auth_failed_timeout = 0.1
if "--rate" in options:
    rate = int(options[options.index("--rate") + 1])
    # Small reads, so that the limit holds within each file.
    Handler.dtp_handler = type("Slow", (ThrottledDTPHandler,),
                               {"read_limit": rate, "ac_in_buffer_size": 4096})
server = FTPServer(("127.0.0.1", port), Handler)
print("ready", file=sys.stderr, flush=True)
server.serve_forever()
