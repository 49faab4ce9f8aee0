# Thin wrapper over the CMake build; see README.md.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run bench install deb clean

all: build

deps:
	./tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

# Starts the maker beside its sample frames, numeral rings and hands.
run: build
	cd $(BUILD)/bin && ./brasswick

# Installs the programs, the samples, the menu entries and the icons into
# PREFIX (and under DESTDIR, when given).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD)/: apt-get install ./clockkit_<version>_<arch>.deb
deb: build
	cd $(BUILD) && cpack -G DEB

# The three benchmarks, one after another (see README.md, Benchmarks).
bench: build
	./bench/clock_cost.sh $(BUILD) 30
	./bench/maker_latency.sh
	./bench/imaging.sh

clean:
	rm -rf $(BUILD)
