# Vantrel: the README's two commands.
#   make run   installs what is missing, builds, starts the desktop application
#   make test  installs what is missing, builds, runs every test (also under
#              AddressSanitizer + UndefinedBehaviorSanitizer)
# Further targets: make build, make bench, make fuzz, make install, make clean.

SHELL := /bin/bash
BUILD ?= build
SAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

CORE_PACKAGES := cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
GUI_PACKAGES := qt6-base-dev libqscintilla2-qt6-dev qtkeychain-qt6-dev
FUZZ_PACKAGES := clang libclang-rt-14-dev

.PHONY: run test build bench fuzz install clean deps deps-fuzz

# Installs the Debian packages that are missing (sudo when not root).
define install_packages
	@missing=""; for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi; \
	  $$sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install_packages,$(CORE_PACKAGES) $(GUI_PACKAGES))

deps-fuzz: deps
	$(call install_packages,$(FUZZ_PACKAGES))

build: deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_GUI=ON
	cmake --build $(BUILD)

run: build
	./$(BUILD)/vantrel

test: build
	cd $(BUILD) && ctest --output-on-failure
	cmake -S . -B $(SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON -DVANTREL_BUILD_BENCH=OFF \
	  -DVANTREL_BUILD_GUI=OFF
	cmake --build $(SAN_BUILD)
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure

bench: build
	./$(BUILD)/vantrel-bench

# Each fuzz target runs for FUZZ_SECONDS, seeded from fuzz/seeds.
fuzz: deps-fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVANTREL_FUZZ=ON -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD)
	@set -e; for target in $(FUZZ_BUILD)/fuzz/fuzz-*; do \
	  name=$$(basename $$target); corpus=$(FUZZ_BUILD)/corpus/$$name; mkdir -p $$corpus; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  dict=fuzz/$${name#fuzz-}.dict; [ -f $$dict ] && dict="-dict=$$dict" || dict=""; \
	  $$target -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 $$dict \
	    $$corpus fuzz/seeds/$${name#fuzz-} 2>&1 | tail -n 12; \
	done

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
