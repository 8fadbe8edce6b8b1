# User commands: make run, make test, make bench, make package. Each installs what is missing
# first. make run builds the programs only, so that the window comes up before the tests are
# compiled; make test builds the rest.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=

.PHONY: all deps configure build programs run test bench package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# The two programs and what is installed beside them (manual pages and the like).
programs: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target quillet quillet-cli quillet_data

run: programs
	@$(BUILD_DIR)/app/quillet

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@for b in $(BUILD_DIR)/bench/bench_*; do \
		[ -x "$$b" ] || continue; echo "== $$b"; QT_QPA_PLATFORM=offscreen "$$b" || exit 1; \
	done

# The Debian package of the programs and their data: build-package/quillet_<version>_<arch>.deb,
# built with Debian's hardening flags in a folder of its own. Every file in it carries the time
# of the last commit, so the same sources give the same package.
PACKAGE_DIR ?= build-package
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || date +%s)
package: deps
	@cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_DEB_HARDENING=ON \
		$(CMAKE_FLAGS) >/dev/null
	@cmake --build $(PACKAGE_DIR) -j $(JOBS) --target quillet quillet-cli quillet_data
	@cd $(PACKAGE_DIR) && SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) cpack -G DEB

clean:
	@rm -rf $(BUILD_DIR) $(PACKAGE_DIR)
