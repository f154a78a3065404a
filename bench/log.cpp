// Log line throughput: 1M lines of 80 bytes through Qel's process log (line buffer, lock, one
// write per line) against fprintf with fflush after every line, from 1 and 4 threads. spdlog
// runs in bench_log_peer, as it allocates through operator new.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

using namespace Qel;

namespace {

constexpr int LINES = 1'000'000;

// 79 characters and a line feed.
const char sLine[] = "0123456789 the quick brown fox jumps over the lazy dog 0123456789 abcdefghijklm\n";
static_assert(sizeof(sLine) == 81);

String sFolder()
{
	static String folder = [] {
		char t[] = "/tmp/qel-bench-log-XXXXXX";
		return String(mkdtemp(t));
	}();
	return folder;
}

void LogQel(benchmark::State& state)
{
	LogFile& f = StdLogFile();
	if(state.thread_index() == 0) {
		f.SetPath(AppendFileName(sFolder(), "qel.log"));
		f.sizelimit = 0; // one file, as the peers write
		f.Create(false);
	}
	for(auto _ : state)
		StdLog().Put(sLine, 80); // inside the loop: the other threads wait for the set-up above
	state.SetItemsProcessed(state.iterations());
	state.SetBytesProcessed(state.iterations() * 80);
	if(state.thread_index() == 0) {
		int64 size = f.GetSize();
		f.Close();
		String text = LoadFile(f.GetPath());
		if(text.GetLength() != size || !text.EndsWith(sLine))
			state.SkipWithError("the log file does not hold the lines");
		FileDelete(f.GetPath());
	}
}

FILE* sFile;

void LogFprintfFlush(benchmark::State& state)
{
	String path = AppendFileName(sFolder(), "stdio.log");
	if(state.thread_index() == 0)
		sFile = fopen(~path, "w");
	for(auto _ : state) {
		fprintf(sFile, "%s", sLine);
		fflush(sFile);
	}
	state.SetItemsProcessed(state.iterations());
	state.SetBytesProcessed(state.iterations() * 80);
	if(state.thread_index() == 0) {
		fclose(sFile);
		FileDelete(path);
	}
}

} // namespace

BENCHMARK(LogQel)->Name("LogLine/Qel")->Iterations(LINES)->Threads(1)->UseRealTime();
BENCHMARK(LogQel)->Name("LogLine/Qel")->Iterations(LINES / 4)->Threads(4)->UseRealTime();
BENCHMARK(LogFprintfFlush)->Name("LogLine/fprintf_fflush")->Iterations(LINES)->Threads(1)->UseRealTime();
BENCHMARK(LogFprintfFlush)->Name("LogLine/fprintf_fflush")->Iterations(LINES / 4)->Threads(4)->UseRealTime();
