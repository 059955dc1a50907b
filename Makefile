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

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
