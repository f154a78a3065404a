// What a PDF document holds beyond its pages' content: the objects written so far, the fonts
// and their used glyphs, images, tile patterns and graphics states, each written once and shared
// by every page that uses it under one resource name.
#pragma once

#include "PdfOut.h"
#include "../TTFReader.h"

namespace Qel::detail {

// Points per dot: a PdfDraw works in dots (600 per inch), PDF user space in points (72).
constexpr double POINTS_PER_DOT = 72.0 / 600;

// One embedded face. Content shows its glyphs by two-byte codes (CIDs): the position in the
// subset for TrueType faces, the face's own numbering for CFF faces, which go in whole.
struct PdfFont {
	TTFReader      ttf;
	int            id = 0;     // the Type0 font object
	Index<int>     glyphs;     // the face's glyphs in the order of first use
	Vector<int>    unicode;    // by position in glyphs: the first character shown with it
	Vector<double> widths;     // by position in glyphs: thousandths of the em, as stated
	VectorMap<int, int> chars; // character -> position in glyphs

	// The position in glyphs of the glyph of ch, added when new.
	int Use(int ch);
	int Add(int glyph, int ch);
	// The code that shows the glyph at position i: i itself in a subset, else the glyph's CID.
	int Code(int i) const      { return ttf.IsCFF() ? ttf.GetCid(glyphs[i]) : i; }
};

class PdfDocument {
public:
	PdfObjects     obj;
	Array<PdfFont> fonts;
	Vector<int>    pages;           // page object numbers in order
	int            pages_id;        // the page tree, written last
	int            invert_id = 0;   // graphics state of difference blending

	PdfDocument();

	// Index into fonts of the face that shows f, or -1 when neither it nor the standard face
	// can be embedded.
	int FontFor(Font f);
	// The image object (index into images) of the source part of img, in a colour when c is
	// not Null; -1 when it cannot be written.
	int ImageFor(const Image& img, const Rect& src, Color c);
	// A JPEG file shown as it is; -1 when the data is no JPEG a document can take.
	int JpegFor(const String& data);
	// A tile of 8 x 8 dots, set bits clear, anchored at origin (page dots) of a page h dots high.
	int PatternFor(uint64 bits, Color c, Point origin, int h);
	int InvertState();

	// Object numbers of images (JPEG files among them) and patterns by resource index.
	int ImageId(int i) const           { return xobjects[i]; }
	int PatternId(int i) const         { return patterns[i]; }

	// Writes fonts, page tree, catalog and information; the document, or empty on failure.
	String Finish();

private:
	VectorMap<String, int> font_files;  // face file and index -> fonts; -1 unreadable
	VectorMap<int64, int>  font_faces;  // face and style bits -> fonts
	Vector<int>            xobjects;    // resource index -> object number
	VectorMap<String, int> images;      // source, part and colour -> resource index
	VectorMap<String, int> jpegs;       // file data -> resource index
	VectorMap<String, int> masks;       // soft masks, shared by the colours of one source
	VectorMap<String, int> patterns;
	bool v16 = false;                   // an OpenType program needs version 1.6

	int  FaceFont(Font f);
	void WriteFont(PdfFont& f, int index);
};

// JPEG size and components from the frame header; false for anything a reader may not take:
// no frame before the first scan, no scan, not ending with the end-of-image marker, not 8 bits,
// other than 1 or 3 components, or more pixels than an image may have.
bool ReadJpegHeader(const String& data, int& cx, int& cy, int& components);

} // namespace Qel::detail
