# Front door: make demo | make test | make bench | make fuzz | make dist
# Three toolchains, one build: mingw-w64 g++ -posix (cmake/i686-w64-mingw32.cmake)
# for kdxhost, the tests and benchmarks; g++ -win32 (cmake/i686-w64-mingw32-win32.cmake)
# for Dockmere.kdx; clang and lld in the platform's C++ layout
# (cmake/i686-pc-windows-msvc.cmake) for Brevlin.vx, VantrelLib.vx and
# vantrelhost.exe. The last two are builds of their own, started by the first
# one into the same bin/.
BUILD ?= build
HOST ?= kdx
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

# What `make demo` shows: the two modules, the stand-in browser and the newer host
# (platform_modules builds Brevlin.vx, VantrelLib.vx and vantrelhost.exe); no test program.
DEMO_TARGETS = Dockmere kdxhost platform_modules

.PHONY: all deps configure build build-demo test demo bench fuzz dist clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/i686-w64-mingw32.cmake $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

build-demo: configure
	@cmake --build $(BUILD) -j $(JOBS) --target $(DEMO_TARGETS)

test: build
	@./scripts/wine-session.sh --build $(BUILD) \
	    ctest --test-dir $(BUILD) --output-on-failure -j 1

demo: build-demo
	@./scripts/demo.sh $(BUILD) $(HOST)

bench: build
	@./scripts/wine-session.sh --build $(BUILD) ./scripts/bench.sh $(BUILD)

fuzz: deps
	@./scripts/fuzz.sh $(BUILD)

dist: build
	@./scripts/dist.sh $(BUILD)

clean:
	rm -rf $(BUILD)
