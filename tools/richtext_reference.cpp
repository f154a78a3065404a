// Writes the reference picture of the rendered-page test of rich text again, after a change to
// the page or to its painting that is meant; check the new picture by eye before committing it.
// It renders with the private DejaVu set of the tests, as the test does.
//
//     qel_richtext_reference [out.png]     (the test's own reference when no path is given)
#include <richtext/RenderedPage.h>

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace QelTest;

int main(int argc, char** argv)
{
	const char* path = argc > 1 ? argv[1] : RenderedPageReference();
	Image m = RenderPage();
	png_image img = {};
	img.version = PNG_IMAGE_VERSION;
	img.width = m.GetWidth();
	img.height = m.GetHeight();
	img.format = PNG_FORMAT_RGBA;
	std::vector<byte> px;
	for(const RGBA& p : m) // opaque: premultiplied is plain
		px.insert(px.end(), {p.r, p.g, p.b, p.a});
	// beside it first: a write that fails leaves the old reference whole
	std::string tmp = std::string(path) + ".new";
	if(!png_image_write_to_file(&img, tmp.c_str(), 0, px.data(), 0, nullptr)) {
		fprintf(stderr, "qel_richtext_reference: cannot write %s: %s\n", tmp.c_str(), img.message);
		remove(tmp.c_str());
		return 1;
	}
	if(rename(tmp.c_str(), path) != 0) {
		perror(path);
		remove(tmp.c_str());
		return 1;
	}
	printf("%s\n", path);
	return 0;
}
