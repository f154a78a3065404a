#include <draw/Draw.h>
#include <draw/detail/FontInt.h>

#include <gtest/gtest.h>

#include <thread>

using namespace Qel;

namespace {

// Taken before any test runs, so before anything set the standard font.
const Size sFirstStdSize = GetStdFontSize();

int FaceOf(const char* family)
{
	for(int i = 4; i < Font::GetFaceCount(); i++)
		if(Font::GetFaceName(i) == family)
			return i;
	return -1;
}

struct StdFontRestore {
	Font old = Font::GetStdFont();
	~StdFontRestore() { Font::SetStdFont(old); }
};

} // namespace

TEST(FontValue, WordLayoutAndMarkers)
{
	EXPECT_EQ(StdFont().AsInt64(), 0x0000830000000000LL);
	Font f = Font(7, -5).Bold().Width(-2);
	EXPECT_EQ(Font::FromInt64(f.AsInt64()), f);
	EXPECT_EQ(uint64(f.AsInt64()), 0xFFFEFFFB80000007ull);
	EXPECT_TRUE(Font().IsNull());
	EXPECT_TRUE(Font().Height(12).Bold().IsNull()); // only the face decides
	EXPECT_FALSE(Font(1, 10) == Font(1, 10).Italic());
}

TEST(FontValue, FaceListOfThePrivateSet)
{
	EXPECT_EQ(Font::GetFaceName(0), "STDFONT");
	EXPECT_EQ(Font::GetFaceName(1), "serif");
	EXPECT_EQ(Font::GetFaceName(2), "sans-serif");
	EXPECT_EQ(Font::GetFaceName(3), "monospace");
	EXPECT_EQ(Font::GetFaceInfo(1), FACE_SCALABLE | FACE_SERIF);
	EXPECT_EQ(Font::GetFaceInfo(3), FACE_SCALABLE | FACE_FIXED_PITCH);
	EXPECT_EQ(Font::GetFaceName(-1), "");
	EXPECT_EQ(Font::GetFaceName(Font::GetFaceCount()), "");
	EXPECT_EQ(Font::GetFaceInfo(Font::GetFaceCount()), 0u);

	Vector<String> names;
	for(int i = 4; i < Font::GetFaceCount(); i++)
		names.Add(Font::GetFaceName(i));
	ASSERT_GE(FaceOf("DejaVu Sans"), 4);
	ASSERT_GE(FaceOf("DejaVu Serif"), 4);
	ASSERT_GE(FaceOf("DejaVu Sans Mono"), 4);
	for(const String& n : names) // nothing of the machine's other fonts
		EXPECT_EQ(n.Find("DejaVu"), 0) << ~n;
	EXPECT_EQ(Font::GetFaceInfo(FaceOf("DejaVu Sans Mono")) & (FACE_FIXED_PITCH | FACE_SCALABLE | FACE_SERIF),
	          FACE_FIXED_PITCH | FACE_SCALABLE);
	EXPECT_EQ(Font::GetFaceInfo(FaceOf("DejaVu Serif")) & (FACE_FIXED_PITCH | FACE_SERIF), dword(FACE_SERIF));
	EXPECT_EQ(Font::GetFaceInfo(FaceOf("DejaVu Sans")) & (FACE_FIXED_PITCH | FACE_SERIF | FACE_COLOR), 0u);
}

TEST(FontValue, FindFaceName)
{
	struct { const char* name; int face; } cases[] = {
		{ "STDFONT", 0 }, { "sans-serif", 2 }, { "Sans Serif", 2 }, { "SANS_serif", 2 }, { "sansserif", 2 },
		{ "serif", 1 }, { "Monospace", 3 }, { "mono-space", 3 }, { "no such family", 0 },
		{ "", 0 }, { "---", 0 }, { " . ", 0 },
	};
	for(auto& c : cases)
		EXPECT_EQ(Font::FindFaceName(c.name), c.face) << c.name;
	int sans = FaceOf("DejaVu Sans");
	EXPECT_EQ(Font::FindFaceName("DejaVu Sans"), sans);
	EXPECT_EQ(Font::FindFaceName("dejavusans"), sans);
	EXPECT_EQ(Font::FindFaceName("DEJAVU-SANS-MONO"), FaceOf("DejaVu Sans Mono"));
}

