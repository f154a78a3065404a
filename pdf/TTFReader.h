// TTFReader: what a PDF document needs of a TrueType or OpenType face. It reads the face's tables
// and character map, tells glyphs, advances and the metrics of a font descriptor, and writes a
// subset font program holding only the glyphs a document uses (with the parts of composite
// glyphs). Faces with CFF outlines are not subset: their program is the face's tables whole.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>

namespace Qel {

class TTFReader {
public:
	// The face of a font: its tables through Font::GetData, so faces in collections read their
	// own, and its character map. False when the face has no outlines that can be embedded.
	bool Open(Font font);
	// The same from tables handed over by their four-letter tags (empty: no such table).
	bool Open(Function<String (const char* tag)> table);

	bool IsOpen() const                 { return open; }
	// Outlines in a "CFF " table: the program is GetOpenType, glyph numbers are the face's own.
	bool IsCFF() const                  { return cff; }
	int  GetGlyphCount() const          { return glyphs; }
	// The glyph of a character by the face's map; 0 (the missing glyph) when it has none.
	int  GetGlyph(int ch) const;
	// Advance width in font units.
	int  GetAdvance(int glyph) const;
	// The number that shows the glyph in a whole CFF face: its CID when the CFF is CID-keyed,
	// else the glyph itself.
	int  GetCid(int glyph) const;
	int  GetUnitsPerEm() const          { return upem; }

	// Printable, without the characters that delimit names; never empty.
	const String& GetPostScriptName() const { return psname; }
	Rect   GetBBox() const              { return bbox; } // font units, y up
	int    GetAscent() const            { return ascent; }
	int    GetDescent() const           { return descent; }
	int    GetCapHeight() const         { return capheight; }
	double GetItalicAngle() const       { return italic_angle; }
	bool   IsFixedPitch() const         { return fixed_pitch; }
	// Whether the face is an italic or oblique design (no slant needs to be added).
	bool   IsItalic() const             { return italic; }

	// A TrueType program whose glyph i is glyphs[i] of this face; the parts of composite glyphs
	// follow as further glyphs. Glyph numbers beyond the face become the missing glyph.
	String Subset(const Vector<int>& glyphs) const;
	// The face's outline, metric and naming tables as one OpenType program.
	String GetOpenType() const;

private:
	struct Range {
		int first, last, glyph;
	};

	VectorMap<String, String> table;
	String hmtx, loca, glyf;  // the tables every glyph reads
	Vector<Range> cmap;
	Vector<int> cids;         // CID of each glyph of a CID-keyed CFF; empty otherwise
	bool   open = false;
	bool   cff = false;
	bool   long_loca = false;
	int    glyphs = 0;
	int    hmetrics = 0;
	int    upem = 1000;
	Rect   bbox;
	int    ascent = 0, descent = 0, capheight = 0;
	double italic_angle = 0;
	bool   fixed_pitch = false;
	bool   italic = false;
	String psname;

	bool   Load(Function<String (const char* tag)>& get);
	void   AddRange(int first, int last, int glyph);
	void   SortMap();
	String Table(const char* tag) const;
	String Glyph(int glyph) const;
	int    LeftSideBearing(int glyph) const;
	void   ReadName();
	void   ReadCids();
};

} // namespace Qel
