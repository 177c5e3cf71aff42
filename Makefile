# `make test` and `make run` do the whole set-up on a fresh Debian machine.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD_DIR ?= build
RELEASE_DIR ?= build-release

# fonts-liberation: the narrow face the windows are laid out with (see forms/FormFont.cpp).
BUILD_PACKAGES := cmake make g++ pkg-config libgtest-dev libgmock-dev qt6-base-dev libgl-dev fonts-liberation

.PHONY: all deps build test release run bench fuzz test-windows clean

all: build

deps:
	./scripts/install-deps.sh $(BUILD_PACKAGES)

# Debug build with warnings as errors, AddressSanitizer and UBSan.
build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DQMR_SANITIZE=ON
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

release: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
	cmake --build $(RELEASE_DIR) -j $(JOBS)

run: release
	./scripts/run.sh $(RELEASE_DIR)

bench:
	./scripts/bench.sh

fuzz:
	./scripts/fuzz.sh

test-windows:
	./scripts/test-windows.sh

clean:
	rm -rf $(BUILD_DIR) $(RELEASE_DIR) build-*
