# Vantrel: the README's two commands.
#   make run   installs what is missing, builds, starts the desktop application
#   make test  installs what is missing, builds, runs every test (also under
#              AddressSanitizer + UndefinedBehaviorSanitizer, with the fuzz
#              regressions replayed, and the threads under ThreadSanitizer)
# Further targets: make build, make bench, make fuzz, make tsan, make install, make clean,
#   make web (the page build-web/vantrel.html).

SHELL := /bin/bash
BUILD ?= build
SAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
WEB_BUILD ?= build-web
FUZZ_SECONDS ?= 60
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

CORE_PACKAGES := cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libssl-dev libpcap-dev \
  nlohmann-json3-dev
GUI_PACKAGES := qt6-base-dev libqscintilla2-qt6-dev qtkeychain-qt6-dev
FUZZ_PACKAGES := clang libclang-rt-14-dev
PYTHON_PACKAGES := python3-pytest python3-setuptools python3-pip
# Debian's own interpreter: its pytest and setuptools packages belong to it.
PYTHON ?= /usr/bin/python3
# Node and npm from Debian unless the machine has them already (another node may ship its own npm).
WEB_PACKAGES := emscripten chromium $(if $(shell command -v node),,nodejs) $(if $(shell command -v npm),,npm)

.PHONY: run test build bench fuzz tsan install clean deps deps-fuzz deps-web web web-test

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
	$(call install_packages,$(CORE_PACKAGES) $(GUI_PACKAGES) $(PYTHON_PACKAGES))

deps-fuzz: deps
	$(call install_packages,$(FUZZ_PACKAGES))

deps-web:
	$(call install_packages,$(WEB_PACKAGES))

build: deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_GUI=ON
	cmake --build $(BUILD)

run: build
	./$(BUILD)/vantrel

test: build
	cd $(BUILD) && ctest --output-on-failure
	@# pytest's exit status 5 (no tests collected) is a failure too.
	cd python && VANTREL_LIBRARY=$(CURDIR)/$(BUILD)/libvantrel.so $(PYTHON) -m pytest -q -p no:cacheprovider tests
	cmake -S . -B $(SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON -DVANTREL_BUILD_BENCH=OFF \
	  -DVANTREL_BUILD_GUI=OFF
	cmake --build $(SAN_BUILD)
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure
	@# The Python package over the sanitized library (the interpreter's own leaks are not ours).
	cd python && LD_PRELOAD="$$(g++ -print-file-name=libasan.so) $$(g++ -print-file-name=libubsan.so)" \
	  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  VANTREL_LIBRARY=$(CURDIR)/$(SAN_BUILD)/libvantrel.so $(PYTHON) -m pytest -q -p no:cacheprovider tests
	$(MAKE) tsan
	$(MAKE) web-test

# The library under ThreadSanitizer: the entry points and batches from 8
# threads sharing one key set (tests/threads). Any data race fails it.
tsan: deps
	cmake -S . -B $(TSAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
	  -DVANTREL_TSAN=ON \
	  -DVANTREL_BUILD_BENCH=OFF -DVANTREL_BUILD_GUI=OFF
	cmake --build $(TSAN_BUILD) --target vantrel-thread-tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ./$(TSAN_BUILD)/tests/vantrel-thread-tests

# The page: the translator compiled with emscripten, bundled with the editor
# (npm packages pinned by web/package-lock.json) into $(WEB_BUILD)/vantrel.html.
# No OpenSSL in the browser: the cipher is @noble/ciphers in the page's worker.
web: deps-web
	cd web && { [ node_modules/.package-lock.json -nt package-lock.json ] || npm ci --no-audit --no-fund; }
	NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release \
	  -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF -DVANTREL_BUILD_GUI=OFF -DVANTREL_CRYPTO=browser
	NODE_PATH=/usr/share/nodejs cmake --build $(WEB_BUILD) --target vantrel-page

# The page in headless Chromium: every check of web/test/browser-test.mjs,
# the speed compared with the native benchmark of $(BUILD).
web-test: web
	node web/test/browser-test.mjs --page $(WEB_BUILD)/vantrel.html --vectors tests/vectors --native $(BUILD)

bench: build
	./$(BUILD)/vantrel-bench

# Each fuzz target (or those of FUZZ_TARGETS, e.g. FUZZ_TARGETS="keys-file args")
# runs for FUZZ_SECONDS, seeded from fuzz/seeds and fuzz/regressions; its
# corpus grows in $(FUZZ_BUILD)/corpus. A crash, a timeout or a failed check
# leaves its input in $(FUZZ_BUILD)/artifacts/<target>/ and fails the run once
# every target has run: copy the input into fuzz/regressions/<target>/ with
# the fix, and `make test` replays it from then on.
FUZZ_TARGETS ?= $(subst _,-,$(patsubst fuzz/fuzz_%.cpp,%,$(wildcard fuzz/fuzz_*.cpp)))
fuzz: deps-fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVANTREL_FUZZ=ON -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) --target $(addprefix fuzz-,$(FUZZ_TARGETS))
	@set -o pipefail; failed=""; for name in $(FUZZ_TARGETS); do \
	  target=$(FUZZ_BUILD)/fuzz/fuzz-$$name; corpus=$(FUZZ_BUILD)/corpus/$$name; \
	  artifacts=$(FUZZ_BUILD)/artifacts/$$name/; mkdir -p $$corpus $$artifacts; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  dict=fuzz/$$name.dict; [ -f $$dict ] && dict="-dict=$$dict" || dict=""; \
	  seeds=""; for d in fuzz/seeds/$$name fuzz/regressions/$$name; do [ -d $$d ] && seeds="$$seeds $$d"; done; \
	  $$target -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
	    -artifact_prefix=$$artifacts $$dict $$corpus $$seeds 2>&1 | tail -n 12 || failed="$$failed $$name"; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz targets that failed:$$failed (inputs in $(FUZZ_BUILD)/artifacts)"; exit 1; fi

# The Python package goes with the library it was built against (into
# /usr/local on Debian); PIP_INSTALL_ARGS may add --user, --prefix=... or
# --target=....
PIP_INSTALL_ARGS ?= --break-system-packages
install: build
	cmake --install $(BUILD)
	cd python && VANTREL_LIBRARY=$(CURDIR)/$(BUILD)/libvantrel.so $(PYTHON) -m pip install --no-build-isolation \
	  --no-deps --no-cache-dir --root-user-action=ignore $(PIP_INSTALL_ARGS) .

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(TSAN_BUILD) $(WEB_BUILD) python/build python/vantrel.egg-info
