// BufferPainter: the software Painter that renders anti-aliased paths into an ImageBuffer.
// Paths are kept as flat element buffers until a fill, stroke or clip consumes them; then they
// go through dasher, stroker and transformer into a rasteriser and out through the fillers.
// In co mode fills and strokes are queued and rendered on the worker pool in batches.
#pragma once

#include <painter/canvas/PainterOps.h>
#include <painter/raster/Rasterizer.h>
#include <painter/raster/Fillers.h>
#include <painter/stroke/Stroker.h>
#include <painter/stroke/Dasher.h>

#include <Core/container/Array.h>
#include <Core/container/Buffer.h>
#include <Core/thread/CoWork.h>
#include <Core/container/Map.h>
#include <draw/font/Font.h>

#include <exception>
#include <memory>

namespace Qel {

namespace detail { struct GlyphCoverage; }

enum {
	RENDER_AA = 0,
	RENDER_NOAA = 1,
	RENDER_SUBPIXEL = 2,
};

class BufferPainter : public Painter {
public:
	struct GradientStop { // named apart from the ColorStop wrapper, which it would hide
		double pos;
		RGBA   color;
	};

	struct DashInfo {
		Vector<double> dash;
		double         start = 0;
	};

	// What a path renders with; jobs of co mode carry a copy.
	struct PathAttr {
		Xform2D         mtx;
		double          miter_limit = 4;
		double          opacity = 1;
		const DashInfo* dash = nullptr;
		bool            evenodd = false;
		byte            join = LINEJOIN_MITER;
		byte            cap = LINECAP_BUTT;
		bool            invert = false;
		int             mtx_serial = 0;
	};

	// The painter keeps the current attributes, those of the open path, and the saved ones of
	// every enclosing Begin.
	struct Attr : PathAttr {
		// Colour stops, appended as given; GetPathAttr puts them in order (by position, a later
		// stop before an equal earlier one), so a million stops cost one sort, not a million
		// insertions.
		mutable Vector<GradientStop> stop;
		mutable int          stop_sorted = 0; // leading stops already in order
		int               cliplevel = 0;
		bool              hasclip = false;
		bool              mask = false;
		bool              onpath = false;
		int               filter = 1;
	};

	// Painter operations.
	void BeginOp() override;
	void EndOp() override;

	void ClearOp(const RGBA& color) override;

	void MoveOp(const Pointf& p, bool rel) override;
	void LineOp(const Pointf& p, bool rel) override;
	void QuadraticOp(const Pointf& p1, const Pointf& p, bool rel) override;
	void SmoothQuadraticOp(const Pointf& p, bool rel) override;
	void CubicOp(const Pointf& p1, const Pointf& p2, const Pointf& p, bool rel) override;
	void SmoothCubicOp(const Pointf& p2, const Pointf& p, bool rel) override;
	void ArcOp(const Pointf& c, const Pointf& r, double angle, double sweep, bool rel) override;
	void SvgArcOp(const Pointf& r, double xangle, bool large, bool sweep, const Pointf& p, bool rel) override;
	void CloseOp() override;
	void DivOp() override;

	void FillOp(const RGBA& color) override;
	void FillOp(const Image& image, const Xform2D& transsrc, dword flags) override;
	void FillOp(const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style) override;
	void FillOp(const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style) override;
	void FillOp(const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) override;
	void FillOp(const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) override;

	void StrokeOp(double width, const RGBA& rgba) override;
	void StrokeOp(double width, const Image& image, const Xform2D& transsrc, dword flags) override;
	void StrokeOp(double width, const Pointf& p1, const RGBA& color1, const Pointf& p2, const RGBA& color2, int style) override;
	void StrokeOp(double width, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) override;
	void StrokeOp(double width, const Pointf& f, const RGBA& color1, const Pointf& c, double r, const RGBA& color2, int style) override;
	void StrokeOp(double width, const Pointf& f, const RGBA& color1, const RGBA& color2, const Xform2D& transsrc, int style) override;

	using Painter::ClipOp;
	void ClipOp() override;

	void CharacterOp(const Pointf& p, int ch, Font fnt) override;
	void DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
	                const int* dx) override;

