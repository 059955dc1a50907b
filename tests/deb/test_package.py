"""The Debian package as a user gets it: built by `make deb`, checked by
lintian, unpacked with dpkg-deb -x (never installed on this machine) and run
from the unpacked tree, examples included."""
import json
import os
import re
import signal
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
OUT = Path(os.environ.get("WIREPANEL_DEB_DIR", ROOT / "build-deb"))
TIMEOUT = float(os.environ.get("WIREPANEL_TIMEOUT", "10"))
EXAMPLES = "usr/share/doc/wirepanel/examples"

# Lines on standard error that no example may cause.
FAULTS = re.compile(r"ignoring|send error|CRITICAL|WARNING|runtime error")


@pytest.fixture(scope="module")
def deb():
    debs = sorted(OUT.glob("wirepanel_*.deb"))
    assert len(debs) == 1, "one package expected in %s (make deb builds it): %s" % (OUT, debs)
    return debs[0]


@pytest.fixture(scope="module")
def unpacked(deb, tmp_path_factory):
    root = tmp_path_factory.mktemp("unpacked")
    subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True, timeout=60)
    return root


def control_field(deb, name):
    return subprocess.run(["dpkg-deb", "-f", str(deb), name], capture_output=True, text=True,
                          check=True, timeout=60).stdout.strip()


def run(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, timeout=6 * TIMEOUT, **kwargs)


def test_lintian_reports_no_error_and_no_warning(deb):
    proc = run(["lintian", "--fail-on", "error,warning", "--display-info", str(deb)])
    tags = [line for line in proc.stdout.splitlines() if re.match(r"[EW]: ", line)]
    assert (proc.returncode, tags) == (0, []), proc.stdout + proc.stderr


def test_every_lintian_override_says_why():
    for path in (ROOT / "debian").glob("*lintian-overrides"):
        previous = ""
        for line in path.read_text().splitlines():
            if line.strip() and not line.startswith("#"):
                assert previous.startswith("# ") and len(previous) > 4, \
                    "%s: override %r has no reason on the line above it" % (path.name, line)
            previous = line


def test_version_is_what_the_program_prints(deb, unpacked):
    proc = run([str(unpacked / "usr/bin/wirepanel"), "-V"])
    assert (proc.returncode, proc.stdout, proc.stderr) == (0, control_field(deb, "Version") + "\n", "")


def test_unpacked_program_names_its_toolkit_versions(unpacked):
    proc = run([str(unpacked / "usr/bin/wirepanel"), "-G"])
    assert proc.returncode == 0, proc.stderr
    assert re.fullmatch(r"GTK\+  v3\.\d+\.\d+ \(running v3\.\d+\.\d+\)\n"
                        r"cairo v1\.\d+\.\d+ \(running v1\.\d+\.\d+\)\n", proc.stdout), proc.stdout


def test_dependencies(deb):
    # From the linked libraries, and broadwayd for the browser mode.
    depends = [d.strip().split(" ")[0] for d in control_field(deb, "Depends").split(",")]
    assert {"libgtk-3-0", "libxml2", "libcairo2"} <= set(depends), depends
    assert control_field(deb, "Recommends") == "libgtk-3-bin"


def test_everything_meson_installs_is_packaged(unpacked):
    """Whatever the build installs (every command in bindir, the manual
    pages) is in the package, with manual pages compressed, and `man`
    finds a page under every command's name."""
    builds = list(OUT.glob("wirepanel/obj-*"))
    assert len(builds) == 1, builds
    installed = json.loads(run(["meson", "introspect", "--installed", str(builds[0])],
                               check=True).stdout)
    assert "/usr/bin/wirepanel" in installed.values()
    for target in installed.values():
        path = unpacked / target.lstrip("/")
        if "/share/man/" in target:
            assert not path.exists() and path.with_name(path.name + ".gz").is_file(), target
        else:
            assert path.is_file(), target
        if target.startswith("/usr/bin/"):
            assert os.access(path, os.X_OK), target
            # Every command has a manual page: its own or the main one.
            assert (unpacked / "usr/share/man/man1" / (path.name + ".1.gz")).is_file(), target


def test_examples_are_installed_as_in_the_checkout(unpacked):
    installed = unpacked / EXAMPLES
    source = ROOT / "examples"
    assert sorted(p.name for p in installed.iterdir()) == sorted(p.name for p in source.iterdir())
    for path in source.iterdir():
        copy = installed / path.name
        assert copy.read_bytes() == path.read_bytes(), path.name
        assert os.access(copy, os.X_OK) == os.access(path, os.X_OK), path.name


def test_manual_pages_render_without_warnings(unpacked):
    pages = sorted((unpacked / "usr/share/man").glob("man*/*.gz"))
    assert pages
    for page in pages:
        proc = run(["man", "--warnings", "-l", str(page)],
                   env={"MANWIDTH": "80", "PATH": "/usr/bin:/bin"})
        assert (proc.returncode, proc.stderr) == (0, ""), page
        assert "wirepanel" in proc.stdout


def test_installed_example_runs_the_installed_program(unpacked, tmp_path):
    """Run as a user would after installing: the program found on PATH, the
    example started from elsewhere, its UI file found beside it."""
    env = dict(os.environ, AUTOPLAY="1",
               PATH="%s:/usr/bin:/bin" % (unpacked / "usr/bin"))
    env.pop("WIREPANEL", None)
    proc = subprocess.Popen([str(unpacked / EXAMPLES / "hello.sh")], cwd=tmp_path, env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, start_new_session=True)
    try:
        out, err = proc.communicate(timeout=6 * TIMEOUT)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, err = proc.communicate()
        raise AssertionError("hello.sh did not finish; stdout %r, stderr %r" % (out, err))
    assert (proc.returncode, [l for l in err.splitlines() if FAULTS.search(l)]) == (0, []), err
    assert out.splitlines()[-2:] == ["feedback: quit:clicked ", "bye"], out
    assert list(tmp_path.iterdir()) == []
