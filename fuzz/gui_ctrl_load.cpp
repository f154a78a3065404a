// Loading fuzzed stored forms into a three-level control tree: the binary form through
// Serialize (which visits every child), a Value tree through Jsonize and an XML document through
// Xmlize. Bad input ends in an Exc (LoadingError, JsonizeError, XmlError); storing afterwards
// and loading that again works.
#include <gui/Gui.h>

#include <memory>
#include <string>

using namespace Qel;

namespace {

class DataCtrl : public Ctrl {
public:
	Value data;
	void  SetData(const Value& v) override { data = v; }
	Value GetData() const override         { return data; }
};

struct Tree {
	DataCtrl root;
	DataCtrl mid[3];
	DataCtrl leaf[6];

	Tree()
	{
		for(int i = 0; i < 3; i++) {
			root.AddChild(&mid[i]);
			for(int j = 0; j < 2; j++)
				mid[i].AddChild(&leaf[2 * i + j]);
		}
	}
};

// A Value tree from bytes: a small prefix code of kinds, bounded in depth.
struct Decoder {
	const uint8_t* p;
	const uint8_t* e;
	int Byte() { return p < e ? *p++ : 0; }
	Value Read(int depth)
	{
		int k = Byte();
		switch(depth > 5 ? k % 7 : k % 9) {
		case 0: return Value();
		case 1: return Value(int(Byte() | Byte() << 8 | Byte() << 16 | Byte() << 24));
		case 2: { double d; uint64 q = 0; for(int i = 0; i < 8; i++) q = q << 8 | Byte(); memcpy(&d, &q, 8); return Value(d); }
		case 3: return Value(bool(Byte() & 1));
		case 4: case 5: { int n = Byte() % 24; String s; for(int i = 0; i < n; i++) s.Cat(Byte()); return k & 1 ? Value(s) : Value(ToUtf32(s)); }
		case 6: return ErrorValue("e");
		case 7: { ValueArray a; int n = Byte() % 5; for(int i = 0; i < n; i++) a.Add(Read(depth + 1)); return Value(a); }
		default: { ValueMap m; int n = Byte() % 5; for(int i = 0; i < n; i++) m.Add(Value(Byte() % 7), Read(depth + 1)); return Value(m); }
		}
	}
};

void StoreAndReload(Tree& t)
{
	StringStream out;
	t.root.Serialize(out);
	Tree again;
	StringStream in(out.GetResult());
	in.SetLoading();
	again.root.Serialize(in); // what was stored must load
}

} // namespace

// The font set-up before main reads the system's fontconfig configuration, which loses a block
// on some systems; that is not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size == 0)
		return 0;
	Tree t;
	String body((const char*)data + 1, int(size - 1));
	switch(data[0] % 3) {
	case 0: {
		StringStream in(body);
		in.SetLoading();
		try {
			t.root.Serialize(in);
		}
		catch(const Exc&) {
			return 0;
		}
		StoreAndReload(t);
		break;
	}
	case 1: {
		Decoder d{data + 1, data + size};
		Value v = d.Read(0);
		try {
			JsonIO io(v);
			t.root.Jsonize(io);
		}
		catch(const Exc&) {
			return 0;
		}
		JsonIO st;
		t.root.Jsonize(st);
		st.GetResult();
		break;
	}
	default: {
		XmlParser p(~body);
		p.SetLenient();
		XmlNode n;
		try {
			n = ParseXmlTree(p);
			for(int i = 0; i < n.GetCount(); i++) {
				XmlIO xml(n.At(i), true);
				t.root.Xmlize(xml);
			}
		}
		catch(const Exc&) {
			return 0;
		}
		XmlNode back;
		XmlIO st(back, false);
		t.root.Xmlize(st);
		break;
	}
	}
	return 0;
}
