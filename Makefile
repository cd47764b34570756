# Entry points: `make run` (the desktop tool), `make demo` (the tool on the simulated
# recorder), `make test` (every test). Each installs missing packages and builds first.
PRESET ?= debug
BUILD_DIR := build/$(PRESET)
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# What scripts/install-deps installs (run, test, bench, package, fuzz, windows) and what is
# built.
DEPS_ROLE ?= test
BUILD_TARGETS ?=

WINDOWS_DIR := build/windows

.PHONY: all deps configure build test run demo bench bench-startup clean windows test-windows dist-windows

all: build

deps:
	@scripts/install-deps $(DEPS_ROLE)

# Configures again when packages were installed since (GoogleTest after `make run`, say).
configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ] || \
	    [ /var/lib/dpkg/status -nt $(BUILD_DIR)/CMakeCache.txt ]; then \
	  cmake --preset $(PRESET); fi

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) $(BUILD_TARGETS)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Running the tool needs only the tool: no test libraries, no qemu. The demo builds kavrin
# too, for the second terminal that drives the same simulated recorder.
run demo: DEPS_ROLE = run
run: BUILD_TARGETS = --target kavrintool
demo: BUILD_TARGETS = --target kavrintool kavrin

run: build
	@scripts/run-tool $(BUILD_DIR)

demo: build
	@scripts/run-tool --demo $(BUILD_DIR)

# clang-tidy with .clang-tidy's checks over the sources, then shellcheck on every script
# (scripts/lint); FILES="cli/station.cpp ..." checks only those files with clang-tidy.
.PHONY: lint format-check
lint: DEPS_ROLE = test lint
lint: configure
	@scripts/lint $(BUILD_DIR) $(FILES)

# The C++ files that differ from .clang-format (scripts/check-format); changes nothing.
format-check:
	@scripts/install-deps lint
	@scripts/check-format $(FILES)

# The tests whose recorders run on threads of their own (label threads) under
# ThreadSanitizer.
.PHONY: tsan
tsan:
	@$(MAKE) --no-print-directory build PRESET=tsan BUILD_TARGETS="--target kavrin_thread_tests"
	@ctest --preset tsan -j $(JOBS)

# The virtual-machine test RUNS times in a row (default 5) while stress-ng --cpu 4 loads the
# machine, each run's time printed (tests/vm/scripts/run-under-load.sh).
.PHONY: vm-under-load
vm-under-load: DEPS_ROLE = test load
vm-under-load: BUILD_TARGETS = --target zk742_camera vm_guest_checks kavrin
vm-under-load: build
	@tests/vm/scripts/run-under-load.sh $(BUILD_DIR) $(RUNS)

bench:
	@$(MAKE) --no-print-directory build PRESET=release DEPS_ROLE=bench BUILD_TARGETS="--target kavrin_bench"
	@build/release/bench/kavrin_bench

# The Windows programs (kavrin.exe and the tests), cross-built with mingw-w64.
windows: DEPS_ROLE = windows
windows: deps
	@[ -f $(WINDOWS_DIR)/build.ninja ] || cmake --preset windows
	@cmake --build $(WINDOWS_DIR) -j $(JOBS)

# Every Windows test under Wine, in a throwaway prefix (scripts/test-windows), then the end
# to end run, which compares with the Linux build's kavrintool.
test-windows: windows
	@$(MAKE) --no-print-directory build PRESET=debug DEPS_ROLE=run BUILD_TARGETS="--target kavrintool"
	@scripts/test-windows $(WINDOWS_DIR)

# The Windows download (dist/KavrinTool-<version>-win64.zip and, with nsis, the installer),
# then its checks under Wine.
dist-windows: windows
	@scripts/dist-windows $(WINDOWS_DIR)
	@tests/windows/dist/check-dist $(WINDOWS_DIR)

# Start-up of kavrintool against a bare Qt dialog with the same widgets (RUNS=N, default 10).
bench-startup:
	@$(MAKE) --no-print-directory configure PRESET=release DEPS_ROLE=bench
	@cmake --build build/release -j $(JOBS) --target kavrintool kavrin_bare_dialog
	@bench/startup/startup-bench --build build/release $(if $(RUNS),--runs $(RUNS))
	@# The same comparison on Windows, under Wine: kavrintool.exe against a bare Win32 dialog.
	@$(MAKE) --no-print-directory deps DEPS_ROLE=windows
	@[ -f $(WINDOWS_DIR)/build.ninja ] || cmake --preset windows
	@cmake --build $(WINDOWS_DIR) -j $(JOBS) --target kavrintool kavrin_bare_dialog_win32
	@bench/startup/startup-bench --wine --build $(WINDOWS_DIR) $(if $(RUNS),--runs $(RUNS))

clean:
	@rm -rf build

# The Debian package from the release build, then its checks (contents, lintian, an install
# into a throwaway copy of this system where that can be done).
.PHONY: package
package:
	@$(MAKE) --no-print-directory build PRESET=release DEPS_ROLE=package
	@cd build/release && cpack -G DEB
	@ctest --test-dir build/release -L package --output-on-failure

# The parsers' fuzz targets (clang, libFuzzer), FUZZ_SECONDS each. See docs/fuzzing.md.
.PHONY: fuzz
FUZZ_SECONDS ?= 60
fuzz:
	@$(MAKE) --no-print-directory build PRESET=fuzz DEPS_ROLE=fuzz BUILD_TARGETS="--target kavrin_fuzz_targets"
	@scripts/fuzz build/fuzz $(FUZZ_SECONDS)
