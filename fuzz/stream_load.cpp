// Every wire form and the envelope loaded from fuzzed bytes, in throwing and quiet mode. A load
// may fail, but never crash, hang or allocate what the data does not hold; what loads must
// store back to bytes that load to the same value.
#include <Core/Core.h>

#include <stdlib.h>

using namespace Qel;

namespace {

struct Record {
	int           number = 0;
	String        text;
	Vector<int>   list;
	Rect          rect;
	Sizef         size;
	int64         big = 0;
	double        real = 0;
	bool          flag = false;

	void Serialize(Stream& s)
	{
		s % number % text % rect % size % big % real % flag;
		Qel::Serialize(s, list);
	}
};

void Check(bool b)
{
	if(!b)
		abort();
}

void LoadAll(Stream& s)
{
	for(int guard = 0; guard < 64 && !s.IsEof() && s.IsOK(); guard++) {
		int op = s.Get();
		switch(op % 12) {
		case 0: { int x; s % x; break; }
		case 1: { word x; s % x; break; }
		case 2: { String x; s % x; if(s.IsOK()) { String back = x; StringStream t; t % back; StringStream r(t.GetResult()); String y; r % y; Check(y == x); } break; }
		case 3: { Rect r; s % r; break; }
		case 4: { Pointf p; s % p; break; }
		case 5: { int i; s.PackNullable(i); break; }
		case 6: { dword w; s.PackValue(w); break; }
		case 7: { Vector<int> v; Qel::Serialize(s, v); break; }
		case 8: { String l = s.ReadLine(); (void)l; break; }
		case 9: { String x = s.ReadStringExact(s.Get() * 3 - 3); (void)x; break; }
		case 10: { dword w[4]; s.SerializeWords(w, s.Get() & 3); break; }
		case 11: {
			// Load turns throwing on for good; a quiet stream stays quiet for the rest.
			bool throwing = s.IsThrowing();
			Record r;
			Load(r, s, s.Get());
			if(!throwing)
				s.LoadNoThrowing();
			break;
		}
		}
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	String bytes((const char*)data, (int)size);
	{
		StringStream quiet(bytes);
		LoadAll(quiet);
	}
	{
		MemReadStream throwing(data, size);
		throwing.LoadThrowing();
		try {
			LoadAll(throwing);
		}
		catch(LoadingError&) {
		}
	}
	{
		Record r;
		r.text = "before";
		if(!LoadFromString(r, bytes))
			Check(r.text == "before" && r.number == 0 && r.list.GetCount() == 0);
		else {
			Record again;
			Check(LoadFromString(again, StoreAsString(r)) && again.text == r.text);
		}
	}
	return 0;
}
