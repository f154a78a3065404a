// The remembered contexts of page walks.
#include <richtext/layout/detail/PageMarks.h>

#include <atomic>

namespace Qel::detail {

namespace {

std::atomic<bool> sFullWalks{false};

bool sSameStart(const RichPageContext& a, const RichPageContext& b)
{
	return a.text == b.text && a.styles == b.styles && a.header == b.header && a.footer == b.footer &&
	       a.header_wanted == b.header_wanted && a.footer_wanted == b.footer_wanted &&
	       a.header_current == b.header_current && a.footer_current == b.footer_current &&
	       a.measured_cx == b.measured_cx && a.page == b.page && a.py == b.py && a.number == b.number;
}

} // namespace

PageMarks& PageMarkCache::Get(const RichPageContext& start)
{
	for(size_t i = 0; i < set.size(); i++)
		if(sSameStart(set[i]->start, start)) {
			std::unique_ptr<PageMarks> s = std::move(set[i]);
			set.erase(set.begin() + i);
			set.push_back(std::move(s));
			return *set.back();
		}
	// the header and footer measured for this start differ from the older sets' (changed, or
	// another page): those of the same page are stale
	for(size_t i = set.size(); i-- > 0;)
		if(set[i]->start.page == start.page && set[i]->start.py == start.py)
			set.erase(set.begin() + i);
	if(set.size() >= SETS)
		set.erase(set.begin());
	set.push_back(std::make_unique<PageMarks>());
	set.back()->start = start;
	return *set.back();
}

void PageMarkCache::Truncate(int from)
{
	for(const std::unique_ptr<PageMarks>& s : set)
		s->Truncate(from);
}

const PageMarks* PageMarkCache::Any() const
{
	const PageMarks* best = nullptr;
	for(const std::unique_ptr<PageMarks>& s : set)
		if(!best || s->mark.size() > best->mark.size())
			best = s.get();
	return best;
}

void SetFullPageWalks(bool on)
{
	sFullWalks = on;
}

bool IsFullPageWalks()
{
	return sFullWalks;
}

} // namespace Qel::detail
