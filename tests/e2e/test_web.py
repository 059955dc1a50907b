"""wirepanel-web: wirepanel on a Broadway display of its own, used through a
real browser (headless Chromium under Selenium) by the person and through
the standard streams by the client, and taken down with wirepanel however
wirepanel ends."""
import http.client
import json
import os
import re
import signal
import socket
import ssl
import stat
import subprocess
import tempfile
import time
from pathlib import Path

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.common.exceptions import UnexpectedAlertPresentException
from selenium.webdriver.common.by import By

from conftest import TIMEOUT, WIREPANEL, Panel, mode_of, window_ui

WIREPANEL_WEB = os.environ.get("WIREPANEL_WEB", str(Path(WIREPANEL).parent / "wirepanel-web"))
URL_LINE = re.compile(r"wirepanel-web: open (https?://([0-9.]+):(\d+)/) in a web browser$")

# A button big enough that the middle of the window is always on it.
FORM_UI = window_ui(
    '<child><object class="GtkBox" id="box"><property name="visible">1</property>'
    '<property name="orientation">vertical</property>'
    '<child><object class="GtkButton" id="b"><property name="visible">1</property>'
    '<property name="label">Press</property><property name="width-request">400</property>'
    '<property name="height-request">300</property></object></child>'
    '<child><object class="GtkEntry" id="e"><property name="visible">1</property></object></child>'
    '</object></child>')
# Nothing that blinks, so the page is still until a command changes it.
STILL_UI = window_ui(
    '<child><object class="GtkBox" id="box"><property name="visible">1</property>'
    '<property name="orientation">vertical</property>'
    '<child><object class="GtkLabel" id="l"><property name="visible">1</property>'
    '<property name="label">before</property></object></child>'
    '<child><object class="GtkProgressBar" id="p"><property name="visible">1</property>'
    '<property name="width-request">300</property></object></child>'
    '</object></child>')


def until(probe, what, timeout=TIMEOUT, pause=0.05):
    """The first true result of probe within the timeout."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(pause)


def spawn_web(workdir, ui=FORM_UI, args=()):
    workdir.mkdir(exist_ok=True)
    return Panel(workdir, ui, args=args, stdio=True, program=WIREPANEL_WEB)


def take_url(p):
    """Reads the URL that wirepanel-web printed into the panel's record."""
    line = p.stderr.wait_for(lambda text: "wirepanel-web: open " in text)
    m = URL_LINE.search(line)  # broadwayd may have left a line unfinished
    assert m, line
    p.url, p.address, p.port = m.group(1), m.group(2), int(m.group(3))
    return p


def start_web(workdir, ui=FORM_UI, args=()):
    """A wirepanel-web on its standard streams, with the URL it printed."""
    return take_url(spawn_web(workdir, ui, args))


@pytest.fixture
def web(tmp_path):
    """Factory: web(ui, args, name) starts a wirepanel-web in its own directory."""
    started = []

    def start(ui=FORM_UI, args=(), name="web"):
        p = start_web(tmp_path / name, ui, args)
        started.append(p)
        return p

    yield start
    for p in started:
        p.close()


@pytest.fixture(scope="session")
def browser():
    """One headless Chromium for every test here, with a fresh profile."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--window-size=1280,1024"):
        options.add_argument(arg)
    # The page says "disconnected" in an alert when its panel has ended.
    options.set_capability("unhandledPromptBehavior", "dismiss")
    with tempfile.TemporaryDirectory(prefix="wirepanel-chromium-") as profile:
        options.add_argument("--user-data-dir=" + profile)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        driver.set_page_load_timeout(TIMEOUT * 3)
        yield driver
        driver.quit()


def navigate(browser, url):
    """Goes to the URL past the "disconnected" alert of a page whose panel
    has ended, which the browser dismisses while it reports it."""
    for _ in range(3):
        try:
            return browser.get(url)
        except UnexpectedAlertPresentException:
            pass
    browser.get(url)


@pytest.fixture
def page(browser):
    """The shared browser, leaving the page before the test's panels end."""
    yield browser
    navigate(browser, "about:blank")


