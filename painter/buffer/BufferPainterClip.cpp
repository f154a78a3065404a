// BufferPainter: clipping to paths and masks.
#include "BufferPainter.h"
#include <painter/buffer/detail/BufferPainterInt.h>

#include <Core/text/Exc.h>

#include <cstring>

namespace Qel {

namespace {

// Coverage of every unit of a run-length clip line (0..256).
void sDecodeClipLine(const byte* m, int16* out, int cx)
{
	int x = 0;
	while(x < cx) {
		byte v = *m++;
		if(v) {
			out[x++] = v;
			continue;
		}
		byte n = *m++;
		int len = n < 128 ? n + 1 : n - 127;
		int16 c = n < 128 ? 0 : 256;
		if(len > cx - x)
			len = cx - x;
		for(int i = 0; i < len; i++)
			out[x++] = c;
	}
}

void sEncodeRuns(ClipFiller& cf, const int16* c, int cx)
{
	cf.Clear();
	int x = 0;
	while(x < cx) {
		int v = c[x];
		int e = x + 1;
		if(v == 0 || v == 256)
			while(e < cx && c[e] == v)
				e++;
		cf.Render(v, e - x);
		x = e;
	}
}

} // namespace

void BufferPainter::CheckClipSize() const
{
	int64 limit = detail::GetPainterBufferLimit();
	if(2 * (int64)render_cx + 2 > limit || (int64)ip->GetHeight() * (int64)sizeof(byte*) > limit ||
	   (int64)render_cx * (int64)sizeof(int16) * 2 > limit)
		throw Exc("Clip too large");
}

// Parts of a path split by Div clip to their union.
void BufferPainter::UniteClip(ClipLevel& into, ClipLevel& part)
{
	Buffer<int16> a, b;
	ClipFiller cf(render_cx);
	for(int y = 0; y < into.cy; y++) {
		byte* p = part.line[y];
		byte* q = into.line[y];
		if(!p || q == (byte*)1)
			continue;
		if(!q || p == (byte*)1) {
			part.line[y] = q;
			into.line[y] = p;
			continue;
		}
		if(!a) {
			a.Alloc(render_cx);
			b.Alloc(render_cx);
		}
		sDecodeClipLine(q, a, render_cx);
		sDecodeClipLine(p, b, render_cx);
		for(int x = 0; x < render_cx; x++)
			a[x] = (int16)(a[x] + b[x] - ((a[x] * b[x]) >> 8));
		sEncodeRuns(cf, a, render_cx);
		into.Set(y, cf.Finish());
	}
}

void BufferPainter::ClipOp()
{
	CheckClipSize();
	FinishPathJob();
	ClipLevel nc;
	std::unique_ptr<SpanSource> none;
	DoRenderPath(RenderKind::CLIP, 0, none, RGBA{0, 0, 0, 0}, &nc);
	if(attr.hasclip && clip.GetCount())
		clip.Top() = std::move(nc);
	else {
		clip.Add(std::move(nc));
		attr.hasclip = true;
		attr.cliplevel = clip.GetCount();
	}
}

void BufferPainter::BeginMaskOp()
{
	CheckClipSize(); // the mask becomes a clip at its end; refuse early what could not
	Finish();
	ImageBuffer& saved = mask.Add();
	saved = std::move(*ip);
	if(!ip->Create(saved.GetSize()) && saved.GetWidth() > 0 && saved.GetHeight() > 0) {
		*ip = std::move(saved);
		mask.Drop();
		throw Exc("Out of memory for a mask");
	}
	ip->SetKind(IMAGE_ALPHA);
	attr.mask = true;
	BeginOp();
	attr.mask = false; // only the level just opened ends the mask
}

void BufferPainter::EndMask()
{
	int cy = ip->GetHeight(), cx = ip->GetWidth();
	ClipLevel* target;
	bool rewrite = attr.hasclip && clip.GetCount();
	if(rewrite)
		target = &clip.Top();
	else {
		ClipLevel nc;
		nc.Create(cy);
		clip.Add(std::move(nc));
		attr.hasclip = true;
		attr.cliplevel = clip.GetCount();
		target = &clip.Top();
	}
	if(target->HasLines()) {
		int units = mode == RENDER_SUBPIXEL ? 3 : 1;
		ClipFiller cf(render_cx);
		for(int y = 0; y < cy; y++) {
			if(rewrite && !target->line[y])
				continue;
			cf.Clear();
			const RGBA* s = (*ip)[y];
			int x = 0;
			while(x < cx) {
				auto unit = [&](const RGBA& c) {
					int v = (56 * c.r + 183 * c.g + 20 * c.b) * c.a;
					return v <= 65535 ? 0 : v >> 16 >= 256 ? 256 : v >> 16;
				};
				int v = unit(s[x]);
				int e = x + 1;
				if(v == 0 || v == 256)
					while(e < cx && unit(s[e]) == v)
						e++;
				if(v == 0 || v == 256)
					cf.Render(v, (e - x) * units);
				else
					for(int i = 0; i < units; i++)
						cf.Render(v, 1);
				x = e;
			}
			target->Set(y, cf.Finish());
		}
	}
	*ip = std::move(mask.Top());
	mask.Drop();
	attr.mask = false;
}

} // namespace Qel
