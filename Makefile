# lumo: `make run` builds and runs the program, `make test` builds and runs
# every test. Both install missing Debian packages first. `make install`
# (PREFIX, default /usr/local; DESTDIR) installs it, `make uninstall` removes
# what that installed, `make deb` builds a Debian package.

BUILD := build/default
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps configure build build-lumo run test test-sanitizers test-web web web-serve fuzz fuzz-smoke bench bench-web clean build-dist install uninstall deb

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

# What gets installed: the program and the files in dist/ (see README).
build-dist: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS) --target lumo lumo_dist

# Through CMake's install() rules; the list of installed files goes to
# $(BUILD)/install_manifest.txt, which `make uninstall` reads.
install: build-dist
	DESTDIR="$(if $(DESTDIR),$(abspath $(DESTDIR)))" cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(if $(DESTDIR),$(abspath $(DESTDIR)))" cmake -DMANIFEST=$(BUILD)/install_manifest.txt -P dist/uninstall.cmake

# The Debian package, in $(BUILD)/packages.
deb: build-dist
	cpack --config $(BUILD)/CPackConfig.cmake -B $(BUILD)/packages
	@ls $(BUILD)/packages/*.deb

# The whole suite, then the whole suite again under AddressSanitizer +
# UndefinedBehaviorSanitizer and the simulation under ThreadSanitizer, then a
# short fuzzing run of the shape-file reader.
test: build
	ctest --preset default -j $(JOBS)
	@$(MAKE) --no-print-directory test-sanitizers fuzz-smoke test-web

test-sanitizers: deps
	@cmake --preset asan-full >/dev/null
	@cmake --build --preset asan-full -j $(JOBS)
	ctest --preset asan-full -j $(JOBS)
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

# The browser build: the site in build/web/site (the page, lumo.js,
# lumo.wasm, the workers' files), and the simulation's tests built for
# WebAssembly.
# The libraries come from Debian's sources, built once into build/web-deps.
web: deps
	@scripts/build-web-deps
	@cmake --preset web >/dev/null
	@cmake --build --preset web -j $(JOBS)
	@echo "The site is in build/web/site: make web-serve serves it"

# HOST=0.0.0.0 (or an address of this machine) to reach it from a phone.
web-serve: web
	@scripts/web-serve

# The simulation's tests under node, then the page in headless Chromium
# (the native program too: the page's drawing is compared with it), and the
# page installed and offline: every tests/web/*_test.mjs.
test-web: web build
	@scripts/install-web-tools
	ctest --preset web
	node --test tests/web/

fuzz-smoke: deps
	fuzz/run-fuzz 30

fuzz: deps
	fuzz/run-fuzz 300 10000000

bench: build
	$(BUILD)/bench/lumo_bench

# The page in headless Chromium: loading (also over slow 4G), the table, a
# 12-megapixel photo, Save, the site's size, unthrottled and at 4x; then
# the page under four dragging fingers.
bench-web: web
	@scripts/install-web-tools
	node bench/web/page_bench.mjs
	node bench/web/smoothness_bench.mjs

clean:
	rm -rf build
