# The commands the README names. Each configures its CMake preset as needed.
JOBS ?= $(shell nproc)

.PHONY: all deps build test asan-test bench format clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

test: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --preset dev

asan-test: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan

bench: build
	build/release/bin/drapewell-bench-image
	build/release/bin/drapewell-bench-codecs
	scripts/with-xvfb 1920x1080 build/release/bin/drapewell-bench-apply
	build/release/bin/drapewell-bench-walk

format:
	find platform image codecs wallpaper shell app tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
