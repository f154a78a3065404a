// Drag and drop with another program: a plain GTK peer (tests/gui/peer) drags files, text and
// images into our windows and takes our drags; xdotool holds the button and moves the pointer
// in steps, each confirmed before the next.
#include "GuiApp.h"

#include <gui/clip/detail/Clip.h>
#include <gui/gtk/detail/Clip.h>
#include <gui/gtk/detail/KeyTranslate.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>

namespace guitest {

namespace {

std::string ReadFile(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	std::stringstream s;
	s << f.rdbuf();
	return s.str();
}

std::string WriteTemp(const std::string& name, const std::string& data)
{
	std::string path = testkit::TempFolder() + "/" + name;
	std::ofstream(path, std::ios::binary) << data;
	return path;
}

std::string Hex(const std::string& s)
{
	static const char* digits = "0123456789abcdef";
	std::string out;
	for(unsigned char c : s) {
		out += digits[c >> 4];
		out += digits[c & 15];
	}
	return out;
}

// The peer program with its output in a file of its own.
class Peer {
public:
	int x = 0, y = 0, cx = 0, cy = 0;

	Peer(std::vector<std::string> args)
	{
		path = testkit::TempFolder() + "/peer-" + std::to_string(++serial) + ".out";
		int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
		args.insert(args.begin(), QEL_GUI_PEER);
		pid = testkit::Spawn(args, -1, fd);
		close(fd);
	}
	~Peer() { testkit::Stop(pid); }

	std::string Output() const { return ReadFile(path); }
	// The first line that starts with prefix (without the prefix); empty when none has come.
	std::string Line(const std::string& prefix) const
	{
		std::istringstream s(Output());
		for(std::string l; std::getline(s, l);)
			if(l.rfind(prefix, 0) == 0)
				return l.substr(prefix.size());
		return std::string();
	}
	bool Has(const std::string& prefix) const { return Output().find("\n" + prefix) != std::string::npos ||
	                                                   Output().rfind(prefix, 0) == 0; }

private:
	pid_t       pid;
	std::string path;
	static inline int serial = 0;
};

class Dnd : public GuiApp {
protected:
	// Waits, dispatching our events, until the peer printed a line starting with prefix.
	bool PumpPeer(const Peer& p, const std::string& prefix)
	{
		return Pump([&] { return p.Has(prefix); }, prefix.c_str());
	}
	bool StartPeer(Peer& p)
	{
		if(!PumpPeer(p, "READY "))
			return false;
		std::istringstream s(p.Line("READY "));
		s >> p.x >> p.y >> p.cx >> p.cy;
		return p.cx > 0;
	}
	// Runs xdotool with args and dispatches our events until it is done.
	bool Xdotool(std::vector<std::string> args)
	{
		args.insert(args.begin(), "xdotool");
		pid_t pid = testkit::Spawn(args);
		int status = -1;
		bool done = Pump([&] { return waitpid(pid, &status, WNOHANG) == pid; }, "xdotool");
		testkit::Stop(pid);
		return done && WIFEXITED(status) && WEXITSTATUS(status) == 0;
	}
	static std::string N(int v) { return std::to_string(v); }

