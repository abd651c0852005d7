# SPDX-License-Identifier: GPL-3.0-or-later
# Radicale as a server that does not report a book's changes: it answers 403
# to sync-collection and does not offer it among the book's reports, so a
# client must compare the book's ctag and list its ETags instead.
import io
import re
import sys

import radicale.server
from radicale.__main__ import run

OFFER = re.compile(rb"<(\w+:)?supported-report>\s*<(\w+:)?report>\s*<(\w+:)?sync-collection\s*/>"
                   rb"\s*</(\w+:)?report>\s*</(\w+:)?supported-report>")


class Listing(radicale.server.Application):
    def __call__(self, environ, start_response):
        size = int(environ.get("CONTENT_LENGTH") or 0)
        body = environ["wsgi.input"].read(size) if size else b""
        environ["wsgi.input"] = io.BytesIO(body)
        environ.pop("HTTP_ACCEPT_ENCODING", None)  # the answer is read as text below
        if environ["REQUEST_METHOD"] == "REPORT" and b"sync-collection" in body:
            start_response("403 Forbidden", [("Content-Length", "0")])
            return [b""]
        answer = {}

        def keep(status, headers, exc_info=None):
            answer["status"], answer["headers"] = status, headers

        out = OFFER.sub(b"", b"".join(super().__call__(environ, keep)))
        headers = [(k, v) for k, v in answer["headers"] if k.lower() != "content-length"]
        start_response(answer["status"], headers + [("Content-Length", str(len(out)))])
        return [out]


radicale.server.Application = Listing
sys.exit(run())
