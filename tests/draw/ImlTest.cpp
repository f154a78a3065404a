#include "TestImage.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <vector>
#include <memory>
#include <thread>

using namespace QelTest;

namespace {

struct Rec {
	byte  flags;
	Size  size;
	Point hot, spot2;
	dword seed;
};

// Straight R, G, B, A bytes of a record, made from the seed.
byte PixelByte(dword seed, int i)
{
	return byte((seed * 2654435761u + i * 40503u) >> 7);
}

String Blob(std::initializer_list<Rec> recs)
{
	String s;
	for(const Rec& r : recs) {
		s.Cat(char(r.flags));
		for(int v : { r.size.cx, r.size.cy, r.hot.x, r.hot.y, r.spot2.x, r.spot2.y })
			Put16(s, v);
		for(int i = 0; i < r.size.cx * r.size.cy * 4; i++)
			s.Cat(char(PixelByte(r.seed, i)));
	}
	return s;
}

struct Guard {
	~Guard()
	{
		SetHiDpiMode(false);
		SetDarkTheme(false);
	}
};

// A list over compressed data that it keeps alive.
struct TestList {
	String            zdata;
	Vector<String>    names;
	Vector<const char*> table;
	std::unique_ptr<Iml> list;

	TestList(std::initializer_list<std::pair<const char*, Rec>> images)
	{
		String raw;
		for(auto& [name, r] : images) {
			names.Add(name);
			raw << Blob({ r });
		}
		for(const String& n : names)
			table.Add(n.Begin());
		zdata = ZCompress(raw);
		list = std::make_unique<Iml>(table.begin(), table.GetCount());
		list->AddData(Iml::BASE, (const byte*)zdata.Begin(), zdata.GetLength(), names.GetCount());
	}
	Iml& operator*() { return *list; }
	Iml* operator->() { return &*list; }
};

// Registered lists stay registered: they must live until exit.
TestList& Kept(TestList* t)
{
	static std::vector<TestList*>& kept = *new std::vector<TestList*>;
	kept.push_back(t);
	return *t;
}

} // namespace

TEST(ImlBlob, RecordsDecodeToExactPixels)
{
	String blob = Blob({ { 0x21, Size(3, 2), Point(1, 2), Point(300, 4), 1 },
	                     { 0x00, Size(0, 5), Point(), Point(), 2 },
	                     { 0xC0, Size(2, 1), Point(), Point(), 3 } });
	Vector<ImageIml> out;
	ParseImlBlob(out, blob);
	ASSERT_EQ(out.GetCount(), 3);
	EXPECT_EQ(out[0].flags, 0x21u);
	EXPECT_EQ(out[2].flags, 0xC0u);
	EXPECT_TRUE(out[1].image.IsEmpty());
	const Image& m = out[0].image;
	ASSERT_EQ(m.GetSize(), Size(3, 2));
	EXPECT_EQ(m.GetHotSpot(), Point(1, 2));
	EXPECT_EQ(m.Get2ndSpot(), Point(300, 4));
	for(int i = 0; i < 6; i++) {
		RGBA c = m.Begin()[i];
		EXPECT_EQ(c.r, PixelByte(1, 4 * i));
		EXPECT_EQ(c.g, PixelByte(1, 4 * i + 1));
		EXPECT_EQ(c.b, PixelByte(1, 4 * i + 2));
		EXPECT_EQ(c.a, PixelByte(1, 4 * i + 3));
	}
	EXPECT_EQ(out[2].image.GetSize(), Size(2, 1));
}

