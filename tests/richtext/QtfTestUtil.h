// Documents read from QTF, shown as short texts for the QTF tests: paragraphs by their text,
// joined by "|"; a table as "{" rows "}" with rows joined by "/" and cells by ";"; an object as
// "@", a field as "{}".
#pragma once

#include <richtext/RichText.h>

#include <string>

namespace QelTest {

using namespace Qel;

inline std::string QtfParaText(const RichPara& p)
{
	std::string s;
	for(const RichPara::Part& q : p.part)
		s += q.IsField() ? std::string("{}") : q.IsObject() ? std::string("@") : std::string(~ToUtf8(q.text));
	return s;
}

inline std::string QtfShow(const RichTxt& t, const ArrayMap<Uuid, RichStyle>& st)
{
	std::string s;
	for(int i = 0; i < t.GetPartCount(); i++) {
		if(i)
			s += "|";
		if(!t.IsTable(i)) {
			s += QtfParaText(t.Get(i, st));
			continue;
		}
		s += "{";
		const RichTable& tab = t.GetTable(i);
		for(int r = 0; r < tab.GetRows(); r++)
			for(int c = 0; c < tab.cell[r].GetCount(); c++)
				s += (c ? ";" : r ? "/" : "") + QtfShow(tab.cell[r][c].text, st);
		s += "}";
	}
	return s;
}

inline std::string QtfShow(const RichText& doc) { return QtfShow(doc, doc.GetStyles()); }
inline std::string QtfShow(const char* qtf)     { return QtfShow(ParseQtf(qtf)); }

inline RichPara QtfPara(const RichText& doc, int i) { return doc.Get(i, doc.GetStyles()); }

} // namespace QelTest
