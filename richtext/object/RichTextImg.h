// The image list "RichTextImg": the marks rich text paints for labels, header/footer changes,
// paragraph ends, tabs, spaces and non-breaking spaces. Made by tools/imlbuild from
// richtext/RichTextImg.iml; the double-resolution twins are picked by the list itself.
#pragma once

#include <draw/Draw.h>

namespace Qel {

struct RichTextImg {
	enum {
		I_Label, I_Label_UHD, I_HdrFtr, I_HdrFtr_UHD, I_EndParaChar, I_EndParaChar_UHD,
		I_TabChar, I_TabChar_UHD, I_SpaceChar, I_SpaceChar_UHD, I_HardSpaceChar, I_HardSpaceChar_UHD,
		COUNT
	};

	static Qel::Iml& Iml();
	static Image Get(int i)        { return Iml().Get(i); }
	static Image Label()           { return Get(I_Label); }
	static Image HdrFtr()          { return Get(I_HdrFtr); }
	static Image EndParaChar()     { return Get(I_EndParaChar); }
	static Image TabChar()         { return Get(I_TabChar); }
	static Image SpaceChar()       { return Get(I_SpaceChar); }
	static Image HardSpaceChar()   { return Get(I_HardSpaceChar); }
};

} // namespace Qel
