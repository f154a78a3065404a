# make run: install what the library and its examples need, build the example programs in
# build-run/ and run them (the window only on a desktop).
# make test: install what the tests, benchmarks and fuzz targets need too, then build and run
# every one of them once (scripts/test.sh, in build/, build-asan/ and build-tsan/).
.PHONY: deps deps-run build run test clean

deps:
	@scripts/install-deps.sh

deps-run:
	@scripts/install-deps.sh --run

# Without the tests and benchmarks, whose libraries --run leaves out; in a folder of its own, as
# scripts/test.sh keeps the options build/ was configured with.
build: deps-run
	@cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-run --target examples

run: build
	@build-run/examples/ounces 2.5
	@build-run/examples/qtf2pdf examples/letter.qtf build-run/letter.pdf && echo "build-run/letter.pdf: examples/letter.qtf on PDF pages"
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then build-run/examples/hello; \
	else echo "no desktop: build-run/examples/hello and build-run/examples/window need one"; fi

test: deps
	@scripts/test.sh

clean:
	rm -rf build build-run build-asan build-tsan
