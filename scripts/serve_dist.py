#!/usr/bin/python3
"""Serves the web page's dist/ folder on 127.0.0.1 as a web server should: the files renamed after
their content kept by browsers for a year, index.html and the service worker asked anew each
time, and the .br or .gz beside a file sent in its place to a browser that takes it.

Usage: serve_dist.py DIST_DIR [PORT]   (default port 8000)
"""

import http.server
import mimetypes
import os
import re
import sys

HASHED = re.compile(r"\.[0-9a-f]{10}\.[A-Za-z0-9]+$")
TYPES = {".wasm": "application/wasm", ".webmanifest": "application/manifest+json",
         ".js": "text/javascript", ".html": "text/html; charset=utf-8",
         ".snd": "application/octet-stream", ".png": "image/png"}


def cache_control(path):
    if HASHED.search(path):
        return "public, max-age=31536000, immutable"
    return "no-cache"


class DistHandler(http.server.SimpleHTTPRequestHandler):
    def guess_type(self, path):
        return TYPES.get(os.path.splitext(path)[1]) or mimetypes.guess_type(path)[0] or \
            "application/octet-stream"

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if not os.path.isfile(path):
            return super().send_head()  # a redirect for a folder, or 404
        taken = self.headers.get("Accept-Encoding", "")
        for encoding, suffix in (("br", ".br"), ("gzip", ".gz")):
            if re.search(r"(^|[ ,])" + encoding + r"($|[ ,;])", taken) and \
                    os.path.isfile(path + suffix):
                body, sent = path + suffix, encoding
                break
        else:
            body, sent = path, None
        f = open(body, "rb")
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Length", str(os.fstat(f.fileno()).st_size))
        self.send_header("Cache-Control", cache_control(path))
        self.send_header("Vary", "Accept-Encoding")
        if sent:
            self.send_header("Content-Encoding", sent)
        self.end_headers()
        return f


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    dist = sys.argv[1]
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 8000
    if not os.path.isfile(os.path.join(dist, "index.html")):
        print(f"serve_dist.py: no index.html in {dist}", file=sys.stderr)
        return 1
    handler = lambda *a, **k: DistHandler(*a, directory=dist, **k)  # noqa: E731
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        print(f"Serving {dist} at http://127.0.0.1:{port}/ (Ctrl+C stops)")
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
