# Entry points. `make run` and `make test` do all the set-up on a fresh Debian 12 machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps build run test test-unit test-sanitize bench fuzz clean

all: build

deps:
	@tools/install-deps

$(BUILD)/build.ninja: | deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	@cmake --build $(BUILD) -j $(JOBS)

# Opens the window on a copy of examples/billing (headless: runs it with swapwright-cli run).
run: build
	@examples/run-example $(BUILD)

# Everything: the normal build with all tests, then the tests again under ASan and UBSan.
test: test-unit test-sanitize

test-unit: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DSWAPWRIGHT_SANITIZE=ON -DSWAPWRIGHT_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  SWAPWRIGHT_SANITIZED=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/swapwright_bench_*; do [ -x "$$b" ] && "$$b"; done

# libFuzzer targets, built with clang: `make fuzz`, then run e.g. build-fuzz/fuzz/<target> -max_total_time=600
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DSWAPWRIGHT_FUZZ=ON -DSWAPWRIGHT_TESTS=OFF -DSWAPWRIGHT_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
