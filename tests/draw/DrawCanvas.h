// A recording Draw that also pastes every image it is given onto a canvas, following Clipoff and
// End, so that pictures drawn in bands and pieces can be compared with the whole picture.
#pragma once

#include "RecordingDraw.h"

#include <algorithm>

namespace QelTest {

class CanvasDraw : public RecordingDraw {
	struct State { Point org; Rect clip; };
	std::vector<State> stack;
	Point org;
	Rect  clip;

public:
	struct Blit { Rect area; Color color; };
	ImageBuffer       canvas;
	std::vector<Blit> blits;   // the part of every image received that shows, in canvas coordinates

	explicit CanvasDraw(Size sz) : clip(0, 0, sz.cx, sz.cy), canvas(sz) {}

	bool ClipoffOp(const Rect& r) override
	{
		RecordingDraw::ClipoffOp(r);
		stack.push_back({ org, clip });
		Rect a(r.left + org.x, r.top + org.y, r.right + org.x, r.bottom + org.y);
		clip = Rect(std::max(clip.left, a.left), std::max(clip.top, a.top), std::min(clip.right, a.right),
		            std::min(clip.bottom, a.bottom));
		org = Point(a.left, a.top);
		return true;
	}
	void EndOp() override
	{
		RecordingDraw::EndOp();
		if(!stack.empty()) {
			org = stack.back().org;
			clip = stack.back().clip;
			stack.pop_back();
		}
	}
	void SysDrawImageOp(int x, int y, const Image& img, Color color) override
	{
		RecordingDraw::SysDrawImageOp(x, y, img, color);
		x += org.x;
		y += org.y;
		blits.push_back({ Rect(std::max(x, clip.left), std::max(y, clip.top), std::min(x + img.GetWidth(), clip.right),
		                       std::min(y + img.GetHeight(), clip.bottom)), color });
		for(int j = 0; j < img.GetHeight(); j++)
			for(int i = 0; i < img.GetWidth(); i++) {
				int tx = x + i, ty = y + j;
				if(tx >= clip.left && tx < clip.right && ty >= clip.top && ty < clip.bottom)
					canvas[ty][tx] = img[j][i];
			}
	}
	// The canvas as an image (the canvas is left empty).
	Image Take() { return Image(canvas); }
};

// A call record without the pixel checksum of its image.
inline std::string NoSum(std::string s)
{
	size_t i = s.find("img");
	if(i != std::string::npos && (i = s.find(':', i)) != std::string::npos)
		s.erase(i, 17);
	return s;
}

inline std::vector<std::string> NoSums(const std::vector<std::string>& v)
{
	std::vector<std::string> r;
	for(const std::string& s : v)
		r.push_back(NoSum(s));
	return r;
}

// The records that start with one of the prefixes.
inline std::vector<std::string> Only(const std::vector<std::string>& v, std::initializer_list<const char*> prefixes)
{
	std::vector<std::string> r;
	for(const std::string& s : v)
		for(const char* p : prefixes)
			if(s.rfind(p, 0) == 0) {
				r.push_back(NoSum(s));
				break;
			}
	return r;
}

} // namespace QelTest
