# Thin wrapper over CMake: `make run` builds and starts Zelvaro, `make test` builds and runs every test,
# `make package` builds the Debian packages.
BUILD ?= build
PACKAGE_BUILD ?= build-package
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test asan tsan test-asan test-tsan bench package clean

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-zelvaro $(BUILD)

test: build
	scripts/test-env ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 300

test-asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DZELVARO_SANITIZE=address -DCMAKE_BUILD_TYPE=Debug -DZELVARO_BUILD_BENCH=OFF $(CMAKE_FLAGS)"

test-tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DZELVARO_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVARO_BUILD_BENCH=OFF $(CMAKE_FLAGS)"

bench: build
	@scripts/run-bench $(BUILD)

# A tree of its own, configured for /usr with Debian's hardening flags; the .deb files land in it.
package: deps
	eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)" && \
	  cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	    -DZELVARO_BUILD_TESTS=OFF -DZELVARO_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target package

clean:
	rm -rf build build-asan build-tsan build-package
