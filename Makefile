# Thin front end over CMake: `make run`, `make test`, `make bench`, `make install`, `make package`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
CMAKE_GEN  := -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps deps-test build build-tests run install package test test-asan test-tsan test-main bench fuzz clean

all: build

# What building and running need; the test tools come with `make test`.
deps:
	@bash tools/install_deps.sh run

deps-test:
	@bash tools/install_deps.sh test

# The runtime and the calculator only. A fresh build directory is configured
# without the tests; one that `make test` configured keeps them, but only the
# calculator's targets are built here.
build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DQUINTARO_TESTS=OFF)
	cmake --build $(BUILD) -j $(JOBS) --target quintaro quintaro_entry desktop_files

# Everything: the calculator, the tests, the helpers and the benchmarks.
build-tests: deps-test
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DQUINTARO_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/quintaro

# The program, its desktop entry, AppStream metainfo, icon, manual page and
# README under PREFIX (DESTDIR=... stages them elsewhere); /usr/local needs root.
# The runtime's static libraries, headers, CMake package and pkg-config file
# go beside them, for programs of one's own.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# $(BUILD)/quintaro_<version>_amd64.deb and $(BUILD)/libquintaro-dev_<version>_amd64.deb,
# made from the finished build.
package: build
	cd $(BUILD) && cpack

# Unit tests under AddressSanitizer + UndefinedBehaviorSanitizer (with the
# calculator end to end under LeakSanitizer), then the unit and end-to-end
# tests under ThreadSanitizer, then every test of the normal build (unit and
# end-to-end), so the run ends with that summary.
test: build-tests test-asan test-tsan test-main

test-asan: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUINTARO_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

test-tsan: deps-test
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUINTARO_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && ctest --output-on-failure -j $(JOBS)

test-main: build-tests
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The benchmarks, then start-up time and the processor use of waiting programs
# (per thread) under a private Xvfb.
bench: build-tests
	./$(BUILD)/bench/quintaro_bench
	python3 tools/startup_time.py --build-dir $(BUILD)
	python3 tools/idle_cpu.py --build-dir $(BUILD)
	python3 tools/idle_cpu.py --build-dir $(BUILD) --program quintaro --keys 44100
	python3 tools/idle_cpu.py --build-dir $(BUILD) --program quintaro --keys 44100 120
	python3 tools/idle_cpu.py --build-dir $(BUILD) --program quintaro --keys 44100 120 --press space
	python3 tools/idle_cpu.py --build-dir $(BUILD) --program inkey_poll_program

# The libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer),
# FUZZ_SECONDS each; the corpus they leave in tests/corpus/ is replayed by `make test`.
fuzz:
	@bash tools/install_deps.sh fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUINTARO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash tools/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
