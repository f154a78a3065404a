# make run: install what is missing, build the example programs and run them (the window only on
# a desktop).
# make test: install what is missing, build, run every test, benchmark and fuzz target once.
.PHONY: deps build run test clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build --target examples

run: build
	@build/examples/ounces 2.5
	@build/examples/qtf2pdf examples/letter.qtf build/letter.pdf && echo "build/letter.pdf: examples/letter.qtf on PDF pages"
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then build/examples/hello; \
	else echo "no desktop: build/examples/hello and build/examples/window need one"; fi

test: deps
	@scripts/test.sh

clean:
	rm -rf build build-asan build-tsan
