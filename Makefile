# lumo: `make run` builds and runs the program, `make test` builds and runs
# every test. Both install missing Debian packages first.

BUILD := build/default
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build build-lumo run test test-sanitizers fuzz fuzz-smoke bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset default >/dev/null

build: configure
	@cmake --build --preset default -j $(JOBS)

# The program and its picture alone: tests and benchmarks wait for `make test`.
build-lumo: configure
	@cmake --build --preset default -j $(JOBS) --target lumo

run: build-lumo
	@scripts/run-lumo

# The whole suite, then the simulation under the sanitizers, then a short
# fuzzing run of the shape-file reader.
test: build
	ctest --preset default -j $(JOBS)
	@$(MAKE) --no-print-directory test-sanitizers fuzz-smoke

test-sanitizers: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

fuzz-smoke: deps
	fuzz/run-fuzz 30

fuzz: deps
	fuzz/run-fuzz 300

bench: build
	$(BUILD)/bench/lumo_bench

clean:
	rm -rf build
