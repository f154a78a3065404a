// Stored forms of a Font (binary, XML, JSON), its flag words and text, and Font inside a Value.
#include "Font.h"

namespace Qel {


namespace {

const struct { const char* word; int bit; } sFlagWords[] = {
	{ "bold", Font::BOLD }, { "italic", Font::ITALIC }, { "underline", Font::UNDERLINE },
	{ "strikeout", Font::STRIKEOUT }, { "noaa", Font::NOAA }, { "ttonly", Font::TTONLY },
};

// Names of the fixed faces in the text forms; other faces go by their family name.
String sStoredFaceName(const Font& f)
{
	if(f.IsNull())
		return String();
	switch(f.GetFace()) {
	case 0: return "STDFONT";
	case Font::SERIF: return "serif";
	case Font::SANSSERIF: return "sansserif";
	case Font::MONOSPACE: return "monospace";
	}
	return Font::GetFaceName(f.GetFace());
}

} // namespace

void Font::Serialize(Stream& s)
{
	int version = 1;
	s.PackNullable(version);
	if(s.IsLoading()) {
		int f = 0;
		if(version < 1) {
			String name;
			s % name;
			f = FindFaceName(name);
		}
		else {
			s.PackNullable(f);
			if(f >= 4 && f <= 6)
				f -= 3; // the older numbering of the fixed faces
			else if(f == -1) {
				String name;
				s % name;
				f = name.IsEmpty() ? NULL_FACE : FindFaceName(name);
				if(f == NULL_FACE)
					*this = Font();
			}
		}
		if(f >= 0)
			face = word(f);
	}
	else {
		int code = face < 4 ? face : -1;
		s.PackNullable(code);
		if(code < 0) {
			String name = IsNull() ? String() : GetFaceName(face);
			s % name;
		}
	}
	s % flags % height % width;
}

void Font::Xmlize(XmlIO& xio)
{
	String facename, flagtext;
	if(!xio.IsLoading()) {
		facename = sStoredFaceName(*this);
		flagtext = FlagsToText();
	}
	int16 h = height, w = width;
	xio.Attr("face", facename).Attr("height", h).Attr("width", w).Attr("flags", flagtext);
	if(xio.IsLoading()) {
		if(facename.IsEmpty()) {
			*this = Font();
			return;
		}
		face = word(FindFaceName(facename));
		flags = word(FlagsFromText(flagtext));
		height = h;
		width = w;
	}
}

void Font::Jsonize(JsonIO& jio)
{
	String facename, flagtext;
	if(!jio.IsLoading()) {
		facename = sStoredFaceName(*this);
		flagtext = FlagsToText();
	}
	int16 h = height, w = width;
	jio("face", facename)("height", h)("width", w)("flags", flagtext);
	if(jio.IsLoading()) {
		if(facename.IsEmpty()) {
			*this = Font();
			return;
		}
		face = word(FindFaceName(facename));
		flags = word(FlagsFromText(flagtext));
		height = h;
		width = w;
	}
}

String Font::FlagsToText() const
{
	String r;
	for(const auto& f : sFlagWords)
		if(flags & f.bit) {
			if(!r.IsEmpty())
				r << ' ';
			r << f.word;
		}
	return r;
}

int Font::FlagsFromText(const String& text)
{
	int flags = 0;
	CParser p(~text);
	try {
		while(!p.IsEof()) {
			bool known = false;
			for(const auto& f : sFlagWords)
				if(p.Id(f.word)) {
					flags |= f.bit;
					known = true;
					break;
				}
			if(!known)
				p.SkipTerm();
		}
	}
	catch(CParser::Error&) {
		// an unreadable rest (an open quote, say) ends the words
	}
	return flags;
}

String Font::ToString() const
{
	if(IsNull())
		return "<null>";
	String r;
	r << '<' << (face == 0 ? String("STDFONT") : GetFaceName(face)) << ':' << GetHeight();
	if(IsBold())      r << " Bold";
	if(IsItalic())    r << " Italic";
	if(IsUnderline()) r << " Underline";
	if(IsStrikeout()) r << " Strikeout";
	r << '>';
	return r;
}

const Font& NullFontRef()
{
	static const Font null;
	return null;
}

Font::Font(const Value& v)
{
	*this = v.IsNull() ? NullFontRef() : v.To<Font>();
}

Font::operator Value() const
{
	return Value::MakeSmall(*this);
}

namespace {

struct FontValueOps {
	static Font& Of(void* p)             { return *static_cast<Font*>(p); }
	static const Font& Of(const void* p) { return *static_cast<const Font*>(p); }

	static bool   IsNull(const void* p)                 { return Of(p).IsNull(); }
	static void   Serialize(void* p, Stream& s)        { Of(p).Serialize(s); }
	static void   Xmlize(void* p, XmlIO& xio)          { Of(p).Xmlize(xio); }
	static void   Jsonize(void* p, JsonIO& jio)        { Of(p).Jsonize(jio); }
	static hash_t Hash(const void* p)                  { return Of(p).GetHashValue(); }
	static bool   Equal(const void* a, const void* b)  { return Of(a) == Of(b); }
	static bool   PolyEqual(const void*, const Value&) { return false; }
	static String Text(const void* p)                  { return Of(p).ToString(); }
	static int    Compare(const void*, const void*)    { return 0; }
	static int    PolyCompare(const void*, const Value&) { return 0; }
};

constinit const Value::SmallValueOpsRec sFontOps = {
	FontValueOps::IsNull, FontValueOps::Serialize, FontValueOps::Xmlize, FontValueOps::Jsonize,
	FontValueOps::Hash, FontValueOps::Equal, FontValueOps::PolyEqual, FontValueOps::Text,
	FontValueOps::Compare, FontValueOps::PolyCompare,
};

Value::Void* sNewFontRep() { return new RichValueRep<Font>(Font::FromInt64(0)); }

// Fonts are created inline; a representation (from other code) converts just the same.
[[maybe_unused]] const int sFontValueRegistered = [] {
	Value::SmallValueOps[FONT_V] = &sFontOps;
	Value::Register(FONT_V, sNewFontRep, "Font");
	return 0;
}();

} // namespace

} // namespace Qel
