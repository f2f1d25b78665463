# Velin: the two set-up commands are `make run` and `make test`.
# Both first install the Debian packages the build needs (as root; otherwise the
# apt-get line is printed), then configure and build with CMake and Ninja.

PRESET   ?= default
BUILD    := build/$(PRESET)
# bible-kjv-text carries the built-in book's text; without it the build uses a sample book.
PACKAGES := cmake ninja-build g++ clang libclang-rt-14-dev pkg-config \
            libgtest-dev libgmock-dev libbenchmark-dev bible-kjv-text \
            libsdl2-dev libfreetype-dev libfontconfig-dev libpng-dev libx11-dev \
            fonts-dejavu-core xvfb
FUZZ_SECONDS ?= 20

.PHONY: all deps build run test bench fuzz-smoke install clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  line="apt-get install -y --no-install-recommends $$(echo $$missing)"; \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing: $$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$line; \
	  else \
	    echo "Missing packages. Run as root:"; echo "  apt-get update && $$line"; exit 1; \
	  fi; \
	fi

$(BUILD)/build.ninja:
	cmake --preset $(PRESET)

build: deps $(BUILD)/build.ninja
	cmake --build --preset $(PRESET)

run: build
	$(BUILD)/app/velin $(ARGS)

test: build
	ctest --preset $(PRESET)

bench: deps
	cmake --preset default >/dev/null
	cmake --build --preset default
	@set -e; for b in $$(cat build/default/bench/benches.txt); do echo "== $$b"; build/default/bench/$$b; done

fuzz-smoke: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz --target $$(cat build/fuzz/fuzz/fuzzers.txt)
	@set -e; for f in $$(cat build/fuzz/fuzz/fuzzers.txt); do \
	  echo "== $$f ($(FUZZ_SECONDS) s)"; mkdir -p build/fuzz/corpus/$$f; \
	  dirs=build/fuzz/corpus/$$f; \
	  for d in fuzz/corpus/$$f fuzz/regressions/$$f; do if [ -d $$d ]; then dirs="$$dirs $$d"; fi; done; \
	  build/fuzz/fuzz/$$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $$dirs \
	    > build/fuzz/$$f.log 2>&1 || { tail -n 40 build/fuzz/$$f.log; exit 1; }; \
	  tail -n 2 build/fuzz/$$f.log; \
	done

install: build
	cmake --install $(BUILD)

clean:
	rm -rf build