	void ColorStopOp(double pos, const RGBA& color) override;
	void ClearStopsOp() override;
	void OpacityOp(double o) override;
	void LineCapOp(int linecap) override;
	void LineJoinOp(int linejoin) override;
	void MiterLimitOp(double l) override;
	void EvenOddOp(bool evenodd) override;
	void DashOp(const Vector<double>& dash, double start) override;
	void DashOp(const String& dash, double start) override;
	void InvertOp(bool invert) override;
	void ImageFilterOp(int filter) override;

	void TransformOp(const Xform2D& m) override;

	void BeginMaskOp() override;
	void BeginOnPathOp(double q, bool abs) override;

	// Renders the current path and ends it. width: -1 fill, -2 clip (see ClipOp), -3 record for
	// on-path placement, > 0 stroke of that width, anything else nothing. With a span source the
	// colour is ignored; in co mode the source lives until its batch has rendered. Gradient and
	// image fills come through here.
	void RenderPath(double width, std::unique_ptr<SpanSource> ss, const RGBA& color);

	// Attributes of the open path (of the next path while none is open).
	const Attr& GetPathAttr() const
	{
		const Attr& a = IsNull(current) ? attr : pathattr;
		if(a.stop_sorted != a.stop.GetCount())
			SortStops(a);
		return a;
	}
	int  GetMode() const                   { return mode; }
	Size GetSize() const                   { return ip ? ip->GetSize() : Size(0, 0); }

	// Whether a path since Create needed more cells than the image allows (hostile sizes and
	// dashes): the path was cut short there, the part drawn before stays.
	bool IsCut() const                     { return cut; }

	// What lies wholly outside the image is not painted (clips are not looked at).
	bool IsPaintingOp(const Rect& r) const override;

	// Renders what is queued and waits for it; rethrows the first exception of a pool job.
	void Finish();
	// Hands the queued paths to the pool without waiting for them.
	void FinishPathJob();

	// Co mode: fills and strokes render on the worker pool. threads limits how many threads
	// work on one painter (0: the whole pool and the caller).
	BufferPainter& Co(bool b = true);
	BufferPainter& CoThreads(int threads);
	bool           IsCo() const             { return co; }
	// Paths wholly outside the image are skipped before stroking and rasterising.
	BufferPainter& PreClip(bool b = true)   { dopreclip = b; preclip_mtx_serial = -1; return *this; }
	// Gradient lines and pre-shrunk images go through the image-maker cache.
	BufferPainter& ImageCache(bool b = true) { imagecache = b; return *this; }
	bool           IsImageCache() const     { return imagecache; }

	void Create(ImageBuffer& ib, int mode = RENDER_AA);

	BufferPainter(ImageBuffer& ib, int mode = RENDER_AA);
	~BufferPainter() override;

	BufferPainter(const BufferPainter&) = delete;
	BufferPainter& operator=(const BufferPainter&) = delete;

protected:
	// Masks still open are dropped: the target gets back the picture painted before them.
	void RestoreMasked() noexcept;
	// The part is sampled where it lies in img, uncopied.
	void FillImagePartOp(const Image& img, const Rect& part, const Xform2D& m) override;

private:
	// Internal records of paths, clips, on-path placement and co-mode jobs (detail/BufferPainterInt.h).
	class ClipLevel;
	struct PathLine;
	class OnPathTarget;
	enum Element : int;
	// What rendering does with the path; only a stroke has a width.
	enum class RenderKind { FILL, STROKE, CLIP, ONPATH };
	struct PathInfo;
	struct PathJob;

public:
	// A glyph from the coverage cache at its place (detail/GlyphCoverage.h).
	struct PlacedGlyph {
		const detail::GlyphCoverage* g = nullptr;
		int  ix = 0, iy = 0;
		bool outside = false; // nothing of the glyph is on the target
	};

private:

	ImageBuffer*        ip = nullptr;
	int                 mode = -1;
	Buffer<int16>       subpixel;
	Vector<Buffer<int16>> co_subpixel;
	int                 render_cx = 0;
	bool                dopreclip = false;
	Sizef               size = Sizef(0, 0);
	Buffer<byte>        co_clear;        // per line: pending lazy clear
	RGBA                co_clear_color = {0, 0, 0, 0};
	Attr                attr;
	Array<Attr>         attrstack;
	Vector<ClipLevel>   clip;
	Array<ImageBuffer>  mask;
	Vector<Vector<PathLine>> onpathstack;
	Vector<double>      pathlenstack;
	int                 mtx_serial = 0;
	ArrayMap<String, DashInfo> dashes;

