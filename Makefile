# Entry points: `make` builds, `make test` builds and runs every test, `make demo` runs the
# demo session on the bundled drawing.
BUILD ?= build
JOBS ?= $(shell nproc)
DEBIAN_PACKAGES := cmake g++ make libgtest-dev libgmock-dev nlohmann-json3-dev python3-ezdxf \
                   python3-matplotlib

.PHONY: all build test demo deps clean fuzz bench

all: build

deps:
	@missing=""; for p in $(DEBIAN_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing Debian packages:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing Debian packages:$$missing"; \
	    echo "Install them with: sudo apt-get install$$missing"; exit 1; \
	  fi; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Debug

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@mkdir -p out
	$(BUILD)/bin/cadhost --drawing examples/arcs.dxf --save out/demo.dxf --report out/demo.json \
	    examples/demo.script | tee out/demo.transcript
	/usr/bin/python3 tools/render_dxf.py out/demo.dxf out/demo.png

# libFuzzer runs of the drawing-file reader and of the script reader (needs clang++), each for
# FUZZ_SECONDS (0: no limit) or FUZZ_RUNS executions (-1: no limit), whichever ends first; a
# crash is kept as a regression seed. Ten million runs each, unattended:
#   make fuzz FUZZ_SECONDS=0 FUZZ_RUNS=10000000
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
FUZZ_RUNS ?= -1
fuzz: deps
	@command -v clang++ >/dev/null || { echo "make fuzz needs clang++ (Debian package clang)"; exit 1; }
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DVELMORA_FUZZ=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target dxf_reader_fuzzer script_fuzzer
	tools/fuzz_run.sh $(FUZZ_BUILD)/bin/dxf_reader_fuzzer dxf $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS) $(FUZZ_RUNS)
	tools/fuzz_run.sh $(FUZZ_BUILD)/bin/script_fuzzer script $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS) $(FUZZ_RUNS)

# Load and save of a 100k-entity drawing against ezdxf, and one pick among 1M entities.
BENCH_BUILD ?= build-bench
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target cadhost_exe VelmoraArc VelmoraCsy dxf_pick_bench
	/usr/bin/python3 tools/bench_dxf.py --cadhost $(BENCH_BUILD)/bin/cadhost \
	    --pick $(BENCH_BUILD)/bin/dxf_pick_bench --work $(BENCH_BUILD)/bench

clean:
	rm -rf $(BUILD) out