TEST(ImlBlob, TruncatedBlobsEndWithAnEmptyEntry)
{
	String blob = Blob({ { 1, Size(2, 2), Point(), Point(), 5 }, { 2, Size(3, 1), Point(), Point(), 6 } });
	int first = 13 + 16;
	for(int len = 0; len <= blob.GetLength(); len++) {
		Vector<ImageIml> out;
		ParseImlBlob(out, blob.Begin(), len);
		int headers = (len >= 13) + (len >= first + 13);
		ASSERT_EQ(out.GetCount(), headers) << len;
		if(headers) {
			EXPECT_EQ(out[0].image.IsEmpty(), len < first) << len;
		}
		if(headers == 2) {
			EXPECT_EQ(out[1].flags, 2u);
			EXPECT_EQ(out[1].image.IsEmpty(), len < blob.GetLength()) << len;
		}
	}
	// a huge size in a short record is refused, not read
	String big;
	big.Cat(char(0));
	for(int v : { 65535, 65535, 0, 0, 0, 0 })
		Put16(big, v);
	big.Cat("abcd");
	Vector<ImageIml> out;
	ParseImlBlob(out, big);
	ASSERT_EQ(out.GetCount(), 1);
	EXPECT_TRUE(out[0].image.IsEmpty());
}

TEST(Iml, CorruptOrShortBlocksGiveEmptyImages)
{
	String z = ZCompress(Blob({ { 0, Size(2, 2), Point(), Point(), 1 }, { 0, Size(2, 2), Point(), Point(), 2 } }));
	String cut = z.Mid(0, z.GetLength() - 9);
	String bad = z;
	bad.Set(5, bad[5] ^ 0x55);
	static const char* const names[] = { "a", "b", "c" };
	for(const String* data : { &cut, &bad }) {
		Iml list(names, 3);
		list.AddData(Iml::BASE, (const byte*)data->Begin(), data->GetLength(), 3);
		for(int i = 0; i < 3; i++)
			EXPECT_TRUE(list.Get(i).IsEmpty());
	}
	// a block that holds fewer images than it claims
	Iml list(names, 3);
	list.AddData(Iml::BASE, (const byte*)z.Begin(), z.GetLength(), 3);
	EXPECT_FALSE(list.Get(1).IsEmpty());
	EXPECT_TRUE(list.Get(2).IsEmpty());
	EXPECT_TRUE(list.GetRaw(Iml::BASE, 7).image.IsEmpty());
	EXPECT_TRUE(list.GetRaw(Iml::BASE, "zz").image.IsEmpty());
}

TEST(Iml, VariantChoiceUnderEveryFlagCombination)
{
	Guard guard;
	auto make = [] {
		return new TestList({
			{ "a",            { 0, Size(4, 4), Point(), Point(), 1 } },
			{ "a__DARK",      { IML_IMAGE_FLAG_DARK, Size(4, 4), Point(), Point(), 2 } },
			{ "b",            { 0, Size(4, 4), Point(), Point(), 3 } },
			{ "b__UHD",       { IML_IMAGE_FLAG_UHD, Size(8, 8), Point(), Point(), 4 } },
			{ "nocolor",      { IML_IMAGE_FLAG_FIXED_COLORS, Size(4, 4), Point(), Point(), 5 } },
			{ "dark",         { IML_IMAGE_FLAG_DARK, Size(4, 4), Point(), Point(), 6 } },
			{ "fixed",        { IML_IMAGE_FLAG_FIXED, Size(4, 4), Point(), Point(), 7 } },
			{ "nosize",       { IML_IMAGE_FLAG_FIXED_SIZE, Size(4, 4), Point(), Point(), 8 } },
			{ "uhd",          { IML_IMAGE_FLAG_UHD, Size(8, 8), Point(), Point(), 9 } },
			{ "s3",           { IML_IMAGE_FLAG_S3, Size(12, 6), Point(), Point(), 10 } },
		});
	};
	for(int hidpi = 0; hidpi < 2; hidpi++)
		for(int dark = 0; dark < 2; dark++) {
			SCOPED_TRACE(::testing::Message() << "hidpi " << hidpi << " dark " << dark);
			SetHiDpiMode(hidpi);
			SetDarkTheme(dark);
			std::unique_ptr<TestList> t(make());
			Iml& l = **t;
			auto raw = [&](const char* n) { return l.GetRaw(Iml::BASE, n).image; };
			auto size = [&](const Image& m) { return hidpi ? Upscale2x(m) : m; };
			auto color = [&](const Image& m) { return dark ? DarkTheme(m) : m; };
			auto get = [&](const char* n) { return l.Get(l.Find(n)); };

			EXPECT_TRUE(SamePixels(get("a"), size(dark ? raw("a__DARK") : raw("a"))));
			EXPECT_TRUE(SamePixels(get("b"), hidpi ? color(raw("b__UHD")) : color(raw("b"))));
			EXPECT_TRUE(SamePixels(get("nocolor"), size(raw("nocolor"))));
			EXPECT_TRUE(SamePixels(get("dark"), size(raw("dark"))));
			EXPECT_TRUE(SamePixels(get("fixed"), raw("fixed")));
			EXPECT_TRUE(SamePixels(get("nosize"), color(raw("nosize"))));
			EXPECT_TRUE(SamePixels(get("uhd"), color(hidpi ? raw("uhd") : Downscale2x(raw("uhd")))));
			EXPECT_TRUE(SamePixels(get("s3"), color(size(DownSample3x(raw("s3"))))));
			EXPECT_EQ(get("s3").GetSize(), Size(4 << hidpi, 2 << hidpi));
		}
}

