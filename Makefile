# The two commands of the README: `make run` and `make test`. Both install what is missing
# (Debian packages, when run as root) before they build.

SHELL := /bin/bash
JOBS ?= 2

# Build and test dependencies, as Debian packages.
PACKAGES := build-essential cmake pkg-config clang \
	libgtest-dev libgmock-dev googletest libbenchmark-dev \
	qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libqt6svg6-dev qt6-svg-dev \
	libnl-3-dev libnl-genl-3-dev libudev-dev iproute2 nlohmann-json3-dev \
	python3 xvfb xauth openbox trayer xdotool xclip x11-utils imagemagick iputils-ping \
	g++-mingw-w64-x86-64 wine64 wine librsvg2-bin icoutils wixl msitools zip unzip \
	ccache gzip file man-db dpkg-dev desktop-file-utils appstream lintian

.PHONY: all deps configure build test test-windows test-package package screenshots run clean \
	windows-package test-windows-package screenshots-windows

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
	$(MAKE) test-package
	$(MAKE) test-windows
	$(MAKE) test-windows-package

# The Debian package of a release build: validated, checked by lintian, and (as root) installed,
# run from /usr and removed again (tests/package/check_package.sh).
package: deps
	cmake --preset release
	cmake --build --preset release -j$(JOBS)
	rm -f build/release/quillmere_*.deb
	cd build/release && cpack -G DEB

test-package: package
	tests/package/check_package.sh build/release

# The README's pictures: the whole-program screenshot test on invented adapters, copied to docs/.
SCREENSHOTS := window.png window-expert.png window-ru.png window-2x.png
screenshots: build
	cd tests/e2e/artifacts 2>/dev/null && rm -f $(SCREENSHOTS) || true
	ctest --preset ci -R '^e2e\.Screenshots$$'
	mkdir -p docs
	cd tests/e2e/artifacts && cp $(SCREENSHOTS) ../../../docs/

# The Win32 window's pictures: the Wine window test's screenshots (normal, expert, and at 192
# pixels per inch), copied to docs/.
WINDOWS_SCREENSHOTS := window-windows.png window-windows-expert.png window-windows-2x.png
screenshots-windows: deps
	cmake --preset windows
	cmake --build --preset windows -j$(JOBS) --target qmr_win qmr-report
	cd tests/e2e/artifacts 2>/dev/null && rm -f $(WINDOWS_SCREENSHOTS) || true
	WINEDEBUG=-all ctest --test-dir build/windows -R '^WindowOnWine\.' --output-on-failure
	mkdir -p docs
	cd tests/e2e/artifacts && cp $(WINDOWS_SCREENSHOTS) ../../../docs/

# The Qt-free core cross-built with mingw-w64 and its tests run under Wine, in a prefix of the
# build tree that every ctest run throws away and makes anew (build/windows/CTestCustom.cmake).
# A test is run once more when it fails: under load Wine now and then fails to start a program
# at all (no output, a failure in a few milliseconds); a real fault fails both times.
test-windows: deps
	cmake --preset windows
	cmake --build --preset windows -j$(JOBS)
	WINEDEBUG=-all ctest --test-dir build/windows -j1 --output-on-failure --repeat until-pass:2

# The Windows packages: a release build of qmr.exe and qmr-report.exe, and from it under build/
# quillmere-<version>-win64.zip and quillmere-<version>-win64.msi (wixl); checked under Wine by
# tests/package/check_windows_package.sh.
windows-package: deps
	cmake --preset windows-release
	cmake --build --preset windows-release -j$(JOBS)
	resources/windows/make_windows_package.sh build/windows-release build

test-windows-package: windows-package
	tests/package/check_windows_package.sh build build/windows-release

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
