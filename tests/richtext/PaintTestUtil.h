// Doubles of the painting tests: a PageDraw that records every page on a RecordingDraw of its
// own (with a settable answer to IsPaintingOp and dots flag), and a tracer that records its calls.
#pragma once

#include "LayoutTestUtil.h"

#include <draw/RecordingDraw.h>

#include <map>
#include <memory>
#include <regex>

namespace QelTest {

inline std::string Join(const std::vector<std::string>& v, const char* sep = " ")
{
	std::string s;
	for(const std::string& x : v)
		s += (s.empty() ? "" : sep) + x;
	return s;
}

// The entries of a " | "-joined text that match re.
inline std::string Grep(const std::string& all, const char* re)
{
	std::regex r(re);
	std::string s;
	for(size_t at = 0; at < all.size();) {
		size_t e = all.find(" | ", at);
		std::string x = all.substr(at, e == std::string::npos ? std::string::npos : e - at);
		if(std::regex_search(x, r))
			s += (s.empty() ? "" : " | ") + x;
		at = e == std::string::npos ? all.size() : e + 3;
	}
	return s;
}

class RecordingPageDraw : public PageDraw {
public:
	std::map<int, std::unique_ptr<RecordingDraw>> pages;
	bool  painting = true;
	dword info = 0;

	Draw& Page(int page) override
	{
		std::unique_ptr<RecordingDraw>& d = pages[page];
		if(!d) {
			d = std::make_unique<RecordingDraw>();
			d->painting = painting;
			d->info = info;
		}
		return *d;
	}

	// The calls of one page that hold part, as one text ("" for all).
	std::string Of(int page, const std::string& part = "") const
	{
		std::string s;
		auto q = pages.find(page);
		if(q != pages.end())
			for(const std::string& c : q->second->calls)
				if(c.find(part) != std::string::npos)
					s += (s.empty() ? "" : " | ") + c;
		return s;
	}

	// The same over every page, each call prefixed by its page number.
	std::string All(const std::string& part = "") const
	{
		std::string s;
		for(const auto& [p, d] : pages)
			for(const std::string& c : d->calls)
				if(c.find(part) != std::string::npos)
					s += (s.empty() ? "" : " | ") + std::to_string(p) + ":" + c;
		return s;
	}
};

class RecordingTracer : public RichPaintTracer {
public:
	std::vector<std::string> calls;

	static std::string P(PagePos p) { return Str(p); }
	static std::string R(const Rect& r) { return RecordingDraw::R(r); }

	void ParagraphBegin(const Rect& page, PagePos at, const RichPara&) override { calls.push_back("Para" + R(page) + P(at)); }
	void ParagraphEnd(PagePos at) override { calls.push_back("/Para " + P(at)); }
	void TableBegin(const Rect& page, PagePos at, const RichTable&) override { calls.push_back("Table" + R(page) + P(at)); }
	void TableEnd(PagePos at) override { calls.push_back("/Table " + P(at)); }
	void RowBegin(const Rect& area, PagePos at, int row, const RichTable&) override
	{ calls.push_back("Row" + std::to_string(row) + R(area) + P(at)); }
	void RowEnd(PagePos at) override { calls.push_back("/Row " + P(at)); }
	void CellBegin(const Rect& page, PagePos at, int row, int column, const RichTable&, PagePos end) override
	{ calls.push_back("Cell" + std::to_string(row) + "," + std::to_string(column) + R(page) + P(at) + "-" + P(end)); }
	void CellEnd(PagePos end) override { calls.push_back("/Cell " + P(end)); }
};

} // namespace QelTest
