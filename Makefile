# make run    builds the window (Release) and starts it
# make test   builds and runs every test, with an AddressSanitizer/UBSan build of the core and a
#             ThreadSanitizer build of the tests of the loops on every core
# make bench  builds and runs the benchmarks
# make fuzz   builds the fuzz targets with clang and runs each for FUZZ_SECONDS
JOBS ?= $(shell nproc)
BUILD ?= build
FUZZ_SECONDS ?= 60

.PHONY: run test bench fuzz deps clean

deps:
	@scripts/deps

$(BUILD)/release/Makefile: CMakeLists.txt
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release

run: deps $(BUILD)/release/Makefile
	cmake --build $(BUILD)/release -j$(JOBS) --target itemmap
	$(BUILD)/release/itemmap

test: deps
	BUILD=$(BUILD) JOBS=$(JOBS) scripts/test

bench: deps $(BUILD)/release/Makefile
	cmake --build $(BUILD)/release -j$(JOBS) --target itemmap_bench drawing_bench headless_bench
	$(BUILD)/release/bench/itemmap_bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/release/bench/drawing_bench
	$(BUILD)/release/bench/headless_bench
	BUILD=$(BUILD) scripts/pacing-bench

fuzz: deps
	@command -v clang++ >/dev/null || { echo "make fuzz needs clang and its libclang-rt-*-dev"; exit 1; }
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DITEMMAP_FUZZ=ON \
		-DITEMMAP_WITH_QT=OFF -DITEMMAP_BENCH=OFF
	cmake --build $(BUILD)/fuzz -j$(JOBS) --target fuzz_targets
	BUILD=$(BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) tests/fuzz/run

clean:
	rm -rf $(BUILD)