def open_window(browser, url, width=400, height=300):
    """Opens the URL and returns the page element of the window "main" once
    it is shown at least as large as its content asks."""
    navigate(browser, url)

    def shown():
        return [c for c in browser.find_elements(By.TAG_NAME, "canvas") if c.is_displayed()
                and c.size["width"] >= width and c.size["height"] >= height]
    return until(shown, "the window in the page")[0]


def still_picture(element):
    """A screenshot of the element once two in a row are the same."""
    last = [element.screenshot_as_png]

    def settled():
        time.sleep(0.2)
        shot = element.screenshot_as_png
        same, last[0] = shot == last[0], shot
        return same
    until(settled, "the page to settle", pause=0)
    return last[0]


def process_state(pid):
    """The state letter of a process, or None when it is gone."""
    try:
        return Path("/proc/%d/stat" % pid).read_text().rsplit(")", 1)[1].split()[0]
    except (FileNotFoundError, ProcessLookupError, IndexError):
        return None


def gone(pid):
    return process_state(pid) in (None, "Z")


def children(pid, name):
    """The live child processes of pid with this command name."""
    found = []
    for entry in Path("/proc").iterdir():
        if entry.name.isdigit():
            try:
                text = (entry / "stat").read_text()
            except OSError:
                continue
            comm = text[text.index("(") + 1:text.rindex(")")]
            ppid = int(text.rsplit(")", 1)[1].split()[1])
            if ppid == pid and comm == name and not gone(int(entry.name)):
                found.append(int(entry.name))
    return found


def broadwayd_serving(where):
    """The broadwayd processes whose command line names this port or socket."""
    found = []
    for entry in Path("/proc").iterdir():
        if entry.name.isdigit():
            try:
                args = (entry / "cmdline").read_bytes().split(b"\0")
            except OSError:
                continue
            if args and args[0].endswith(b"broadwayd") and str(where).encode() in args \
                    and not gone(int(entry.name)):
                found.append(int(entry.name))
    return found


