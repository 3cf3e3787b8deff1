# Thin wrapper for the README commands; the real build is CMake.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build check check-sanitize bench demo package fuzz fuzz-smoke soak clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKDSP_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

check: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

check-sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKDSP_WERROR=ON -DKDSP_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS) --timeout 600

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKDSP_BUILD_BENCH=ON $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/bench_*; do [ -x "$$b" ] && echo "== $$b" && QT_QPA_PLATFORM=offscreen "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; done

FUZZ_SECONDS ?= 60

# libFuzzer targets in their own build (clang, sanitizers, instrumented core only).
fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 -DKDSP_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target fuzz_all

fuzz-smoke: fuzz
	@bash fuzz/run-smoke.sh build-fuzz $(FUZZ_SECONDS)

SOAK_ROUNDS ?= 12000

# The link soak at length: every fault kind against every operation, SOAK_ROUNDS
# seeded rounds each (a few minutes); KDSP_SOAK_SEED=N repeats a run.
soak: configure
	cmake --build $(BUILD) -j $(JOBS) --target test_simdevice
	KDSP_SOAK_ROUNDS=$(SOAK_ROUNDS) $(BUILD)/tests/simdevice/test_simdevice --gtest_filter='LinkSoak.*'

demo: build
	@bash scripts/demo.sh

# The Debian package (build/kdsp_VERSION_ARCH.deb), with its manual pages and icons.
package: build
	cmake --build $(BUILD) -j $(JOBS) --target packaging-assets
	rm -f $(BUILD)/kdsp_*.deb
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) build-asan build-bench build-fuzz
