# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: all deps build test run clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo > $(BUILD_DIR).configure.log || { cat $(BUILD_DIR).configure.log; exit 1; }
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Every test: the suites of the normal build, the same unit and window tests built with sanitizers,
# and a short fuzzing run (scripts/test.sh).
test: build
	@bash scripts/test.sh $(BUILD_DIR)

run: build
	@bash scripts/run.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR).configure.log build-asan* build-fuzz*
