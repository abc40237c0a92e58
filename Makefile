# The project's commands: `make test`, `make demo`, `make bench`, `make fuzz`,
# `make screenshots`, `make install`.
JOBS ?= $(shell nproc)
CMAKE_COMMON = -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

.PHONY: all test demo bench fuzz format-check bootstrap clean screenshots install

all: demo

bootstrap:
	./scripts/bootstrap

test: bootstrap
	cmake -S . -B build/test $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DVELDRIM_SANITIZE=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

build/release/src/veldrim: bootstrap
	cmake -S . -B build/release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DVELDRIM_TESTS=OFF
	cmake --build build/release -j $(JOBS) --target veldrim

demo: build/release/src/veldrim
	./scripts/demo build/release/src/veldrim out

# The window under a virtual X display with the demo data set: pictures of
# the main window, the result diagram with the power balance, the report
# viewer, the explanation window, the table editor, the material pick and
# the view in monochrome graphics.
screenshots: build/release/src/veldrim
	xvfb-run -a -s "-screen 0 1280x800x24" ./scripts/window-session build/release/src/veldrim data out/screenshots

# The program, its data files and a desktop entry into PREFIX (default /usr/local).
PREFIX ?= /usr/local
install: build/release/src/veldrim
	cmake --install build/release --prefix $(PREFIX)

bench: bootstrap
	cmake -S . -B build/bench $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DVELDRIM_TESTS=OFF -DVELDRIM_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	./scripts/run-benchmarks build/bench

fuzz: bootstrap
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELDRIM_TESTS=OFF -DVELDRIM_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS)
	./scripts/run-fuzzers build/fuzz

# Every C++ source of the tree follows .clang-format (CI runs it before `make test`).
format-check: bootstrap
	./scripts/format-check

clean:
	rm -rf build out