	Rectf               preclip;
	int                 preclip_mtx_serial = -1;
	bool                regular = true;

	std::unique_ptr<PathInfo[]> paths;
	int                 path_index = 0;
	PathInfo*           path = nullptr;
	Attr                pathattr;

	Pointf              current, ccontrol, qcontrol, move;

	Rasterizer          rasterizer;
	Buffer<RGBA>        span;
	Vector<Buffer<RGBA>> co_span;

	Vector<PathLine>    onpath;
	double              pathlen = 0;

	bool                co = false;
	bool                imagecache = true;
	int                 co_threads = 0;

	Array<PathJob>      cojob, cofill;   // rendering batch, filling batch
	int                 jobcount = 0;    // jobs in the rendering batch
	int                 fillcount = 0;   // jobs queued in the filling batch
	int                 emptycount = 0;
	int                 batchlimit = 256; // paths per batch: at most 256, fewer for tall images
	int                 joblimit = 0;     // cells of a job's rasteriser (see QueueJobs)
	CoWork              render;
	bool                cut = false;

	struct PathChain;

	static bool IsNull(const Pointf& p) { return !(p.x > -1e300); }
	static void SortStops(const Attr& a);

	// Path building.
	Pointf PathPoint(const Pointf& p, bool rel);
	Pointf EndPoint(const Pointf& p, bool rel);
	void   ImplicitMove();
	void   PutElement(const void* data, int len);
	template <class T> void Put(const T& x) { PutElement(&x, sizeof(T)); }
	void   ClearPath();
	template <class F> void SetAttr(F f) { f(pathattr); if(IsNull(current)) f(attr); }
	const DashInfo* InternDash(const String& key, Vector<double>&& dash, double start);

	// Rendering.
	void   SyncTransformCache();
	void   SetupChain(PathChain& c, RenderKind kind, double width, const PathInfo& p, const PathAttr& a, Rasterizer& r,
	                  const Rectf& preclip, bool regular);
	void   FeedChain(PathChain& c, const Vector<byte>& data, const PathAttr& a);
	void   DoRenderPath(RenderKind kind, double width, std::unique_ptr<SpanSource>& ss, const RGBA& color,
	                    ClipLevel* newclip);
	void   RenderImmediate(RenderKind kind, double width, SpanSource* ss, const RGBA& color, ClipLevel* newclip);
	bool   RenderLine(Rasterizer& r, int y, SpanSource* ss, const RGBA& solid, int alpha, bool evenodd,
	                  bool invert, ClipFiller* cf);
	void   QueueJobs(RenderKind kind, double width, std::unique_ptr<SpanSource>& ss, const RGBA& color);
	void   RenderJobs();
	void   RenderJobsInOrder();
	void   RenderLines(Rasterizer& r, SpanSource* ss, const RGBA& solid, int alpha, bool evenodd, bool invert);
	void   CountEmpty();
	void   DoClear(int y);
	void   PendingClears();
	RGBA*  SpanBuffer();
	int16* SubpixelBuffer();
	void   AllocWorkerBuffers();
	void   FinishNoThrow() noexcept;
	template <class F> void CoLoop(int items, F fn);

	// Text: a part that is one glyph under a translation, from the cache of glyph coverage
	// (BufferPainterGlyph.cpp). False when the glyph has to go the outline's way.
	bool   PaintGlyph(const Vector<byte>& part, const PathAttr& a, const RGBA& solid);
	static bool FeedGlyph(Rasterizer& r, const Vector<byte>& part, const PathAttr& a);
	void   BlendGlyph(const PlacedGlyph& pl, const RGBA& solid);
	bool   DrawGlyphRun(int x, int y, const wchar* text, Font font, Color ink, int n, const int* dx);
	// Text drawn that way leaves its path to be made only if something renders it again.
	struct PendingText {
		bool           active = false;
		Font           font;
		Vector<wchar>  text;
		Vector<double> x;
	};
	PendingText pendingtext;
	void   MakePendingText();

	// Clips, masks, on-path.
	void   UniteClip(ClipLevel& into, ClipLevel& part);
	void   CheckClipSize() const;
	void   EndMask();
};

// Feeds the flattened outline of ch, its cell's top-left at p, into t (End is not called).
// Outlines are cached: per thread in front of the process-wide value cache.
void ApproximateChar(LinearPathConsumer& t, const Pointf& p, int ch, Font fnt, double tolerance);

} // namespace Qel
