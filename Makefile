# Two entry points for a fresh Debian machine:
#   make demo    build sirvane and run it on the bundled demo logs
#   make check   build everything and run every test, plain and under sanitizers
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all demo check test test-sanitize fuzz lint deps clean

all: deps
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release -DSIRVANE_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/release -j $(JOBS)

deps:
	@scripts/ensure-deps.sh

demo: all
	@scripts/run-demo.sh $(BUILD)/release/sirvane

check: test test-sanitize fuzz lint

test: deps
	cmake -S . -B $(BUILD)/werror -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSIRVANE_WERROR=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/werror -j $(JOBS)
	cd $(BUILD)/werror && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(BUILD)/sanitize -DCMAKE_BUILD_TYPE=Debug -DSIRVANE_WERROR=ON -DSIRVANE_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/sanitize -j $(JOBS)
	cd $(BUILD)/sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (tests/fuzz/README.md), FUZZ_SECONDS each.
FUZZ_SECONDS ?= 15
fuzz: deps
	@scripts/ensure-deps.sh clang libclang-rt-dev
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSIRVANE_FUZZ=ON -DSIRVANE_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/fuzz -j $(JOBS)
	tests/fuzz/run.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

# clang-tidy and cppcheck over src/ (scripts/lint.sh).
lint: deps
	@scripts/ensure-deps.sh clang-tidy cppcheck
	scripts/lint.sh $(BUILD)/lint

clean:
	rm -rf $(BUILD)
