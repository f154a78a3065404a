#include "PdfTools.h"

#include <painter/Painter.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <sstream>

namespace QelTest {

using namespace Qel;

const std::string& ScratchDir()
{
	static const std::string dir = [] {
		const char* t = getenv("TMPDIR");
		std::string d = std::string(t && *t ? t : "/tmp") + "/qel-pdf-XXXXXX";
		if(!mkdtemp(d.data()))
			abort();
		static std::string keep = d;
		atexit([] { std::string cmd = "rm -rf '" + keep + "'"; (void)!system(cmd.c_str()); });
		return d;
	}();
	return dir;
}

std::string Save(const std::string& name, const String& data)
{
	std::string path = ScratchDir() + "/" + name;
	std::ofstream(path, std::ios::binary).write(data.Begin(), data.GetLength());
	return path;
}

std::string Shell(const std::string& cmd, int* status)
{
	std::string out;
	FILE* f = popen(cmd.c_str(), "r");
	if(!f) {
		if(status)
			*status = -1;
		return out;
	}
	char b[4096];
	size_t n;
	while((n = fread(b, 1, sizeof(b), f)) > 0)
		out.append(b, n);
	int rc = pclose(f);
	if(status)
		*status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
	return out;
}

namespace {

RGBA Pixel(int r, int g, int b, int a)
{
	RGBA c;
	c.r = byte(r); c.g = byte(g); c.b = byte(b); c.a = byte(a);
	return c;
}

// Unique file names, so that tests on several threads do not meet.
std::string sName(const char* ext)
{
	static std::atomic<int> n;
	return "f" + std::to_string(++n) + ext;
}

} // namespace

bool IsValidPdf(const String& pdf)
{
	std::string path = Save(sName(".pdf"), pdf);
	int a, b;
	std::string check = Shell("qpdf --check '" + path + "' 2>&1", &a);
	std::string text = Shell("pdftotext '" + path + "' /dev/null 2>&1", &b);
	if(a != 0 || b != 0 || !text.empty())
		ADD_FAILURE() << check << text;
	return a == 0 && b == 0 && text.empty();
}

std::string PdfText(const String& pdf)
{
	std::string path = Save(sName(".pdf"), pdf);
	std::string t = Shell("pdftotext -enc UTF-8 '" + path + "' - 2>&1");
	std::string r;
	for(char c : t) {
		bool space = c == ' ' || c == '\n' || c == '\t' || c == '\f' || c == '\r';
		if(!space)
			r += c;
		else if(!r.empty() && r.back() != ' ')
			r += ' ';
	}
	while(!r.empty() && r.back() == ' ')
		r.pop_back();
	return r;
}

std::string FontRow(const String& pdf, const std::string& face)
{
	std::istringstream in(Shell("pdffonts '" + Save(sName(".pdf"), pdf) + "'"));
	for(std::string line; std::getline(in, line);) {
		std::istringstream l(line);
		std::string name, w, row;
		l >> name;
		bool tag = name.size() > 7 && name[6] == '+' &&
		           std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; });
		if((tag ? name.substr(7) : name) != face)
			continue;
		row = tag ? "+" : "";
		while(l >> w)
			row += (row.empty() ? "" : " ") + w;
		return row;
	}
	return std::string();
}

bool HasShape(const std::string& text, const std::string& after, const std::string& shape)
{
	for(size_t at = text.find(after); at != std::string::npos; at = text.find(after, at + 1)) {
		size_t i = at + after.size(), k = 0;
		for(; k < shape.size() && i + k < text.size(); k++) {
			char c = text[i + k], s = shape[k];
			if(s == 'd' ? !isdigit(c) : s == 'X' ? !(isdigit(c) || (c >= 'A' && c <= 'F')) : c != s)
				break;
		}
		if(k == shape.size())
			return true;
	}
	return false;
}

