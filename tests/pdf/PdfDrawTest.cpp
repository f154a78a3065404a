// PdfDraw documents as the PDF tools read them: structure and pages, text and its fonts, images
// stored once, raw JPEG data, links.
#include "PdfTools.h"

#include <pdf/detail/PdfOut.h>
#include <draw/record/DrawingDraw.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace Qel;
using namespace QelTest;

// fontconfig loses a block reading some configurations; not ours to find.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

std::string Info(const String& pdf, const char* options = "")
{
	return Shell(std::string("pdfinfo ") + options + " '" + Save("info.pdf", pdf) + "' 2>&1");
}

std::string Field(std::string info, const std::string& name)
{
	info = "\n" + info;
	size_t at = info.find("\n" + name + ":");
	if(at == std::string::npos)
		return std::string();
	at = info.find_first_not_of(' ', at + name.size() + 2);
	return info.substr(at, info.find('\n', at) - at);
}

} // namespace

TEST(PdfDraw, DocumentAndPages)
{
	PdfDraw pdf(Size(1200, 600));
	String empty = pdf.Finish();
	ASSERT_TRUE(IsValidPdf(empty));
	EXPECT_TRUE(empty.StartsWith("%PDF-1.4"));
	std::string info = Info(empty);
	EXPECT_EQ(Field(info, "Pages"), "1") << "nothing drawn: one empty page";
	EXPECT_EQ(Field(info, "Page size"), "144 x 72 pts");
	EXPECT_EQ(Field(info, "Producer"), "Qel");
	// The creation date in local time with the zone, as the trailer's ID comes from a Uuid.
	std::string raw(empty.Begin(), empty.GetLength());
	EXPECT_TRUE(HasShape(raw, "/CreationDate (D:", "dddddddddddddd+dd'dd')") ||
	            HasShape(raw, "/CreationDate (D:", "dddddddddddddd-dd'dd')"));
	std::string hex(32, 'X');
	EXPECT_TRUE(HasShape(raw, "/ID [<", hex + "> <" + hex + ">]"));
	EXPECT_NE(Field(info, "CreationDate"), "");

	// Drawing outside a page opens one; StartPage on an open page ends it; EndOp without its
	// Begin and levels left open change nothing outside their page.
	pdf.DrawRect(0, 0, 10, 10, Color(1, 2, 3));
	pdf.StartPage();
	pdf.EndPage();
	pdf.EndPage();
	pdf.EndOp();
	pdf.Offset(10, 10);
	pdf.ClipOff(0, 0, 5, 5);
	pdf.BeginOp();
	pdf.StartPage();
	pdf.DrawRect(0, 0, 10, 10, Color(1, 2, 3));
	String four = pdf.Finish();
	ASSERT_TRUE(IsValidPdf(four));
	EXPECT_EQ(Field(Info(four), "Pages"), "4");
	EXPECT_EQ(Field(Info(pdf.Finish()), "Pages"), "1") << "Finish starts a new document";
	// sides held within 1..120000 dots
	EXPECT_EQ(Field(Info(PdfDraw(0, 200000).Finish()), "Page size"), "0.12 x 14400 pts");
}

TEST(PdfDraw, NumbersInFixedForm)
{
	using detail::PdfNumber;
	auto num = [](double v, int d) {
		StringBuffer b;
		PdfNumber(b, v, d);
		return std::string(b.Begin());
	};
	EXPECT_EQ(num(0.12, 4), "0.12");
	EXPECT_EQ(num(-0.0004, 3), "0");
	EXPECT_EQ(num(-1.0005, 3), "-1.001");
	EXPECT_EQ(num(2.5e-7, 4), "0");
	EXPECT_EQ(num(1e300, 2), "1000000000000.0");
	EXPECT_EQ(num(-1e300, 2), "-1000000000000.0");
	EXPECT_EQ(num(2147483647, 0), "2147483647");
	EXPECT_EQ(num(-2147483648.0, 0), "-2147483648.0");
	EXPECT_EQ(num(NAN, 2), "0");
	EXPECT_EQ(num(-INFINITY, 2), "0");
	EXPECT_EQ(num(123456789.25, 1), "123456789.3");

	// extreme operands on a page still make a document every reader takes
	PdfDraw pdf(600, 600);
	int big = INT_MAX, small = INT_MIN + 1;
	pdf.DrawRect(small, small, big, big, Color(9, 9, 9));
	pdf.DrawLineOp(small, 0, big, 1, big, Color(1, 1, 1));
	pdf.DrawEllipseOp(Rect(small, small, big, big), Color(1, 2, 3), big, Color(0, 0, 0));
	pdf.DrawArcOp(Rect(0, 0, 1, big), Point(small, 0), Point(0, big), 3, Color(0, 0, 0));
	pdf.DrawText(big, small, 1234567, "x", Font(Font::SANSSERIF, 32767).Width(-32768), Color(0, 0, 0));
	pdf.DrawImage(small, small, big, big, TestImage(20, 20));
	EXPECT_TRUE(IsValidPdf(pdf.Finish()));
}

