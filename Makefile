# make run   - build the game and start it in ./play (made with the default data on first use)
# make edit  - the same for the map editor
# make test  - install what is missing, build every configuration and run the whole suite in each
# make build - the Release build only
# make soak  - a million frames of the game loop: memory, strings and threads must not grow
# make install - install both programs, their data, icons, menu entries and manual pages under
#                PREFIX (~/.local)
# make uninstall - remove what make install put under PREFIX
# make package - a Debian package of the same, under /usr (build/package/shooter_*.deb)
# make timedemo - the whole game's speed: --timedemo of the long golden run, headless and in Xvfb
# make golden - write the golden replays' expected lines anew (tests/golden/expected.txt), after a
#              change to the game that is meant to move them; git diff shows what moved

PACKAGES := build-essential cmake ninja-build pkg-config \
	libsdl2-dev libfreetype-dev libfontconfig-dev libturbojpeg0-dev libgif-dev zlib1g-dev libx11-dev libxtst-dev libpugixml-dev \
	fonts-ipafont-gothic libgtest-dev libgmock-dev libbenchmark-dev \
	clang libclang-rt-14-dev xvfb xauth xdotool xclip x11-apps x11-utils \
	desktop-file-utils dpkg-dev file lintian appstream man-db x11-xserver-utils \
	sway wtype grim libegl-mesa0 libgl1-mesa-dri tiled

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
FUZZ_SECONDS ?= 30
PLAY := play
PREFIX ?= $(HOME)/.local
BUILD ?= build/release
# What each install put under its prefix, one list per prefix, for make uninstall.
manifest = $(BUILD)/install-manifests/$(subst /,_,$(abspath $(PREFIX))).txt

.PHONY: deps build run edit play install install-tree uninstall package test test-release test-asan test-tsan test-fuzz bench soak timedemo golden golden-runs format clean

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset release
	cmake --build --preset release

# Lays out the play folder from the built default data; an AREA1.csv already there is kept.
play: build
	@mkdir -p $(PLAY)/bmp $(PLAY)/sound
	@cp -f build/release/assets/data/bmp/* $(PLAY)/bmp/
	@cp -f build/release/assets/data/sound/* $(PLAY)/sound/
	@[ -f $(PLAY)/AREA1.csv ] || cp build/release/assets/data/AREA1.csv $(PLAY)/AREA1.csv

run: play
	cd $(PLAY) && ../build/release/shooter/shooter

edit: play
	cd $(PLAY) && ../build/release/mapedit/mapedit

install: build
	@$(MAKE) --no-print-directory install-tree

# The install of a build that is there (BUILD). What it puts under PREFIX joins the prefix's list,
# and the folders it makes there (seen first in a trial install aside) join the list of folders.
install-tree:
	@rm -rf $(BUILD)/install-trial
	@DESTDIR=$(abspath $(BUILD))/install-trial cmake --install $(BUILD) --prefix "$(abspath $(PREFIX))" >/dev/null
	@mkdir -p $(dir $(manifest)) && touch "$(manifest)" "$(manifest).folders"
	@(cd $(BUILD)/install-trial && find . -type d | sed 's/^\.//' | while read -r d; do \
	  case $$d in "$(abspath $(PREFIX))" | "$(abspath $(PREFIX))"/*) [ -d "$$d" ] || echo "$$d" ;; esac; \
	  done; cat "$(abspath $(manifest)).folders") | sort -u >"$(manifest).new"
	@mv "$(manifest).new" "$(manifest).folders" && rm -rf $(BUILD)/install-trial
	cmake --install $(BUILD) --prefix "$(abspath $(PREFIX))"
	@sort -u "$(manifest)" $(BUILD)/install_manifest.txt >"$(manifest).new" && mv "$(manifest).new" "$(manifest)"

uninstall:
	cmake -D MANIFEST="$(manifest)" -D PREFIX="$(abspath $(PREFIX))" -P cmake/uninstall.cmake

# A build of its own, configured as a distribution builds packages (see cmake/debian-package.sh).
package: deps
	sh cmake/debian-package.sh . build/package

test: deps test-release test-asan test-tsan test-fuzz

test-release:
	cmake --preset release
	cmake --build --preset release
	ctest --preset release

test-asan:
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

test-tsan:
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

# Short libFuzzer runs of every target; the corpora are replayed in every other configuration.
test-fuzz:
	@if command -v clang++ >/dev/null 2>&1; then \
	  cmake --preset fuzz && cmake --build --preset fuzz && \
	  for t in build/fuzz/fuzz/fuzz_*; do \
	    [ -x "$$t" ] || continue; name=$$(basename $$t); \
	    echo "fuzzing $$name for $(FUZZ_SECONDS) s"; \
	    mkdir -p build/fuzz/corpus/$$name; \
	    $$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=0 build/fuzz/corpus/$$name fuzz/corpus/$$name 2>build/fuzz/$$name.log \
	      || { tail -40 build/fuzz/$$name.log; exit 1; }; \
	  done; \
	else echo "clang++ not found: fuzzing skipped"; fi

bench: build
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && $$b --benchmark_filter=-Soak --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

timedemo: build
	bash bench/timedemo.sh build/release

# A million frames of the real game loop (minutes): memory, strings and threads must not grow.
soak: build
	build/release/bench/bench_game --benchmark_filter=Soak

golden: build
	bash tests/golden/rerecord.sh build/release

# The golden runs themselves made anew by the scripted player: only when the default data changed.
golden-runs: build
	bash tests/golden/rerecord.sh build/release --runs

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build
