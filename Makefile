# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands of the README: `make run` and `make test`. Both install what is missing first.
MAKEFLAGS += --no-print-directory

.PHONY: all deps build test run clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@bash scripts/build.sh

# Every test, each stage timed (scripts/test.sh): the packages, the build, the suites of the normal build,
# the Debian package, the unit and window tests built with sanitizers, and a short fuzzing run.
test:
	@bash scripts/test.sh

run: build
	@bash scripts/run.sh build

clean:
	rm -rf build build.configure.log build-asan* build-fuzz*
