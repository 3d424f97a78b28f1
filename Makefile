# Entry points: `make` builds, `make test` builds and runs every test, `make demo` builds the
# host, the module and its resource library and runs the demo session on the bundled drawing,
# `make serve` serves a session on it for a browser, `make windows` compiles the module for
# Windows.
BUILD ?= build
JOBS ?= $(shell nproc)
DEBIAN_PACKAGES := cmake g++ make pkgconf libgtest-dev libgmock-dev nlohmann-json3-dev libedit-dev \
                   libcpp-httplib-dev python3-ezdxf python3-matplotlib binutils-mingw-w64-x86-64 \
                   python3-pefile
# What only the browser tests need: a headless browser, its driver and Selenium.
BROWSER_PACKAGES := chromium chromium-driver python3-selenium
WINDOWS_PACKAGES := g++-mingw-w64-x86-64
# What only the fuzzers need: clang with its sanitizer and libFuzzer runtimes.
FUZZ_PACKAGES := clang libclang-rt-dev

.PHONY: all build test demo programs serve deps clean fuzz fuzz-pe bench windows verify

all: build

deps:
	@missing=""; for p in $(DEBIAN_PACKAGES) $(EXTRA_PACKAGES); do \
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
	$(MAKE) deps EXTRA_PACKAGES="$(BROWSER_PACKAGES)"
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The demo needs only the programs: a build of its own without sanitizers and without the tests.
DEMO_BUILD ?= build-demo
programs: deps
	cmake -S . -B $(DEMO_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=OFF
	cmake --build $(DEMO_BUILD) -j $(JOBS) --target cadhost_exe cadhost_serve cadhost_terminal \
	    VelmoraArc VelmoraCsy

demo: programs
	@mkdir -p out
	$(DEMO_BUILD)/bin/cadhost --drawing examples/arcs.dxf --save out/demo.dxf --report out/demo.json \
	    examples/demo.script | tee out/demo.transcript
	/usr/bin/python3 tools/render_dxf.py out/demo.dxf out/demo.png

# The bundled drawing in a browser: one session served on SERVE until Ctrl-C, saved to
# out/served.dxf.
SERVE ?= 127.0.0.1:8765
serve: programs
	@mkdir -p out
	$(DEMO_BUILD)/bin/cadhost --serve $(SERVE) --drawing examples/arcs.dxf --save out/served.dxf

# libFuzzer runs of the drawing-file reader and of the script reader (with clang), each for
# FUZZ_SECONDS (0: no limit) or FUZZ_RUNS executions (-1: no limit), whichever ends first; a
# crash is kept as a regression seed. Ten million runs each, unattended:
#   make fuzz FUZZ_SECONDS=0 FUZZ_RUNS=10000000
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
FUZZ_RUNS ?= -1
fuzz:
	$(MAKE) deps EXTRA_PACKAGES="$(FUZZ_PACKAGES)"
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DVELMORA_FUZZ=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target dxf_reader_fuzzer script_fuzzer
	tools/fuzz_run.sh $(FUZZ_BUILD)/bin/dxf_reader_fuzzer dxf $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS) $(FUZZ_RUNS)
	tools/fuzz_run.sh $(FUZZ_BUILD)/bin/script_fuzzer script $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS) $(FUZZ_RUNS)

# A bounded libFuzzer run of the resource library reader, seeded with the built libraries.
fuzz-pe:
	$(MAKE) deps EXTRA_PACKAGES="$(FUZZ_PACKAGES)"
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DVELMORA_FUZZ=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target pe_image_fuzzer VelmoraCsy LoaderStrings
	rm -rf $(FUZZ_BUILD)/fuzz-pe && mkdir -p $(FUZZ_BUILD)/fuzz-pe/corpus
	cp $(FUZZ_BUILD)/bin/VelmoraCsy.dll $(FUZZ_BUILD)/bin/fixtures/loader/LoaderStrings.dll \
	   $(FUZZ_BUILD)/fuzz-pe/corpus/
	$(FUZZ_BUILD)/bin/pe_image_fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -timeout=10 \
	    -artifact_prefix=$(FUZZ_BUILD)/fuzz-pe/ $(FUZZ_BUILD)/fuzz-pe/corpus

# The module's own code compiled for Windows with MinGW-w64, and the resource library.
WINDOWS_BUILD ?= build-windows
windows:
	$(MAKE) deps EXTRA_PACKAGES="$(WINDOWS_PACKAGES)"
	cmake -S windows -B $(WINDOWS_BUILD) \
	      -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/windows/mingw-w64-x86_64.cmake
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# Load and save of drawings of 25k to 200k entities and of the corpus against ezdxf and
# dxflib's parse, and one pick among 1M entities (libdxflib-dev, and GNU time for the peak
# memory, are installed for the bench alone). BASELINE=path/to/cadhost compares with another
# build too.
BENCH_BUILD ?= build-bench
BENCH_PACKAGES := libdxflib-dev time
BASELINE ?=
bench:
	$(MAKE) deps EXTRA_PACKAGES="$(BENCH_PACKAGES)"
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target cadhost_exe VelmoraArc VelmoraCsy dxf_pick_bench \
	    dxflib_parse_bench
	/usr/bin/python3 tools/bench_dxf.py --cadhost $(BENCH_BUILD)/bin/cadhost \
	    --pick $(BENCH_BUILD)/bin/dxf_pick_bench --work $(BENCH_BUILD)/bench \
	    --dxflib $(BENCH_BUILD)/bin/dxflib_parse_bench --corpus $(CURDIR)/../shared/corpus/files \
	    $(if $(BASELINE),--baseline $(BASELINE))

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
	rm -rf $(BUILD) $(DEMO_BUILD) $(WINDOWS_BUILD) $(VERIFY_BUILD) out
