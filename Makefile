# The two commands of this project:
#   make run    set up, build and start the program
#   make test   set up, build and run every test
# Both install the Debian packages they need first (see scripts/install-deps.sh).

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= 2

.PHONY: all deps configure build run test asan test-asan bench format clean

all: build

deps:
	./scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/bin/DrVardenFree

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRVARDEN_SANITIZE=ON -DDRVARDEN_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
