"""A storm of mutated commands of every class leaves the server alive,
answering, quiet on standard error but for its own and the toolkit's
messages, and clean under the sanitizers."""
import os
import random
import time
from pathlib import Path

import pytest

from storm import UI, Drain, Storm, sanitizer_report, unexpected

ROOT = Path(__file__).resolve().parents[2]
SIZE = int(os.environ.get("WIREPANEL_STORM", "20000"))
# The suite replays one storm so that it passes or fails the same way each
# run; `make fuzz` asks for a fresh seed with WIREPANEL_STORM_SEED=random.
SEED = os.environ.get("WIREPANEL_STORM_SEED", "20261210")


def storm_env(tmp_path):
    """Criticals fatal, the usual leak suppressions plus the toolkit's leaks the storm reaches."""
    env = dict(os.environ)
    # Choosers store their settings; without a session bus that is a warning
    # about the machine, not about a command.
    env["GSETTINGS_BACKEND"] = "memory"
    # A critical is a precondition the server failed to check: it ends the
    # run. Warnings stay warnings, so the CSS parser's remarks on "style"
    # data go on to standard error, where they belong.
    flags = [f for f in env.get("G_DEBUG", "").split(",") if f and f != "fatal-warnings"]
    env["G_DEBUG"] = ",".join(flags + ["fatal-criticals"])
    options = env.get("LSAN_OPTIONS", "")
    if "suppressions=" not in options:
        return env
    supp = tmp_path / "storm.supp"
    supp.write_text((ROOT / "scripts" / "lsan.supp").read_text() + "\n"
                    + (ROOT / "fuzz" / "storm_leaks.supp").read_text())
    env["LSAN_OPTIONS"] = ":".join(
        "suppressions=%s" % supp if o.startswith("suppressions=") else o
        for o in options.split(":"))
    # Whole allocation stacks, so that the suppressions find the toolkit's frames.
    env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":fast_unwind_on_malloc=0"
    return env


# Off X11 the toolkit draws a window into an image of the client's own, no
# wider than 32767 pixels, and the storm's long texts grow windows past that,
# which ends the process inside the toolkit; the storm stays with X.
@pytest.mark.x11
def test_storm_leaves_the_server_answering(panel, tmp_path):
    seed = random.randrange(1 << 32) if SEED == "random" else int(SEED)
    print("storm seed %d, %d commands (replay: WIREPANEL_STORM_SEED=%d)" % (seed, SIZE, seed))
    scratch = tmp_path / "scratch"
    scratch.mkdir()
    p = panel(UI, env=storm_env(tmp_path))
    drain = Drain(p.rfd)
    drain.start()
    storm = Storm(seed, scratch)
    batch = []
    for n in range(SIZE):
        batch.append(storm.line() + b"\n")
        if len(batch) == 200 or n == SIZE - 1:
            p.send_bytes(b"".join(batch))
            batch = []
            assert p.proc.poll() is None, "seed %d: died after %d commands: %r" % (
                seed, n, p.stderr.lines[-20:])
    drain.wanted = b"lbl:ping \n"
    p.send_bytes(b"\nlbl:ping\n")
    assert drain.event.wait(120), "seed %d: no answer to ping; %r" % (seed, p.stderr.lines[-20:])
    drain.stop = True
    drain.join(5)
    p.send("main:main_quit")
    status = p.proc.wait(60)
    p.stderr.join(10)  # every line the process wrote is collected
    assert status == 0, "seed %d: status %d: %s" % (seed, status, sanitizer_report(p.errors()))
    bad = unexpected(p.stderr.lines)
    assert not bad, "seed %d: unexpected on stderr: %r" % (seed, bad[:20])
