// Starting and finishing a child: LocalProcess against posix_spawnp and waitpid.
#include <Core/Core.h>

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace Qel;

namespace {

void StartFinishQel(benchmark::State& state)
{
	for(auto _ : state) {
		LocalProcess p;
		String out;
		if(!p.Start("true") || p.Finish(out) != 0)
			state.SkipWithError("true failed");
	}
}

void StartFinishSpawn(benchmark::State& state)
{
	char arg0[] = "true";
	char* argv[] = { arg0, nullptr };
	for(auto _ : state) {
		pid_t pid;
		int status = 0;
		if(posix_spawnp(&pid, "true", nullptr, nullptr, argv, environ) != 0 ||
		   waitpid(pid, &status, 0) != pid || status != 0)
			state.SkipWithError("true failed");
	}
}

} // namespace

BENCHMARK(StartFinishQel)->Name("StartFinishTrue/Qel")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(StartFinishSpawn)->Name("StartFinishTrue/posix_spawn")->UseRealTime()->Unit(benchmark::kMicrosecond);
