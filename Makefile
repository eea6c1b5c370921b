# The two commands of the README: `make run` and `make test`.
BUILD ?= build
# The program and its tests under AddressSanitizer and UndefinedBehaviorSanitizer (g++), and the
# fuzzers (clang), each in a build folder of its own.
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
# How long each fuzzer runs in `make test` and `make fuzz`.
FUZZ_SECONDS ?= 5

# Leaks are looked for too, and the first sign of undefined behaviour ends the test.
SANITIZER_ENV = QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: run test build configure setup sanitize fuzz fresh-machine

setup:
	./scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD)

# The program alone, with what lies beside it; the tests and benchmarks wait for `make test`.
run: configure
	cmake --build $(BUILD) --target dialroster
	./$(BUILD)/dialroster

# The main build's tests, the same tests under the sanitizers, a short run of every fuzzer, the
# README's commands and the package on fresh Debian 12 roots (as root only; see fresh-machine),
# then the suites built for Windows under Wine.
# Qt for Windows, where no earlier run has built it, takes about 45 minutes of processor time: it
# is built beside the Linux stages at the lowest priority, on the processor time their tests and
# downloads leave idle, so that the Windows stage mostly finds it built.
# Inside a fresh root the sanitizer and Windows stages are left out: the machine itself runs them,
# so the check stays well inside CI's time.
# The output closes with the main build's summary again, as that is the suite a reader looks for.
test: build
ifdef DIALROSTER_FRESH_ROOT
	$(MAKE) --no-print-directory linux-stages
else
	$(MAKE) --no-print-directory -j2 linux-stages windows-qt
	$(MAKE) --no-print-directory windows-test
endif
	@echo
	@echo "All passed: the tests of $(BUILD)/ below, the same under the sanitizers, the fuzzers,"
	@echo "the README's commands and the package on fresh Debian 12 roots (as root),"
	@echo "and the same suites built for Windows under Wine."
	@sed -n '/tests passed, /,$$p' $(BUILD)/ctest.log

.PHONY: linux-stages windows-qt
linux-stages:
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --output-log ctest.log
ifndef DIALROSTER_FRESH_ROOT
	$(MAKE) --no-print-directory sanitize
endif
	$(MAKE) --no-print-directory fuzz
	$(MAKE) --no-print-directory fresh-machine

sanitize: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIALROSTER_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j 2
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure

fuzz: setup
	cmake -S fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
		-DFUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(FUZZ_BUILD) -j 2
	cd $(FUZZ_BUILD) && ctest --output-on-failure
	@cat $(FUZZ_BUILD)/runs/*/summary

# What a new user meets: the README's commands in a minimal Debian 12 root, the package in
# another. Needs root; skipped otherwise.
fresh-machine: setup
	./packaging/tests/fresh_machine.sh

# The program for Windows, cross-built with MinGW-w64 into build-windows/, with its installer and
# its portable zip. The first run also builds Qt for Windows, kept outside the clone for the next.
WINDOWS_BUILD ?= build-windows
.PHONY: windows windows-test
windows:
	./scripts/windows/build.sh $(abspath $(WINDOWS_BUILD))

# Qt for Windows alone, its output in a file, so that it can run beside other stages.
windows-qt:
	@mkdir -p $(WINDOWS_BUILD)
	@echo "Qt for Windows: built beside the other stages unless kept from before; its output goes to $(WINDOWS_BUILD)/qt.log"
	@{ ./scripts/windows/setup.sh && nice -n 19 ./scripts/windows/build-qt.sh; } \
		>$(WINDOWS_BUILD)/qt.log 2>&1 || { tail -n 40 $(WINDOWS_BUILD)/qt.log; exit 1; }
	@echo "Qt for Windows: $$(tail -n 1 $(WINDOWS_BUILD)/qt.log)"

# The same suites as build/'s, built for Windows and run under Wine, on an X server of their own
# at a free display number from a random one above 100 (other users of the machine keep theirs).
windows-test: windows
	cd $(WINDOWS_BUILD) && xvfb-run -a -n $$(shuf -i 101-899 -n 1) \
		-s "-screen 0 1280x1024x24 -nolisten tcp" ctest --output-on-failure