TEST(Iml, ModeMaskStopsConversionsLikeTheFlags)
{
	Guard guard;
	SetDarkTheme(true);
	SetHiDpiMode(true);
	TestList t({ { "a", { 0, Size(4, 4), Point(), Point(), 1 } } });
	t->SetMode(IML_IMAGE_FLAG_FIXED_SIZE);
	EXPECT_TRUE(SamePixels(t->Get(0), DarkTheme(t->GetRaw(Iml::BASE, 0).image)));
	TestList u({ { "a", { 0, Size(4, 4), Point(), Point(), 1 } } });
	u->SetMode(IML_IMAGE_FLAG_FIXED);
	EXPECT_TRUE(SamePixels(u->Get(0), u->GetRaw(Iml::BASE, 0).image));
}

TEST(Iml, StoredImagesArePremultipliedUnlessAsked)
{
	TestList t({ { "a", { 0, Size(5, 3), Point(), Point(), 11 } } });
	Image raw = t->GetRaw(Iml::BASE, 0).image;
	Vector<ImageIml> straight;
	ParseImlBlob(straight, Blob({ { 0, Size(5, 3), Point(), Point(), 11 } }));
	EXPECT_TRUE(SamePixels(raw, Premultiply(straight[0].image)));
	EXPECT_EQ(t->Get(0).GetKind(), IMAGE_ALPHA);

	TestList u({ { "a", { 0, Size(5, 3), Point(), Point(), 11 } } });
	u->Premultiplied(false);
	EXPECT_TRUE(SamePixels(u->GetRaw(Iml::BASE, 0).image, straight[0].image));
}

TEST(Iml, RefreshKeepsHandedOutImagesCurrent)
{
	Guard guard;
	// registered lists live until exit
	TestList& t = Kept(new TestList({ { "x", { 0, Size(4, 4), Point(), Point(), 21 } },
	                              { "y", { 0, Size(4, 4), Point(1, 1), Point(), 22 } } }));
	RegisterIml("ImlTestRefresh", *t);
	Image x = t->Get(0);
	Image light = Image(x);
	ImageBuffer copy(light); // a private copy of the light pixels
	Image before = copy;
	uint64 serial = x.GetSerialId();

	SetDarkTheme(true);
	Iml::RefreshAll();
	EXPECT_NE(x.GetSerialId(), serial);
	EXPECT_TRUE(SamePixels(x, DarkTheme(before)));
	EXPECT_TRUE(x.IsSame(t->Get(0)));

	// not loaded before: nothing to refresh, decoded on use
	Image y = t->Get(1);
	EXPECT_EQ(y.GetHotSpot(), Point(1, 1));

	// Set replaces with a private copy, in place when the size matches
	Image red = Solid(4, 4, Px(255, 0, 0));
	t->Set(0, red);
	EXPECT_TRUE(SamePixels(x, red));
	EXPECT_FALSE(x.IsSame(red));

	// a size change hands out a new record and leaves the old one alone
	SetHiDpiMode(true);
	Iml::ResetAll();
	Image big = t->Get(1);
	EXPECT_EQ(big.GetSize(), Size(8, 8));
	EXPECT_EQ(y.GetSize(), Size(4, 4));
	EXPECT_EQ(big.GetHotSpot(), Point(2, 2));
}

