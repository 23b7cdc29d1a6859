# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands of the README: `make run` and `make test`. Both install what is missing first: `make run`
# what building and running need, `make test` also what the tests need.
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

# The quote server serves the simulated market, or the source SOURCE names with its options:
#   make run SOURCE=truefx,kraken      (the installed default: live prices, no account)
#   make run SOURCE=ecb
#   make run SOURCE="oanda --account ID --token-file FILE"
run: build
	@bash scripts/run.sh build $(SOURCE)

clean:
	rm -rf build build.configure.log build-asan*
