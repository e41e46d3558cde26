# Quenlar SDK and setup launcher. The commands of the README:
#   make run    build, pack the demo setup.dpf, start the launcher
#   make test   build, run every test
#   make test-compat   every test again, on sdl12-compat instead of classic SDL 1.2
# All install missing Debian packages first (scripts/install-deps.sh).

MAKEFLAGS += --no-print-directory

PREFIX ?= /usr/local
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

BUILD       := build
BUILD_ASAN  := build-asan
BUILD_BENCH := build-bench
BUILD_FUZZ  := build-fuzz
BUILD_CLANG := build-clang

.PHONY: all deps build run demo test test-compat asan bench fuzz clang install clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The demo in build/demo: the skin drawn from demo/ and packed into setup.dpf,
# the demo game with its demo-game.dpf (see demo/README.md).
demo: build
	@demo/pack.sh $(BUILD)/bin $(BUILD)/demo

# The launcher on the demo skin; its Play starts the demo game.
run: demo
	@cd $(BUILD)/demo && ../bin/setup; status=$$?; \
	  echo "setup exited with status $$status (log: $(BUILD)/demo/Setup.log)"

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same build and suite on sdl12-compat (SDL 1.2 over SDL 2), the SDL 1.2
# most distributions ship today; the library is chosen at run time.
test-compat: build
	@./scripts/with-sdl12-compat.sh --check $(BUILD)/bin/setup
	@cd $(BUILD) && ../scripts/with-sdl12-compat.sh ctest --output-on-failure -j $(JOBS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DQUENLAR_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_ASAN) -j $(JOBS)
	@cd $(BUILD_ASAN) && ctest --output-on-failure -j $(JOBS)

# Every bench/NAME.cpp program (bench_NAME), each run in repetitions taken
# in random order, then the table of the SDK beside its references from
# their JSON results (build-bench/results/). BENCH_REPETITIONS and
# BENCH_MIN_TIME (seconds per repetition) trade time for steadier figures;
# BENCH_FILTER (a regular expression) runs only the rows it matches.
BENCH_REPETITIONS ?= 5
BENCH_MIN_TIME    ?= 0.2
BENCH_FILTER      ?= .

bench: deps
	@cmake -S . -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DQUENLAR_BUILD_TESTS=OFF \
	  -DQUENLAR_BUILD_BENCH=ON >/dev/null
	@cmake --build $(BUILD_BENCH) -j $(JOBS)
	@rm -rf $(BUILD_BENCH)/results && mkdir -p $(BUILD_BENCH)/results
	@for source in bench/*.cpp; do \
	  name=bench_$$(basename $$source .cpp); echo "== $$name"; \
	  (cd $(BUILD_BENCH) && ./bin/$$name --benchmark_repetitions=$(BENCH_REPETITIONS) \
	    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
	    --benchmark_min_time=$(BENCH_MIN_TIME) --benchmark_filter='$(BENCH_FILTER)' \
	    --benchmark_out=results/$$name.json --benchmark_out_format=json) || exit 1; \
	done
	@echo; ./scripts/bench-table.sh $(BUILD_BENCH)/results/*.json

# libFuzzer targets (clang); run one with build-fuzz/bin/fuzz_<name> fuzz/corpus/<name>
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=Debug \
	  -DQUENLAR_BUILD_TESTS=OFF -DQUENLAR_BUILD_FUZZ=ON >/dev/null
	@cmake --build $(BUILD_FUZZ) -j $(JOBS)

# Everything built with clang++ as well, at zero warnings.
clang: deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD_CLANG) -DQUENLAR_BUILD_BENCH=ON \
	  -DCMAKE_CXX_FLAGS="-Werror -Wthread-safety -Wthread-safety-beta" >/dev/null
	@cmake --build $(BUILD_CLANG) -j $(JOBS)

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	@rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_BENCH) $(BUILD_FUZZ) $(BUILD_CLANG)