TEST(Iml, OverrideTakesImagesOfTheSameName)
{
	TestList a({ { "x", { 0, Size(4, 4), Point(), Point(), 51 } }, { "y", { 0, Size(2, 2), Point(), Point(), 52 } } });
	TestList b({ { "y", { 0, Size(3, 3), Point(), Point(), 53 } }, { "z", { 0, Size(2, 2), Point(), Point(), 54 } } });
	Image x = a->Get(0);
	OverrideImlImages(*a, *b);
	EXPECT_TRUE(a->Get(0).IsSame(x));
	EXPECT_TRUE(SamePixels(a->Get(1), b->Get(0)));
	EXPECT_FALSE(a->Get(1).IsSame(b->Get(0)));
	OverrideImlImages(*a, *a); // in place: handed-out images keep their pixels
	EXPECT_TRUE(SamePixels(a->Get(0), x));
}

TEST(Iml, RegistryLooksUpListColonImage)
{
	EXPECT_GE(GetImlCount(), 1);
	int i = FindIml("DrawImg");
	ASSERT_GE(i, 0);
	EXPECT_EQ(&GetIml(i), &DrawImg::Iml());
	EXPECT_EQ(GetImlName(i), "DrawImg");
	EXPECT_EQ(FindIml("NoSuchList"), -1);

	Image dots = GetImlImage("DrawImg:threedots");
	EXPECT_EQ(dots.GetSize(), Size(6, 7));
	for(const char* text : { "DrawImg::threedots", "DrawImg:::threedots" })
		EXPECT_TRUE(GetImlImage(text).IsSame(DrawImg::threedots())) << text;
	EXPECT_EQ(GetImlImage("DrawImg:DefaultDragImage").GetSize(), Size(17, 11));
	for(const char* text : { "DrawImg", "DrawImg:", "DrawImg:nothing", "NoList:threedots", ":threedots", "" })
		EXPECT_TRUE(GetImlImage(text).IsEmpty()) << text;

	// registering a name again replaces the list
	static const char* const names[] = { "threedots" };
	static Iml other(names, 1);
	String z = ZCompress(Blob({ { 0, Size(1, 1), Point(), Point(), 1 } }));
	static String keep = z;
	other.AddData(Iml::BASE, (const byte*)keep.Begin(), keep.GetLength(), 1);
	RegisterIml("ImlTestReplace", DrawImg::Iml());
	int n = GetImlCount();
	RegisterIml("ImlTestReplace", other);
	EXPECT_EQ(GetImlCount(), n);
	EXPECT_EQ(GetImlImage("ImlTestReplace:threedots").GetSize(), Size(1, 1));
}

namespace {

// The PNG's pixels as straight R, G, B, A, read with libpng.
Image LoadPngStraight(const char* path)
{
	png_image img = {};
	img.version = PNG_IMAGE_VERSION;
	if(!png_image_begin_read_from_file(&img, path))
		return Image();
	img.format = PNG_FORMAT_RGBA;
	Vector<byte> px;
	px.SetCount(int(PNG_IMAGE_SIZE(img)));
	if(!png_image_finish_read(&img, nullptr, px.begin(), 0, nullptr))
		return Image();
	ImageBuffer b(img.width, img.height);
	const byte* s = px.begin();
	for(RGBA& t : b) {
		t = RGBA{ s[2], s[1], s[0], s[3] };
		s += 4;
	}
	return b;
}

} // namespace

