, := ,
# Two entry points for a fresh Debian machine: `make run` and `make test`.
# Both install the Debian packages they need first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# Compiler cache entries keyed by paths relative to the checkout, so a fresh clone in another
# folder reuses what an earlier build compiled.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

BUILD_PACKAGES = build-essential cmake pkg-config ccache qt6-base-dev libsmbclient-dev \
                 libgtest-dev googletest nlohmann-json3-dev ieee-data
TEST_PACKAGES  = samba smbclient iproute2 iputils-ping qstat xvfb xauth nbtscan fping traceroute \
                 python3-smbc python3-pyatspi at-spi2-core dbus man-db
FUZZ_PACKAGES  = clang libclang-rt-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
CONFIGURE = cmake -S . -B $(1) -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCORVIMAP_WERROR=ON $(2) $(CMAKE_ARGS)

.PHONY: run test bench demo deps test-deps fuzz-deps build build-asan build-tsan build-fuzz fuzz \
        check-format check-layers format

define install_missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi
endef

deps:
	$(call install_missing,$(BUILD_PACKAGES))

test-deps:
	$(call install_missing,$(BUILD_PACKAGES) $(TEST_PACKAGES))

fuzz-deps:
	$(call install_missing,$(BUILD_PACKAGES) $(FUZZ_PACKAGES))

build: deps
	$(call CONFIGURE,$(BUILD),)
	cmake --build $(BUILD) -j $(JOBS)

build-asan: test-deps
	$(call CONFIGURE,$(ASAN_BUILD),-DCMAKE_BUILD_TYPE=Debug -DCORVIMAP_SANITIZE=address$(,)undefined)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Threads are checked on the core alone: Qt itself is not built with ThreadSanitizer.
build-tsan: test-deps
	$(call CONFIGURE,$(TSAN_BUILD),-DCMAKE_BUILD_TYPE=Debug -DCORVIMAP_SANITIZE=thread -DCORVIMAP_WITH_QT=OFF)
	cmake --build $(TSAN_BUILD) -j $(JOBS)

# The parsers of outside bytes under libFuzzer: the core built with clang and the fuzzer
# sanitizers, one program per fuzz/*_fuzz.cpp.
build-fuzz: fuzz-deps
	CC=clang CXX=clang++ $(call CONFIGURE,$(FUZZ_BUILD),-DCORVIMAP_FUZZ=ON)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

# Runs every target for FUZZ_SECONDS from its committed seeds; new inputs stay in the build.
fuzz: build-fuzz
	@set -e; for program in $(FUZZ_BUILD)/fuzz/*_fuzz; do \
	    name=$$(basename $$program _fuzz); mkdir -p $(FUZZ_BUILD)/fuzz/new_inputs/$$name; \
	    echo "== $$name: $(FUZZ_SECONDS) s"; \
	    $$program -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=1024 \
	        -print_final_stats=1 $(FUZZ_BUILD)/fuzz/new_inputs/$$name fuzz/corpus/$$name \
	        > $(FUZZ_BUILD)/fuzz/$$name.log 2>&1 || { tail -40 $(FUZZ_BUILD)/fuzz/$$name.log; exit 1; }; \
	    grep -E '^stat::(number_of_executed_units|new_units_added)' $(FUZZ_BUILD)/fuzz/$$name.log; \
	done

run: build
	./$(BUILD)/corvimap

# The network lab runs in the sanitizer builds, which hold the same code: the plain run leaves it
# out to keep `make test` short.
test: test-deps check-layers build build-asan build-tsan build-fuzz
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE lab
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS)
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench_*; do [ -x "$$b" ] && "$$b"; done

# Pictures of the window: every pane, and the host list after a scan of the lab (needs root).
demo: test-deps build
	tools/screenshots.sh demo/panes $(BUILD)
	tests/lab/lab_screenshot.sh demo/lab $(BUILD)

# Every include in src/ points down; the order of the folders is written in the script.
check-layers:
	python3 tools/check_layers.py src

check-format:
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')
