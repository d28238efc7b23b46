#!/usr/bin/env python3
"""A stand-in for the MusicBrainz web service on 127.0.0.1, for tests only.

Each disc ID in /ws/2/discid/<id> picks a behaviour, or answers/<id>.json beside the log when a
test wrote one; every request is logged, one line each, to the file named by the second
argument. A third argument makes every answer wait that many seconds. Prints its port on the
first line."""
import json
import os
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOG = sys.argv[2] if len(sys.argv) > 2 else None
DELAY = int(sys.argv[3]) if len(sys.argv) > 3 else 0.0
seen = {}


def release(title, artist, tracks, track_title=lambda n: "Track %d" % n, date="1999-03-02", country="GB",
            label="Test Label"):
    return {
        "id": "rel-" + title.lower().replace(" ", "-")[:20],
        "title": title,
        "date": date,
        "country": country,
        "artist-credit": [{"name": artist, "joinphrase": "", "artist": {"id": "art-" + artist.lower().replace(" ", "-")}}],
        "label-info": [{"label": {"name": label}}],
        "media": [{"position": 1, "tracks": [
            {"position": n, "title": track_title(n), "id": "trk-%d" % n,
             "recording": {"id": "rec-%d" % n, "title": track_title(n)},
             "artist-credit": [{"name": artist, "joinphrase": "", "artist": {"id": "art-track-%d" % n}}]}
            for n in range(1, tracks + 1)]}],
    }


def body(releases):
    return json.dumps({"releases": releases}).encode()


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send(self, status, data=b"", kind="application/json", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        if LOG:
            with open(LOG, "a") as f:
                f.write(self.path + " " + self.headers.get("User-Agent", "") + "\n")
        time.sleep(DELAY)
        path = self.path.split("?")[0]
        disc = path.rsplit("/", 1)[-1]
        seen[disc] = seen.get(disc, 0) + 1
        # An answer a test wrote for this disc, beside the log: answers/<disc>.json.
        if LOG and disc.replace("-", "").replace("_", "").replace(".", "").isalnum():
            answer = os.path.join(os.path.dirname(LOG), "answers", disc + ".json")
            if os.path.isfile(answer):
                with open(answer, "rb") as f:
                    return self.send(200, f.read())
        if disc == "-":  # a search by table of contents
            if "toc=1+2+" in self.path:
                return self.send(200, body([release("Found By Layout", "Layout Artist", 2)]))
            return self.send(200, body([]))
        if disc.startswith("ok"):
            return self.send(200, body([release("Other Pressing", "Artist", 7),
                                        release("Demo Album", "Demo Artist", 4)]))
        if disc == "unknown":
            return self.send(404, b'{"error": "Not Found"}')
        if disc == "e500":
            return self.send(500, b"oops")
        if disc == "busy-then-ok":
            if seen[disc] == 1:
                return self.send(503, b"", headers=[("Retry-After", "1")])
            return self.send(200, body([release("Demo Album", "Demo Artist", 4)]))
        if disc == "busy":
            return self.send(503, b"")
        if disc == "loop":
            return self.send(302, b"", headers=[("Location", self.path)])
        port = self.server.server_address[1]
        moves = {"moved": "/ws/2/discid/ok-3", "to-file": "file:///etc/passwd",
                 "to-other-port": "http://127.0.0.1:9/ws/2/discid/ok-3",
                 "to-other-host": "http://localhost:%d/ws/2/discid/ok-3" % port}
        if disc in moves:
            return self.send(302, b"", headers=[("Location", moves[disc])])
        if disc == "html":
            return self.send(200, b"<html><body>Hello</body></html>", "text/html")
        if disc == "wrong-types":
            return self.send(200, json.dumps({"releases": [{"title": 5, "media": "x"}, {"media": [{"tracks": 3}]}]}).encode())
        if disc == "missing":
            return self.send(200, b'{"count": 1}')
        if disc == "huge":
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
            self.end_headers()
            chunk = b" " * 65536
            try:
                for _ in range(800):  # 50 MB
                    self.wfile.write(chunk)
            except (BrokenPipeError, ConnectionResetError):
                pass
            return
        if disc == "silent":
            time.sleep(30)
            return
        if disc == "odd-names":
            return self.send(200, body([release("A\x01B\tC", "X" * 2000, 4, lambda n: "\x07bell" if n == 1 else "é" * 1500)]))
        # Any other disc (the demo disc): a release with another track count first, then two
        # pressings of the disc's own.
        return self.send(200, body([
            release("Online Album Deluxe", "Online Artist", 6, lambda n: "Deluxe Track %d" % n, "2011-05-09", "US", "Big Label"),
            release("Online Album", "Online Artist", 4, lambda n: "Online Track %d" % n),
            release("Online Album Remaster", "Online Artist", 4, lambda n: "Remastered Track %d" % n, "2004-10-18", "DE",
                    "Other Label")]))


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
