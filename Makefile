# The two commands a new machine needs: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench

.PHONY: all deps build run test test-plain test-asan bench clean

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

test: deps test-plain test-asan

test-plain: $(BUILD)/build.ninja
	ninja -C $(BUILD)
	./scripts/run-tests.sh $(BUILD)

test-asan: $(ASAN_BUILD)/build.ninja
	ninja -C $(ASAN_BUILD)
	./scripts/run-tests.sh $(ASAN_BUILD)

$(BENCH_BUILD)/build.ninja:
	meson setup $(BENCH_BUILD) -Dbuildtype=release

# wish is the peer that the throughput is compared with; only the figures need it.
bench: deps $(BENCH_BUILD)/build.ninja
	@dpkg-query -W -f='$${Status}' tk8.6 2>/dev/null | grep -q 'install ok installed' \
	    || $$( [ "$$(id -u)" -ne 0 ] && echo sudo ) env DEBIAN_FRONTEND=noninteractive \
	       apt-get install -y -q --no-install-recommends tk8.6
	ninja -C $(BENCH_BUILD) src/wirepanel bench/replay_bench bench/label_loop bench/list_fill bench/fifo_echo
	./scripts/with-xvfb.sh /usr/bin/python3 bench/run_bench.py $(BENCH_BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
