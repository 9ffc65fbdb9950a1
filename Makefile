# The two commands of the README: `make run` and `make test`. Both install what is missing
# (Debian packages, when run as root) before they build.

SHELL := /bin/bash
JOBS ?= 2

# Build and test dependencies, as Debian packages.
PACKAGES := build-essential cmake pkg-config clang \
	libgtest-dev libgmock-dev googletest libbenchmark-dev \
	qt6-base-dev qt6-base-dev-tools libqt6svg6-dev qt6-svg-dev \
	libnl-3-dev libnl-route-3-dev libnl-genl-3-dev libudev-dev iproute2 \
	python3 xvfb xauth openbox trayer xdotool xclip x11-utils imagemagick \
	g++-mingw-w64-x86-64 wine64 wine

.PHONY: all deps configure build test test-windows run clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		if [ "$$(id -u)" = 0 ]; then \
			echo "Installing: $$missing"; \
			apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
		else \
			echo "Missing packages; install them as root with:"; \
			echo "  apt-get install $$missing"; \
			exit 1; \
		fi; \
	fi

configure: deps
	cmake --preset ci

build: configure
	cmake --build --preset ci -j$(JOBS)

test: build
	ctest --preset ci -j1
	$(MAKE) test-windows

# The Qt-free core cross-built with mingw-w64 and its tests run under Wine, in a prefix of the
# build tree that every ctest run throws away and makes anew (build/windows/CTestCustom.cmake).
test-windows: deps
	cmake --preset windows
	cmake --build --preset windows -j$(JOBS)
	WINEDEBUG=-all ctest --test-dir build/windows -j1 --output-on-failure

# The window needs a display; without one the expert report of every adapter is printed instead.
run: deps
	cmake --preset release
	cmake --build --preset release -j$(JOBS)
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		exec ./build/release/bin/qmr; \
	else \
		echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): the window needs one."; \
		echo "The expert report of every adapter instead:"; echo; \
		./build/release/bin/qmr-report --expert; \
	fi

clean:
	rm -rf build
