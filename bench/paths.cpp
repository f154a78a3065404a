// Path text against the C library: wildcard matching (PatternMatch vs fnmatch) and Qel's
// NormalizePath on the inputs that bench_paths_peer hands to std::filesystem's lexically_normal.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <fnmatch.h>
#include <stdlib.h>

using namespace Qel;

namespace {

struct Case {
	const char* pattern;
	const char* name;
};

const Case sCases[] = {
	{"*.txt", "document-with-a-long-name.txt"},
	{"*.txt", "document-with-a-long-name.TXT"},
	{"*.cpp", "src/core/module/file.h"},
	{"a*b*c*d", "aXXXXbYYYYcZZZZd"},
	{"report-\?\?\?\?-\?\?-\?\?.log", "report-2026-12-06.log"},
	{"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
	{"lib*.so.*", "libfoo.so.1.2.3"},
	{"*", "anything-at-all"},
};

void PatternMatchQel(benchmark::State& state)
{
	for(const Case& c : sCases)
		if(PatternMatch(c.pattern, c.name) != (fnmatch(c.pattern, c.name, FNM_CASEFOLD) == 0)) {
			state.SkipWithError("PatternMatch and fnmatch disagree");
			return;
		}
	for(auto _ : state)
		for(const Case& c : sCases)
			benchmark::DoNotOptimize(PatternMatch(c.pattern, c.name));
	state.SetItemsProcessed(state.iterations() * std::size(sCases));
}

void PatternMatchFnmatch(benchmark::State& state)
{
	for(auto _ : state)
		for(const Case& c : sCases)
			benchmark::DoNotOptimize(fnmatch(c.pattern, c.name, FNM_CASEFOLD));
	state.SetItemsProcessed(state.iterations() * std::size(sCases));
}

} // namespace

// The same inputs and results as in paths_peer.cpp.
namespace PathsBench {

const char* const CurDir = "/home/user/projects/qel";

const char* const Inputs[] = {
	"src/core/../draw/./image.cpp",
	"/usr/local/lib/../share/doc/qel",
	"../../tmp/build/out.o",
	"a/b/c/d/e/f/g/../../../h",
	"/var//log///syslog",
	"./README.md",
	"docs/./guide/../api/index.html",
	"/etc/ssl/certs/ca-certificates.crt",
};
const char* const Normal[] = {
	"/home/user/projects/qel/src/draw/image.cpp",
	"/usr/local/share/doc/qel",
	"/home/user/tmp/build/out.o",
	"/home/user/projects/qel/a/b/c/d/h",
	"/var/log/syslog",
	"/home/user/projects/qel/README.md",
	"/home/user/projects/qel/docs/api/index.html",
	"/etc/ssl/certs/ca-certificates.crt",
};
const int Count = 8;

} // namespace PathsBench

namespace {

void NormalizePathQel(benchmark::State& state)
{
	for(int i = 0; i < PathsBench::Count; i++)
		if(NormalizePath(PathsBench::Inputs[i], PathsBench::CurDir) != PathsBench::Normal[i]) {
			state.SkipWithError("NormalizePath gives an unexpected result");
			return;
		}
	for(auto _ : state)
		for(int i = 0; i < PathsBench::Count; i++)
			benchmark::DoNotOptimize(NormalizePath(PathsBench::Inputs[i], PathsBench::CurDir));
	state.SetItemsProcessed(state.iterations() * PathsBench::Count);
}

} // namespace

BENCHMARK(PatternMatchQel)->Name("PatternMatch/Qel");
BENCHMARK(PatternMatchFnmatch)->Name("PatternMatch/fnmatch");
BENCHMARK(NormalizePathQel)->Name("NormalizePath/Qel");
