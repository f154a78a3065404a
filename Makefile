# make run: install what is missing, build, run the example program.
# make test: install what is missing, build, run every test, benchmark and fuzz target once.
.PHONY: deps build run test clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build --target ounces

run: build
	@build/examples/ounces

test: deps
	@scripts/test.sh

clean:
	rm -rf build build-asan build-tsan
