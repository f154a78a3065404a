// spdlog's side of bench_log: 1M lines of 80 bytes to a file sink from 1 and 4 threads, the
// message alone as the pattern, flushed after every line (as Qel's log writes each line at
// once) and, for comparison, left to its buffer. A C++ peer on operator new: a program of its own.
#include <benchmark/benchmark.h>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace {

constexpr int LINES = 1'000'000;

// 79 characters; the sink adds the line feed.
const char sLine[] = "0123456789 the quick brown fox jumps over the lazy dog 0123456789 abcdefghijklm";
static_assert(sizeof(sLine) == 80);

std::string sFolder()
{
	static std::string folder = [] {
		char t[] = "/tmp/qel-bench-log-XXXXXX";
		return std::string(mkdtemp(t));
	}();
	return folder;
}

std::shared_ptr<spdlog::logger> sLogger;

void Run(benchmark::State& state, bool flush)
{
	std::string path = sFolder() + "/spdlog.log";
	if(state.thread_index() == 0) {
		sLogger = spdlog::basic_logger_mt("bench", path, true);
		sLogger->set_pattern("%v");
		if(flush)
			sLogger->flush_on(spdlog::level::trace);
	}
	for(auto _ : state)
		sLogger->info(sLine);
	state.SetItemsProcessed(state.iterations());
	state.SetBytesProcessed(state.iterations() * 80);
	if(state.thread_index() == 0) {
		sLogger->flush();
		spdlog::drop("bench");
		sLogger.reset();
		unlink(path.c_str());
	}
}

void LogSpdlogFlushed(benchmark::State& state) { Run(state, true); }
void LogSpdlogBuffered(benchmark::State& state) { Run(state, false); }

} // namespace

BENCHMARK(LogSpdlogFlushed)->Name("LogLine/spdlog_flushed")->Iterations(LINES)->Threads(1)->UseRealTime();
BENCHMARK(LogSpdlogFlushed)->Name("LogLine/spdlog_flushed")->Iterations(LINES / 4)->Threads(4)->UseRealTime();
BENCHMARK(LogSpdlogBuffered)->Name("LogLine/spdlog_buffered")->Iterations(LINES)->Threads(1)->UseRealTime();
BENCHMARK(LogSpdlogBuffered)->Name("LogLine/spdlog_buffered")->Iterations(LINES / 4)->Threads(4)->UseRealTime();
