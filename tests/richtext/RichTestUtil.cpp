#include "RichTestUtil.h"

namespace QelTest {

bool SameKeptFormat(const RichPara::CharFormat& a, const RichPara::CharFormat& b)
{
	const int kept = Font::BOLD | Font::ITALIC | Font::UNDERLINE | Font::STRIKEOUT | Font::NOAA;
	return (a.GetFlags() & kept) == (b.GetFlags() & kept) && a.GetFace() == b.GetFace() &&
	       a.GetHeight() == b.GetHeight() && a.language == b.language && a.ink == b.ink &&
	       a.paper == b.paper && a.link == b.link && a.indexentry == b.indexentry &&
	       a.sscript == b.sscript && a.capitals == b.capitals && a.dashed == b.dashed;
}

std::string DescribeFormat(const RichPara::CharFormat& f)
{
	String s = Format("face %d height %d flags %04X lang %d ink %08X paper %08X sscript %d caps %d dashed %d link ",
	                  f.GetFace(), f.GetHeight(), f.GetFlags(), f.language, (int)f.ink.GetRaw(),
	                  (int)f.paper.GetRaw(), (int)f.sscript, (int)f.capitals, (int)f.dashed);
	s << f.link << " index " << ToUtf8(f.indexentry);
	return ~s;
}

} // namespace QelTest
