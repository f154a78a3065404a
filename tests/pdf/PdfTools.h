// What the PDF tests judge documents with: the system's PDF tools on files in a scratch folder,
// and pages compared with the same drawing on the painter.
#pragma once

#include <pdf/Pdf.h>

#include <string>

namespace QelTest {

// A scratch folder of the test program, removed at exit.
const std::string& ScratchDir();
// Writes data to name in the scratch folder; the path.
std::string Save(const std::string& name, const Qel::String& data);
// The standard output of a shell command; its exit status in *status.
std::string Shell(const std::string& cmd, int* status = nullptr);
// `qpdf --check` passes and pdftotext reads every page without an error.
bool IsValidPdf(const Qel::String& pdf);
// The text pdftotext finds, runs of white space as one space.
std::string PdfText(const Qel::String& pdf);
// pdffonts' row of a face, its columns after the name joined by single spaces, "+ " in front
// when the name has a subset's tag; empty when the face is not listed.
std::string FontRow(const Qel::String& pdf, const std::string& face);
// Whether text holds, right after `after`, characters of `shape`: 'd' a digit, 'X' an upper-case
// hexadecimal digit, anything else itself.
bool HasShape(const std::string& text, const std::string& after, const std::string& shape);
// Page `page` (1-based) rendered at dpi on white by pdftoppm; empty when it fails.
Qel::Image RenderPage(const Qel::String& pdf, int page = 1, int dpi = 600);
// The drawing played 1:1 onto an ImagePainter, over white.
Qel::Image PaintDrawing(const Qel::Drawing& w);

// How far two pictures of one size are apart: the largest difference of a channel's mean over a
// block of 16 x 16 pixels, and the mean difference of all channels of all pixels.
struct PictureDiff {
	double block = 1e9;
	double mean = 1e9;
	Qel::Point at; // the worst block
};
PictureDiff Compare(const Qel::Image& a, const Qel::Image& b);

// A picture with every level of coverage: colour gradients, alpha rising to the right.
Qel::Image TestImage(int cx, int cy);

// JPEG files of one 8 x 8 block: a red one of 3 components and a grey one of 1.
Qel::String RedJpeg();
Qel::String GreyJpeg();

} // namespace QelTest
