"""Tells the web-service stand-in of a test's network namespace
(tests/fixtures/web_standin.py) how to answer, through its control port."""
import os
import sys
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
from web_standin import ADDRESS_PATH, CONFIG, CONFIG_PATH, PACKAGE_SIZE  # noqa: E402,F401

# Where the stand-in listens: netns_wine.sh says so; a namespace set up by a
# test itself uses the same address.
WEB = os.environ.get("KALTO_WEB_STANDIN", "127.0.0.80")


def control(route, **query):
    """One control request (/set, /reset, /hits, /listen); the stand-in's answer."""
    url = "http://%s:8080%s?%s" % (WEB, route, urllib.parse.urlencode(query))
    with urllib.request.urlopen(url, timeout=10) as reply:
        return reply.read().decode()
