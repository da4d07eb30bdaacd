#!/usr/bin/env python3
"""Runs a Windows test beside a local HTTP server over a fresh, empty folder.

The test writes the files it wants served into KALTO_TEST_HTTP_ROOT (a Unix
path; under Wine it is drive Z: followed by that path) and fetches them from
http://127.0.0.1:KALTO_TEST_HTTP_PORT/. A missing file answers 404.

Usage: with_http_root.py <build-dir> <program.exe> [arguments...]
"""
import functools
import http.server
import os
import subprocess
import sys
import tempfile
import threading

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        sys.stderr.write("http: " + format % args + "\n")


def main():
    build, program = sys.argv[1], sys.argv[2:]
    with tempfile.TemporaryDirectory(prefix="kalto-http-") as root:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                                 functools.partial(QuietHandler, directory=root))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        env = dict(os.environ, KALTO_TEST_HTTP_ROOT=root, KALTO_TEST_HTTP_PORT=str(server.server_address[1]))
        status = subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), build, *program], env=env).returncode
        server.shutdown()
    sys.exit(status)


if __name__ == "__main__":
    main()
