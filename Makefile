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

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR).configure.log
