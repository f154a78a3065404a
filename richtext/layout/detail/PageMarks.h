// Where a page walk stood at every STEP-th part, so that a query about a place far down a
// document walks on from the nearest remembered context instead of from the first part. A
// context before part i depends on parts 0 .. i only (the step over part i - 1 looks at part i
// for keep-with-next), so a change at part i drops the marks from part i on.
#pragma once

#include <richtext/layout/PageContext.h>

#include <memory>
#include <vector>

namespace Qel::detail {

// A walk's tallies before a part: text position and tables (nested ones included).
struct PageTally {
	int   part = 0;
	int64 offset = 0;
	int64 tables = 0;
};

struct PageMark {
	RichPageContext rc;
	PageTally       at;
};

// The marks of walks from one start context.
struct PageMarks {
	static constexpr int STEP = 64;

	RichPageContext       start;
	std::vector<PageMark> mark; // mark[k]: before part k * STEP

	void Note(const PageTally& t, const RichPageContext& rc)
	{
		if(t.part % STEP == 0 && size_t(t.part / STEP) == mark.size())
			mark.push_back(PageMark{rc, t});
	}
	// The last mark for which before(mark) holds, the marks being ordered for it; null: none.
	template <class F>
	const PageMark* Last(F before) const
	{
		size_t lo = 0, hi = mark.size();
		while(lo < hi) {
			size_t m = (lo + hi) / 2;
			if(before(mark[m]))
				lo = m + 1;
			else
				hi = m;
		}
		return lo ? &mark[lo - 1] : nullptr;
	}
	void Truncate(int from)
	{
		size_t keep = from <= 0 ? 0 : size_t((int64(from) + STEP - 1) / STEP);
		if(mark.size() > keep)
			mark.resize(keep);
	}
};

// A document's marks, for the few start contexts its queries use (measuring and pages of one
// width, say). A copy has none: they are a cache.
class PageMarkCache {
public:
	PageMarkCache() = default;
	PageMarkCache(const PageMarkCache&) {}
	PageMarkCache& operator=(const PageMarkCache&) { set.clear(); return *this; }

	// The marks of walks from start, made when there are none; stays valid while the cache
	// is not cleared (a query inside another one may add a set).
	PageMarks& Get(const RichPageContext& start);
	void       Truncate(int from);
	// The set with the most marks; null when there is none.
	const PageMarks* Any() const;
	void       Clear() { set.clear(); }

private:
	static constexpr size_t SETS = 4;
	std::vector<std::unique_ptr<PageMarks>> set; // most recently used last
};

// Test switch: every query walks from the first part and keeps no marks.
void SetFullPageWalks(bool on);
bool IsFullPageWalks();

} // namespace Qel::detail
