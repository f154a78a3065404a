// Random operation sequences on a StringStream and on a memory-backed BlockStream with a tiny
// page, each checked against a plain std::string model after every step.
#include <Core/Core.h>

#include <stdlib.h>
#include <string>

using namespace Qel;

namespace {

struct MemBlock : BlockStream {
	std::string medium;

	dword Read(int64 at, void* ptr, dword size) override
	{
		dword n = (dword)max<int64>(0, min<int64>(size, (int64)medium.size() - at));
		memcpy(ptr, medium.data() + at, n);
		return n;
	}
	void Write(int64 at, const void* data, dword size) override
	{
		if((int64)medium.size() < at + size)
			medium.resize(at + size);
		memcpy(medium.data() + at, data, size);
	}
	void SetStreamSize(int64 size) override { medium.resize(size); }
	bool IsOpen() const override            { return true; }

	MemBlock(int page)
	{
		SetPageSize(page);
		OpenInit(STRM_READ | STRM_WRITE | STRM_SEEK, 0);
	}
};

void Check(bool b)
{
	if(!b)
		abort();
}

struct Input {
	const uint8_t* p;
	const uint8_t* e;
	int Byte()  { return p < e ? *p++ : 0; }
	int Word()  { return Byte() | (Byte() << 8); }
	bool More() { return p < e; }
};

void Run(Stream& s, Input in, std::string* medium, int limit)
{
	std::string model;
	int64 pos = 0;
	while(in.More()) {
		int op = in.Byte() % 9;
		if(op == 0) { // seek, up to a little past the end
			pos = in.Word() % (model.size() + 64);
			s.Seek(pos);
			if((int64)model.size() < pos)
				model.resize(pos);
		}
		else if(op == 1) {
			int c = in.Byte();
			s.Put(c);
			if((int64)model.size() <= pos)
				model.resize(pos + 1);
			model[pos++] = (char)c;
		}
		else if(op == 2 || op == 3) { // block write
			int n = op == 2 ? in.Byte() : in.Word() % 5000;
			std::string d;
			for(int i = 0; i < n; i++)
				d += char(in.Byte() ^ i);
			s.Put(d.data(), n);
			if(model.size() < pos + d.size())
				model.resize(pos + d.size());
			model.replace(pos, d.size(), d);
			pos += n;
		}
		else if(op == 4) {
			int c = s.Get();
			int expect = pos < (int64)model.size() ? (byte)model[pos++] : -1;
			Check(c == expect);
		}
		else if(op == 5 || op == 6) { // block read
			int n = op == 5 ? in.Byte() : in.Word() % 5000;
			std::string got(n, '\0');
			int r = s.Get(got.data(), n);
			int expect = (int)min<int64>(n, (int64)model.size() - pos);
			Check(r == expect && got.compare(0, r, model, pos, r) == 0);
			pos += r;
		}
		else if(op == 7) {
			int64 n = in.Word() % (model.size() + 64);
			s.SetSize(n);
			model.resize(n);
			pos = min(pos, n);
		}
		else
			s.Flush();
		Check(s.GetPos() == pos);
		Check(s.GetSize() == (int64)model.size());
		Check(s.IsOK());
		if((int64)model.size() > limit)
			break;
	}
	s.Flush();
	if(medium)
		Check(*medium == model);
	else {
		String r = static_cast<StringStream&>(s).GetResult();
		Check(std::string(r.Begin(), r.GetLength()) == model);
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1)
		return 0;
	Input in{ data + 1, data + size };
	StringStream ss;
	Run(ss, in, nullptr, 1 << 20);
	MemBlock mb(1 << (1 + data[0] % 6));
	Run(mb, in, &mb.medium, 1 << 20);
	return 0;
}
