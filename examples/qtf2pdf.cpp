// Turns a QTF document into a PDF file: the text is laid out on US Letter pages with margins of
// an inch, each page is recorded as a Drawing, and the Drawings become one PDF document.
//
//     qtf2pdf input.qtf output.pdf
#include <richtext/RichText.h>
#include <pdf/Pdf.h>

using namespace Qel;

// Every page the text reaches gets a recording of its own.
struct Pages : PageDraw {
	Array<DrawingDraw> page;

	Draw& Page(int i) override
	{
		while(page.GetCount() <= i)
			page.Add().Create(5100, 6600); // dots of 1/600 inch: 8.5 x 11 inches
		return page[i];
	}
};

int main(int argc, char** argv, char** envp)
{
	AppInit(argc, (const char**)argv, (const char**)envp);
	AppExecute([] {
		const Vector<WString>& args = CommandLine();
		if(args.GetCount() != 2) {
			Cerr() << "usage: qtf2pdf input.qtf output.pdf\n";
			Exit(2);
		}
		String qtf = LoadFile(args[0].ToString());
		if(qtf.IsVoid()) {
			Cerr() << args[0].ToString() << ": cannot read it\n";
			Exit(1);
		}
		RichText doc = ParseQtf(~qtf);
		// PDF pages measure in the same dots as rich text: the default zoom (1:1) fits.
		Rect margins(600, 600, 4500, 6000);
		Pages pages;
		pages.Page(doc.GetHeight(margins).page); // blank pages too
		// Index entries are marked in green for an editor; a printed page shows no such marks.
		RichPaintInfo pi;
		pi.index_color = Color(); // Null
		doc.Paint(pages, PagePos(0, 0), margins, pi);
		Array<Drawing> drawings;
		for(DrawingDraw& page : pages.page)
			drawings.Add(page.GetResult());
		String pdf = DrawingToPdf(drawings);
		if(pdf.IsEmpty() || !SaveFile(~args[1].ToString(), pdf)) {
			Cerr() << args[1].ToString() << ": cannot write it\n";
			Exit(1);
		}
	});
	AppExit();
	return GetExitCode();
}
