#!/usr/bin/python3
"""A TCP proxy for the send tests that cuts the connection midway, as a proxy or a network
that drops a long upload does.

cut_proxy.py PORT TARGET_PORT BYTES listens on 127.0.0.1:PORT and forwards every connection
to 127.0.0.1:TARGET_PORT. Once BYTES bytes in all went from the clients to the target, the
connection carrying the last of them is closed both ways in the middle of what it was
sending, and the proxy stops listening: the host is gone. Prints "ready" on stderr once it
listens.
"""

import socket
import sys
import threading

port, target, budget = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
lock = threading.Lock()
state = {"left": budget}
listener = socket.create_server(("127.0.0.1", port))


def close(*sockets):
    for s in sockets:
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        s.close()


def pump(source, sink, counted):
    """Forwards source to sink; what goes to the target counts against the budget."""
    try:
        while data := source.recv(65536):
            cut = False
            if counted:
                with lock:
                    allowed = min(len(data), state["left"])
                    state["left"] -= allowed
                cut = allowed < len(data)
                data = data[:allowed]
            sink.sendall(data)
            if cut:
                listener.close()
                break
    except OSError:
        pass
    close(source, sink)


print("ready", file=sys.stderr, flush=True)
while True:
    try:
        client, _ = listener.accept()
    except OSError:
        break
    server = socket.create_connection(("127.0.0.1", target))
    threading.Thread(target=pump, args=(client, server, True), daemon=True).start()
    threading.Thread(target=pump, args=(server, client, False), daemon=True).start()
# The cut connections end on their own; the proxy stays until it is killed.
threading.Event().wait()
