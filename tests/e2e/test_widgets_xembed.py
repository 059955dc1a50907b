"""Sockets: the "id" line, and another wirepanel embedding itself into it."""
import re

import pytest

from conftest import Panel, window_ui

# Sockets and plugs are X windows.
pytestmark = pytest.mark.x11

SOCKET = ('<child><object class="GtkSocket" id="plug_area"><property name="visible">1</property>'
          '<property name="width-request">200</property><property name="height-request">100</property>'
          '</object></child>')
PLUG_CONTENT = '<child><object class="GtkLabel"><property name="visible">1</property><property name="label">plugged</property></object></child>'


@pytest.fixture
def panels(tmp_path):
    """Factory of wirepanels that each get a directory of their own."""
    started = []

    def start(name, ui, **kwargs):
        workdir = tmp_path / name
        workdir.mkdir()
        p = Panel(workdir, ui, **kwargs)
        started.append(p)
        return p

    yield start
    for p in started:
        p.close()


def socket_id(host):
    host.send("plug_area:id")
    line = host.read_line()
    match = re.fullmatch(r"plug_area:id ([1-9][0-9]*)", line)
    assert match, line
    return match.group(1)


def test_id_line_and_refusal(panels):
    host = panels("host", window_ui(SOCKET))
    socket_id(host)
    host.send("plug_area:id x")
    assert host.ping() == []
    assert host.wait_stderr("ignoring") == 'ignoring GtkSocket command "plug_area:id x"'
    host.wait_stderr("  usage: id")
    assert host.all_errors() == ['ignoring GtkSocket command "plug_area:id x"', "  usage: id"]


def test_plug_added_removed_and_a_third_taken(panels):
    host = panels("host", window_ui(SOCKET))
    xid = socket_id(host)

    guest = panels("guest", window_ui(PLUG_CONTENT), args=["-e", xid])
    assert host.read_line() == "plug_area:plug-added "
    guest.ping()
    assert guest.quit() == 0
    assert host.read_line() == "plug_area:plug-removed "

    # The socket stays, with the same id, for the next plug.
    assert socket_id(host) == xid
    third = panels("third", window_ui(PLUG_CONTENT), args=["-e", xid])
    assert host.read_line() == "plug_area:plug-added "
    assert third.quit() == 0
    assert host.read_line() == "plug_area:plug-removed "
    assert host.ping() == []
    assert host.errors() == []
