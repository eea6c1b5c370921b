# The two commands of the README: `make run` and `make test`.
BUILD ?= build

.PHONY: run test build setup

setup:
	./scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)

run: build
	./$(BUILD)/dialroster

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure
