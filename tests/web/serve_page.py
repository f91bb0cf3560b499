#!/usr/bin/python3
"""Usage: serve_page.py PORT PAGE_DIR

Serves the built page as scripts/web does, and beside it the tests' probe (page_probe.js, as probe.js),
which the index.html served here loads after the page: it shows the tests the page's state and times
its tick. The shipped page knows nothing of it."""
import functools
import http.server
import os
import sys

PROBE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "page_probe.js")
TAG = b'<script type="module" src="probe.js"></script>\n</body>'


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        path = self.path.split("?", 1)[0].split("#", 1)[0]
        if path in ("/", "/index.html"):
            with open(os.path.join(self.directory, "index.html"), "rb") as f:
                self.reply(f.read().replace(b"</body>", TAG, 1), "text/html")
        elif path == "/probe.js":
            with open(PROBE, "rb") as f:
                self.reply(f.read(), "text/javascript")
        else:
            super().do_GET()

    def reply(self, body, kind):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    port, folder = int(sys.argv[1]), sys.argv[2]
    handler = functools.partial(Handler, directory=folder)
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        server.serve_forever()


if __name__ == "__main__":
    main()