	// The peer drags from its window's middle into ours at (tx, ty), holding Ctrl when copy;
	// target is the control that should see the drag arrive, expect the action it should answer.
	void DragFromPeer(Peer& p, RecordingCtrl& target, int tx, int ty, bool copy, int expect)
	{
		int px = p.x + p.cx / 2, py = p.y + p.cy / 2;
		ASSERT_TRUE(Xdotool({"mousemove", "--sync", N(px), N(py), "mousedown", "1", "mousemove", "--sync", N(px - 10),
		                     N(py), "mousemove", "--sync", N(px - 20), N(py)}));
		ASSERT_TRUE(PumpPeer(p, "BEGIN"));
		std::vector<std::string> move;
		if(copy)
			move = {"keydown", "ctrl"};
		for(int i = 1; i <= 4; i++)
			move.insert(move.end(), {"mousemove", "--sync", N(px - 20 + (tx - px + 20) * i / 4), N(ty + (py - ty) / (i + 1))});
		ASSERT_TRUE(Xdotool(move));
		// each move over the target makes the peer tell its position; one may come before the peer
		// is ready to tell it, so the pointer moves on until ours has heard
		auto seen = [&] { return !Calls(target.id + ".DragAndDrop").empty(); };
		for(int i = 0; i < 60 && !seen(); i++) {
			ASSERT_TRUE(Xdotool({"mousemove", "--sync", N(tx + (i & 1)), N(ty)}));
			WaitFor([&] { Ctrl::ProcessEvents(); return seen(); }, 500);
		}
		ASSERT_TRUE(seen());
		// the button goes up once the peer heard our answer: before it, the drop would fail
		if(expect) {
			ASSERT_TRUE(PumpPeer(p, "ACTION " + N(expect))) << p.Output();
		}
		// Ctrl stays down until the drop is over: the drop asks for the modifiers when it comes
		ASSERT_TRUE(Xdotool({"mouseup", "1"}));
		ASSERT_TRUE(PumpPeer(p, "END "));
		if(copy) {
			ASSERT_TRUE(Xdotool({"keyup", "ctrl"}));
		}
	}
};

TEST(DropForms, TargetsBecomeFormatsOnce)
{
	ASSERT_TRUE(StartGui());
	detail::DropFormats f;
	detail::CollectDropFormats({"image/png"}, f);
	EXPECT_EQ(f.formats.GetKeys(), Vector<String>{"image"});
	EXPECT_EQ(f.image_target, "image/png");
	// a target named "image" would be taken for the image form: it is left out
	detail::CollectDropFormats({"x-special/gnome-icon-list", "text/uri-list", "UTF8_STRING", "text/plain", "image",
	                            "image/bmp", "image/png", "text/uri-list", "application/x-qel"},
	                           f);
	EXPECT_EQ(f.formats.GetKeys(), (Vector<String>{"x-special/gnome-icon-list", "files", "text", "image", "application/x-qel"}));
	EXPECT_EQ(f.Target("files"), "text/uri-list");
	EXPECT_EQ(f.Target("text"), "UTF8_STRING");
	EXPECT_EQ(f.Target("image"), "image/bmp");
	EXPECT_EQ(f.Target("application/x-qel"), "application/x-qel");
}

TEST_F(Dnd, FilesArriveWithMoveAndWithCtrlAsCopy)
{
	std::string uris = WriteTemp("uris", "file:///tmp/a%20b\r\nfile:///tmp/c\r\n");
	for(bool copy : {false, true}) {
		SCOPED_TRACE(copy ? "copy" : "move");
		CallLog().clear();
		Peer peer({"source", "text/uri-list=" + uris, "text=" + uris});
		ASSERT_TRUE(StartPeer(peer));
		PaintCtrl top("top");
		RecordingCtrl t("t");
		top.AddChild(&t);
		t.SetRect(20, 20, 200, 100);
		t.drop_formats = "image;files";
		Open(top, Rect(100, 100, 400, 300));
		DragFromPeer(peer, t, 100 + 100, 100 + 60, copy, copy ? 1 : 2);
		EXPECT_EQ(peer.Line("END "), copy ? "1" : "2");
		EXPECT_EQ(t.dropped_format, "files");
		EXPECT_EQ(t.dropped, "file:///tmp/a%20b\nfile:///tmp/c\n");
		EXPECT_FALSE(Calls("t.DragEnter").empty());
		EXPECT_FALSE(Calls("t.DragLeave").empty());
	}
}

TEST_F(Dnd, DroppedTextKeepsBytesThatAreNotUtf8)
{
	std::string bad = S(LoadFile(QEL_TEST_DATA "/hostile/badutf8.txt"));
	ASSERT_EQ(bad.size(), 71u);
	Peer peer({"source", "text=" + WriteTemp("bad", bad)});
	ASSERT_TRUE(StartPeer(peer));
	PaintCtrl top("top");
	RecordingCtrl t("t");
	top.AddChild(&t);
	t.SetRect(20, 20, 200, 100);
	t.drop_formats = "text";
	Open(top, Rect(100, 100, 400, 300));
	DragFromPeer(peer, t, 200, 160, false, 2);
	EXPECT_EQ(t.dropped_format, "text");
	EXPECT_EQ(t.dropped, bad);
}

TEST_F(Dnd, ARefusingControlAnswersNothingAndTheDropFails)
{
	std::string text = WriteTemp("text", "peer text");
	Peer peer({"source", "text=" + text});
	ASSERT_TRUE(StartPeer(peer));
	PaintCtrl top("top");
	RecordingCtrl t("t");
	top.AddChild(&t);
	t.SetRect(20, 20, 200, 100);
	t.drop_formats = "files;image";
	Open(top, Rect(100, 100, 400, 300));
	DragFromPeer(peer, t, 200, 160, false, 0);
	EXPECT_EQ(peer.Line("END "), "0");
	EXPECT_TRUE(peer.Has("FAILED"));
	EXPECT_EQ(t.dropped_format, "");
}

TEST_F(Dnd, APngOnlyDragGivesTheImage)
{
	std::string png = std::string(QEL_TEST_DATA) + "/pngsuite/basn6a08.png";
	Peer peer({"source", "image/png=" + png});
	ASSERT_TRUE(StartPeer(peer));
	PaintCtrl top("top");
	RecordingCtrl t("t");
	top.AddChild(&t);
	t.SetRect(20, 20, 200, 100);
	t.drop_formats = "text;image";
	Open(top, Rect(100, 100, 400, 300));
	DragFromPeer(peer, t, 200, 160, false, 2);
	EXPECT_EQ(peer.Line("END "), "2");
	EXPECT_EQ(t.dropped_format, "image");
	Image got = LoadImageFromString(String(t.dropped.data(), (int)t.dropped.size()));
	Image want = LoadImageFile(png.c_str());
	ASSERT_EQ(got.GetSize(), want.GetSize());
	EXPECT_EQ(memcmp(got.Begin(), want.Begin(), want.GetLength() * sizeof(RGBA)), 0);
}

// Starts its drag once the pointer moved with the button held, and lets xdotool carry it on.
class DragCtrl : public PaintCtrl {
public:
	VectorMap<String, ClipData> data;
	dword actions = 3;
	std::vector<std::string> carry; // xdotool's moves once the drag runs
	int result = -1;
	pid_t mover = -1;
	pid_t releaser = -1;

