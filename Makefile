# The two commands of this project:
#   make run    set up, build and start the program
#   make test   set up, build and run every test
# Both install the Debian packages they need first (see scripts/install-deps.sh).

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= 2

.PHONY: all deps configure build run test asan test-asan bench package format clean

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

# The Debian package of the program, written to $(BUILD)/.
package: build
	cd $(BUILD) && cpack -G DEB

# Coverage-guided fuzzing with libFuzzer and clang (fuzz/, README "Testing").
# make fuzz runs each target for FUZZ_SECONDS over a copy of its corpus in
# $(FUZZ_BUILD)/corpus/; make fuzz-check runs the committed corpus and a
# short round of fuzzing, for CI. Inputs that fail land in $(FUZZ_BUILD)/findings/.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 180
FUZZ_CHECK_SECONDS ?= 20
FUZZ_TARGETS := fuzz_form_stream fuzz_wave_image_check fuzz_note_names fuzz_tonegen_command
# Output of the targets is dropped; libFuzzer's and the sanitizers' reports
# are kept. Run a target on a found input to see its own message.
FUZZ_FLAGS   ?= -close_fd_mask=3 -timeout=30 -rss_limit_mb=2048

.PHONY: fuzz-build fuzz fuzz-check

fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRVARDEN_FUZZ=ON \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j$(JOBS)

fuzz: fuzz-build
	@mkdir -p $(FUZZ_BUILD)/findings; status=0; \
	for t in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$t; cp -n fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/; \
	    echo "== $$t: $(FUZZ_SECONDS) s"; \
	    $(FUZZ_BUILD)/bin/$$t $(FUZZ_FLAGS) -dict=fuzz/$$t.dict -max_total_time=$(FUZZ_SECONDS) \
	        -artifact_prefix=$(FUZZ_BUILD)/findings/$$t- $(FUZZ_BUILD)/corpus/$$t || status=1; \
	done; exit $$status

fuzz-check: fuzz-build
	@mkdir -p $(FUZZ_BUILD)/findings; status=0; \
	for t in $(FUZZ_TARGETS); do \
	    echo "== $$t: the committed corpus"; \
	    $(FUZZ_BUILD)/bin/$$t $(FUZZ_FLAGS) -runs=0 \
	        -artifact_prefix=$(FUZZ_BUILD)/findings/$$t- fuzz/corpus/$$t || status=1; \
	    echo "== $$t: $(FUZZ_CHECK_SECONDS) s"; \
	    rm -rf $(FUZZ_BUILD)/check-corpus/$$t; mkdir -p $(FUZZ_BUILD)/check-corpus/$$t; \
	    $(FUZZ_BUILD)/bin/$$t $(FUZZ_FLAGS) -dict=fuzz/$$t.dict -max_total_time=$(FUZZ_CHECK_SECONDS) \
	        -artifact_prefix=$(FUZZ_BUILD)/findings/$$t- $(FUZZ_BUILD)/check-corpus/$$t \
	        fuzz/corpus/$$t || status=1; \
	done; exit $$status

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
