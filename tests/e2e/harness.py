"""End-to-end harness: the real Merotan.exe under Wine, driven from outside.

Every test gets
  * its own throwaway WINEPREFIX, copied from a template prefix made once
    (tests/wine/wine-env.sh), and its own Xvfb, started before the first Wine
    command of the prefix;
  * its own program folder inside the prefix's drive_c, holding a fresh copy of
    Merotan.exe, so side files never meet those of another test;
  * the driver (tests/e2e/driver), a long-running Windows console program in
    the same prefix that answers one JSON line per command;
  * a teardown that ends every process it started, by id, even when the test
    fails or hangs: a watchdog ends them when the test runs over its time,
    and the test then fails.

See README.md for how to write a test. Standard library only.
"""

import json
import os
import queue
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
DEFAULT_BUILD = os.path.join(REPO, "build", "windows")

PROGRAM = os.environ.get("SW_E2E_PROGRAM", os.path.join(DEFAULT_BUILD, "Merotan.exe"))
DRIVER = os.environ.get("SW_E2E_DRIVER", os.path.join(DEFAULT_BUILD, "tests", "e2e", "driver", "e2e_driver.exe"))
ARTIFACTS = os.environ.get("SW_E2E_ARTIFACTS", os.path.join(DEFAULT_BUILD, "tests", "e2e", "artifacts"))
WINE_ENV = os.environ.get("SW_E2E_WINE_ENV", os.path.join(REPO, "tests", "wine", "wine-env.sh"))
# A stand-in for a system program (tests/windows/MarkerProgram.cpp): copied
# under a system program's name, it leaves "<its path>.ran" when it runs.
MARKER = os.environ.get("SW_E2E_MARKER", os.path.join(DEFAULT_BUILD, "tests", "windows", "MarkerProgram.exe"))
# The registry's own cost of the program's reads (tests/windows/RegistryReadFloor.cpp),
# for the measuring scripts.
FLOOR = os.environ.get("SW_E2E_FLOOR", os.path.join(DEFAULT_BUILD, "tests", "windows", "RegistryReadFloor.exe"))
# The temporary folder of every Wine command of a test (see Session.start).
TMPDIR = os.environ.get("TMPDIR") or "/tmp"
KEEP = os.environ.get("SW_E2E_KEEP") == "1"  # keep the prefix of each test for a look afterwards

# What a Wine command of a test reports on standard error: Wine's errors
# only, into a file (see Session.start_program).
WINE_ERRORS = "-all,err+all"
ADDR_NO_RANDOMIZE = 0x0040000


def _fixed_address_layout():
    """Debian's wine64 comes without Wine's preloader: a new Wine process
    claims the addresses Windows programs expect (the shared user data at
    0x7ffe0000, the low memory) only once the kernel has laid out its
    randomized heap and libraries, and now and then finds one taken ("failed
    to map the shared user data: c0000018"). That process then never
    starts: a wineboot, a cmd that boots a session, a program under test.
    Every process the harness starts inherits this process's personality,
    so none of them is laid out at random."""
    import ctypes
    libc = ctypes.CDLL(None, use_errno=True)
    current = libc.personality(0xffffffff)
    if current != -1 and not current & ADDR_NO_RANDOMIZE:
        libc.personality(current | ADDR_NO_RANDOMIZE)


if sys.platform.startswith("linux"):
    _fixed_address_layout()


# Control ids and window classes: tests/e2e reads them from the program's own
# header, so both sides always agree.
def _read_control_ids():
    ids = {}
    path = os.path.join(REPO, "src", "win32", "ControlIds.h")
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 3 and parts[0] == "#define":
                value = parts[2]
                if value.startswith('L"'):
                    ids[parts[1]] = value[2:-1]
                else:
                    try:
                        ids[parts[1]] = int(value, 0)
                    except ValueError:
                        pass
    return ids


IDS = _read_control_ids()

SERVICES = r"System\CurrentControlSet\Services"
HKLM = "HKLM"
HKCU = "HKCU"

# Registry value types.
REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 0, 1, 2, 3, 4, 7
KEY_READ = 0x20019
KEY_ALL_ACCESS = 0xF003F

STARTUP_MESSAGE = "Diese Anwendung läuft nur unter Microsoft Windows XP oder höher.  "
STARTUP_TITLE = " Sicherheitseinstellungen"
CAPTION = "Tavrine™ Startwart XP"


class DriverError(Exception):
    """The driver answered {"ok": false}."""


class DriverTimeout(Exception):
    """The driver did not answer in time."""


# ---------------------------------------------------------------------------
# Registry values with exact stored bytes.

def sz(text, nul=True):
    """REG_SZ as stored: UTF-16LE, with its terminating NUL unless nul=False."""
    return (REG_SZ, (text + ("\0" if nul else "")).encode("utf-16-le"))


def expand_sz(text, nul=True):
    return (REG_EXPAND_SZ, (text + ("\0" if nul else "")).encode("utf-16-le"))


