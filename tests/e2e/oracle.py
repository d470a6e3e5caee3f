"""What the service view must show for a given registry, computed here from
the stored bytes (read by the driver through the wide registry calls), never
by the product's code.

The rules, as the program reads the registry through the wide calls:
  * a text value (types 1, 2) arrives as its stored UTF-16 text and one
    blank; a reader cuts it before its first NUL and keeps it whole (with
    that blank) when it holds none; a zero-length text arrives as " ";
  * types 3 and 4 give a little-endian integer of at most 4 bytes; more bytes
    make the read fail;
  * every other type is read with success but delivers nothing, which shows
    as " " in a line;
  * an entry is a service when its "ObjectName" reads with success;
  * a service line is display text (40 characters or more: its first 37 and
    "..."), TAB, description, TAB, key name; a service whose description is
    empty gets no line;
  * the snapshot holds "key|start" CR LF per service in enumeration order
    (CR, LF and backslash in a key name as \\r, \\n and \\\\), then one more
    CR LF; in the ANSI code page when every character has a
    byte of its own there, else in UTF-8 after a byte order mark.
"""

import harness as h

ANSI = "cp1252"  # the prefix's ANSI code page (the driver's "screen" reports it)
MISSING = object()


UTF8_MARK = b"\xef\xbb\xbf"


def stored_text(stored):
    """Stored UTF-16LE text as the wide call hands it out (an odd last byte
    is the low half of a character)."""
    if len(stored) % 2:
        stored += b"\0"
    return stored.decode("utf-16-le", errors="replace")


def snapshot_name(name):
    """A key name as a snapshot line holds it: backslash, CR and LF escaped."""
    return name.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")


def snapshot_bytes(text):
    """The snapshot file's bytes for its text."""
    try:
        ansi = text.encode(ANSI)
    except UnicodeEncodeError:
        return UTF8_MARK + text.encode("utf-8")
    return UTF8_MARK + text.encode("utf-8") if ansi.startswith(UTF8_MARK) else ansi


def read_value(values, name):
    """(ok, value): value is a str, an int, or None (read, but nothing delivered)."""
    found = [v for v in values if v["name"].lower() == name.lower()]
    if not found:
        return False, None
    type_, data = found[0]["type"], found[0]["data"]
    if type_ in (h.REG_SZ, h.REG_EXPAND_SZ):
        return True, stored_text(data) + " "
    if type_ in (h.REG_BINARY, h.REG_DWORD):
        if len(data) > 4:
            return False, None
        return True, int.from_bytes(data.ljust(4, b"\0"), "little", signed=True)
    return True, None


def text_or_blank(values, name):
    ok, value = read_value(values, name)
    if not ok or value is None:
        return " "
    return value if isinstance(value, str) else str(value)


def cut_at_nul(text):
    return text.split("\0", 1)[0]


def shown(text):
    """A text as a line shows it: TAB, CR and LF as blanks, so that no text
    moves a field."""
    return text.replace("\t", " ").replace("\r", " ").replace("\n", " ")


def shorten(display, limit=40, keep=37):
    return display[:keep] + "..." if len(display) >= limit else display


def enumeration_fails(keys):
    """The Services key cannot be listed through a 256-unit name buffer when
    a subkey name does not fit it with its NUL (the registry holds none)."""
    return any(len(k["name"].encode("utf-16-le")) // 2 >= 256 for k in keys)


class ServiceView:
    """The expected service view for the subkeys of the Services key.

    keys: reg_tree() of the Services key (enumeration order).
    unopenable: names of keys that the open with read access refuses (see
    closed_keys)."""

    def __init__(self, keys, unopenable=()):
        self.profile = []        # LProfile: service key names, enumeration order
        self.lines = []          # service lines in LProfile order (before sorting)
        snapshot = []
        for key in keys:
            name = key["name"]
            values = key.get("values", [])
            if name in unopenable or not key.get("readable", True):
                continue
            ok, _ = read_value(values, "ObjectName")
            if not ok:
                continue
            self.profile.append(name)
            description = cut_at_nul(text_or_blank(values, "Description"))
            display = cut_at_nul(text_or_blank(values, "DisplayName"))
            ok, start = read_value(values, "Start")
            start_text = str(start) if ok and isinstance(start, int) and 0 <= start <= 32767 else ""
            snapshot.append(snapshot_name(name) + "|" + start_text + "\r\n")
            if description != "":
                self.lines.append(shown(shorten(display)) + "\t" + shown(description) + "\t" + shown(name))
        self.snapshot = snapshot_bytes("".join(snapshot) + "\r\n")

    def sorted_lines(self, driver):
        """The lines as the sorted list box holds them (the system's own list
        box, in the driver, fed in the same order)."""
        return driver.sort_lines(self.lines)


def closed_keys(driver, keys, parent=h.SERVICES):
    """Names of subkeys that a program cannot open for reading: the
    unreadable ones. Only keys that may be affected are asked about."""
    closed = set()
    for key in keys:
        name = key["name"]
        if not key.get("readable", True):
            if driver.reg_open(parent + "\\" + name, h.KEY_READ) != 0:
                closed.add(name)
    return closed


def expected_view(driver):
    """The service view for the registry as it is now."""
    acp = driver.screen()["acp"]
    if acp != 1252:
        raise AssertionError("the prefix's ANSI code page is %s; the oracle knows 1252" % acp)
    keys = driver.reg_tree(h.SERVICES)
    return ServiceView(keys, closed_keys(driver, keys)), keys
