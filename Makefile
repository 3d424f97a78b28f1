# Entry points: `make` builds, `make test` builds and runs every test, `make demo` runs the
# demo session on the bundled drawing.
BUILD ?= build
JOBS ?= $(shell nproc)
DEBIAN_PACKAGES := cmake g++ make libgtest-dev libgmock-dev nlohmann-json3-dev python3-ezdxf \
                   python3-matplotlib

.PHONY: all build test demo deps clean

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
	$(BUILD)/bin/cadhost --report out/demo.json examples/demo.script

clean:
	rm -rf $(BUILD) out
