#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace Qel;
using namespace QelTest;

using ParaFormat = RichPara::Format;

namespace {

// Cache ids no other test uses.
int64 sNewIds(int n)
{
	static std::atomic<int64> next{int64(1) << 40};
	return next.fetch_add(n) ;
}

String sPacked(const WString& text)
{
	RichPara p;
	p.Cat(text, RichPara::CharFormat());
	Array<RichObject> o;
	return p.Pack(ParaFormat(), o);
}

// The first part's text after unpacking `data` under id: on a hit the cached text, whatever
// data says.
std::unique_ptr<RichPara> sUnpack(int64 id, const String& data)
{
	auto p = std::make_unique<RichPara>();
	p->cacheid = id;
	p->Unpack(data, Array<RichObject>(), ParaFormat());
	return p;
}

WString sText(const RichPara& p) { return p.part.GetCount() ? p.part[0].text : WString(); }

// Parks one paragraph of the given text under id.
void sPark(int64 id, const WString& text) { sUnpack(id, sPacked(text)); }

const String sMissMarker = sPacked(WString("miss"));

} // namespace

TEST(ParaCache, HitTakesTheParkedContentOnce)
{
	int64 id = sNewIds(1);
	sPark(id, WString("cached"));
	{
		auto q = sUnpack(id, sMissMarker);
		EXPECT_EQ(sText(*q), WString("cached")); // not the packed data given now
		EXPECT_EQ(q->cacheid, id);
		EXPECT_FALSE(q->incache);
		// while q holds it, the entry is gone: each entry serves once
		auto r = sUnpack(id, sMissMarker);
		EXPECT_EQ(sText(*r), WString("miss"));
		r->cacheid = 0; // not parked again
	}
	// q's destruction parked the content again
	auto s = sUnpack(id, sMissMarker);
	EXPECT_EQ(sText(*s), WString("cached"));
	// a paragraph without parts is not parked
	int64 empty = sNewIds(1);
	sUnpack(empty, Bytes({0, 0, 0, 0}));
	EXPECT_EQ(sText(*sUnpack(empty, sMissMarker)), WString("miss"));
}

TEST(ParaCache, KeepsTheNewestAndSixtyFourOlderEntries)
{
	int64 base = sNewIds(70);
	for(int i = 0; i < 70; i++)
		sPark(base + i, WString(Format("%d", i % 10)));
	std::vector<std::unique_ptr<RichPara>> probes; // held, so probing does not park again
	int hits = 0;
	for(int i = 0; i < 70; i++) {
		probes.push_back(sUnpack(base + i, sMissMarker));
		bool hit = sText(*probes.back()) != WString("miss");
		EXPECT_EQ(hit, i >= 5) << i;
		hits += hit;
	}
	EXPECT_EQ(hits, 65);
	for(auto& p : probes)
		p->cacheid = 0;
}

TEST(ParaCache, OlderEntriesStayOnlyWithinTheSizeLimit)
{
	int64 base = sNewIds(68);
	for(int i = 0; i < 65; i++) // pushes out whatever other tests left
		sPark(base + i, WString("x"));
	sPark(base + 65, WString('a', 5000));
	sPark(base + 66, WString('b', 6000));
	sPark(base + 67, WString("c"));
	// newest "c", then 6000, then 5000: the sum passes 10,000 at the 5000 and cuts there
	std::vector<std::unique_ptr<RichPara>> probes;
	for(int i : {67, 66, 65, 0})
		probes.push_back(sUnpack(base + i, sMissMarker));
	EXPECT_EQ(sText(*probes[0]), WString("c"));
	EXPECT_EQ(sText(*probes[1]).GetLength(), 6000);
	EXPECT_EQ(sText(*probes[2]), WString("miss"));
	EXPECT_EQ(sText(*probes[3]), WString("miss"));
	for(auto& p : probes)
		p->cacheid = 0;
}

// An edited paragraph must not go back into the cache under the stored paragraph's id: the
// next unpack would show the edit, or a stale field value, as the stored content.
TEST(ParaCache, EditsAndCopiesAreNotParked)
{
	int64 id = sNewIds(3);
	{
		auto p = sUnpack(id, sPacked(WString("stored")));
		p->Cat(WString(" edited"), RichPara::CharFormat());
		EXPECT_EQ(p->cacheid, 0);
	}
	EXPECT_EQ(sText(*sUnpack(id, sMissMarker)), WString("miss"));

	{
		RichPara p;
		p.cacheid = id + 1;
		p.Cat("VALUE", "n", RichPara::CharFormat());
		p.cacheid = id + 1; // as if unpacked with its field
		VectorMap<String, Value> vars;
		vars.Add("n", 7);
		EXPECT_TRUE(p.EvaluateFields(vars));
		EXPECT_EQ(p.cacheid, 0);
		RichPara none;
		none.cacheid = 5;
		none.Cat(WString("x"), RichPara::CharFormat());
		none.cacheid = 5;
		EXPECT_FALSE(none.EvaluateFields(vars)); // nothing evaluated, still cacheable
		EXPECT_EQ(none.cacheid, 5);
		none.cacheid = 0;
	}
	{
		auto p = sUnpack(id + 2, sPacked(WString("stored")));
		RichPara copy(*p);
		EXPECT_EQ(copy.cacheid, 0);
		RichPara moved(std::move(*p));
		EXPECT_EQ(moved.cacheid, id + 2);
		EXPECT_EQ(p->cacheid, 0);
		EXPECT_TRUE(p->part.IsEmpty());
	}
	// only the moved paragraph parked its content
	EXPECT_EQ(sText(*sUnpack(id + 2, sMissMarker)), WString("stored"));
}

// Threads unpack and destroy paragraphs whose ids they share with the others, and ids of their
// own; whatever the cache hands out must be the content stored under that id.
TEST(ParaCacheThreads, EightThreadsUnpackAndDestroy)
{
	const int shared = 6;
	int64 base = sNewIds(shared + 8 * 4);
	Vector<String> data;
	for(int i = 0; i < shared + 8 * 4; i++)
		data.Add(sPacked(WString(Format("paragraph %d ", i)) + WString('x', i % 7)));
	std::atomic<int> wrong{0};
	std::vector<std::thread> threads;
	for(int t = 0; t < 8; t++)
		threads.emplace_back([&, t] {
			for(int n = 0; n < 3000; n++) {
				int k = n % 3 ? (n * 7 + t) % shared : shared + t * 4 + n % 4;
				RichPara p;
				p.cacheid = base + k;
				p.Unpack(data[k], Array<RichObject>(), ParaFormat());
				WString expect = WString(Format("paragraph %d ", k)) + WString('x', k % 7);
				if(p.part.GetCount() != 1 || p.part[0].text != expect)
					wrong++;
			}
		});
	for(std::thread& t : threads)
		t.join();
	EXPECT_EQ(wrong.load(), 0);
}
