// Streams: binary serialisation into memory, sequential file transfer (beside stdio), and
// compression through the filter stream. The C++ peers are in streams_peer.cpp.
#include "StreamData.h"

using namespace Qel;
using namespace bench;

namespace {

const std::vector<String>& QelTexts()
{
	static std::vector<String> texts = [] {
		std::vector<String> v;
		v.reserve(STRINGS);
		for(const std::string& s : Texts())
			v.push_back(String(s.data(), (int)s.size()));
		return v;
	}();
	return texts;
}

void IntsQel(benchmark::State& state)
{
	for(auto _ : state) {
		StringStream ss;
		for(int i = 0; i < INTS; i++)
			ss % i;
		String r = ss.GetResult();
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetBytesProcessed(state.iterations() * INTS * 4);
}

void IntsQelLoad(benchmark::State& state)
{
	StringStream out;
	for(int i = 0; i < INTS; i++)
		out % i;
	String data = out.GetResult();
	for(auto _ : state) {
		StringStream in(data);
		int64 sum = 0;
		for(int i = 0; i < INTS; i++) {
			int x;
			in % x;
			sum += x;
		}
		benchmark::DoNotOptimize(sum);
	}
	state.SetBytesProcessed(state.iterations() * INTS * 4);
}

// The std peers write the same wire form: one length byte (all texts are short) and the bytes.
void StringsQel(benchmark::State& state)
{
	const auto& texts = QelTexts();
	for(auto _ : state) {
		StringStream ss;
		for(const String& s : texts)
			ss % const_cast<String&>(s);
		String r = ss.GetResult();
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetItemsProcessed(state.iterations() * STRINGS);
}

void StringsQelLoad(benchmark::State& state)
{
	StringStream out;
	for(const String& s : QelTexts())
		out % const_cast<String&>(s);
	String data = out.GetResult();
	for(auto _ : state) {
		StringStream in(data);
		int64 total = 0;
		for(int i = 0; i < STRINGS; i++) {
			String s;
			in % s;
			total += s.GetLength();
		}
		benchmark::DoNotOptimize(total);
	}
	state.SetItemsProcessed(state.iterations() * STRINGS);
}

void WriteQel(const char* path)
{
	FileOut out(path);
	for(int64 n = 0; n < FILE_BYTES; n += FILE_CHUNK)
		out.Put(Chunk(), FILE_CHUNK);
}

void FileReadQel(benchmark::State& state)
{
	FileRead(state, [](const char* path, char* buf) {
		FileIn in(path);
		int64 total = 0;
		while(int n = in.Get(buf, FILE_CHUNK))
			total += n;
		return total;
	});
}

void FileReadStdio(benchmark::State& state)
{
	FileRead(state, [](const char* path, char* buf) {
		FILE* f = fopen(path, "rb");
		int64 total = 0;
		while(size_t n = fread(buf, 1, FILE_CHUNK, f))
			total += n;
		fclose(f);
		return total;
	});
}

void CompressQel(benchmark::State& state)
{
	const String& in = ZlibInput();
	for(auto _ : state) {
		String r = ZCompress(in);
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetBytesProcessed(state.iterations() * in.GetLength());
}

void DecompressQel(benchmark::State& state)
{
	String packed = ZCompress(ZlibInput());
	for(auto _ : state) {
		String r = ZDecompress(packed);
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetBytesProcessed(state.iterations() * ZlibInput().GetLength());
}

} // namespace

BENCHMARK(IntsQel)->Name("IntsWrite/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(IntsQelLoad)->Name("IntsLoad/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(StringsQel)->Name("StringsWrite/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(StringsQelLoad)->Name("StringsLoad/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(FileWrite<WriteQel>)->Name("FileWrite/Qel")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileWrite<WriteStdio>)->Name("FileWrite/stdio")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileReadQel)->Name("FileRead/Qel")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileReadStdio)->Name("FileRead/stdio")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CompressQel)->Name("Compress/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(DecompressQel)->Name("Decompress/Qel")->Unit(benchmark::kMillisecond);