def multi_sz(items):
    return (REG_MULTI_SZ, ("".join(i + "\0" for i in items) + "\0").encode("utf-16-le"))


def dword(n):
    return (REG_DWORD, (n & 0xFFFFFFFF).to_bytes(4, "little"))


def binary(data):
    return (REG_BINARY, bytes(data))


def raw(type_, data):
    return (type_, bytes(data))


KEY_NAME = object()


def service(key, display=KEY_NAME, description=None, start=3, object_name="LocalSystem",
            image_path=None, **extra):
    """The values of a service entry (it has "ObjectName"). Each argument is
    either plain (text or int) or an exact (type, bytes) pair; None leaves the
    value out; the display name is the key name unless given.
    Returns (key name, {value name: (type, bytes)})."""
    values = {}

    def put(name, value, plain):
        if value is None:
            return
        values[name] = value if isinstance(value, tuple) else plain(value)

    put("DisplayName", key if display is KEY_NAME else display, sz)
    put("Description", description, sz)
    put("Start", start, dword)
    put("ObjectName", object_name, sz)
    put("ImagePath", image_path, expand_sz)
    put("Type", extra.pop("type", 0x10), dword)
    for name, value in extra.items():
        put(name, value, sz if isinstance(value, str) else dword)
    return key, values


def driver_entry(key, display=None, start=1, group=None, image_path=None, **extra):
    """A driver entry: no "ObjectName"."""
    values = {}
    if display is not None:
        values["DisplayName"] = display if isinstance(display, tuple) else sz(display)
    if start is not None:
        values["Start"] = start if isinstance(start, tuple) else dword(start)
    if group is not None:
        values["Group"] = group if isinstance(group, tuple) else sz(group)
    if image_path is not None:
        values["ImagePath"] = image_path if isinstance(image_path, tuple) else expand_sz(image_path)
    values["Type"] = dword(extra.pop("type", 1))
    for name, value in extra.items():
        values[name] = value if isinstance(value, tuple) else (sz(value) if isinstance(value, str) else dword(value))
    return key, values


def reg5_file(entries, root="HKEY_LOCAL_MACHINE"):
    """A "Windows Registry Editor Version 5.00" file (UTF-16LE with BOM) that
    stores exactly the given bytes: entries are (key path, {name: (type, bytes)})."""
    out = ["Windows Registry Editor Version 5.00", ""]
    for path, values in entries:
        out.append("[%s\\%s]" % (root, path))
        for name, (type_, data) in values.items():
            quoted = '"%s"' % name.replace("\\", "\\\\").replace('"', '\\"') if name else "@"
            hexed = ",".join("%02x" % b for b in data)
            if type_ == REG_DWORD and len(data) == 4:
                out.append("%s=dword:%08x" % (quoted, int.from_bytes(data, "little")))
            elif type_ == REG_BINARY:
                out.append("%s=hex:%s" % (quoted, hexed))
            else:
                out.append("%s=hex(%x):%s" % (quoted, type_, hexed))
        out.append("")
    return ("\ufeff" + "\r\n".join(out) + "\r\n").encode("utf-16-le")


