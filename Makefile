# Two entry points for a fresh Debian machine:
#   make demo    build sirvane and run it on the bundled demo logs
#   make check   build everything and run every test, plain and under sanitizers
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all demo check test test-sanitize fuzz lint deps clean package-check browser-check windows windows-check

all: deps
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release -DSIRVANE_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/release -j $(JOBS)

deps:
	@scripts/ensure-deps.sh

demo: all
	@scripts/run-demo.sh $(BUILD)/release/sirvane

check: test test-sanitize fuzz lint package-check browser-check windows-check

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

# Package the release build as a .deb, install it, run the installed demo,
# remove it (root only).
package-check: all
	JOBS=$(JOBS) scripts/package-check.sh $(BUILD)/release

# The report in headless Chromium; screenshots in $(BUILD)/browser-output.
browser-check: all
	scripts/browser-check.sh $(BUILD)/release/sirvane $(BUILD)/browser-output

# Windows: sirvane.exe cross-built with mingw-w64, and the tests run under wine.
#   make windows         $(BUILD)/windows-release/sirvane.exe, one static .exe
#   make windows-check   cross-builds the tests and runs them under wine
WINDOWS_CMAKE = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release -DSIRVANE_WERROR=ON
# A wine prefix of our own; without mono and gecko it is made in seconds.
WINE = WINEPREFIX=$(abspath $(BUILD))/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64

windows:
	@scripts/ensure-deps.sh g++-mingw-w64-x86-64-posix
	cmake -S . -B $(BUILD)/windows-release $(WINDOWS_CMAKE) -DSIRVANE_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/windows-release -j $(JOBS) --target sirvane

windows-check:
	@scripts/ensure-deps.sh g++-mingw-w64-x86-64-posix googletest wine64
	cmake -S . -B $(BUILD)/windows $(WINDOWS_CMAKE) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/windows -j $(JOBS)
	@# A program started while wine is still making a new prefix can fail to
	@# load kernel32.dll: make the prefix first and wait for it to settle.
	$(WINE) wineboot --init >/dev/null 2>&1
	WINEPREFIX=$(abspath $(BUILD))/wine /usr/lib/wine/wineserver -w
	cd $(BUILD)/windows && $(WINE) tests/sirvane_tests.exe --gtest_brief=1

clean:
	rm -rf $(BUILD)