	void LeftDrag(Point, dword) override
	{
		// the timer runs inside the drag's own loop, so the pointer moves only once GTK has it;
		// the button goes up once the peer's answer to the last move has come
		SetTimeCallback(-10, [this] {
			if(mover < 0)
				mover = testkit::Spawn(carry);
			else if(testkit::WaitExit(mover, 0) && detail::RunningDragContext() &&
			        gdk_drag_context_get_selected_action(detail::RunningDragContext())) {
				releaser = testkit::Spawn({"xdotool", "mouseup", "1"});
				KillTimeCallback();
			}
		});
		result = DoDragAndDrop(data, Image(), actions);
		KillTimeCallback();
	}

	DragCtrl() : PaintCtrl("drag") {}
};

TEST_F(Dnd, OurTextAndFilesReachThePeer)
{
	struct Case {
		const char* what;
		dword actions;
		bool ctrl;
		int result;
	} cases[] = {{"text", 3, true, 1}, {"files", 2, false, 2}};
	for(const Case& k : cases) {
		SCOPED_TRACE(k.what);
		Peer peer({"target"});
		ASSERT_TRUE(StartPeer(peer));
		TopWindow w;
		DragCtrl d;
		w.AddChild(&d);
		d.SetRect(0, 0, 300, 200);
		d.actions = k.actions;
		if(std::string(k.what) == "files")
			d.data.Add("files", ClipData(String("file:///tmp/x\nfile:///tmp/y\n")));
		else
			AppendClipText(d.data, ToUtf32("dragged \xC3\xA9"));
		w.NoCenter().SetRect(100, 100, 300, 200);
		w.Open(nullptr);
		ASSERT_TRUE(Pump([&] { return d.paints > 0; }, "the first paint"));
		int px = peer.x + peer.cx / 2, py = peer.y + peer.cy / 2;
		d.carry = {"xdotool", "mousemove", "--sync", "300", "200", "mousemove", "--sync", N(px - 40), N(py),
		           "mousemove", "--sync", N(px), N(py), "mousemove", "--sync", N(px + 1), N(py + 1)};
		std::vector<std::string> press;
		if(k.ctrl)
			press = {"keydown", "ctrl"};
		int x = 150 + 100 * int(&k - cases);
		press.insert(press.end(), {"mousemove", "--sync", N(x), "200", "mousedown", "1", "mousemove", "--sync", N(x + 15),
		                           "200", "mousemove", "--sync", N(x + 30), "200"});
		detail::SetLastClickTime(detail::GuiTick() - 100000); // a press, not the second of a double click
		ASSERT_TRUE(Xdotool(press));
		ASSERT_TRUE(Pump([&] { return d.result >= 0; }, "the drag's end")) << peer.Output();
		EXPECT_EQ(d.result, k.result);
		ASSERT_TRUE(PumpPeer(peer, "DATA "));
		std::string want = std::string(k.what) == "files" ? "file:///tmp/x\r\nfile:///tmp/y\r\n" : "dragged \xC3\xA9";
		EXPECT_EQ(peer.Line("DATA "), Hex(want));
		EXPECT_EQ(Ctrl::GetDragAndDropSource(), nullptr);
		testkit::WaitExit(d.releaser, testkit::WAIT_MS);
		// the release went to GTK's grab, yet the button is not taken for held afterwards
		EXPECT_FALSE(detail::IsMouseButtonHeld());
		if(k.ctrl) {
			ASSERT_TRUE(Xdotool({"keyup", "ctrl"}));
		}
	}
}

} // namespace

} // namespace guitest
