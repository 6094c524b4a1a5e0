# The commands the README names. Each configures its CMake preset as needed.
JOBS ?= $(shell nproc)

.PHONY: all deps build run test asan-test fuzz bench soak package format format-check clean

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

# Each libFuzzer harness (the decoders', the settings file's, the settings
# record's and the control arguments'), built with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer in build/fuzz, runs FUZZ_SECONDS from the
# saved corpus; new inputs go to a scratch directory, and those that reach
# code the corpus does not are merged into fuzz/corpus/<name> (minimised:
# the saved inputs stay, the rest of the scratch is dropped). A crash stops the run and leaves the
# input in build/fuzz/finds/<name>/.
FUZZ_SECONDS ?= 60
FUZZERS ?= bmp_fuzzer gif_fuzzer jpeg_fuzzer pcx_fuzzer png_fuzzer probe_fuzzer tga_fuzzer \
	tiff_fuzzer webp_fuzzer avif_fuzzer heif_fuzzer jxl_fuzzer ini_fuzzer settings_fuzzer \
	arguments_fuzzer

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DBUILD_TESTING=OFF -DBUILD_FUZZERS=ON -DDRAPEWELL_SANITIZE=ON
	cmake --build build/fuzz -j $(JOBS) --target $(FUZZERS)
	@set -e; for name in $(FUZZERS); do \
		scratch=build/fuzz/scratch/$$name; \
		rm -rf $$scratch; mkdir -p $$scratch build/fuzz/finds/$$name fuzz/corpus/$$name; \
		echo "== $$name: $(FUZZ_SECONDS) s"; \
		build/fuzz/bin/$$name $$scratch fuzz/corpus/$$name -max_total_time=$(FUZZ_SECONDS) \
			-print_final_stats=1 -artifact_prefix=build/fuzz/finds/$$name/ \
			2>build/fuzz/$$name.log || { tail -n 60 build/fuzz/$$name.log; exit 1; }; \
		grep '^stat::number_of_executed_units' build/fuzz/$$name.log; \
		build/fuzz/bin/$$name -merge=1 fuzz/corpus/$$name $$scratch 2>>build/fuzz/$$name.log; \
		echo "$$name: $$(ls fuzz/corpus/$$name | wc -l) inputs, $$(du -sh fuzz/corpus/$$name | cut -f1)"; \
	done

# The soak run (scripts/soak): the optimised program driven through
# SOAK_CHANGES changes in each display order on one and three monitors,
# its memory, descriptors, pixmaps, threads and children sampled as it goes.
SOAK_CHANGES ?= 5000
soak: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target drapewell
	scripts/soak --changes $(SOAK_CHANGES) build/release/bin/drapewell

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
