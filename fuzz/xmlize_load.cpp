// Loading structures from fuzzed trees: Xmlize from a parsed document, Jsonize from a Value tree
// decoded from the bytes. Loading never fails with anything but JsonizeError.
#include <Core/Core.h>

#include <string>

using namespace Qel;

namespace {

struct Inner {
	String         name;
	int            n = 0;
	Vector<double> v;
	void Xmlize(XmlIO& xml) { xml.Attr("name", name).Attr("n", n)("v", v); }
	void Jsonize(JsonIO& io) { io("name", name)("n", n)("v", v); }
};

struct Outer {
	String  s;
	WString w;
	int     i = 0;
	int16   h = 0;
	int64   l = 0;
	float   f = 0;
	double  d = 0;
	bool    b = false;
	Date    date;
	Time    time;
	Array<Inner> items;
	VectorMap<String, int> map;
	VectorMap<int, String> imap;
	Index<String> keys;
	Inner   inner;

	void Xmlize(XmlIO& xml)
	{
		xml.Attr("s", s).Attr("w", w).Attr("i", i).Attr("h", h).Attr("l", l).Attr("f", f)
		   .Attr("d", d).Attr("b", b).Attr("date", date).Attr("time", time)
		   ("items", items)("map", map)("imap", imap)("keys", keys)("inner", inner)("s", s)
		   ("w", w)("date", date)("time", time);
	}
	void Jsonize(JsonIO& io)
	{
		io("s", s)("w", w)("i", i)("h", h)("l", l)("d", d)("b", b)("date", date)("time", time)
		  ("items", items)("map", map)("imap", imap)("keys", keys)("inner", inner);
	}
};

// A Value tree from bytes: a small prefix code of kinds, bounded in depth.
struct Decoder {
	const uint8_t* p;
	const uint8_t* e;
	int Byte() { return p < e ? *p++ : 0; }
	Value Read(int depth)
	{
		static const char* keys[] = { "s", "w", "i", "h", "l", "d", "b", "date", "time", "items",
		                              "map", "imap", "keys", "inner", "name", "n", "v", "key", "value" };
		int k = Byte();
		switch(depth > 6 ? k % 8 : k % 11) {
		case 0: return Value();
		case 1: return Value(int(Byte() | Byte() << 8 | Byte() << 16 | Byte() << 24));
		case 2: { double d; uint64 q = 0; for(int i = 0; i < 8; i++) q = q << 8 | Byte(); memcpy(&d, &q, 8); return Value(d); }
		case 3: return Value(bool(Byte() & 1));
		case 4: { int64 q = 0; for(int i = 0; i < 8; i++) q = q << 8 | Byte(); return Value(q); }
		case 5: case 6: { int n = Byte() % 24; String s; for(int i = 0; i < n; i++) s.Cat(Byte()); return k & 1 ? Value(s) : Value(ToUtf32(s)); }
		case 7: return ErrorValue("e");
		case 8: return Value(float(Byte()) / 3);
		case 9: { ValueArray a; int n = Byte() % 5; for(int i = 0; i < n; i++) a.Add(Read(depth + 1)); return Value(a); }
		default: { ValueMap m; int n = Byte() % 8; for(int i = 0; i < n; i++) { const char* key = keys[Byte() % 19]; m.Add(key, Read(depth + 1)); } return Value(m); }
		}
	}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size == 0)
		return 0;
	if(data[0] & 1) {
		std::string s((const char*)data + 1, size - 1);
		XmlParser p(s.c_str());
		p.SetLenient();
		XmlNode n;
		try {
			n = ParseXmlTree(p);
		}
		catch(const XmlError&) {
			return 0;
		}
		Outer o;
		for(int i = 0; i < n.GetCount(); i++) {
			XmlIO xml(n.At(i), true);
			o.Xmlize(xml);
		}
		XmlNode back;
		XmlIO st(back, false);
		o.Xmlize(st);
		return 0;
	}
	Decoder d{ data + 1, data + size };
	Value v = d.Read(0);
	Outer o;
	try {
		JsonIO io(v);
		o.Jsonize(io);
	}
	catch(const JsonizeError&) {
	}
	JsonIO st;
	o.Jsonize(st);
	st.GetResult();
	return 0;
}
