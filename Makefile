# lumo: `make run` builds and runs the program, `make test` builds and runs
# every test. Both install missing Debian packages first.

BUILD := build/default
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test test-sanitizers fuzz fuzz-smoke bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

run: build
	@scripts/run-lumo

# The whole suite, then the whole suite again under AddressSanitizer +
# UndefinedBehaviorSanitizer and the simulation under ThreadSanitizer, then a
# short fuzzing run of the shape-file reader.
test: build
	ctest --preset default -j $(JOBS)
	@$(MAKE) --no-print-directory test-sanitizers fuzz-smoke

test-sanitizers: deps
	@cmake --preset asan-full >/dev/null
	@cmake --build --preset asan-full -j $(JOBS)
	ctest --preset asan-full -j $(JOBS)
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
