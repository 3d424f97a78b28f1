# Entry points: `make` builds, `make test` builds and runs every test, `make demo` runs the
# demo session on the bundled drawing.
BUILD ?= build
JOBS ?= $(shell nproc)
DEBIAN_PACKAGES := cmake g++ make libgtest-dev libgmock-dev nlohmann-json3-dev python3-ezdxf \
                   python3-matplotlib

.PHONY: all build test demo deps clean fuzz bench verify

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

# A bounded libFuzzer run of the drawing-file reader (needs clang++).
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
	      -DVELMORA_FUZZ=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target dxf_reader_fuzzer
	tools/fuzz_dxf.sh $(FUZZ_BUILD)/bin/dxf_reader_fuzzer $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)

# Load and save of a 100k-entity drawing against ezdxf, and one pick among 1M entities.
BENCH_BUILD ?= build-bench
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target cadhost_exe VelmoraArc VelmoraCsy dxf_pick_bench
	/usr/bin/python3 tools/bench_dxf.py --cadhost $(BENCH_BUILD)/bin/cadhost \
	    --pick $(BENCH_BUILD)/bin/dxf_pick_bench --work $(BENCH_BUILD)/bench

# The five arc commands against an independent reference at scale: random user sessions in a
# Release build of its own; prints the mismatches by kind, each with a script reproducing it.
VERIFY_BUILD ?= build-verify
VERIFY_SESSIONS ?= 1000000
VERIFY_SEED ?= 2
verify: deps
	cmake -S . -B $(VERIFY_BUILD) -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF
	cmake --build $(VERIFY_BUILD) -j $(JOBS) --target arc_verify VelmoraArc VelmoraCsy
	$(VERIFY_BUILD)/bin/arc_verify --arcdim $(VERIFY_SESSIONS) --arclen $(VERIFY_SESSIONS) \
	    --seed $(VERIFY_SEED)

clean:
	rm -rf $(BUILD) out