TEST(Iml, BuildToolOutputDecodesToTheSourcePngs)
{
	struct { const char* name; const char* file; dword flags; } images[] = {
		{ "threedots", "threedots.png", 0 },
		{ "DefaultDragImage", "DefaultDragImage.png", 0xC0 },
	};
	Iml& l = DrawImg::Iml();
	ASSERT_EQ(l.GetCount(), 2);
	for(auto& m : images) {
		String path = QEL_SOURCE_DIR "/draw/iml/DrawImg/";
		path << m.file;
		Image png = LoadPngStraight(path);
		ASSERT_FALSE(png.IsEmpty()) << path;
		ImageIml raw = l.GetRaw(Iml::BASE, m.name);
		EXPECT_EQ(raw.flags, m.flags);
		EXPECT_TRUE(SamePixels(raw.image, Premultiply(png))) << m.name;
	}
}

TEST(Iml, ThreadsShareDecodedImages)
{
	TestList& t = Kept(new TestList({ { "p", { 0, Size(6, 6), Point(), Point(), 31 } },
	                              { "q", { 0, Size(3, 9), Point(), Point(), 32 } } }));
	RegisterIml("ImlTestThreads", *t);
	Image dots = DrawImg::threedots();
	std::atomic<int> bad{0};
	std::vector<std::thread> threads;
	for(int n = 0; n < 8; n++)
		threads.emplace_back([&, n] {
			for(int i = 0; i < 300; i++) {
				// two lists in one set: the block cache swaps between them
				Image a = GetImlImage((i + n) & 1 ? "ImlTestThreads:q" : "ImlTestThreads:p");
				if(a.GetSize() != ((i + n) & 1 ? Size(3, 9) : Size(6, 6)))
					bad++;
				if(t->GetRaw(Iml::BASE, (i + n) & 1).image.IsEmpty())
					bad++;
				if(!GetImlImage("DrawImg:threedots").IsSame(dots))
					bad++;
			}
		});
	for(auto& th : threads)
		th.join();
	EXPECT_EQ(bad, 0);
}

TEST(Iml, FetchesRaceWithResetsAndRefreshes)
{
	Guard guard;
	TestList& t = Kept(new TestList({ { "p", { 0, Size(6, 6), Point(), Point(), 41 } } }));
	RegisterIml("ImlTestRace", *t);
	std::atomic<bool> stop{false};
	std::atomic<int> bad{0};
	std::vector<std::thread> threads;
	for(int n = 0; n < 7; n++)
		threads.emplace_back([&] {
			while(!stop) {
				Size sz = GetImlImage("ImlTestRace:p").GetSize();
				if(sz != Size(6, 6) && sz != Size(12, 12))
					bad++;
			}
		});
	for(int i = 0; i < 200; i++) {
		SetHiDpiMode(i & 1);
		SetDarkTheme(i & 2);
		if(i % 3)
			Iml::ResetAll();
		else
			Iml::RefreshAll();
	}
	stop = true;
	for(auto& th : threads)
		th.join();
	EXPECT_EQ(bad, 0);
}


// A run that fails after it began to write leaves neither the output nor the piece it wrote
// aside; a good run leaves the output alone.
TEST(Iml, BuildToolLeavesNothingWhenItFailsLate)
{
	char dir[] = "/tmp/qel-iml-XXXXXX";
	ASSERT_TRUE(mkdtemp(dir));
	std::string d = dir;
	std::string manifest = QEL_SOURCE_DIR "/draw/iml/DrawImg.iml";
	auto run = [&](const std::string& out) {
		return system((std::string(QEL_IMLBUILD) + " '" + manifest + "' '" + out + "' 2>/dev/null").c_str());
	};
	// the output's name is taken by a folder with a file in it: the final rename fails
	ASSERT_EQ(mkdir((d + "/out.cpp").c_str(), 0700), 0);
	ASSERT_TRUE(SaveFile((d + "/out.cpp/x").c_str(), "x"));
	EXPECT_NE(run(d + "/out.cpp"), 0);
	EXPECT_NE(access((d + "/out.cpp.tmp").c_str(), F_OK), 0);
	EXPECT_EQ(run(d + "/good.cpp"), 0);
	EXPECT_EQ(access((d + "/good.cpp.tmp").c_str(), F_OK), -1);
	EXPECT_GT(LoadFile((d + "/good.cpp").c_str()).GetLength(), 100);
	EXPECT_EQ(system(("rm -rf '" + d + "'").c_str()), 0);
}
