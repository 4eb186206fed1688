# Thin front over CMake: `make run` builds and starts the program, `make test` builds and runs
# every test. Both first install the Debian packages the build needs when some are missing.

BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev fonts-noto-cjk qt6-translations-l10n
CMAKE_ARGS ?=
# The window icon is drawn with Qt SVG.
PACKAGES += qt6-svg-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test check-format clean

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

# Fails on any source file that differs from what the repository's .clang-format makes of it.
check-format:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD)

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
