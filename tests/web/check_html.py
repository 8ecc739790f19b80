"""Fails (exit 1) when a page's tags do not nest: every non-void element must be closed in
order. Usage: check_html.py FILE..."""
import sys
from html.parser import HTMLParser

VOID = {"br", "hr", "img", "input", "meta", "link", "area", "base", "col", "embed", "source", "track", "wbr"}


class Checker(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.errors = []

    def handle_starttag(self, tag, attrs):
        if tag not in VOID:
            self.stack.append((tag, self.getpos()))

    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1][0] != tag:
            self.errors.append("line %d: </%s> closes %s" % (self.getpos()[0], tag,
                                                              self.stack[-1][0] if self.stack else "nothing"))
            return
        self.stack.pop()


def main():
    bad = 0
    for name in sys.argv[1:]:
        with open(name, "rb") as f:
            text = f.read().decode("latin-1")
        c = Checker()
        c.feed(text)
        c.close()
        errors = c.errors + ["unclosed <%s> from line %d" % (t, p[0]) for t, p in c.stack]
        for e in errors:
            print("%s: %s" % (name, e))
        bad += bool(errors)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