def fresh_port():
    """A port that was free a moment ago, away from the range from 8080 on
    that other Broadway servers on the machine take."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def port_open(port, host="127.0.0.1"):
    with socket.socket() as s:
        return s.connect_ex((host, port)) == 0


def listening_hosts(port):
    """The IPv4 addresses that a listening TCP socket holds this port on."""
    hosts = []
    for line in Path("/proc/net/tcp").read_text().splitlines()[1:]:
        local, state = line.split()[1], line.split()[3]
        address, hexport = local.split(":")
        if state == "0A" and int(hexport, 16) == port:
            hosts.append(socket.inet_ntoa(bytes.fromhex(address)[::-1]))
    return hosts


def page_over(connection):
    connection.request("GET", "/")
    return connection.getresponse().read().decode()


class UnixHTTPConnection(http.client.HTTPConnection):
    def __init__(self, path):
        super().__init__("localhost", timeout=TIMEOUT)
        self.path = str(path)

    def connect(self):
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.settimeout(TIMEOUT)
        self.sock.connect(self.path)


def run_web(args, env=None, cwd=None):
    proc = subprocess.run([WIREPANEL_WEB] + list(args), capture_output=True, text=True,
                          timeout=TIMEOUT * 2, env=env, cwd=cwd, stdin=subprocess.DEVNULL)
    return proc.returncode, proc.stdout, proc.stderr


def test_click_and_typing_in_the_page_reach_the_client(web, page):
    p = web()
    window = open_window(page, p.url)
    ActionChains(page).move_to_element(window).click().perform()
    assert p.read_line() == "b:clicked "
    p.send("e:grab_focus")
    assert p.ping() == []
    ActionChains(page).send_keys("ab c").perform()
    assert [p.read_line() for _ in range(4)] == ["e:text a", "e:text ab", "e:text ab ",
                                                 "e:text ab c"]
    assert p.ping() == []


def test_a_command_changes_what_the_page_shows(web, page):
    p = web(STILL_UI)
    window = open_window(page, p.url, 300, 20)
    before = still_picture(window)
    p.send("l:set_text after a command", "p:set_fraction 1")
    assert p.ping() == []
    until(lambda: window.screenshot_as_png != before, "the page to change")
    after = still_picture(window)
    p.send("l:set_text before", "p:set_fraction 0")
    assert p.ping() == []
    until(lambda: window.screenshot_as_png == before, "the page to change back")
    assert after != before


# An event box to the right of a label as wide as itself: the middle of the
# window is its left edge.
POINTER_UI = window_ui(
    '<child><object class="GtkBox" id="box"><property name="visible">1</property>'
    '<child><object class="GtkLabel" id="l"><property name="visible">1</property>'
    '<property name="width-request">200</property><property name="height-request">200</property>'
    '</object></child>'
    '<child><object class="GtkEventBox" id="ev"><property name="visible">1</property>'
    '<property name="width-request">200</property><property name="height-request">200</property>'
    '</object></child>'
    '</object></child>')
PRESS = re.compile(r"ev:button_press 1 (\d+)\.0 (\d+)\.0")


def test_an_event_box_reports_positions_from_its_own_corner(web, page):
    p = web(POINTER_UI)
    window = open_window(page, p.url, 400, 200)
    points = []
    for dx, dy in ((60, 0), (110, 20)):  # from the middle of the window
        ActionChains(page).move_to_element_with_offset(window, dx, dy).click().perform()
        press = p.read_line()
        m = PRESS.fullmatch(press)
        assert m, press
        assert p.read_line() == press.replace("press", "release")
        points.append((int(m.group(1)), int(m.group(2))))
    (x1, y1), (x2, y2) = points
    assert 0 <= x1 < x2 < 200 and 0 <= y1 < y2 < 200, points
    assert (x2 - x1, y2 - y1) == (50, 20)
    assert p.ping() == []


def kill_wirepanel(p):
    for pid in children(p.proc.pid, "wirepanel"):
        os.kill(pid, signal.SIGKILL)


# How wirepanel ends, the status wirepanel-web then ends with, and whether
# it has ended broadwayd by then: killed itself, it cannot, and the kernel
# ends broadwayd a moment later instead.
ENDINGS = [
    ("main_quit", lambda p: p.send("main:main_quit"), 0, True),
    ("SIGTERM", lambda p: p.proc.send_signal(signal.SIGTERM), -signal.SIGTERM, True),
    ("SIGINT", lambda p: p.proc.send_signal(signal.SIGINT), -signal.SIGINT, True),
    ("SIGHUP", lambda p: p.proc.send_signal(signal.SIGHUP), -signal.SIGHUP, True),
    ("wirepanel dies", kill_wirepanel, -signal.SIGKILL, True),
    ("wirepanel-web is killed", lambda p: p.proc.kill(), -signal.SIGKILL, False),
]


@pytest.mark.parametrize("end, status, ended", [e[1:] for e in ENDINGS],
                         ids=[e[0] for e in ENDINGS])
def test_the_display_ends_with_wirepanel(web, page, end, status, ended):
    p = web(args=("--port", str(fresh_port())))
    open_window(page, p.url)
    assert port_open(p.port)
    broadwayd = children(p.proc.pid, "broadwayd")
    panel = children(p.proc.pid, "wirepanel")
    assert len(broadwayd) == 1 and len(panel) == 1
    end(p)
    assert p.wait_exit() == status
    if not ended:
        until(lambda: not port_open(p.port), "the port to close")
    for pid in broadwayd + panel:
        until(lambda: gone(pid), "process %d to end" % pid)
    assert not port_open(p.port)
    assert broadwayd_serving(p.port) == []


def test_a_start_up_failure_of_wirepanel_ends_the_display(web):
    p = web(args=("--port", str(fresh_port()), "-u", "missing.ui"))
    assert p.wait_exit() == 1
    assert any("missing.ui" in line for line in p.errors())
    assert not port_open(p.port)
    assert broadwayd_serving(p.port) == []


def test_the_client_streams_belong_to_wirepanel_alone(web):
    p = web()
    p.send("e:set_text from the client")
    assert p.read_line() == "e:text from the client"
    assert p.ping() == []
    p.proc.stdin.close()  # end of input ends only the reader
    with pytest.raises(subprocess.TimeoutExpired):
        p.proc.wait(0.5)
    p.proc.send_signal(signal.SIGTERM)
    assert p.wait_exit() == -signal.SIGTERM
    assert os.read(p.rfd, 100) == b""


def test_two_instances_started_at_once_each_get_their_own_port(tmp_path, page):
    both = [spawn_web(tmp_path / name) for name in ("first", "second")]
    try:
        first, second = [take_url(p) for p in both]
        assert first.port != second.port
        for p in both:
            window = open_window(page, p.url)
            ActionChains(page).move_to_element(window).click().perform()
            assert p.read_line() == "b:clicked "
        assert first.ping() == [] and second.ping() == []
        navigate(page, "about:blank")
    finally:
        for p in both:
            p.close()


def hold_ports(ports):
    """Listening sockets on those of the ports that are free (other programs
    may hold the rest)."""
    held = []
    for port in ports:
        s = socket.socket()
        try:
            s.bind(("127.0.0.1", port))
            s.listen()
            held.append(s)
        except OSError:
            s.close()
    return held


def test_serves_on_loopback_and_skips_taken_ports(web):
    held = hold_ports(range(8080, 8090))
    try:
        assert held
        p = web()
        assert p.port >= 8080 and p.port not in [s.getsockname()[1] for s in held]
    finally:
        for s in held:
            s.close()
    assert listening_hosts(p.port) == ["127.0.0.1"]
    assert "broadway" in page_over(http.client.HTTPConnection("127.0.0.1", p.port,
                                                              timeout=TIMEOUT))
    assert p.ping() == []


def test_a_requested_port_that_is_taken_is_refused():
    with socket.socket() as holder:
        holder.bind(("127.0.0.1", 0))
        holder.listen()
        port = holder.getsockname()[1]
        status, out, err = run_web(["--port", str(port), "-u", "unused.ui"])
    assert (status, out, err) == (1, "", "wirepanel-web: port %d on 127.0.0.1 is in use\n" % port)


def test_a_non_loopback_address_is_served_with_a_warning(web):
    p = web(args=("--address", "0.0.0.0"))
    assert p.errors()[0] == ("wirepanel-web: warning: serving on 0.0.0.0, which is not a "
                             "loopback address; Broadway has no authentication, so anyone who "
                             "can reach it operates this interface")
    assert p.address == "0.0.0.0"
    assert listening_hosts(p.port) == ["0.0.0.0"]
    assert p.quit() == 0


def test_a_certificate_and_key_serve_https(web, tmp_path):
    cert, key = tmp_path / "cert.pem", tmp_path / "key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=localhost", "-keyout", str(key), "-out", str(cert)],
                   capture_output=True, timeout=TIMEOUT * 3, check=True)
    p = web(args=("--cert", str(cert), "--key", str(key), "--port", str(fresh_port())))
    assert p.url.startswith("https://")
    context = ssl.create_default_context(cafile=str(cert))
    context.check_hostname = False
    assert "broadway" in page_over(http.client.HTTPSConnection("127.0.0.1", p.port,
                                                               timeout=TIMEOUT, context=context))
    assert p.quit() == 0


def test_a_unix_socket_is_private_and_removed_at_the_end(tmp_path):
    path = tmp_path / "private" / "panel.sock"
    p = Panel(tmp_path, FORM_UI, args=("--socket", str(path)), stdio=True, program=WIREPANEL_WEB)
    try:
        assert p.stderr.wait_for(lambda line: "wirepanel-web:" in line) == (
            "wirepanel-web: serving on the Unix socket %s; forward a port to it "
            "(ssh -L 8080:%s host) and open http://localhost:8080/" % (path, path))
        assert mode_of(path.parent) == 0o700
        assert stat.S_ISSOCK(os.stat(path).st_mode) and mode_of(path) == 0o600
        assert "broadway" in page_over(UnixHTTPConnection(path))
        assert p.ping() == []
        assert p.quit() == 0
        assert not path.exists()
        assert broadwayd_serving(path) == []
    finally:
        p.close()


def test_a_unix_socket_in_a_shared_directory_is_refused(tmp_path):
    tmp_path.chmod(0o755)
    status, out, err = run_web(["--socket", str(tmp_path / "panel.sock")])
    assert (status, out) == (1, "")
    assert err == ("wirepanel-web: %s is open to other users; give --socket a path in a "
                   "private directory\n" % tmp_path)


def test_a_missing_broadwayd_names_its_package(tmp_path):
    env = dict(os.environ, PATH=str(tmp_path))
    assert run_web(["-u", "unused.ui"], env=env) == (
        1, "", "wirepanel-web: broadwayd not found; it comes with the Debian package "
        "libgtk-3-bin\n")


@pytest.mark.parametrize("option", ["-V", "-G"])
def test_version_and_toolkit_lines_need_no_display_server(tmp_path, option):
    env = dict(os.environ, PATH=str(tmp_path))  # no broadwayd to start
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "BROADWAY_DISPLAY"):
        env.pop(name, None)
    direct = subprocess.run([WIREPANEL, option], capture_output=True, text=True, env=env,
                            timeout=TIMEOUT)
    assert run_web([option], env=env) == (0, direct.stdout, "")
    assert direct.returncode == 0 and direct.stdout


def test_help_goes_to_standard_output():
    status, out, err = run_web(["--help"])
    assert (status, err) == (0, "")
    assert out.startswith("usage: wirepanel-web [--address ip] [--port port | --socket path]\n")
    assert "no authentication" in out


USAGE = ("usage: wirepanel-web [--address ip] [--port port | --socket path]\n"
         "                     [--cert certificate --key key] [wirepanel-option...]\n"
         "       wirepanel-web -h | --help\n")


@pytest.mark.parametrize("args, message", [
    (["--port", "0"], "0 is not a port number (1 to 65535)\n" + USAGE),
    (["--port=65536"], "65536 is not a port number (1 to 65535)\n" + USAGE),
    (["--port", "80x"], "80x is not a port number (1 to 65535)\n" + USAGE),
    (["--port"], "--port needs an argument\n" + USAGE),
    (["--socket="], "--socket needs an argument\n" + USAGE),
    (["--address", "localhost"], "localhost is not an IP address\n" + USAGE),
    (["--socket", "s", "--port", "9000"], "--socket excludes --port and --address\n" + USAGE),
    (["--cert", "cert.pem"], "--cert and --key need each other\n" + USAGE),
    (["-b", "-i", "in", "-o", "out"], "-b is not supported: the display ends with wirepanel, "
     "so wirepanel stays in the foreground; put wirepanel-web itself in the background "
     "instead\n"),
    (["--display", ":0"], "--display is not taken: wirepanel-web makes the display itself\n"),
], ids=["port 0", "port too large", "port with garbage", "port without argument", "empty socket",
        "host name", "socket and port", "cert without key", "background", "display"])
def test_bad_options_are_refused(tmp_path, args, message):
    assert run_web(args, cwd=tmp_path) == (1, "", "wirepanel-web: " + message)


def test_options_of_wirepanel_are_passed_on_verbatim(web):
    # "--port" here is the name of wirepanel's log file, not an option of ours.
    p = web(args=("-l", "--port"))
    p.send("e:set_text x")
    assert p.read_line() == "e:text x"
    assert p.ping() == []
    assert p.quit() == 0
    assert "e:set_text x" in (p.dir / "--port").read_text()


def test_installed_beside_wirepanel():
    """meson install puts wirepanel-web in the same directory as the
    wirepanel it runs, and its name in the manual's directory."""
    build = Path(WIREPANEL).resolve().parents[1]
    if not (build / "meson-info").is_dir():
        pytest.skip("%s is not a meson build directory" % build)
    proc = subprocess.run(["meson", "introspect", "--installed", str(build)], capture_output=True,
                          text=True, timeout=60, check=True)
    installed = {Path(source).name: Path(target) for source, target in json.loads(proc.stdout).items()}
    assert installed["wirepanel-web"].parent == installed["wirepanel"].parent
    assert installed["wirepanel-web.1"].parent == installed["wirepanel.1"].parent


def test_an_address_of_another_host_is_refused():
    status, out, err = run_web(["--address", "192.0.2.1", "-u", "unused.ui"])
    assert (status, out) == (1, "")
    assert err.splitlines()[1:] == ["wirepanel-web: cannot serve on 192.0.2.1 port 8080: "
                                    "Cannot assign requested address"]