namespace {

std::string Utf8(const WString& w) { return std::string(~w.ToString()); }

} // namespace

TEST(PdfDraw, TextIsRealTextInSubsets)
{
	PdfDraw pdf(6000, 3000);
	Font sans(Font::SANSSERIF, 60), serif(Font::SERIF, 60);
	Vector<String> lines = { "Příliš žluťoučký kůň úpěl ďábelské ódy", "Ελληνικά γράμματα", "Кириллица ← ↑ → ↓ ⇒" };
	pdf.DrawText(100, 100, lines[0], sans, Color(0, 0, 0));
	pdf.DrawText(100, 200, lines[1], serif, Color(0, 0, 0));
	pdf.DrawText(100, 300, lines[2], sans, Color(0, 0, 0));
	// more than 255 glyphs of one face
	WString many;
	for(int c = 0x100; c < 0x180; c++)
		many.Cat(c);
	for(int c = 0x410; c < 0x450; c++)
		many.Cat(c);
	for(int c = 0x391; c < 0x3AA; c++)
		if(c != 0x3A2)
			many.Cat(c);
	for(int c = 0x3B1; c < 0x3CA; c++)
		many.Cat(c);
	for(int c = 'A'; c <= 'z'; c++)
		if(c <= 'Z' || c >= 'a')
			many.Cat(c);
	ASSERT_GT(many.GetCount(), 255);
	std::vector<std::string> parts;
	for(int i = 0; i < many.GetCount(); i += 40) {
		WString part = many.Mid(i, 40);
		pdf.DrawText(100, 500 + i * 3, part, sans, Color(0, 0, 0));
		parts.push_back(Utf8(part));
	}
	String doc = pdf.Finish();
	ASSERT_TRUE(IsValidPdf(doc));
	std::string text = PdfText(doc);
	for(const String& l : lines)
		EXPECT_NE(text.find(~l), std::string::npos) << ~l << " in " << text;
	for(const std::string& p : parts)
		EXPECT_NE(text.find(p), std::string::npos) << p << " in " << text;

	EXPECT_TRUE(FontRow(doc, "DejaVuSans").starts_with("+ CID TrueType Identity-H yes yes yes"));
	EXPECT_TRUE(FontRow(doc, "DejaVuSerif").starts_with("+ CID TrueType Identity-H yes yes yes"));
	std::string fonts = Shell("pdffonts '" + Save("fonts.pdf", doc) + "'");
	EXPECT_EQ(std::count(fonts.begin(), fonts.end(), '\n'), 4) << "each face once: " << fonts;
}

namespace {

struct ImageRow {
	int page, width, height, object;
	std::string type, enc;
};

std::vector<ImageRow> Images(const String& pdf)
{
	std::vector<ImageRow> r;
	std::istringstream in(Shell("pdfimages -list '" + Save("images.pdf", pdf) + "'"));
	std::string line;
	while(std::getline(in, line)) {
		std::istringstream l(line);
		ImageRow i;
		std::string num, color, comp, bpc, interp;
		if(l >> i.page >> num >> i.type >> i.width >> i.height >> color >> comp >> bpc >> i.enc >> interp >> i.object)
			r.push_back(i);
	}
	return r;
}

} // namespace