TEST(FontValue, ResolveStd)
{
	Font std = Font::GetStdFont();
	EXPECT_EQ(std, Font(2, 12));
	EXPECT_EQ(Font().ResolveStd(), std);
	Font f = Font(0, Font::STD_HEIGHT).Bold();
	f.ResolveStd();
	EXPECT_EQ(f, Font(std.GetFace(), std.GetRawHeight()).Bold());
	EXPECT_EQ(Font(0, 20).Italic().ResolveStd(), Font(std.GetFace(), 20).Italic());
	EXPECT_EQ(Font(3, Font::STD_HEIGHT).GetHeight(), 12);
	EXPECT_EQ(StdFont().GetFaceName(), "STDFONT");
	EXPECT_EQ(Font().GetFaceName(), "");
	EXPECT_EQ(Font().GetFaceInfo(), 0u);
}

TEST(FontValue, StdFontSizeExistsBeforeAnyChange)
{
	EXPECT_GT(sFirstStdSize.cx, 0);
	EXPECT_EQ(sFirstStdSize.cy, Font(2, 12).GetCy());
	EXPECT_EQ(sFirstStdSize.cx, Font(2, 12).GetAveWidth());
}

namespace {
int  sHookCalls;
void CountHook() { sHookCalls++; }
void ResettingHook() { sHookCalls++; Font::SetStdFont(Font(1, 30)); }
} // namespace

TEST(FontValue, SetStdFontCallsTheHookTwiceAndDoesNotRecurse)
{
	StdFontRestore restore;
	sHookCalls = 0;
	SetStdFontChangeHook(CountHook);
	Font::SetStdFont(Font(1, 14));
	EXPECT_EQ(sHookCalls, 2);
	EXPECT_EQ(Font::GetStdFont(), Font(1, 14));
	EXPECT_EQ(GetStdFontSize().cy, Font(1, 14).GetCy());

	sHookCalls = 0;
	SetStdFontChangeHook(ResettingHook);
	Font::SetStdFont(Font(3, 16));
	EXPECT_LE(sHookCalls, 3);
	EXPECT_GE(sHookCalls, 2);
	SetStdFontChangeHook(nullptr);
}

namespace {
int sHeldCalls;
// Whether another thread could take the font mutex now, as a thread that measures text while it
// holds a lock the hook also takes.
void MutexFreeHook()
{
	bool free = false;
	std::thread([&] {
		free = detail::FontMutex().TryEnter();
		if(free)
			detail::FontMutex().Leave();
	}).join();
	sHeldCalls += !free;
	sHookCalls++;
}
} // namespace

TEST(FontValue, SetStdFontCallsTheHookWithoutTheFontMutex)
{
	StdFontRestore restore;
	sHookCalls = sHeldCalls = 0;
	SetStdFontChangeHook(MutexFreeHook);
	Font::SetStdFont(Font(1, 15));
	SetStdFontChangeHook(nullptr);
	EXPECT_EQ(sHookCalls, 2);
	EXPECT_EQ(sHeldCalls, 0);
}

TEST(FontValue, HighResolutionFlagFollowsTheStandardFont)
{
	StdFontRestore restore;
	Font::SetStdFont(Font(2, 11));
	EXPECT_FALSE(IsHiDpiMode());
	Font::SetStdFont(Font(2, 40));
	EXPECT_TRUE(IsHiDpiMode());
	Font::SetStdFont(Font(2, 50));
	EXPECT_TRUE(IsHiDpiMode());
	Font::SetStdFont(Font(2, 12));
	EXPECT_FALSE(IsHiDpiMode());
}

TEST(FontValue, StdFontChangeReachesEveryThread)
{
	StdFontRestore restore;
	int before = StdFont().GetCy();
	Font::SetStdFont(Font(2, 30));
	int after = 0;
	Thread t;
	t.Run([&] { after = StdFont().GetCy(); });
	t.Wait();
	EXPECT_EQ(after, Font(2, 30).GetCy());
	EXPECT_EQ(StdFont().GetCy(), after);
	EXPECT_NE(before, after);
}
