# The commands the README names. Each configures its CMake preset as needed.
JOBS ?= $(shell nproc)

.PHONY: all deps build run test asan-test bench package format format-check clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# Builds the program and starts it; without a display, on a virtual one.
run: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target drapewell
	scripts/run-drapewell build/release/bin/drapewell

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
	build/release/bin/drapewell-bench-edit
	build/release/bin/drapewell-bench-webp-avif
	build/release/bin/drapewell-bench-settings
	build/release/bin/drapewell-bench-heif-jxl
	scripts/with-xvfb 1920x1080 scripts/with-dbus build/release/bin/drapewell-bench-control

# The Debian package, build/package/drapewell_VERSION_ARCH.deb: an optimised
# build without tests, configured for /usr, packed by CPack.
package: deps
	cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
		-DCMAKE_INSTALL_PREFIX=/usr
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack -G DEB

# The sources clang-format keeps in the repository's style (.clang-format).
FORMAT_SOURCES = find platform image codecs wallpaper shell rotation app tests bench fuzz tools \
	-name '*.cpp' -o -name '*.h'

format:
	$(FORMAT_SOURCES) | xargs clang-format -i

# Fails, naming the files, when `make format` would change any of them; any
# other failure of clang-format (not installed, say) is printed as it came.
format-check: deps
	@out=$$($(FORMAT_SOURCES) | xargs clang-format --dry-run --Werror 2>&1) && exit 0; \
	files=$$(printf '%s\n' "$$out" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u); \
	if [ -n "$$files" ]; then \
		echo "format-check: clang-format would change (make format):" >&2; \
		printf '%s\n' "$$files" >&2; \
	else \
		printf '%s\n' "$$out" >&2; \
	fi; \
	exit 1

clean:
	rm -rf build
