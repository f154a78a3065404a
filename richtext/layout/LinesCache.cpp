// The process-wide cache of line layouts: the newest one and at most 64 older ones, the older
// ones only while they hold together at most 10,000 characters. A hit removes the entry, which
// returns when its new owner is destroyed. The lock is the paragraph cache's.
#include <richtext/para/RichPara.h>
#include <richtext/para/detail/ParaCache.h>

namespace Qel {

namespace {

constexpr int   CACHE_OLDER = 64;
constexpr int64 CACHE_SIZE  = 10000;

struct sLinesCache {
	RichPara::Lines* entry[CACHE_OLDER + 2]; // newest first
	int              count = 0;
	bool             closed = false;         // past exit: layouts destroyed later are dropped

	~sLinesCache()
	{
		Vector<RichPara::Lines*> gone;
		{
			Mutex::Lock lock(detail::RichParaCacheMutex());
			gone.Append(entry, count);
			count = 0;
			closed = true;
		}
		for(RichPara::Lines* l : gone)
			delete l;
	}
};

sLinesCache& sCache()
{
	static sLinesCache c;
	return c;
}

} // namespace

void RichPara::Lines::Take(Lines& b)
{
	len = b.len;
	clen = b.clen;
	cx = b.cx;
	text = std::move(b.text);
	pos = std::move(b.pos);
	width = std::move(b.width);
	height = std::move(b.height);
	format = std::move(b.format);
	line = std::move(b.line);
	first_indent = b.first_indent;
	next_indent = b.next_indent;
	number_len = b.number_len;
	justified = b.justified;
	cacheid = b.cacheid;
	formats = std::move(b.formats); // the pointers into them stay valid: Array moves no element
	objects = std::move(b.objects);
	number = std::move(b.number);
	b.cacheid = 0;
	b.len = b.clen = 0;
	b.line.Clear();
}

RichPara::Lines::Lines(Lines&& b) noexcept
{
	Take(b);
	incache = false;
}

RichPara::Lines& RichPara::Lines::operator=(Lines&& b) noexcept
{
	if(this != &b) {
		if(cacheid && line.GetCount() && !incache)
			Park();
		Take(b);
		incache = false;
	}
	return *this;
}

RichPara::Lines::~Lines()
{
	if(cacheid && line.GetCount() && !incache)
		Park();
}

void RichPara::Lines::Park()
{
	incache = true;
	Lines* e = new Lines;
	e->Take(*this);
	e->incache = true;
	RichPara::Lines* dropped[CACHE_OLDER + 2];
	int ndropped = 0;
	{
		Mutex::Lock lock(detail::RichParaCacheMutex());
		sLinesCache& c = sCache();
		if(c.closed)
			dropped[ndropped++] = e;
		else {
			memmove(c.entry + 1, c.entry, c.count * sizeof(Lines*));
			c.entry[0] = e;
			c.count++;
			// Older entries stay while there are at most 64 and they hold at most 10,000
			// characters together.
			int64 sum = 0;
			int i = 1;
			for(; i < c.count; i++) {
				sum += c.entry[i]->clen;
				if(i > CACHE_OLDER || sum > CACHE_SIZE)
					break;
			}
			while(c.count > i)
				dropped[ndropped++] = c.entry[--c.count];
		}
	}
	for(int i = 0; i < ndropped; i++)
		delete dropped[i];
}

bool RichPara::Lines::Unpark(Lines& l, int64 cacheid, int cx, const WString& number)
{
	Lines* e = nullptr;
	{
		Mutex::Lock lock(detail::RichParaCacheMutex());
		sLinesCache& c = sCache();
		for(int i = 0; i < c.count; i++) {
			Lines* q = c.entry[i];
			if(q->cacheid == cacheid && q->cx == cx && q->number == number) {
				e = q;
				memmove(c.entry + i, c.entry + i + 1, (c.count - i - 1) * sizeof(Lines*));
				c.count--;
				break;
			}
		}
	}
	if(!e)
		return false;
	l.Take(*e);
	l.incache = false;
	delete e; // empty now
	return true;
}

} // namespace Qel
