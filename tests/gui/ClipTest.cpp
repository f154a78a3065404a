// The clipboard and the primary selection against xclip on the test display, paste sources over
// them, and the pixel forms of Image and GdkPixbuf.
#include "GuiApp.h"

#include <gui/gtk/detail/Clip.h>
#include <richtext/RichText.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>

namespace guitest {

namespace {

using detail::PixelsToImage;

std::string ReadFile(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	std::stringstream s;
	s << f.rdbuf();
	return s.str();
}

std::string Png(const char* name) { return ReadFile(std::string(QEL_TEST_DATA "/pngsuite/") + name); }

Image Decode(const std::string& bytes) { return LoadImageString(String(bytes.data(), (int)bytes.size())); }

bool SameImage(const Image& a, const Image& b)
{
	return a.GetSize() == b.GetSize() && !a.IsEmpty() &&
	       memcmp(a.Begin(), b.Begin(), a.GetLength() * sizeof(RGBA)) == 0;
}

// Counts how often the clipboard asked for the data.
int sRenders;
String CountedRender(const Value& v)
{
	sRenders++;
	return v.ToString();
}

class Clip : public GuiApp {
protected:
	// What the GTK peer program reads from a selection as target: "DATA <hex>".
	std::string PeerRead(const char* sel, const char* target)
	{
		std::string path = testkit::TempFolder() + "/peer-read.out";
		int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
		pid_t pid = testkit::Spawn({QEL_GUI_PEER, "read", sel, target}, -1, fd);
		close(fd);
		int status = 0;
		EXPECT_TRUE(Pump([&] { return waitpid(pid, &status, WNOHANG) == pid; }, "the peer's read"));
		testkit::Stop(pid);
		std::string out = ReadFile(path);
		return out.substr(0, out.find('\n'));
	}
};

TEST(PixbufForm, StraightOutsidePremultipliedInsideAndRefusedForms)
{
	// r, g, b = 10, 20, 30 without alpha
	const byte rgb[] = {10, 20, 30};
	Image a = PixelsToImage(rgb, 3, 1, 1, 3, 3, 8, false);
	ASSERT_EQ(a.GetSize(), Size(1, 1));
	EXPECT_EQ(a[0][0].b, 30);
	EXPECT_EQ(a[0][0].g, 20);
	EXPECT_EQ(a[0][0].r, 10);
	EXPECT_EQ(a[0][0].a, 255);
	EXPECT_EQ(a.GetKind(), IMAGE_OPAQUE);

	const byte rgba[] = {50, 100, 200, 128, 1, 2, 3, 255};
	Image b = PixelsToImage(rgba, 8, 2, 1, 8, 4, 8, true);
	ASSERT_EQ(b.GetSize(), Size(2, 1));
	EXPECT_EQ(b[0][0].b, 100);
	EXPECT_EQ(b[0][0].g, 50);
	EXPECT_EQ(b[0][0].r, 25);
	EXPECT_EQ(b[0][0].a, 128);
	GdkPixbuf* pb = detail::ImageToPixbuf(b);
	ASSERT_TRUE(pb);
	EXPECT_EQ(memcmp(gdk_pixbuf_get_pixels(pb), rgba, 8), 0); // back out unchanged, opaque too
	Image back = detail::PixbufToImage(pb);
	g_object_unref(pb);
	EXPECT_TRUE(SameImage(back, b));

	// rows long enough for the four-pixel steps and a tail: every pixel lands in its place
	byte row[9 * 4];
	for(int i = 0; i < 9; i++)
		memcpy(row + 4 * i, i % 3 ? rgba : rgba + 4, 4);
	Image wide = PixelsToImage(row, sizeof(row), 9, 1, sizeof(row), 4, 8, true);
	EXPECT_EQ(wide[0][8].r, 25);
	EXPECT_EQ(wide[0][3].r, 1);
	pb = detail::ImageToPixbuf(wide);
	ASSERT_TRUE(pb);
	EXPECT_EQ(memcmp(gdk_pixbuf_get_pixels(pb), row, sizeof(row)), 0);
	g_object_unref(pb);

	// 16 bits, one channel, alpha on three channels, rows that do not fit their data
	const byte big[64] = {};
	EXPECT_TRUE(PixelsToImage(big, 64, 2, 2, 16, 4, 16, true).IsEmpty());
	EXPECT_TRUE(PixelsToImage(big, 64, 2, 2, 2, 1, 8, false).IsEmpty());
	EXPECT_TRUE(PixelsToImage(big, 64, 2, 2, 6, 3, 8, true).IsEmpty());
	EXPECT_TRUE(PixelsToImage(big, 64, 2, 2, 7, 4, 8, true).IsEmpty());   // stride below a row
	EXPECT_TRUE(PixelsToImage(big, 64, 2, 9, 8, 4, 8, true).IsEmpty());   // 9 rows in 64 bytes
	EXPECT_FALSE(PixelsToImage(big, 64, 2, 8, 8, 4, 8, true).IsEmpty());  // 8 rows fit exactly
	EXPECT_FALSE(PixelsToImage(big, 62, 2, 8, 8, 3, 8, false).IsEmpty()); // last row without padding
	EXPECT_TRUE(PixelsToImage(big, 64, 0, 2, 8, 4, 8, true).IsEmpty());

	// the icon converter builds nothing for the same image again
	detail::ImageGdk icon;
	EXPECT_TRUE(icon.Set(b));
	GdkPixbuf* first = icon.Get();
	EXPECT_FALSE(icon.Set(b));
	EXPECT_EQ(icon.Get(), first);
	EXPECT_TRUE(icon.Set(a));
}

TEST_F(Clip, TextImageAndRawTargetsReachXclipAndReplaceEachOther)
{
	Image img = Decode(Png("basn2c08.png"));
	ASSERT_FALSE(img.IsEmpty());
	AppendClipboardUnicodeText(ToUtf32("one \xC3\xA9"));
	AppendClipboard("image", img);
	std::string targets = testkit::GetSelection("clipboard", testkit::WAIT_MS, "TARGETS");
	EXPECT_NE(targets.find("UTF8_STRING"), std::string::npos);
	EXPECT_NE(targets.find("image/png"), std::string::npos);
	EXPECT_EQ(testkit::GetSelection(), "one \xC3\xA9");
	EXPECT_TRUE(SameImage(Decode(testkit::GetSelection("clipboard", testkit::WAIT_MS, "image/png")), img));
	AppendClipboard("text", String("two"));
	EXPECT_EQ(testkit::GetSelection(), "two");
	EXPECT_TRUE(SameImage(Decode(testkit::GetSelection("clipboard", testkit::WAIT_MS, "image/png")), img));
	// our own offer read back through GTK
	EXPECT_EQ(ReadClipboardUnicodeText(), WString("two"));
	PasteSource clip;
	EXPECT_TRUE(SameImage(GetImage(clip), img));
	// rich text's image objects reach the clipboard through the hooks the GUI set at start-up
	const RichObjectType* rich = RichObject::FindType("image");
	ASSERT_TRUE(rich);
	EXPECT_EQ(rich->GetClipFormats(), "image");
	EXPECT_TRUE(rich->AcceptClip(clip));
	EXPECT_TRUE(SameImage(LoadImageFromString(rich->ReadClip(clip).ToString()), img));
	EXPECT_TRUE(SameImage(LoadImageFromString(rich->GetClipData(StoreImageAsString(img), "image")), img));

	// raw bytes, zeros included, both ways
	std::string raw("a\0b\0\xFF", 5);
	AppendClipboard("application/x-qel-raw", String(raw.data(), 5));
	EXPECT_EQ(testkit::GetSelection("clipboard", testkit::WAIT_MS, "application/x-qel-raw"), raw);
	std::string other("\0\0x\0", 4);
	ASSERT_TRUE(testkit::SetSelection(other, "clipboard", "application/x-qel-other"));
	EXPECT_EQ(detail::ClipGet(detail::SEL_CLIPBOARD, "application/x-qel-other"), String(other.data(), 4));

	// another program took the clipboard: the next offer starts afresh
	AppendClipboard("text", String("three"));
	EXPECT_FALSE(clip.IsAvailable("application/x-qel-raw"));
	EXPECT_TRUE(clip.IsAvailable("text"));
	EXPECT_FALSE(clip.IsAvailable("image"));

	// a value that has no text form is offered but gives nothing, and fails nothing
	AppendClipboard("application/x-qel-rect", Rect(1, 2, 3, 4));
	EXPECT_EQ(testkit::GetSelection("clipboard", 5000, "application/x-qel-rect"), "");
	EXPECT_NO_THROW(Ctrl::ProcessEvents());
	ClearClipboard();
	EXPECT_FALSE(IsClipboardAvailableText());
}

TEST_F(Clip, FilesTextAndPngSuiteImagesFromXclip)
{
	ASSERT_TRUE(testkit::SetSelection("file:///a\r\nfile:///b\r\n", "clipboard", "text/uri-list"));
	PasteSource clip;
	EXPECT_EQ(clip.Get("files"), "file:///a\nfile:///b\n");

	const std::string valid = "h\xC3\xA9llo \xE2\x82\xAC \xF0\x9F\x98\x80 end";
	ASSERT_TRUE(testkit::SetSelection(valid));
	EXPECT_TRUE(IsClipboardAvailableText());
	EXPECT_EQ(ReadClipboardUnicodeText(), ToUtf32(valid.c_str()));
	// overlong forms, lone surrogates, cut sequences: read without a crash, whatever GTK keeps
	for(std::string bad : {std::string("a\xC0\xAF" "b"), std::string("a\xED\xA0\x80" "b"), std::string("a\xE2\x82"),
	                       std::string("\xF0\x9F\x98")}) {
		ASSERT_TRUE(testkit::SetSelection(bad));
		WString w = ReadClipboardUnicodeText();
		EXPECT_LE(w.GetLength(), (int)bad.size());
	}

	for(const char* name : {"basn0g08.png", "basn2c08.png", "basn3p08.png", "basn4a08.png", "basn6a08.png"}) {
		SCOPED_TRACE(name);
		std::string png = Png(name);
		ASSERT_TRUE(testkit::SetSelection(png, "clipboard", "image/png"));
		EXPECT_TRUE(IsAvailableImage(clip));
		EXPECT_TRUE(SameImage(GetImage(clip), Decode(png)));
	}

	// the accepted format is fetched once; pasting takes the first offered format of the list
	PasteSource paste(PasteSource::CLIPBOARD, true);
	AppendClipboard("files", String("file:///x\n"), CountedRender);
	sRenders = 0;
	EXPECT_TRUE(paste.Accept("text;files"));
	EXPECT_EQ(paste.fmt, "files");
	EXPECT_EQ(paste.data, "file:///x\n");
	EXPECT_TRUE(paste.Accept("files"));
	EXPECT_EQ(sRenders, 1);
	PasteSource query;
	EXPECT_FALSE(query.Accept("text;files"));
	EXPECT_TRUE(query.IsAccepted());
	EXPECT_EQ(query.data, "");
}

TEST_F(Clip, TextOfEveryTextTargetArrivesWhole)
{
	// invalid UTF-8 and NULs: UTF-8 targets keep every byte (as escape characters where not
	// UTF-8), the Latin-1 ones give a character per byte
	String bad = LoadFile(QEL_TEST_DATA "/hostile/badutf8.txt");
	ASSERT_EQ(bad.GetLength(), 71);
	WString latin1;
	for(char c : bad)
		latin1.Cat((byte)c);
	for(const char* target : {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "text/plain"}) {
		SCOPED_TRACE(target);
		ASSERT_TRUE(testkit::SetSelection(S(bad), "clipboard", target));
		WString want = strcmp(target, "STRING") && strcmp(target, "text/plain") ? ToUtf32(bad) : latin1;
		WString got = ReadClipboardUnicodeText();
		EXPECT_EQ(got.GetLength(), want.GetLength());
		EXPECT_EQ(S(ToUtf8(got)), S(ToUtf8(want)));
		PasteSource clip;
		EXPECT_EQ(S(ToUtf8(GetWString(clip))), S(ToUtf8(want)));
	}
	// text/plain carries CR LF line ends; the other forms keep a CR
	ASSERT_TRUE(testkit::SetSelection("a\r\nb", "clipboard", "text/plain;charset=utf-8"));
	EXPECT_EQ(S(ToUtf8(ReadClipboardUnicodeText())), "a\nb");
	ASSERT_TRUE(testkit::SetSelection("a\r\nb", "clipboard", "UTF8_STRING"));
	EXPECT_EQ(S(ToUtf8(ReadClipboardUnicodeText())), "a\r\nb");
	// compound text goes on past its NULs, to the end
	ASSERT_TRUE(testkit::SetSelection(std::string("caf\xE9\0\0x\0", 8), "clipboard", "COMPOUND_TEXT"));
	EXPECT_EQ(S(ToUtf8(ReadClipboardUnicodeText())), std::string("caf\xC3\xA9\0\0x\0", 9));
	// our own text read back
	WString own = ToUtf32("x\ny\0z\xFF", 6);
	AppendClipboardUnicodeText(own);
	EXPECT_EQ(S(ToUtf8(ReadClipboardUnicodeText())), S(ToUtf8(own)));
	// and given out whole on each text target another program may ask for
	AppendClipboardUnicodeText(ToUtf32(String("a\0b\xC3\xA9\n\0", 7)));
	EXPECT_EQ(testkit::GetSelection("clipboard", testkit::WAIT_MS, "text/plain;charset=utf-8"),
	          std::string("a\0b\xC3\xA9\r\n\0", 8));
	EXPECT_EQ(testkit::GetSelection("clipboard", testkit::WAIT_MS, "text/plain"), std::string("a\0b\\u00e9\r\n\0", 12));
	EXPECT_EQ(testkit::GetSelection("clipboard", testkit::WAIT_MS, "STRING"), std::string("a\0b\xE9\n\0", 6));
	EXPECT_EQ(testkit::GetSelection("clipboard", testkit::WAIT_MS, "UTF8_STRING"), std::string("a\0b\xC3\xA9\n\0", 7));
	EXPECT_EQ(testkit::GetSelection("clipboard", testkit::WAIT_MS, "COMPOUND_TEXT").substr(0, 3), std::string("a\0b", 3));
	// other charsets are converted; one that cannot be keeps the bytes
	EXPECT_EQ(S(detail::DecodeClipText("\xB5\xE8", 2, "text/plain; charset=\"ISO-8859-2\"")), "\xC4\xBE\xC4\x8D");
	EXPECT_EQ(S(detail::DecodeClipText("\xB5\xE8", 2, "text/plain;charset=x-none")), "\xB5\xE8");
	EXPECT_EQ(S(detail::DecodeClipText("\xB5\xE8", 2, "text/plain; format=flowed; charset=ISO-8859-2; delsp=no")),
	          "\xC4\xBE\xC4\x8D");
}

TEST_F(Clip, PrimaryFollowsTheSelectionSourceWhileItLives)
{
	{
		PaintCtrl c("c");
		c.selection = "selected \xC3\xA9";
		c.SetSelectionSource("text;application/x-qel-sel");
		EXPECT_EQ(testkit::GetSelection("primary"), "selected \xC3\xA9");
		EXPECT_EQ(PeerRead("primary", "UTF8_STRING"), "DATA 73656c656374656420c3a9");
		EXPECT_EQ(PeerRead("primary", "application/x-qel-sel"), "DATA "); // the control has none
		EXPECT_EQ(S(ToUtf8(GetWString(SelectionPasteSource()))), "selected \xC3\xA9");
		PasteSource& sel = SelectionPasteSource();
		sel.fmt = "text";
		EXPECT_EQ(&SelectionPasteSource(), &sel);
		EXPECT_EQ(sel.fmt, "");
		EXPECT_EQ(sel.kind, PasteSource::SELECTION);
	}
	EXPECT_EQ(testkit::GetSelection("primary"), "");
	ASSERT_TRUE(testkit::SetSelection("from xclip", "primary"));
	EXPECT_EQ(S(ToUtf8(GetWString(SelectionPasteSource()))), "from xclip");
	EXPECT_TRUE(IsAvailableText(SelectionPasteSource()));
}

} // namespace

} // namespace guitest
