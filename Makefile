# Thin wrapper over CMake + Ninja; every target installs what it needs first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= 2
CMAKE_ARGS ?=

.PHONY: all setup build run test test-asan bench fuzz clean

all: build

setup:
	@scripts/setup

# Configuring every time is cheap and picks up newly added folders.
build: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run-game $(BUILD)/bin/kestrix

test: build
	scripts/run-tests $(BUILD)

test-asan: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON -DKX_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	scripts/run-tests $(ASAN_BUILD)

bench: build
	scripts/run-benches $(BUILD)

fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_FUZZ=ON -DKX_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
