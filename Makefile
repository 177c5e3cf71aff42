# `make test` and `make run` do the whole set-up on a fresh Debian machine.
# Every build is a preset of CMakePresets.json (`cmake --list-presets`):
# debug in build/, release in build-release/, and the scripts' bench, fuzz
# and windows in build-bench/, build-fuzz/ and build-windows/.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

# fonts-liberation: the narrow face the windows are laid out with (see forms/FormFont.cpp).
# help2man writes qmr's man page; bash-completion runs the completion's test;
# python3 runs the check of the #include lines; liburing-dev lets a cold
# rebuild read many data files' headers at once.
BUILD_PACKAGES := cmake make g++ pkg-config libgtest-dev libgmock-dev qt6-base-dev libgl-dev fonts-liberation \
                  nlohmann-json3-dev help2man bash-completion python3 liburing-dev
# What CPack's Debian generator calls: dpkg-shlibdeps (dpkg-dev), file; and
# lintian, which checks the package.
PACKAGE_PACKAGES := dpkg-dev file lintian

.PHONY: all deps build test release package test-package run bench fuzz test-windows dist-windows clean

all: build

deps:
	./scripts/install-deps.sh $(BUILD_PACKAGES)

# Debug build with warnings as errors, AddressSanitizer and UBSan.
build: deps
	cmake --preset debug
	cmake --build --preset debug -j $(JOBS)

test: build
	ctest --preset debug -j $(JOBS)

release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# The Debian package, qmr-rebuilder_<version>-1_<arch>.deb, left in this
# folder: `sudo apt-get install ./qmr-rebuilder_*.deb`. Dated by the last
# commit, so that the same sources give the same package. The icon comes
# from resources/icons, or from the folder QMR_ICON_DIR=... names.
package: deps
	./scripts/install-deps.sh $(PACKAGE_PACKAGES)
	rm -f qmr-rebuilder_*.deb build-package/qmr-rebuilder_*.deb
	export SOURCE_DATE_EPOCH=$$(git log -1 --format=%ct 2>/dev/null || date +%s) && \
	  cmake --preset package $(if $(QMR_ICON_DIR),-DQMR_ICON_DIR=$(QMR_ICON_DIR)) && \
	  cmake --build --preset package -j $(JOBS) && \
	  cpack --preset package
	cp build-package/qmr-rebuilder_*.deb .
	lintian --fail-on error qmr-rebuilder_*.deb

# Installs the package on this machine, tries what it installed and removes it.
test-package:
	./scripts/test-package.sh

# The programs alone, in the release build: no test is needed to run them.
run: deps
	cmake --preset release
	cmake --build --preset run -j $(JOBS)
	./scripts/run.sh build-release

bench:
	./scripts/bench.sh

fuzz:
	./scripts/fuzz.sh

test-windows:
	./scripts/test-windows.sh

# dist/QMRRebuilder-VERSION-windows-x64.zip and .msi: QMRRebuilder.exe,
# qmr.exe, README.txt, LICENSE.txt and NOTICES.txt, unzipped or installed
# under Program Files. Dated by the last commit, like the Debian package.
dist-windows:
	./scripts/dist-windows.sh

clean:
	rm -rf build build-* dist qmr-rebuilder_*.deb
