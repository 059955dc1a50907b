"""A storm of mutated commands of every class leaves the server alive,
answering, quiet on standard error but for its own and the toolkit's
messages, and clean under the sanitizers."""
import os
import random
import time

from storm import UI, Drain, Storm, unexpected

SIZE = int(os.environ.get("WIREPANEL_STORM", "20000"))


def test_storm_leaves_the_server_answering(panel, tmp_path):
    seed = int(os.environ.get("WIREPANEL_STORM_SEED", random.randrange(1 << 32)))
    print("storm seed %d, %d commands (replay: WIREPANEL_STORM_SEED=%d)" % (seed, SIZE, seed))
    scratch = tmp_path / "scratch"
    scratch.mkdir()
    p = panel(UI)
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
    assert p.proc.wait(60) == 0, "seed %d: %r" % (seed, p.stderr.lines[-20:])
    time.sleep(0.2)
    bad = unexpected(p.stderr.lines)
    assert not bad, "seed %d: unexpected on stderr: %r" % (seed, bad[:20])
