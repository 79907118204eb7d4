# make        the builds: the native core, tests and tools; the PE32 programs and
#             their PE32+ twins, which the Debian package carries
# make test   installs what is missing, builds, runs every test
# make run    opens the record browser on the demo file
# make screenshots   saves a picture of every program's window
# make dist   the release files in dist/: MSI, portable zip, Debian package
# make fuzz   runs every fuzz target FUZZ_SECONDS (60) seconds, one after another
#
# Every target that builds first runs scripts/bootstrap (quick when nothing
# is missing), so each of them works on a fresh clone as it is.

# Asked when a recipe runs, after bootstrap has installed Wine: which Windows
# build runs here depends on the Wine that is there.
E2E_ARCH = $(shell scripts/e2e-arch)
JOBS ?= 2

.PHONY: all native win32 win64 test check unit e2e run screenshots dist bootstrap clean

all: native win32 win64

bootstrap:
	@scripts/bootstrap

native: bootstrap
	@cmake --preset native >/dev/null
	@cmake --build build/native -j$(JOBS)

win32: bootstrap
	@cmake --preset win32 $(if $(filter win32,$(E2E_ARCH)),-DZEL_E2E=ON) >/dev/null
	@cmake --build build/win32 -j$(JOBS)

win64: bootstrap
	@cmake --preset win64 -DZEL_E2E=ON >/dev/null
	@cmake --build build/win64 -j$(JOBS)

unit: native
	@ctest --test-dir build/native --output-on-failure -j$(JOBS)

e2e: all
	@ctest --test-dir build/$(E2E_ARCH) --output-on-failure

test: check

check: all
	@ctest --test-dir build/native --output-on-failure -j$(JOBS)
	@ctest --test-dir build/$(E2E_ARCH) --output-on-failure
	@$(MAKE) --no-print-directory fuzz-check

run: all
	@scripts/run-demo build/$(E2E_ARCH)

screenshots: all
	@scripts/screenshots build/$(E2E_ARCH)

# The Debian package carries the PE32+ build, so dist needs both Windows builds.
dist: native win32 win64
	@scripts/dist

clean:
	rm -rf build dist

# Fuzzing (clang): every target briefly with its kept cases in `check`, at
# length in `fuzz`; the corpora grow in build/fuzz/corpus.
FUZZ_SECONDS ?= 60
.PHONY: fuzz fuzz-build fuzz-check

fuzz-build: bootstrap
	@cmake --preset fuzz >/dev/null
	@cmake --build build/fuzz -j$(JOBS)

fuzz-check: fuzz-build
	@ctest --test-dir build/fuzz --output-on-failure -j$(JOBS)

fuzz: fuzz-build
	@scripts/fuzz build/fuzz $(FUZZ_SECONDS)
