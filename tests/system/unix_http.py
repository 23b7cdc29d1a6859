# SPDX-License-Identifier: GPL-3.0-or-later
"""HTTP over a Unix socket, as the program asks its quote server for the page."""

import http.client
import socket


class UnixHTTPConnection(http.client.HTTPConnection):
    """An HTTP connection to the server listening on the Unix socket `path`; the host is localhost."""

    def __init__(self, path, timeout):
        super().__init__("localhost", timeout=timeout)
        self.path = path

    def connect(self):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(self.timeout)
        self.sock.connect(self.path)