TEST(PdfDraw, ImagesStoredOnceJpegPassedThrough)
{
	Image m = TestImage(40, 30), opaque = TestImage(1, 1);
	PdfDraw pdf(600, 600);
	for(int page = 0; page < 4; page++) {
		pdf.StartPage();
		pdf.DrawImage(10, 10, m);
		pdf.DrawImage(100, 10, 300, 200, m);               // scaled: the same pixels
		pdf.DrawImage(10, 300, m, Color(0, 0, 200));       // the coverage in a colour
		pdf.DrawImageOp(300, 300, 20, 20, m, Rect(0, 0, 20, 20), Color()); // a part
		PdfDrawRawData(pdf, 400, 400, 100, 100, RedJpeg());
	}
	PdfDrawRawData(pdf, 0, 400, 100, 100, GreyJpeg());
	PdfDrawRawData(pdf, 100, 400, 100, 100, "no image at all"); // the placeholder
	String doc = pdf.Finish();
	ASSERT_TRUE(IsValidPdf(doc));
	std::vector<ImageRow> rows = Images(doc);
	ASSERT_EQ(rows.size(), 4u * 9 + 2);
	Index<int> objects;
	int smask = 0, jpeg = 0;
	for(const ImageRow& r : rows) {
		objects.FindAdd(r.object);
		smask += r.type == "smask";
		jpeg += r.enc == "jpeg";
	}
	// the whole image, its colour form, the part, two JPEG files, the placeholder (the tool
	// lists a mask under its image's number)
	EXPECT_EQ(objects.GetCount(), 6);
	EXPECT_EQ(smask, 4 * 4);
	EXPECT_EQ(jpeg, 4 + 1);

	// the JPEG files come out byte for byte
	std::string dir = ScratchDir() + "/jpeg";
	Shell("mkdir -p '" + dir + "' && pdfimages -j '" + Save("j.pdf", doc) + "' '" + dir + "/x'");
	std::string files = Shell("ls '" + dir + "'");
	std::istringstream names(files);
	int same = 0;
	for(std::string f; names >> f;) {
		std::ifstream in(dir + "/" + f, std::ios::binary);
		std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
		same += data == std::string(RedJpeg().Begin(), RedJpeg().GetLength()) ||
		        data == std::string(GreyJpeg().Begin(), GreyJpeg().GetLength());
	}
	EXPECT_EQ(same, 5) << files;
	Image page = RenderPage(doc, 4, 72);
	ASSERT_FALSE(page.IsEmpty());
	RGBA red = page[54][54];
	EXPECT_TRUE(red.r > 240 && red.g < 20 && red.b < 20) << int(red.r) << " " << int(red.g) << " " << int(red.b);
}

// JPEG data that a reader cannot decode within bounds shows as the image given: cut before its
// scan or its end, without a frame, declaring 65296 x 65296 pixels, or ending inside the scan's
// header (whose last bytes only look like the end marker).
TEST(PdfDraw, JpegPassedThroughOnlyWhenWhole)
{
	String red = RedJpeg();
	int sof = red.Find("\xFF\xC0"), sos = red.Find("\xFF\xDA");
	ASSERT_TRUE(sof > 0 && sos > sof);
	std::string t(red.Begin(), red.GetLength());
	t.replace(sof + 5, 4, "\xFF\x10\xFF\x10"); // height and width, big-endian
	String huge(t.data(), int(t.size()));
	String frameless = red.Left(sof) + red.Mid(sos);
	String cut_header = red.Left(sos) + String("\xFF\xDA\x00\x04\xFF\xD9", 6);
	String lossless = red;
	lossless.Set(sof + 1, 0xC3);
	const String bad[] = { red.Left(red.GetLength() - 2), red.Left(sos), frameless, huge, huge.Left(160),
	                       cut_header, lossless };
	PdfDraw pdf(600, 600);
	for(const String& data : bad)
		PdfDrawRawData(pdf, 0, 0, 100, 100, data);
	String doc = pdf.Finish();
	ASSERT_TRUE(IsValidPdf(doc));
	std::vector<ImageRow> rows = Images(doc);
	ASSERT_EQ(rows.size(), std::size(bad));
	for(const ImageRow& r : rows)
		EXPECT_EQ(r.enc, "image") << r.width << " x " << r.height;
}

TEST(PdfDraw, LinksCoverWhatWasDrawn)
{
	PdfDraw pdf(1200, 1200);
	pdf.Escape("url:https://qel.example/a(b)");
	pdf.DrawRect(100, 100, 200, 50, Color(0, 0, 255));
	pdf.Offset(600, 0);
	pdf.DrawRect(0, 300, 100, 100, Color(0, 0, 255)); // to (700, 400)
	pdf.EndOp();
	pdf.Escape("url:");
	pdf.Escape("url:https://nothing.example/"); // nothing drawn: no link
	pdf.Escape("url:");
	pdf.StartPage();
	pdf.Escape("url:mailto:someone@example.com");
	pdf.DrawText(10, 10, "spans two pages", StdFont(), Color(0, 0, 0));
	pdf.StartPage();
	pdf.DrawEllipse(Rect(10, 10, 50, 50), Color(0, 0, 0));
	pdf.Escape("illegal: ignored");
	String doc = pdf.Finish();
	ASSERT_TRUE(IsValidPdf(doc));
	std::string urls = Shell("pdfinfo -url '" + Save("links.pdf", doc) + "'");
	EXPECT_NE(urls.find("1  Annotation    https://qel.example/a(b)"), std::string::npos) << urls;
	EXPECT_NE(urls.find("2  Annotation    mailto:someone@example.com"), std::string::npos) << urls;
	EXPECT_NE(urls.find("3  Annotation    mailto:someone@example.com"), std::string::npos) << urls;
	EXPECT_EQ(urls.find("nothing"), std::string::npos) << urls;
	// points, y up: (100, 100) to (700, 400) of 1200 dots
	EXPECT_NE(std::string(doc.Begin(), doc.GetLength()).find("/Rect [12 96 84 132]"), std::string::npos);
}