def _quoted(text, at):
    """The text of a quoted string starting at text[at] == '"', and the index
    after its closing quote."""
    out = []
    i = at + 1
    escapes = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "0": "\0"}
    while i < len(text) and text[i] != '"':
        if text[i] == "\\" and i + 1 < len(text):
            out.append(escapes.get(text[i + 1], "\\" + text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    if i >= len(text):
        raise ValueError("unterminated string: %r" % text)
    return "".join(out), i + 1


HISTORY_KINDS = ["EntryAdded", "EntryRemoved", "ValueChanged", "ValueAdded", "ValueRemoved"]


def read_history(data):
    """The pairs of a history file ("<base>-Verlauf.dat") as far as they are
    whole, read from the bytes alone (format: src/history/HistoryFormat.cpp),
    and where the whole ones end. Each pair is a dict: from, to (datetime),
    checksums, left_out, records; a record: kind, label, entry, key,
    not_an_instance, before, after ((type, bytes) or None), subtree
    ([(path, removed, [(name, removed, type, bytes)])])."""
    import datetime
    import struct
    import zlib

    def reader(body):
        at = [0]

        def take(n):
            if at[0] + n > len(body):
                raise ValueError("body ends early")
            at[0] += n
            return body[at[0] - n:at[0]]
        u8 = lambda: take(1)[0]
        u32 = lambda: struct.unpack("<I", take(4))[0]
        text = lambda: take(u32())
        stored = lambda: (u32(), text())

        def time_():
            year, month, day, hour, minute, second = struct.unpack("<HBBBBB", take(7))
            return datetime.datetime(year, month, day, hour, minute, second) if year else None
        return take, u8, u32, text, stored, time_, at

    def pair_of(body):
        take, u8, u32, text, stored, time_, at = reader(body)
        pair = {"from": time_(), "to": time_(), "checksums": (u32(), u32()), "left_out": u32(), "records": []}
        for _ in range(u32()):
            kind, label, flags = u8(), text().decode("utf-8"), u8()
            record = {"kind": HISTORY_KINDS[kind], "label": label, "not_an_instance": bool(flags & 1),
                      "entry": text().decode("utf-8"), "key": text().decode("utf-8")}
            record["before"] = stored() if flags & 2 else None
            record["after"] = stored() if flags & 4 else None
            subtree = []
            for _ in range(u32()):
                path, removed = text().decode("utf-8"), bool(u8())
                values = []
                for _ in range(u32()):
                    name, gone = text().decode("utf-8"), bool(u8())
                    type_, data = stored()
                    values.append((name, gone, type_, data))
                subtree.append((path, removed, values))
            record["subtree"] = subtree
            pair["records"].append(record)
        if at[0] != len(body):
            raise ValueError("bytes after the records")
        return pair

    pairs, at = [], 0
    while at + 12 <= len(data) and data[at:at + 4] == b"VRL1":
        length, checksum = struct.unpack_from("<II", data, at + 4)
        body = data[at + 12:at + 12 + length]
        if len(body) < length or zlib.crc32(body) != checksum:
            break
        pairs.append(pair_of(body))
        at += 12 + length
    return pairs, at


def folder_state(folder):
    """Every file of the folder with its bytes and modification time."""
    state = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        with open(path, "rb") as f:
            state[name] = (f.read(), os.stat(path).st_mtime_ns)
    return state


def read_reg_file(data):
    """Reads a "Windows Registry Editor Version 5.00" file (UTF-16LE with BOM),
    in Python and independently of the program's own reader: a list of
    (key path, deleted, {value name: (type, bytes), or None for "=-"}) in the
    file's order; "@" is the name "". Raises ValueError on anything else."""
    if not data.startswith(b"\xff\xfe"):
        raise ValueError("no UTF-16LE byte order mark")
    lines = data[2:].decode("utf-16-le").split("\r\n")
    if lines[0] != "Windows Registry Editor Version 5.00":
        raise ValueError("header: %r" % lines[0])
    keys = []
    i = 1
    while i < len(lines):
        line = lines[i]
        i += 1
        while line.endswith("\\") and "=hex" in line and i < len(lines):  # a hex list goes on
            line = line[:-1] + lines[i].lstrip(" ")
            i += 1
        if not line:
            continue
        if line.startswith("[-") and line.endswith("]"):
            keys.append((line[2:-1], True, {}))
        elif line.startswith("[") and line.endswith("]"):
            keys.append((line[1:-1], False, {}))
        elif keys:
            if line.startswith("@="):
                name, rest = "", line[2:]
            else:
                name, after = _quoted(line, 0)
                if line[after] != "=":
                    raise ValueError("no '=' in %r" % line)
                rest = line[after + 1:]
            if rest == "-":
                value = None
            elif rest.startswith('"'):
                text, end = _quoted(rest, 0)
                if end != len(rest):
                    raise ValueError("text value with a tail: %r" % line)
                value = (REG_SZ, (text + "\0").encode("utf-16-le"))
            elif rest.startswith("dword:"):
                value = dword(int(rest[6:], 16))
            elif rest.startswith("hex"):
                kind, _, hexes = rest.partition(":")
                type_ = REG_BINARY if kind == "hex" else int(kind[4:-1], 16)
                value = (type_, bytes(int(h, 16) for h in hexes.split(",") if h))
            else:
                raise ValueError("value: %r" % line)
            keys[-1][2][name] = value
        else:
            raise ValueError("a value before the first key: %r" % line)
    return keys


# ---------------------------------------------------------------------------
# The driver.

class Driver:
    """The e2e driver process: one JSON command per line."""

    def __init__(self, session):
        self.session = session
        self.proc = subprocess.Popen(
            ["wine", session.unix_to_windows(DRIVER)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, env=session.env, cwd=session.root)
        self._lines = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        ready = self._next(60)
        if not ready.get("ready"):
            raise DriverError("driver did not start: %r" % ready)

    def _read(self):
        for line in self.proc.stdout:
            self._lines.put(line)
        self._lines.put(None)

    def _next(self, timeout):
        try:
            line = self._lines.get(timeout=timeout)
        except queue.Empty:
            raise DriverTimeout("the driver did not answer within %s s" % timeout)
        if line is None:
            raise DriverError("the driver ended")
        return json.loads(line.decode("ascii"))

    def _send(self, args, timeout):
        self.proc.stdin.write((json.dumps(args) + "\n").encode("ascii"))
        self.proc.stdin.flush()
        return self._next(timeout)

    def cmd(self, command, /, timeout=60, check=True, **args):
        """Runs one command; returns its answer as a dict. Raises DriverError
        when it failed and check is true. timeout is in seconds; a command's
        own "timeout" argument (milliseconds) goes in args as timeout_ms."""
        if "timeout_ms" in args:
            args["timeout"] = args.pop("timeout_ms")
        args["cmd"] = command
        reply = self._send(args, timeout)
        if check and not reply.get("ok"):
            raise DriverError("%s: %s" % (command, reply.get("error")))
        return reply

    # Program and windows -------------------------------------------------
    def attach(self, exe="Merotan.exe", timeout_ms=20000):
        return self.cmd("attach", exe=exe, timeout_ms=timeout_ms)

    def wait_window(self, window="root", timeout_ms=20000, visible=True):
        """The window's description, or None when none came in time."""
        r = self.cmd("wait_window", check=False, window=window, timeout_ms=timeout_ms, visible=visible)
        if r.get("timeout"):
            return None
        if not r.get("ok"):
            raise DriverError("wait_window: %s" % r.get("error"))
        return r

    def windows(self):
        return self.cmd("windows")["windows"]

    def wait_exit(self, timeout_ms=10000):
        """Waits for the attached program to end: {"exited", "code"}."""
        reply = self._send({"cmd": "wait_exit", "timeout": timeout_ms}, timeout_ms / 1000 + 30)
        if not reply.get("ok"):
            raise DriverError("wait_exit: %s" % reply.get("error"))
        return reply

    def screen(self):
        return self.cmd("screen")

    def find_processes(self, exe=None):
        """Processes of an image name (all without it): [{"pid", "parent", "exe"}]."""
        args = {} if exe is None else {"exe": exe}
        return self.cmd("find_processes", **args)["processes"]

    def process_windows(self, pid):
        """Top-level windows of a process: [{"class", "text", "visible", "zoomed", "iconic"}]."""
        return self.cmd("process_windows", pid=pid)["windows"]

    def kill(self, pid):
        """Ends a process by its id and waits for its end."""
        return self.cmd("kill", pid=pid)

    def control(self, id, window="root"):
        return self.cmd("control", window=window, id=id)

    def children(self, window="settings"):
        return self.cmd("children", window=window)

    def list(self, id=None, window="root", lines=True):
        return self.cmd("list", window=window, id=IDS["IDC_ROOT_LOBJEKTE"] if id is None else id, lines=lines)

    def lines(self, id=None, window="root"):
        return self.list(id, window)["lines"]

    def wait_selected(self, id=None, window="root", timeout_ms=20000):
        r = self.cmd("wait_selected", check=False, window=window,
                     id=IDS["IDC_ROOT_LOBJEKTE"] if id is None else id, timeout_ms=timeout_ms)
        return None if r.get("timeout") else r

    def focus(self, window="root"):
        return self.cmd("focus", window=window)

    def focused_id(self, window="root"):
        f = self.focus(window)
        return f["focus"]["id"] if f.get("has_focus") else None

    def msgbox(self, timeout_ms=5000):
        """The program's message box {"present", "title", "text", "buttons"}."""
        return self.cmd("msgbox", timeout_ms=timeout_ms)

    def answer(self, button="ok"):
        return self.cmd("answer", button=button)

    def close(self, window="root"):
        return self.cmd("close", window=window)

    def sync(self):
        return self.cmd("sync")

    def listview(self, id, window):
        """A report list view: {"columns", "rows" (lists of cells), "count",
        "sort" ("up", "down" or "" per column header)}."""
        return self.cmd("listview", window=window, id=id)

    # Input ----------------------------------------------------------------
    def keys(self, *keys, via="input"):
        """Presses keys: "Tab", "Shift+Tab", "Alt+E", "Esc", "Enter", "Down",
        "PageDown", "Home", "End", "a"."""
        return self.cmd("keys", keys=list(keys), via=via)

    def click(self, id, window="root", via="post", force=False, settle=True):
        """Clicks a button: a posted BM_CLICK ("post"), or the mouse ("input").
        settle=False returns as soon as the click is posted, without waiting
        for the program to take it."""
        return self.cmd("click", window=window, id=id, via=via, force=force, settle=settle)

    def column_click(self, column, id, window):
        """Clicks a list view's column header with the left button."""
        return self.cmd("column_click", window=window, id=id, column=column)

    def syscommand(self, command, window="root"):
        """Posts WM_SYSCOMMAND as a system-menu item does."""
        return self.cmd("syscommand", window=window, command=command)

    def set_text(self, id, text, window):
        """Sets an edit control's text (a file name in a save dialog)."""
        return self.cmd("set_text", window=window, id=id, text=text)

    def select(self, index, id=None, window="root", via="post"):
        """Selects a list line by a click on it: the button messages posted to
        the list at the line ("post"), or the real mouse ("input"); or by arrow
        keys ("keys")."""
        return self.cmd("select", window=window, id=IDS["IDC_ROOT_LOBJEKTE"] if id is None else id,
                        index=index, via=via)

    def dblclick(self, index, id=None, window="root", via="post"):
        """Double-clicks a list line; with index None, the middle of the control."""
        args = {} if index is None else {"index": index}
        return self.cmd("dblclick", window=window, id=IDS["IDC_ROOT_LOBJEKTE"] if id is None else id,
                        via=via, **args)

    # Registry -------------------------------------------------------------
    def reg_get(self, path, name, root=HKLM):
        """{"exists", "type", "data" (stored bytes), "ansi_data" (as the ANSI call gives it)}."""
        r = self.cmd("reg_get", root=root, path=path, name=name)
        r["data"] = bytes.fromhex(r["hex"]) if r.get("exists") else None
        r["ansi_data"] = bytes.fromhex(r["ansi_hex"]) if "ansi_hex" in r else None
        return r

    def reg_keys(self, path, root=HKLM):
        return self.cmd("reg_keys", root=root, path=path)["keys"]

    def reg_tree(self, path=SERVICES, root=HKLM, depth=1):
        """Subkeys in enumeration order, each {"name", "readable", "values":
        [{"name", "type", "data"}]}; depth > 1 adds "keys" below."""
        r = self.cmd("reg_tree", root=root, path=path, depth=depth, timeout=300)

        def convert(keys):
            for k in keys:
                for v in k.get("values", []):
                    v["data"] = bytes.fromhex(v.pop("hex"))
                convert(k.get("keys", []))
            return keys
        return convert(r["keys"])

    def reg_set(self, path, name=None, value=None, root=HKLM):
        """Creates the key when missing; stores (type, bytes) exactly when given."""
        args = {"root": root, "path": path}
        if name is not None:
            args.update(name=name, type=value[0], hex=value[1].hex())
        return self.cmd("reg_set", **args)

    def reg_delete_key(self, path, root=HKLM):
        return self.cmd("reg_delete_key", root=root, path=path)

    def reg_dacl(self, path, sddl, root=HKLM):
        """Replaces the key's access list: "D:P(A;;KR;;;WD)" lets everyone
        read only; "D:P" lets nobody in."""
        return self.cmd("reg_dacl", root=root, path=path, sddl=sddl)

    def reg_open(self, path, access=KEY_READ, root=HKLM, ansi=True):
        return self.cmd("reg_open", root=root, path=path, access=access, ansi=ansi)["result"]

    def seed(self, entries, parent=SERVICES, root=HKLM):
        """Writes entries (key name, {value: (type, bytes)}) below parent,
        creating the keys, with exactly the given types and bytes."""
        keys = [{"path": parent + "\\" + key if parent else key,
                 "values": [{"name": n, "type": t, "hex": d.hex()} for n, (t, d) in values.items()]}
                for key, values in entries]
        for start in range(0, len(keys), 500):
            self.cmd("reg_seed", root=root, keys=keys[start:start + 500], timeout=300)

    # Services and processes ----------------------------------------------
    def service_create(self, name, binary, display=None, depends=None):
        """Registers an own-process service started on demand, depending on
        the service depends when given."""
        extra = {} if depends is None else {"depends": depends}
        return self.cmd("service_create", name=name, display=name if display is None else display, binary=binary,
                        **extra)

    def service_state(self, name):
        """"RUNNING", "STOPPED", ...; "" when no such service is registered."""
        return self.cmd("service_state", name=name)["state"]

    def service_config(self, name):
        """The service manager's own copy: {"exists", "start", "type", "binary",
        "account", "display"}."""
        return self.cmd("service_config", name=name)

    def wait_service(self, name, state, timeout_ms=20000):
        """Waits until the service is in state; returns the state it ended in."""
        return self.cmd("wait_service", name=name, state=state, timeout_ms=timeout_ms,
                        timeout=timeout_ms / 1000 + 30)["state"]

    def processes(self):
        """Image names of every running process of the prefix."""
        return self.cmd("processes")["names"]

    def sort_lines(self, lines):
        """The lines in the order a sorted list box puts them, added one by
        one in the given order."""
        return self.cmd("sort_lines", lines=list(lines), timeout=300)["lines"]

    def text_extent(self, text, face="Tahoma", points100=900, bold=False):
        """{"cx", "cy"} of text in that font at the screen's DPI."""
        return self.cmd("text_extent", text=text, face=face, points100=points100, bold=bold)

    def quit(self):
        try:
            self.proc.stdin.write(b'{"cmd":"quit"}\n')
            self.proc.stdin.flush()
            self.proc.stdin.close()
        except (BrokenPipeError, ValueError, OSError):
            pass


# ---------------------------------------------------------------------------
# A throwaway prefix with its own display.

def _run_quiet(args, env=None, timeout=120):
    return subprocess.run(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)


def template_prefix():
    """Makes the shared template prefix once (the same one the Windows-side
    tests use) and returns its path."""
    out = subprocess.run(["bash", "-c", '. "$1" && sw_template && echo "$SW_TEMPLATE"', "x", WINE_ENV],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300, text=True)
    path = out.stdout.strip().splitlines()[-1] if out.stdout.strip() else ""
    if out.returncode != 0 or not os.path.isfile(os.path.join(path, ".ready")):
        raise RuntimeError("no template prefix: %s" % out.stderr)
    return path


class Session:
    """One throwaway Wine prefix with its own Xvfb, and every process started in it."""

    def __init__(self, name, desktop=True, logpixels=None):
        self.name = name
        self.desktop = desktop
        self.logpixels = logpixels  # the screen's DPI; None leaves Wine's 96
        self.root = tempfile.mkdtemp(prefix="startwart-e2e-")
        self.prefix = os.path.join(self.root, "prefix")
        self.artifacts = os.path.join(ARTIFACTS, name)
        self.xvfb = None
        self.driver = None
        self.programs = []  # Popen of every Merotan.exe started
        self.others = []    # other Popen started (wine regedit, ...)
        self.env = None
        self._stopped = False
        self._lock = threading.Lock()
        self._stop_lock = threading.Lock()

    # -- set-up --
    def start(self):
        template = template_prefix()
        subprocess.run(["cp", "-a", template, self.prefix], check=True)
        if self.desktop:
            self._use_virtual_desktop()
        if self.logpixels:
            self._use_dpi(self.logpixels)
        self._start_xvfb()
        self.env = dict(os.environ)
        # One locale everywhere: Wine's ANSI code page is then 1252 and
        # command lines pass as UTF-8.
        for name in [n for n in self.env if n.startswith("LC_")]:
            del self.env[name]
        # TMPDIR names the server's socket folder: one value for every
        # command of the prefix, or a second server would start on it.
        self.env.update(WINEPREFIX=self.prefix, DISPLAY=self.display, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LANG="C.UTF-8", TMPDIR=TMPDIR)
        self.env.pop("WINESERVER", None)
        self._start_session()
        return self

    # How long the boot of a prefix's session may take.
    BOOT_TIMEOUT = 120

    def _start_session(self):
        """Starts the prefix's persistent server and boots its session.
        Debian's wineserver otherwise ends the session as soon as the last
        program of the prefix ends, and a command that comes while it is
        torn down, or while the next one boots, finds no service manager
        (1722). The server returns once its socket is ready; the boot's
        output goes to files, because the first program of a session hands
        its standard error on to the session's own processes and a pipe
        there would never be seen to end."""
        with open(os.path.join(self.root, "wineserver.log"), "ab") as log:
            started = subprocess.run(["wineserver", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                     stdout=log, stderr=log, timeout=60)
        if started.returncode != 0:
            raise RuntimeError("the prefix's wineserver did not start (%s)" % started.returncode)
        boot_log = os.path.join(self.root, "boot.log")
        with open(boot_log, "wb") as log:
            booted = subprocess.run(["wine", "cmd", "/c", "exit"], env=dict(self.env, WINEDEBUG=WINE_ERRORS), cwd=self.root,
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=log, timeout=self.BOOT_TIMEOUT)
        if booted.returncode != 0:
            with open(boot_log, "rb") as log:
                tail = log.read()[-400:].decode("utf-8", "replace")
            raise RuntimeError("the prefix's session did not boot (%s): %s" % (booted.returncode, tail))

    def _use_virtual_desktop(self):
        # Wine's own desktop window, as large as the screen: windows get
        # Wine's frames and title bars (there is no window manager), so a
        # screenshot shows captions. Written into the prefix's user.reg
        # before any Wine process reads it.
        with open(os.path.join(self.prefix, "user.reg"), "a", encoding="ascii") as f:
            f.write('\n[Software\\\\Wine\\\\Explorer] 0\n"Desktop"="Default"\n'
                    '\n[Software\\\\Wine\\\\Explorer\\\\Desktops] 0\n"Default"="1280x1024"\n')

    def _use_dpi(self, dpi):
        # The display setting that programs read as LOGPIXELSX, before any
        # Wine process of the prefix starts.
        with open(os.path.join(self.prefix, "user.reg"), "a", encoding="ascii") as f:
            f.write('\n[Control Panel\\\\Desktop] 0\n"LogPixels"=dword:%08x\n' % dpi)

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.time() + 20
        while time.time() < deadline and not number.endswith(b"\n"):
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    # -- files --
    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def unix_to_windows(self, path):
        """A Windows path for a unix path: below drive_c as C:, else as Z:."""
        path = os.path.abspath(path)
        c = os.path.realpath(self.drive_c())
        real = os.path.realpath(path)
        if real == c or real.startswith(c + os.sep):
            return "C:\\" + os.path.relpath(real, c).replace("/", "\\").lstrip(".\\")
        return "Z:" + real.replace("/", "\\")

    def program_folder(self, name="Startwart", exe_name="Merotan.exe"):
        """A fresh folder in drive_c with a copy of the program. Returns the
        unix path of the folder."""
        folder = self.drive_c(name)
        os.makedirs(folder, exist_ok=True)
        shutil.copy2(PROGRAM, os.path.join(folder, exe_name))
        return folder

    # -- processes --
    def wine(self, *args, timeout=120, check=True):
        """Runs a Wine command in the prefix and waits for it."""
        proc = subprocess.Popen(["wine", *args], env=self.env, cwd=self.root,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        with self._lock:
            self.others.append(proc)
        try:
            out, _ = proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise
        if check and proc.returncode != 0:
            raise RuntimeError("wine %s failed with %s" % (" ".join(args), proc.returncode))
        return out

    def import_reg(self, data, name="seed.reg"):
        """Imports a .reg file (bytes, e.g. from reg5_file) with wine regedit /s."""
        path = os.path.join(self.root, name)
        with open(path, "wb") as f:
            f.write(data)
        self.wine("regedit", "/s", self.unix_to_windows(path), timeout=300)

    # How long a fresh prefix's service manager may take to answer.
    SERVICE_MANAGER_WAIT_MS = 30000

    def start_driver(self):
        """Starts the driver and waits until the prefix's service manager
        answers, so that no test's first step meets a manager that is not
        there yet (a fresh prefix starts it beside its first program)."""
        if self.driver is None:
            self.driver = Driver(self)
            r = self.driver.cmd("wait_service_manager", timeout_ms=self.SERVICE_MANAGER_WAIT_MS,
                                timeout=self.SERVICE_MANAGER_WAIT_MS / 1000 + 30)
            if not r.get("ready"):
                # Which of Wine's own processes run tells a manager that never
                # started from one that started and does not answer.
                try:
                    running = sorted(self.driver.processes())
                except (DriverError, RuntimeError, OSError) as e:
                    running = "unknown (%s)" % e
                raise RuntimeError("the prefix's service manager did not answer within %d ms (last error %s); "
                                   "processes of the prefix: %s" % (self.SERVICE_MANAGER_WAIT_MS, r.get("error"), running))
        return self.driver

    def restart_wine(self):
        """Ends every Wine process of the prefix and starts the driver again,
        as a reboot would: the service manager then reads its services from
        the registry anew. Returns the new driver."""
        if self.driver is not None:
            self.driver.quit()
            try:
                self.driver.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.driver.proc.kill()
                self.driver.proc.wait()
            with self._lock:
                self.others.append(self.driver.proc)
            self.driver = None
        _run_quiet(["wineserver", "-k"], env=self.env, timeout=30)
        _run_quiet(["wineserver", "-w"], env=self.env, timeout=60)
        self._start_session()
        return self.start_driver()

    def start_program(self, folder, exe_name="Merotan.exe", cwd=None, attach=True, args=(), debug=None):
        """Starts the program from its folder (as Explorer would: the folder
        as working directory, unless cwd names another), with args on its
        command line, and returns its Popen. With attach, the driver adopts it.
        debug: (WINEDEBUG, file): Wine's debug channels as given, written to
        that file (a file, never a pipe: see docs/wine.md)."""
        exe = os.path.join(folder, exe_name)
        # Wine's errors go to a file, so that a start that fails says why.
        wine_debug, log = debug or (WINE_ERRORS, os.path.join(self.root, "program-%d.log" % len(self.programs)))
        env = dict(self.env, WINEDEBUG=wine_debug)
        with open(log, "wb") as stderr:
            proc = subprocess.Popen(["wine", self.unix_to_windows(exe), *args], env=env, cwd=cwd or folder,
                                    stdout=subprocess.DEVNULL, stderr=stderr)
        with self._lock:
            self.programs.append(proc)
        if attach and self.driver is not None:
            try:
                self.driver.attach(exe=exe_name)
            except DriverError as error:
                # Whether Wine gave up on the program or it never showed up
                # in the process list tells two different faults apart.
                state = "still runs" if proc.poll() is None else "ended with %s" % proc.returncode
                with open(log, "rb") as f:
                    said = f.read()[-600:].decode("utf-8", "replace")
                raise DriverError("%s; the wine command that starts it %s; Wine said: %s"
                                  % (error, state, said)) from None
        return proc

    # What a timing must not share the wine server with: the program of an
    # earlier round and the registry export that it started, which outlives
    # its window by a second or more.
    BUSY_PROCESSES = ("regedit.exe", "merotan.exe")

    def wait_quiet(self, timeout=120, busy=BUSY_PROCESSES):
        """Waits until no process of the prefix runs under one of the image
        names in busy; fails naming those still running after timeout s."""
        deadline = time.monotonic() + timeout
        while True:
            running = [p for p in self.driver.find_processes() if p["exe"].lower() in busy]
            if not running:
                return
            if time.monotonic() > deadline:
                raise RuntimeError("still running after %s s: %s"
                                   % (timeout, ", ".join("%s (%s)" % (p["exe"], p["pid"]) for p in running)))
            time.sleep(0.05)

    def screenshot(self, name, rect=None):
        """A PNG of the virtual screen in the build tree, or of the part of it
        in rect (screen pixels: {"left", "top", "right", "bottom"}, e.g. the
        "window_rect" of wait_window); returns its path."""
        os.makedirs(self.artifacts, exist_ok=True)
        path = os.path.join(self.artifacts, name + ".png")
        command = ["import", "-window", "root"]
        if rect is not None:
            command += ["-crop", "%dx%d+%d+%d" % (rect["right"] - rect["left"], rect["bottom"] - rect["top"],
                                                  rect["left"], rect["top"])]
        _run_quiet(command + [path], env=dict(os.environ, DISPLAY=self.display), timeout=60)
        if not os.path.isfile(path):
            raise RuntimeError("no screenshot was taken")
        return path

    # -- teardown --
    def stop(self):
        """Ends every process started here, by id; removes the prefix. A
        second caller (the watchdog and the test's cleanup) waits until the
        first has finished."""
        with self._stop_lock:
            if self._stopped:
                return
            self._stop()
            self._stopped = True

    def _stop(self):
        if self.driver is not None:
            self.driver.quit()
        for proc in self.programs + self.others + ([self.driver.proc] if self.driver else []):
            if proc.poll() is None:
                try:
                    proc.kill()
                except OSError:
                    pass
        if self.env is not None:
            _run_quiet(["wineserver", "-k"], env=self.env, timeout=30)
            try:
                _run_quiet(["wineserver", "-w"], env=self.env, timeout=30)
            except subprocess.TimeoutExpired:
                pass
        for proc in self.programs + self.others + ([self.driver.proc] if self.driver else []):
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        if self.driver is not None:
            for stream in (self.driver.proc.stdin, self.driver.proc.stdout):
                try:
                    stream.close()
                except (OSError, ValueError):
                    pass
        for proc in self.others:
            if proc.stdout:
                proc.stdout.close()
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.kill()
            self.xvfb.wait()
        if KEEP:
            sys.stderr.write("kept the prefix of %s: %s\n" % (self.name, self.prefix))
        else:
            shutil.rmtree(self.root, ignore_errors=True)


# ---------------------------------------------------------------------------
# Test cases.

class E2ETestCase(unittest.TestCase):
    """Base class: self.session (started), self.driver, helpers to run the
    program. Each test has a time limit (TIME_LIMIT seconds); when it runs
    over, every process is ended and the test fails."""

    TIME_LIMIT = 60
    LOGPIXELS = None  # the screen's DPI for the test's prefix; None: Wine's 96
    # Wine's own desktop window; False puts the program's windows on the bare
    # X screen as a user's are, where every hidden or destroyed window costs
    # Wine a two-second wait for a window manager that is not there.
    DESKTOP = True

    def setUp(self):
        self.session = Session("%s.%s" % (type(self).__name__, self._testMethodName), desktop=self.DESKTOP,
                               logpixels=self.LOGPIXELS)
        self.addCleanup(self.session.stop)
        self._timed_out = False
        self._watchdog = threading.Timer(self.TIME_LIMIT, self._over_time)
        self._watchdog.daemon = True
        self._watchdog.start()
        self.addCleanup(self._watchdog.cancel)
        self.addCleanup(self._check_time)
        self.session.start()
        self.driver = self.session.start_driver()

    def _over_time(self):
        self._timed_out = True
        self.session.stop()

    def _check_time(self):
        if self._timed_out:
            self.fail("the test ran over its time limit of %s s; every process was ended" % self.TIME_LIMIT)

    # Conveniences ---------------------------------------------------------
    def start_merotan(self, folder=None, exe_name="Merotan.exe", wait=True, cwd=None):
        """Starts Merotan.exe in a fresh program folder (or the given one),
        from that folder or from cwd. With wait, waits for the main window
        and its first selection (when the list has lines). Returns the
        program folder."""
        folder = folder or self.session.program_folder(exe_name=exe_name)
        self.program = self.session.start_program(folder, exe_name, cwd=cwd)
        if wait:
            self.window = self.driver.wait_window("root", timeout_ms=30000)
            self.assertIsNotNone(self.window, "the main window did not appear")
            self.driver.sync()
        return folder

    def wait_program_end(self, timeout=15):
        """Waits for the started Merotan.exe to end; returns its exit code."""
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end within %s s" % timeout)

    def wait_for_export(self, path, timeout=90):
        """The registry export's bytes once the registry editor has finished
        writing it. The bound is wide: on a machine busy with other builds and
        tests the registry editor's start alone was seen to take over 30 s."""
        deadline = time.time() + timeout
        last = -1
        while time.time() < deadline:
            if os.path.exists(path):
                size = os.path.getsize(path)
                if size > 0 and size == last:
                    with open(path, "rb") as f:
                        data = f.read()
                    if data.endswith("\r\n".encode("utf-16-le")):
                        return data
                last = size
            time.sleep(0.3)
        self.fail("no complete export in %s s" % timeout)

    def wait_until(self, condition, timeout=10, interval=0.05, message="condition"):
        """Polls condition() until it is truthy; returns its value. message
        may be a function, called only when the wait has failed, to say what
        was seen instead."""
        deadline = time.time() + timeout
        while True:
            value = condition()
            if value:
                return value
            if time.time() >= deadline:
                self.fail("timed out waiting for %s" % (message() if callable(message) else message))
            time.sleep(interval)


def main():
    unittest.main(verbosity=2)
