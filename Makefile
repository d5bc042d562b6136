# Thin wrapper over CMake; `make run` and `make test` are the two entry points.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
SWITCH_BUILD ?= build-switch
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: run test deps build build-asan test-normal test-switch test-asan fuzz-build fuzz test-tsan clean

deps:
	@./scripts/deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@exec $(BUILD)/app/zentrixcode

test-normal: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DKELO_SANITIZE=ON -DKELO_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The interpreter's plain switch dispatch, which the computed goto of the normal build
# replaces, kept correct by the engine's tests in a build of its own, the hostile cases
# included: the engine's own limits bound them, whatever the dispatch's speed.
$(SWITCH_BUILD)/build.ninja: | deps
	cmake -S . -B $(SWITCH_BUILD) $(CMAKE_GEN) -DKELO_VM_SWITCH_DISPATCH=ON -DKELO_BUILD_APP=OFF -DKELO_BUILD_BENCH=OFF

test-switch: deps $(SWITCH_BUILD)/build.ninja
	cmake --build $(SWITCH_BUILD) -j $(JOBS)
	ctest --test-dir $(SWITCH_BUILD) --output-on-failure -j $(JOBS) -L engine

# The fuzz targets are a clang project of their own (libFuzzer), so the main build stays g++.
$(FUZZ_BUILD)/build.ninja: | deps
	cmake -S fuzz -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_CXX_COMPILER=clang++

fuzz-build: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Each target for FUZZ_SECONDS; any crash, hang, leak or sanitizer report fails.
fuzz: fuzz-build
	./fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The concurrency tests (calls on one thread while a backtest runs on another) under
# ThreadSanitizer; a target of its own, outside `make test`.
TSAN_TARGETS := kelo_std_hosts_concurrency_test kelo_interface_abi_test \
  kelo_interface_backtest_test zx_bridge_libkelo_test hostile_scripts_test
TSAN_TESTS   := Concurren|RunsBeside|SeveralThreads

$(TSAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_GEN) -DKELO_TSAN=ON -DKELO_BUILD_BENCH=OFF

test-tsan: deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)'

# Fuzzing runs only once both test suites have passed.
test: test-normal test-switch test-asan
	@$(MAKE) --no-print-directory fuzz

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(SWITCH_BUILD)
