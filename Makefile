# make test       build everything and run the whole test suite
# make test-asan  the runtime and framework tests under AddressSanitizer + UBSan
# make fuzz       libFuzzer targets built with clang, each run for FUZZ_SECONDS
# make fuzz-long  the same targets for FUZZ_LONG_SECONDS each (one hour by default)
# make bench      build and run the benchmarks
# make demo       run the program on a generated sample school

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30
FUZZ_LONG_SECONDS ?= 3600
FUZZ_TARGETS = $(basename $(notdir $(wildcard fuzz/*_fuzz.cc)))
CTEST_FLAGS ?= --output-on-failure --timeout 900 -j $(JOBS)

.PHONY: all deps build test test-asan fuzz-build fuzz fuzz-long bench demo clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS)

test: build
	cd build && ctest $(CTEST_FLAGS)

test-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  ctest $(CTEST_FLAGS) -L 'runtime|framework|fuzz'

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON -DQV_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)

# Each target starts from its seeds in fuzz/corpus/<target> and keeps what it
# finds in build-fuzz/corpus/<target>; the summary (inputs/s, coverage,
# crashes) ends up in build-fuzz/fuzz-summary.txt.
fuzz: fuzz-build
	./scripts/fuzz-run.sh $(FUZZ_SECONDS) $(FUZZ_TARGETS)

fuzz-long: fuzz-build
	./scripts/fuzz-run.sh $(FUZZ_LONG_SECONDS) $(FUZZ_TARGETS)

bench: build
	@set -e; for b in $$(find build/bench -type f -executable -name '*_bench'); do echo "== $$b"; $$b; done

# Generates the sample school in demo-data/ (kept between runs), prints a
# teacher to sign in with and runs the program on it; without a display it
# says so and names the command to run on a desktop.
demo: build
	@if [ ! -f demo-data/QVLIBRETA.KRL ]; then ./build/tools/qvdata/qvdata demo demo-data --seed 1; fi
	@set -- $$(./scripts/demo-teacher.sh demo-data); \
	 echo "Sign in with D.N.I. $$1 and birth date $$2"
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then ./build/app/qvnotas/qvnotas demo-data; \
	 else echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set)."; \
	      echo "On a desktop run: ./build/app/qvnotas/qvnotas demo-data"; fi

clean:
	rm -rf build build-asan build-fuzz
