// The std::filesystem side of bench_paths: lexically_normal on the paths that Qel's NormalizePath
// takes in bench_paths, made absolute against the same folder. It allocates through operator new,
// so it runs in a program of its own.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

const char* const sCurDir = "/home/user/projects/qel";
const char* const sInputs[] = {
	"src/core/../draw/./image.cpp",
	"/usr/local/lib/../share/doc/qel",
	"../../tmp/build/out.o",
	"a/b/c/d/e/f/g/../../../h",
	"/var//log///syslog",
	"./README.md",
	"docs/./guide/../api/index.html",
	"/etc/ssl/certs/ca-certificates.crt",
};
const char* const sNormal[] = {
	"/home/user/projects/qel/src/draw/image.cpp",
	"/usr/local/share/doc/qel",
	"/home/user/tmp/build/out.o",
	"/home/user/projects/qel/a/b/c/d/h",
	"/var/log/syslog",
	"/home/user/projects/qel/README.md",
	"/home/user/projects/qel/docs/api/index.html",
	"/etc/ssl/certs/ca-certificates.crt",
};

void NormalizePathLexicallyNormal(benchmark::State& state)
{
	const std::filesystem::path cur(sCurDir);
	for(size_t i = 0; i < std::size(sInputs); i++)
		if((cur / sInputs[i]).lexically_normal().string() != sNormal[i]) {
			state.SkipWithError("lexically_normal gives an unexpected result");
			return;
		}
	for(auto _ : state)
		for(const char* in : sInputs)
			benchmark::DoNotOptimize((cur / in).lexically_normal().string());
	state.SetItemsProcessed(state.iterations() * std::size(sInputs));
}

} // namespace

BENCHMARK(NormalizePathLexicallyNormal)->Name("NormalizePath/lexically_normal");
