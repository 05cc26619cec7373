# make run    builds the window (Release) and starts it
# make test   builds and runs every test, with an AddressSanitizer/UBSan build of the core
# make bench  builds and runs the benchmarks
JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: run test bench deps clean

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
	cmake --build $(BUILD)/release -j$(JOBS) --target itemmap_bench drawing_bench
	$(BUILD)/release/bench/itemmap_bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/release/bench/drawing_bench

clean:
	rm -rf $(BUILD)
