// A program of another project that uses every module through its CMake target: an allocation,
// an image, a PNG file, vector painting, rich text laid out on pages, a PDF document of them and
// a picture drawn by cairo; with a display, a window opens and closes as well. It names what
// failed and ends with 1.
#include <Core/Core.h>
#include <draw/Draw.h>
#include <painter/Painter.h>
#include <richtext/RichText.h>
#include <pdf/Pdf.h>
#include <gui/Gui.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

namespace {

bool failed = false;

void Check(bool ok, const char* what)
{
	if(!ok) {
		fprintf(stderr, "consumer: %s failed\n", what);
		failed = true;
	}
}

// Each page of the document on a recording of its own.
struct Pages : PageDraw {
	Array<DrawingDraw> page;

	Draw& Page(int i) override
	{
		while(page.GetCount() <= i)
			page.Add().Create(1000, 1000);
		return page[i];
	}
};

void Modules()
{
	void* p = MemoryAlloc(100);
	MemoryFree(p);
	Check(Format("%d-%s", 1, "a") == "1-a", "Core");

	ImageBuffer b(2, 2);
	Image img = b;
	Check(img.GetSize() == Size(2, 2), "Draw");

	// linking Qel::Png is enough for PNG files to load: a red and a blue pixel
	static const char png[] =
		"\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00"
		"\x00\x01\x08\x02\x00\x00\x00\x7b\x40\xe8\xdd\x00\x00\x00\x0d\x49\x44\x41\x54\x78\x9c\x63"
		"\xf8\xcf\x00\x04\xff\x01\x07\x00\x01\xff\xe2\x23\x9e\x59\x00\x00\x00\x00\x49\x45\x4e\x44"
		"\xae\x42\x60\x82";
	Image pic = LoadImageString(String(png, sizeof(png) - 1));
	Check(pic.GetSize() == Size(2, 1) && pic[0][0].r == 255 && pic[0][1].b == 255, "Png");

	ImagePainter painter(4, 4);
	painter.Clear(Color(255, 255, 255));
	painter.RectPath(0, 0, 4, 4).Fill(Color(0, 0, 255));
	Image painted = painter;
	Check(painted[2][2].b == 255 && painted[2][2].a == 255, "Painter");

	// linking Qel::RichText is enough for its field types to be registered
	Check(RichPara::GetFieldType("VALUE"), "RichText fields");
	RichText doc = ParseQtf("[* Rich] text on two pages&[P the second one]");
	Pages pages;
	doc.Paint(pages, PagePos(0, 0), Rect(100, 100, 900, 900), RichPaintInfo());
	Check(pages.page.GetCount() == 2, "RichText pages");

	Array<Drawing> drawings;
	for(DrawingDraw& d : pages.page)
		drawings.Add(d.GetResult());
	String pdf = DrawingToPdf(drawings);
	Check(pdf.StartsWith("%PDF-") && pdf.Find("/Count 2") >= 0, "Pdf");

	ImageDraw w(3, 3);
	w.DrawRect(0, 0, 3, 3, Color(255, 0, 0));
	Image drawn = w.GetImage();
	Check(drawn.GetSize() == Size(3, 3) && drawn[1][1].r == 255 && drawn[1][1].g == 0, "Gui drawing");
}

} // namespace

int main(int argc, char** argv, char** envp)
{
	AppInit(argc, (const char**)argv, (const char**)envp);
	Modules();
	// The window only where there is a display to show it on.
	if(getenv("DISPLAY") || getenv("WAYLAND_DISPLAY")) {
		if(!InitGtkApp(argc, argv, envp))
			return 1;
		AppExecute([] {
			TopWindow win;
			win.Title("Qel consumer").SetRect(0, 0, 200, 100);
			win.Open();
			Ctrl::ProcessEvents();
			Check(win.IsOpen(), "Gui window");
			win.Close();
		});
		Ctrl::CloseTopCtrls();
		Ctrl::ShutdownThreads();
		ExitGtkApp();
	}
	AppExit();
	return failed ? 1 : 0;
}
