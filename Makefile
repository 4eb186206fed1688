# Thin front over CMake: `make run` builds and starts the program, `make test` builds and runs
# every test. Both first install the Debian packages the build needs when some are missing.

BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev fonts-noto-cjk qt6-translations-l10n
CMAKE_ARGS ?=
# The window icon is drawn with Qt SVG.
PACKAGES += qt6-svg-dev
# The benchmarks' pair generator and its test run on Python 3.
PACKAGES += python3
# Excel difference reports are written with libxlsxwriter, found with pkg-config; the report
# tests read them back with openpyxl and check the HTML report with html5lib's strict parser.
PACKAGES += libxlsxwriter-dev pkg-config python3-openpyxl python3-html5lib
# zlib reads each Excel report back, so that a workbook packed cut short is never saved.
PACKAGES += zlib1g-dev
# rowlark-diff hashes rows with xxHash's XXH3, compiled in from its header.
PACKAGES += libxxhash-dev
# Excel workbooks are read with libzip (the zip of a .xlsx) and FreeXL (the older .xls books).
PACKAGES += libzip-dev libfreexl-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# `make test-asan` builds and runs the whole suite once more under the address and
# undefined-behaviour sanitizers, in a folder of its own; `make fuzz-smoke` builds the libFuzzer
# targets of fuzz/ with clang and runs each for FUZZ_SECONDS.
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 15
FUZZ_TARGETS := fuzz_read_comma fuzz_read_delimiter fuzz_settings fuzz_paste fuzz_stream_compare fuzz_reports \
                fuzz_encodings fuzz_workbook
# clang's libFuzzer and sanitizer runtimes (libclang_rt.fuzzer) come with libclang-rt-dev on Debian 12.
FUZZ_PACKAGES := clang libclang-rt-dev
SANITIZE := -fsanitize=address,undefined
# Any finding ends the test (or fuzz run) that made it, and so fails the step. Leaks are not
# checked: the Qt platform plugins keep memory until exit.
SANITIZER_ENV := ASAN_OPTIONS=halt_on_error=1:detect_leaks=0 \
                 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all deps configure build run test check-format clean test-asan fuzz-deps fuzz-build fuzz-smoke

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing missing packages:" $$missing; \
	    $(SUDO) apt-get update -qq && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "make run: no display here (DISPLAY and WAYLAND_DISPLAY are unset), so the window cannot open; try 'xvfb-run make run' or 'make test'."; \
	    exit 1; \
	fi
	$(BUILD)/bin/rowlark

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	    "-DCMAKE_CXX_FLAGS=-O1 $(SANITIZE) -fno-sanitize-recover=all -fno-omit-frame-pointer" \
	    "-DCMAKE_EXE_LINKER_FLAGS=$(SANITIZE)" $(ASAN_CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

fuzz-deps:
	@missing=$$(for p in $(FUZZ_PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing missing packages:" $$missing; \
	    $(SUDO) apt-get update -qq && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

fuzz-build: deps fuzz-deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROWLARK_FUZZ=ON \
	    $(FUZZ_CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target rowlark_fuzzers

# Each target starts from its seed corpus in fuzz/corpus/ (read only) and keeps what it finds in
# $(FUZZ_BUILD)/corpus/; a crash or broken invariant is saved in $(FUZZ_BUILD)/ and fails the run.
fuzz-smoke: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	    echo "== $$t: $(FUZZ_SECONDS) s"; \
	    if $(SANITIZER_ENV) $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -timeout=20 \
	        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/$$t- \
	        $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t >$(FUZZ_BUILD)/$$t.log 2>&1; then \
	        grep -E 'DONE|stat::number_of_executed_units' $(FUZZ_BUILD)/$$t.log; \
	    else \
	        tail -n 60 $(FUZZ_BUILD)/$$t.log; echo "$$t failed: see $(FUZZ_BUILD)/$$t.log"; exit 1; \
	    fi; \
	done

# Fails on any source file that differs from what the repository's .clang-format makes of it.
check-format:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# `make deb` builds the Debian package into $(BUILD)/ with CPack (dpkg-shlibdeps works out its
# dependencies); `make check-deb` checks its file list and metadata and, run as root, installs it,
# starts both programs and purges it again.
.PHONY: deb check-deb
deb: PACKAGES += file desktop-file-utils appstream
deb: build
	rm -f $(BUILD)/rowlark_*.deb
	cd $(BUILD) && cpack -G DEB

check-deb: deb
	packaging/check-deb.sh $(shell [ "$$(id -u)" = 0 ] && echo --install) $(BUILD)/rowlark_*.deb
