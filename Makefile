# make run   - installs what is missing, builds the program (only), starts it
# make test  - installs what is missing, builds, runs every test
# make test-asan - builds Debug with AddressSanitizer and UBSan in build-asan/, runs every test
# make bench - builds and runs the benchmarks (up to a million contacts; the databases are
#              generated once into $TMPDIR/quenlark-bench and kept for later runs), then
#              prints every figure with its yardstick, spread and ratio (bench/table.py)
# make bench-clean - removes the benchmarks' databases
# make install [PREFIX=/usr/local] - installs the built program under PREFIX (builds it
#                when there is no build yet; run `make` first, then `sudo make install`)
# make package - builds the Debian package build/quenlark-addressbook_*.deb

BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
PACKAGES := build-essential cmake qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev \
            libgtest-dev libbenchmark-dev libicu-dev fonts-wine xvfb xauth xdotool x11-utils \
            libxkbcommon-x11-0 libxcb-cursor0 dpkg-dev x11-apps x11-xkb-utils netpbm \
            poppler-utils python3-vobject python3-gi gir1.2-ebookcontacts-1.2 openbox \
            desktop-file-utils appstream \
            libcurl4-openssl-dev libexpat1-dev libsecret-1-dev qtkeychain-qt6-dev radicale \
            xandikos openssl gnome-keyring dbus libsqlite3-dev eatmydata
PREFIX ?= /usr/local
# The program's own code is built with -Werror (WERROR=OFF for a compiler other than
# Debian 12's, whose new warnings should not stop a build).
WERROR ?= ON
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test test-asan bench bench-clean install package clean format

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

# ccache, when the machine has it, makes rebuilds in other checkouts cheap.
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENLARK_WERROR=$(WERROR) $(LAUNCHER)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the program: the tests and benchmarks are left for `make test` and `make bench`.
run: configure
	cmake --build $(BUILD) --target quenlark-addressbook -j $(JOBS)
	$(BUILD)/app/quenlark-addressbook

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Memory errors and undefined behaviour stop the test that meets them. Leaks are not
# checked: Qt keeps some of its allocations until the process ends.
SANITIZE := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUENLARK_BUILD_BENCH=OFF \
	  -DQUENLARK_WERROR=$(WERROR) $(LAUNCHER) \
	  "-DCMAKE_CXX_FLAGS=$(SANITIZE)" "-DCMAKE_EXE_LINKER_FLAGS=$(SANITIZE)"
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Each program's figures also go to $(BENCH_OUT) as JSON; the table at the end lists them all,
# with their yardsticks, spreads and ratios, from this one run.
BENCH_OUT ?= $(BUILD)/bench-results
BENCH_PROGRAMS := engine reports interchange gui sync

bench: build
	mkdir -p $(BENCH_OUT)
	rm -f $(BENCH_OUT)/*.json
	for p in $(BENCH_PROGRAMS); do \
	  $(BUILD)/bench/quenlark_bench_$$p --benchmark_out=$(BENCH_OUT)/$$p.json \
	    --benchmark_out_format=json || exit 1; \
	done
	$(MAKE) deps PACKAGES=abook
	bench/query_vs_abook.sh $(BUILD) $(BENCH_OUT)/query.json
	$(MAKE) deps PACKAGES="radicale vdirsyncer curl time"
	bench/sync_vs_vdirsyncer.sh $(BUILD)
	python3 bench/table.py $(BENCH_OUT)/*.json

bench-clean:
	rm -rf "$${TMPDIR:-/tmp}/quenlark-bench"

install:
	@[ -x $(BUILD)/app/quenlark-addressbook ] || $(MAKE) build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB

format:
	find app engine platform controls tools reports forms resources interchange cli sync tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
