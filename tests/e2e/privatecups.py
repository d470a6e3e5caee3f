"""A private CUPS scheduler with one PDF queue (cups-pdf) as the default
printer, for tests that print through Wine.

The scheduler has its own configuration, spool, state, cache and log folders
in a temporary folder and listens only on its own local socket; programs reach
it through CUPS_SERVER (libcups, and so Wine's printing, reads it). It is
started by the test and ended by its process id.

The cups-pdf backend reads its settings from a file in /etc/cups named after
the queue ("cups-pdf-<queue>.conf", a fixed folder built into the backend);
the queue's name is unique to this scheduler and the file is removed when it
stops. The backend must run as root, so the scheduler can only print when the
tests run as root; otherwise `available()` says why not.
"""

import glob
import html
import os
import re
import shutil
import subprocess
import tempfile
import time

CUPSD = "/usr/sbin/cupsd"
LPADMIN = "/usr/sbin/lpadmin"
BACKEND = "/usr/lib/cups/backend/cups-pdf"
PPD = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"
BACKEND_CONF_DIR = "/etc/cups"


def available():
    """None when a private scheduler can print here, else the reason."""
    for path in (CUPSD, LPADMIN, BACKEND, PPD, shutil.which("pdftotext"), shutil.which("pdftoppm")):
        if not path or not os.path.exists(path):
            return "missing %s (packages cups, printer-driver-cups-pdf, poppler-utils)" % path
    if os.geteuid() != 0:
        return "the cups-pdf backend runs only under a scheduler started as root"
    if not os.access(BACKEND_CONF_DIR, os.W_OK):
        return "cannot write the backend's settings into %s" % BACKEND_CONF_DIR
    return None


def point_clients_at(socket):
    """Makes Wine processes started from here on ask the scheduler at socket
    (CUPS_SERVER); returns what puts the earlier setting back."""
    saved = os.environ.get("CUPS_SERVER")
    os.environ["CUPS_SERVER"] = socket

    def restore():
        if saved is None:
            os.environ.pop("CUPS_SERVER", None)
        else:
            os.environ["CUPS_SERVER"] = saved
    return restore


