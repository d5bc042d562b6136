# Thin wrapper over CMake; `make run` and `make test` are the two entry points.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: run test deps build build-asan test-normal test-asan clean

deps:
	@./scripts/deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/app/zentrixcode ]; then \
	  exec $(BUILD)/app/zentrixcode; \
	else \
	  echo "Built the engine. The application is not part of this build yet."; \
	fi

test-normal: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DKELO_SANITIZE=ON -DKELO_BUILD_APP=OFF -DKELO_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -L engine --no-tests=ignore

test: test-normal test-asan

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
