# Entry points: `make run` (the desktop tool), `make demo` (the tool on the simulated
# recorder), `make test` (every test). Each installs missing packages and builds first.
PRESET ?= debug
BUILD_DIR := build/$(PRESET)
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

WINDOWS_DIR := build/windows

.PHONY: all deps configure build test run demo bench bench-startup clean windows test-windows

all: build

deps:
	@scripts/install-deps

configure: deps
	@[ -f $(BUILD_DIR)/build.ninja ] || cmake --preset $(PRESET)

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

run: build
	@scripts/run-tool $(BUILD_DIR)

demo: build
	@scripts/run-tool --demo $(BUILD_DIR)

bench:
	@$(MAKE) --no-print-directory build PRESET=release
	@build/release/bench/kavrin_bench

# The Windows programs (kavrin.exe and the tests), cross-built with mingw-w64.
windows: deps
	@[ -f $(WINDOWS_DIR)/build.ninja ] || cmake --preset windows
	@cmake --build $(WINDOWS_DIR) -j $(JOBS)

# Every Windows test under Wine, in a throwaway prefix (scripts/test-windows).
test-windows: windows
	@scripts/test-windows $(WINDOWS_DIR)

# Start-up of kavrintool against a bare Qt dialog with the same widgets (RUNS=N, default 10).
bench-startup:
	@$(MAKE) --no-print-directory configure PRESET=release
	@cmake --build build/release -j $(JOBS) --target kavrintool kavrin_bare_dialog
	@bench/startup/startup-bench --build build/release $(if $(RUNS),--runs $(RUNS))

clean:
	@rm -rf build