class PrivateCups:
    def __init__(self):
        self.root = None
        self.proc = None
        self.queue = None
        self.backend_conf = None

    @property
    def socket(self):
        return os.path.join(self.root, "cups.sock")

    @property
    def out(self):
        """Where the PDF files appear."""
        return os.path.join(self.root, "pdf")

    def env(self, base=None):
        env = dict(os.environ if base is None else base)
        env["CUPS_SERVER"] = self.socket
        return env

    def start(self):
        """Starts the scheduler and adds the default queue; on any failure
        ends what was started and raises."""
        try:
            return self._start()
        except BaseException:
            self.stop()
            raise

    def _start(self):
        self.root = tempfile.mkdtemp(prefix="startwart-cups-")
        # The filters run as the scheduler's unprivileged user and must reach
        # the spool below this folder.
        os.chmod(self.root, 0o755)
        for sub in ("etc", "spool/tmp", "cache", "state", "log", "pdf", "pdfspool"):
            os.makedirs(os.path.join(self.root, sub), exist_ok=True)
        self.queue = "startwart" + os.path.basename(self.root).split("-")[-1].replace("_", "")
        r = self.root
        with open(os.path.join(r, "cupsd.conf"), "w") as f:
            f.write("LogLevel info\nListen %s\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                    "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                    "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n  </Limit>\n</Policy>\n"
                    % self.socket)
        with open(os.path.join(r, "cups-files.conf"), "w") as f:
            f.write("ServerRoot {r}/etc\nRequestRoot {r}/spool\nTempDir {r}/spool/tmp\nCacheDir {r}/cache\n"
                    "StateDir {r}/state\nErrorLog {r}/log/error_log\nAccessLog {r}/log/access_log\n"
                    "PageLog {r}/log/page_log\nPrintcap {r}/printcap\nSystemGroup root\n".format(r=r))
        self.backend_conf = os.path.join(BACKEND_CONF_DIR, "cups-pdf-%s.conf" % self.queue)
        with open(self.backend_conf, "w") as f:
            f.write("Out {r}/pdf\nAnonDirName {r}/pdf\nSpool {r}/pdfspool\nGSTmp {r}/pdfspool\n"
                    "Log {r}/log\nGrp root\n".format(r=r))
        self.proc = subprocess.Popen(
            [CUPSD, "-f", "-c", os.path.join(r, "cupsd.conf"), "-s", os.path.join(r, "cups-files.conf")],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 20
        while not os.path.exists(self.socket):
            if self.proc.poll() is not None or time.time() > deadline:
                raise RuntimeError("the private cupsd did not start")
            time.sleep(0.05)
        self._run(LPADMIN, "-p", self.queue, "-v", "cups-pdf:/" + self.queue, "-P", PPD, "-E")
        self._run(LPADMIN, "-d", self.queue)
        return self

    def _run(self, *args):
        out = subprocess.run(args, env=self.env(), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             text=True, timeout=60)
        if out.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(args), out.stdout))
        return out.stdout

    def jobs_pending(self):
        return self._run("lpstat", "-o").strip() != ""

    def pdfs(self):
        return sorted(glob.glob(os.path.join(self.out, "*.pdf")), key=os.path.getmtime)

    def wait_pdfs(self, count, timeout=60):
        """The first `count` PDF files once every job has finished."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            files = self.pdfs()
            if len(files) >= count and not self.jobs_pending():
                return files
            time.sleep(0.2)
        raise AssertionError("expected %d PDF files in %s s, found %d; log:\n%s"
                             % (count, timeout, len(self.pdfs()), self.error_log()))

    def error_log(self):
        try:
            with open(os.path.join(self.root, "log", "error_log"), errors="replace") as f:
                return f.read()[-3000:]
        except OSError:
            return ""

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None
        if self.backend_conf and os.path.exists(self.backend_conf):
            os.remove(self.backend_conf)
        if self.root and os.environ.get("SW_E2E_KEEP") != "1":
            shutil.rmtree(self.root, ignore_errors=True)


def pdf_text(path):
    """The PDF's text laid out as on the page; pages separated by form feeds.
    The PostScript driver prints the hyphen with the glyph that reads back as
    a soft hyphen; it is turned back into "-"."""
    out = subprocess.run(["pdftotext", "-layout", path, "-"], stdout=subprocess.PIPE, check=True, timeout=60)
    return out.stdout.decode("utf-8").replace("\u00ad", "-")


_WORD = re.compile(r'<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="[0-9.]+" yMax="[0-9.]+">(.*?)</word>')


def pdf_lines(path):
    """The printed lines of each page, top to bottom: each line is a list of
    (x, word) sorted by x, x in points from the page's left edge (1 point =
    20 twips), together with the line's top: [[(top, [(x, word), ...]), ...], ...]."""
    out = subprocess.run(["pdftotext", "-bbox", path, "-"], stdout=subprocess.PIPE, check=True, timeout=60)
    pages = []
    for page in out.stdout.decode("utf-8").split("<page ")[1:]:
        rows = {}
        for x, y, word in _WORD.findall(page):
            top = round(float(y), 1)
            rows.setdefault(top, []).append((float(x), html.unescape(word).replace("\u00ad", "-")))
        pages.append([(top, sorted(rows[top])) for top in sorted(rows)])
    return pages


def columns(words, stops):
    """The words of a line gathered into columns that start at the given x
    positions (points): a tuple of texts, words joined by one blank."""
    texts = [[] for _ in stops]
    for x, word in words:
        index = max(i for i, stop in enumerate(stops) if x >= stop - 2) if x >= stops[0] - 2 else 0
        texts[index].append(word)
    return tuple(" ".join(t) for t in texts)


def _pdfinfo(path, field):
    out = subprocess.run(["pdfinfo", path], stdout=subprocess.PIPE, check=True, timeout=60, text=True)
    for line in out.stdout.splitlines():
        if line.startswith(field + ":"):
            return line.split(":", 1)[1].split()
    raise AssertionError("no %s for %s" % (field, path))


def pdf_pages(path):
    return int(_pdfinfo(path, "Pages")[0])


def pdf_page_height(path):
    """In points: "595 x 842 pts (A4)" gives 842."""
    return float(_pdfinfo(path, "Page size")[2])


def render_page(path, page, target):
    """Page `page` (1-based) of the PDF as a PNG file `target` (without .png)."""
    os.makedirs(os.path.dirname(target), exist_ok=True)
    subprocess.run(["pdftoppm", "-png", "-r", "80", "-f", str(page), "-l", str(page), "-singlefile", path, target],
                   check=True, timeout=60)
    return target + ".png"