Image RenderPage(const String& pdf, int page, int dpi)
{
	std::string path = Save(sName(".pdf"), pdf);
	std::string out = ScratchDir() + "/" + sName("");
	int rc;
	Shell("pdftoppm -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " + std::to_string(page) +
	    " -singlefile '" + path + "' '" + out + "' 2>&1", &rc);
	std::ifstream in(out + ".ppm", std::ios::binary);
	std::string magic;
	int cx = 0, cy = 0, max = 0;
	in >> magic >> cx >> cy >> max;
	in.get();
	if(rc != 0 || magic != "P6" || cx <= 0 || cy <= 0 || max != 255)
		return Image();
	ImageBuffer ib(cx, cy);
	std::string row(3 * cx, 0);
	for(int y = 0; y < cy; y++) {
		in.read(row.data(), row.size());
		for(int x = 0; x < cx; x++)
			ib[y][x] = Pixel(row[3 * x], row[3 * x + 1], row[3 * x + 2], 255);
	}
	return Image(std::move(ib));
}

Image PaintDrawing(const Drawing& w)
{
	ImagePainter p(w.GetSize());
	p.DrawDrawing(0, 0, w.GetSize().cx, w.GetSize().cy, w);
	Image m = p;
	ImageBuffer ib(m.GetSize());
	for(int y = 0; y < m.GetHeight(); y++)
		for(int x = 0; x < m.GetWidth(); x++) { // premultiplied over white
			RGBA c = m[y][x];
			int k = 255 - c.a;
			ib[y][x] = Pixel(c.r + k, c.g + k, c.b + k, 255);
		}
	return Image(std::move(ib));
}

PictureDiff Compare(const Image& a, const Image& b)
{
	PictureDiff d;
	if(a.GetSize() != b.GetSize() || a.IsEmpty())
		return d;
	int cx = a.GetWidth(), cy = a.GetHeight();
	double total = 0;
	d.block = 0;
	for(int by = 0; by < cy; by += 16)
		for(int bx = 0; bx < cx; bx += 16) {
			double s[3] = {};
			int n = 0;
			for(int y = by; y < std::min(by + 16, cy); y++)
				for(int x = bx; x < std::min(bx + 16, cx); x++, n++) {
					RGBA p = a[y][x], q = b[y][x];
					int e[3] = { p.r - q.r, p.g - q.g, p.b - q.b };
					for(int k = 0; k < 3; k++) {
						s[k] += e[k];
						total += abs(e[k]);
					}
				}
			for(double v : s)
				if(fabs(v / n) > d.block) {
					d.block = fabs(v / n);
					d.at = Point(bx, by);
				}
		}
	d.mean = total / (3.0 * cx * cy);
	return d;
}

Image TestImage(int cx, int cy)
{
	ImageBuffer ib(cx, cy);
	for(int y = 0; y < cy; y++)
		for(int x = 0; x < cx; x++) {
			int a = 255 * x / std::max(cx - 1, 1);
			ib[y][x] = Pixel(a * y / std::max(cy - 1, 1), a / 2, a * (cx - x) / cx, a);
		}
	return Image(std::move(ib));
}

namespace {

String sHex(const char* h)
{
	String r;
	for(; h[0] && h[1]; h += 2)
		r.Cat(char(std::stoi(std::string(h, 2), nullptr, 16)));
	return r;
}

} // namespace

// One block each, DC only, under a quantiser of 8 and a table of nine four-bit codes.
String RedJpeg()
{
	return sHex("ffd8ffdb00430008010101010101010101010101010101010101010101010101010101010101010101010101"
	            "010101010101010101010101010101010101010101010101010101ffc0001108000800080301110002110003"
	            "1100ffc4001c0000000009000000000000000000000000000102030405060708ffc40014100100000000000000"
	            "000000000000000000ffda000c03010002000300003f0062cca1ff00bfffd9");
}

String GreyJpeg()
{
	return sHex("ffd8ffdb00430008010101010101010101010101010101010101010101010101010101010101010101010101"
	            "010101010101010101010101010101010101010101010101010101ffc0000b080008000801011100ffc4001c"
	            "0000000009000000000000000000000000000102030405060708ffc40014100100000000000000000000000000"
	            "000000ffda0008010100003f00790fffd9");
}

} // namespace QelTest
