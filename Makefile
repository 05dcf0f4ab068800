# The two commands of the README, and the set-up they need on a fresh machine.
#   make demo   build the host, the bundle and its looks, then run the main job
#   make test   build, then run every test
#   make gallery  the README's pictures in docs/images/
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWERROR=ON

# Debian packages the build, the tests, the fuzzers and the host need.
PACKAGES := cmake make g++ clang libclang-rt-14-dev clang-format-14 googletest libgtest-dev \
            libgmock-dev libbenchmark-dev libpng-dev pkg-config libtinyobjloader-dev libembree-dev \
            libopenexr-dev graphviz

.PHONY: all deps install-packages configure build host test demo gallery windows windows-deps format \
        format-check clean

all: build

# Installs only what is missing; a machine that has everything is left alone.
deps:
	@$(MAKE) --no-print-directory install-packages WANT="$(PACKAGES)"

install-packages:
	@missing=""; for p in $(WANT); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The host program, the module and the shipped looks (the README's commands load them): the
# first picture comes before the tests are built.
host: configure
	@cmake --build $(BUILD) -j $(JOBS) --target lwhost lumavex looks

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: host
	@mkdir -p out
	$(BUILD)/bin/lwhost render examples/demo.lws -o out/demo.png --samples 4
	$(BUILD)/bin/lwhost run examples/demo.lws examples/override_off.lwscript -o out/demo_off.lws
	$(BUILD)/bin/lwhost render out/demo_off.lws -o out/demo_off.png --samples 4
	$(BUILD)/bin/lwhost render examples/light_groups.lws -o out/light_groups.png --samples 4
	$(BUILD)/bin/lwhost run examples/demo.lws examples/demo_graph.lwscript -o out/demo_graph.lws
	$(BUILD)/bin/lwhost render out/demo_graph.lws -o out/demo_graph.png --samples 4
	$(BUILD)/bin/lwhost run examples/demo.lws examples/selection.lwscript -o out/selection.lws
	$(BUILD)/bin/lwhost render out/selection.lws -o out/selection.png --samples 4
	$(BUILD)/bin/lwhost run examples/comment_values.lws examples/comment_values.lwscript \
	  -o out/comment_values.lws
	$(BUILD)/bin/lwhost render out/comment_values.lws -o out/comment_values.png --samples 4

# The shipped looks as passes of the demo scene (Matte with its selection edited by script, the
# comment colours on the comment-value scene) and the examples' own pictures, in docs/images/,
# and the demo's node graphs drawn by Graphviz's dot.
# Small and deterministic: the images are committed. A settings directory of its own keeps the
# user's presets out of it.
GALLERY := docs/images
GALLERY_SIZE := --width 320 --height 240 --samples 4 --quiet
LWHOST := $(BUILD)/bin/lwhost --dir Settings=out/gallery/settings
gallery: configure
	@cmake --build $(BUILD) -j $(JOBS) --target lwhost lumavex looks
	@rm -rf out/gallery && mkdir -p out/gallery $(GALLERY)
	$(LWHOST) render examples/demo.lws -o out/gallery/ $(GALLERY_SIZE) --pass "clay=[Vendor]Clay" \
	  --pass "chrome=[Vendor]Chrome" --pass "key=[Vendor]Key Light Only"
	$(LWHOST) run examples/demo.lws examples/matte.lwscript -o out/gallery/matte.lws
	$(LWHOST) render out/gallery/matte.lws -o out/gallery/demo_matte.png $(GALLERY_SIZE)
	$(LWHOST) render examples/comment_values.lws -o out/gallery/ $(GALLERY_SIZE) \
	  --pass "tints=[Vendor]Comment Colours"
	$(LWHOST) render examples/light_groups.lws -o out/gallery/ $(GALLERY_SIZE)
	$(LWHOST) run examples/demo.lws examples/selection.lwscript -o out/gallery/selection.lws
	$(LWHOST) render out/gallery/selection.lws -o out/gallery/selection.png $(GALLERY_SIZE)
	$(LWHOST) run examples/comment_values.lws examples/comment_values.lwscript \
	  -o out/gallery/comment_values.lws
	$(LWHOST) render out/gallery/comment_values.lws -o out/gallery/comment_values.png $(GALLERY_SIZE)
	cp out/gallery/demo_scene.png out/gallery/demo_clay.png out/gallery/demo_chrome.png \
	  out/gallery/demo_key.png out/gallery/demo_matte.png out/gallery/comment_values_tints.png \
	  out/gallery/light_groups.png out/gallery/selection.png out/gallery/comment_values.png \
	  $(GALLERY)/
	$(LWHOST) --quiet info examples/demo.lws --graph-dot out/gallery/demo_graph.dot >/dev/null
	dot -Tsvg out/gallery/demo_graph.dot -o $(GALLERY)/demo_graph.svg

# The bundle and lwhost for Windows x64, cross-compiled (posix thread model: the win32 one has
# no std::mutex) and linked statically, so that they need no MinGW runtime DLLs; Wine runs them.
# lwhost.exe has no renderer (no Embree, libpng or OpenEXR for Windows here): PNG and OBJ go
# through the stb and tinyobjloader headers. No tests and no looks.
WIN_BUILD ?= build-win
WIN_PACKAGES := g++-mingw-w64-x86-64-posix wine wine64 libstb-dev libtinyobjloader-dev
windows-deps:
	@$(MAKE) --no-print-directory install-packages WANT="$(WIN_PACKAGES) $(PACKAGES)"

windows: windows-deps
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)

# The tree follows .clang-format; format-check fails naming the files that do not.
FORMAT_FILES = $(shell git ls-files '*.c' '*.h' '*.cpp')
CLANG_FORMAT ?= clang-format-14
format:
	@$(CLANG_FORMAT) -i $(FORMAT_FILES)
format-check:
	@$(CLANG_FORMAT) --dry-run -Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) build-* out
