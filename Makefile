# The two commands a new machine needs: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
# Where `make deb` builds the Debian package and leaves the .deb.
DEB_BUILD  ?= build-deb
# Seconds each fuzz target runs under `make fuzz`.
FUZZ_SECONDS ?= 20

.PHONY: all deps build run test test-plain test-asan test-fuzz bench clean fuzz valgrind deb deb-test

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja:
	meson setup $(BUILD)

$(ASAN_BUILD)/build.ninja:
	meson setup $(ASAN_BUILD) -Db_sanitize=address,undefined -Db_lundef=false -Dbuildtype=debug

build: deps $(BUILD)/build.ninja
	ninja -C $(BUILD)

run: build
	./scripts/run-example.sh $(BUILD)/src/wirepanel

test: deps test-plain test-asan test-fuzz deb-test

# The Wayland lane runs once, in the plain build: the sanitizer build meets
# the other displays in the tests that start their own.
test-plain: $(BUILD)/build.ninja
	ninja -C $(BUILD)
	./scripts/run-tests.sh $(BUILD) wayland

test-asan: $(ASAN_BUILD)/build.ninja
	ninja -C $(ASAN_BUILD)
	./scripts/run-tests.sh $(ASAN_BUILD)

# The Debian package, built from a copy of the checkout inside $(DEB_BUILD),
# so that neither the .deb nor dpkg-buildpackage's leftovers land outside it.
deb: deps
	./scripts/build-deb.sh $(DEB_BUILD)

# The package as a user gets it: lintian, then unpacked (not installed) and run.
deb-test: deb
	WIREPANEL_DEB_DIR=$(CURDIR)/$(DEB_BUILD) NO_AT_BRIDGE=1 GDK_BACKEND=x11 \
	  ./scripts/with-xvfb.sh /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/deb

$(BENCH_BUILD)/build.ninja:
	meson setup $(BENCH_BUILD) -Dbuildtype=release

# wish is the peer that the throughput is compared with; only the figures need it.
bench: deps $(BENCH_BUILD)/build.ninja
	@dpkg-query -W -f='$${Status}' tk8.6 2>/dev/null | grep -q 'install ok installed' \
	    || $$( [ "$$(id -u)" -ne 0 ] && echo sudo ) env DEBIAN_FRONTEND=noninteractive \
	       apt-get install -y -q --no-install-recommends tk8.6
	ninja -C $(BENCH_BUILD) src/wirepanel src/wirepanel-web bench/replay_bench bench/label_loop bench/list_fill bench/fifo_echo
	./scripts/with-xvfb.sh /usr/bin/python3 bench/run_bench.py $(BENCH_BUILD)

# Longer robustness runs than `make test` affords: the fuzz targets, the full
# command storm and a minute-long stalled client in the sanitizer build.
$(FUZZ_BUILD)/build.ninja:
	CXX=clang++ meson setup $(FUZZ_BUILD) fuzz

# A short run of every fuzz target, part of `make test`.
test-fuzz: $(FUZZ_BUILD)/build.ninja
	ninja -C $(FUZZ_BUILD)
	FUZZ_BUILD=$(CURDIR)/$(FUZZ_BUILD) ./fuzz/run.sh 10

fuzz: deps $(FUZZ_BUILD)/build.ninja $(ASAN_BUILD)/build.ninja
	ninja -C $(FUZZ_BUILD)
	FUZZ_BUILD=$(CURDIR)/$(FUZZ_BUILD) ./fuzz/run.sh $(FUZZ_SECONDS)
	ninja -C $(ASAN_BUILD)
	WIREPANEL_STORM=500000 WIREPANEL_STORM_SEED=random WIREPANEL_STALL=60 WIREPANEL=$(CURDIR)/$(ASAN_BUILD)/src/wirepanel \
	  ASAN_OPTIONS=detect_leaks=1:exitcode=86 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 NO_AT_BRIDGE=1 GDK_BACKEND=x11 \
	  ./scripts/with-xvfb.sh /usr/bin/python3 -m pytest -q -s -p no:cacheprovider \
	  tests/e2e/test_storm.py tests/e2e/test_stall.py

# A scripted session touching every class under memcheck: fails on a
# definitely lost block allocated from the server's own code.
valgrind: build
	NO_AT_BRIDGE=1 GDK_BACKEND=x11 ./scripts/with-xvfb.sh /usr/bin/python3 \
	  fuzz/valgrind_session.py $(BUILD)/src/wirepanel

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(DEB_BUILD)
