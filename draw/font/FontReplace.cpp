// Font replacement: another face that has a character and looks most like the font (coverage
// and PANOSE distance), fitted into its height; and the TrueType "cmap" reader it needs.
#include "Font.h"
#include <draw/detail/FontInt.h>
#include <draw/detail/FontReplaceInt.h>

#include <algorithm>

namespace Qel {

using detail::FontMutex;
using detail::ReplaceRecord;

namespace {

inline int sBE16(const byte* p, int len, int64 at)
{
	return at >= 0 && at + 2 <= len ? p[at] << 8 | p[at + 1] : 0;
}

inline dword sBE32(const byte* p, int len, int64 at)
{
	return at >= 0 && at + 4 <= len ? dword(p[at]) << 24 | dword(p[at + 1]) << 16 | dword(p[at + 2]) << 8 | p[at + 3] : 0;
}

// Format 12: groups of (start, end, start glyph), bounded by the table so a damaged count
// cannot run for minutes.
bool sFormat12(const byte* p, int len, int64 off, const Function<void (int, int, int)>& fn)
{
	int64 n = sBE32(p, len, off + 12);
	for(int64 i = 0; i < n; i++) {
		int64 at = off + 16 + 12 * i;
		if(at + 12 > len)
			break;
		dword start = sBE32(p, len, at), end = sBE32(p, len, at + 4), glyph = sBE32(p, len, at + 8);
		if(start > end || start > 0x10FFFF)
			continue;
		fn(int(start), int(min<dword>(end, 0x10FFFF)), int(glyph));
	}
	return true;
}

bool sFormat4(const byte* p, int len, int64 off, const Function<void (int, int, int)>& fn, dword flags)
{
	int segx2 = sBE16(p, len, off + 6);
	int seg = segx2 / 2;
	int64 ends = off + 14, starts = ends + segx2 + 2, deltas = starts + segx2, ranges = deltas + segx2;
	if(ends + segx2 > len)
		seg = int(max<int64>(0, (len - ends) / 2));
	for(int i = 0; i < seg; i++) {
		int end = sBE16(p, len, ends + 2 * i);
		int start = sBE16(p, len, starts + 2 * i);
		int delta = sBE16(p, len, deltas + 2 * i);
		int64 ro_at = ranges + 2 * i;
		int ro = sBE16(p, len, ro_at);
		if(start > end)
			continue;
		if(flags & CMAP_GLYPHS) {
			if(delta == 0 && ro) {
				// Characters whose glyph entry would lie past the table have no glyph: stop there,
				// so a damaged segment cannot call back 65536 times for nothing.
				for(int ch = start; ch <= end && ro_at + ro + 2 * int64(ch - start) + 2 <= len; ch++)
					fn(ch, ch, sBE16(p, len, ro_at + ro + 2 * int64(ch - start)));
			}
			else
				fn(start, end, (start + delta) & 0xFFFF);
		}
		else
			fn(start, end, 0);
	}
	return true;
}

} // namespace

bool ParseCmap(const char* data, int len, Function<void (int, int, int)> fn, dword flags)
{
	const byte* p = (const byte*)data;
	if(!p || len < 5)
		return false;
	int n = sBE16(p, len, 2);
	auto rec = [&](int i, int& pid, int& eid, int64& off) {
		pid = sBE16(p, len, 4 + 8 * i);
		eid = sBE16(p, len, 6 + 8 * i);
		off = sBE32(p, len, 8 + 8 * i);
		return off < len;
	};
	int pid, eid;
	int64 off;
	for(int i = 0; i < n && 4 + 8 * i < len; i++) {
		if(!rec(i, pid, eid, off))
			return false;
		if((pid == 3 && eid == 10) || (pid == 0 && eid == 4 && sBE16(p, len, off) == 12))
			return sFormat12(p, len, off, fn);
	}
	for(int i = 0; i < n && 4 + 8 * i < len; i++) {
		if(!rec(i, pid, eid, off))
			return false;
		if(pid == 3 && eid == 10)
			return sFormat12(p, len, off, fn);
		if((pid == 3 && eid == 1) || (pid == 0 && eid == 3 && sBE16(p, len, off) == 4))
			return sFormat4(p, len, off, fn, flags);
	}
	if((flags & CMAP_ALLOW_SYMBOL) && len >= 4)
		for(int i = 0; i < n && 4 + 8 * i < len; i++) {
			if(!rec(i, pid, eid, off))
				return false;
			if(pid == 3 && eid == 10)
				return sFormat12(p, len, off, fn);
			if(pid == 1 && eid == 0 && sBE16(p, len, off) == 0) {
				for(int c = 0; c < 256; c++)
					fn(c, c, off + 6 + c < len ? p[off + 6 + c] : 0);
				return true;
			}
		}
	return false;
}

bool ReadCmapTable(Font font, Function<void (int, int, int)> fn, dword flags)
{
	String cmap = font.GetData("cmap");
	return ParseCmap(~cmap, cmap.GetLength(), fn, flags);
}

namespace detail {

void SetCoverage(dword* coverage, int first, int last)
{
	auto mark = [&](int c) {
		if(c < 2048)
			coverage[0] |= 0x80000000u >> (c >> 6);
		else {
			int k = min(c, 231423) - 2048;
			coverage[(k >> 15) + 1] |= 0x80000000u >> ((k >> 10) & 31);
		}
	};
	first = max(first, 0);
	last = min(last, 0x10FFFF);
	for(int c = first; c <= last; c += 64) {
		mark(c);
		if(c >= 231423)
			break;
	}
	if(first <= last)
		mark(last); // a range crossing a block boundary must mark the block of its end too
}

bool HasCoverage(const dword* coverage, int c)
{
	if(c < 0)
		return false;
	if(c < 2048)
		return coverage[0] & (0x80000000u >> (c >> 6));
	int k = min(c, 231423) - 2048;
	return coverage[(k >> 15) + 1] & (0x80000000u >> ((k >> 10) & 31));
}

bool ComputeReplaceRecord(int face, ReplaceRecord& r)
{
	memset(r.panose, 0, sizeof(r.panose));
	memset(r.coverage, 0, sizeof(r.coverage));
	Font fnt(face, 40);
	String cmap = fnt.GetData("cmap");
	if(!ParseCmap(~cmap, cmap.GetLength(), [&](int first, int last, int) { SetCoverage(r.coverage, first, last); }, 0))
		return false;
	String os2 = fnt.GetData("OS/2", 32, 10);
	if(os2.GetLength() != 10)
		return false;
	memcpy(r.panose, ~os2, 10);
	return true;
}

} // namespace detail

namespace {

struct ReplaceState {
	bool                        ready = false;
	bool                        scanned = false;
	VectorMap<int, const ReplaceRecord*> installed;
	ArrayMap<int, ReplaceRecord> computed;
	VectorMap<int, String>      panose; // 10 bytes each
	Vector<int>                 colors1, colors2;
	struct Fit { Font font, replaced, fitted; bool used = false; };
	Fit                         fit[256];
};

ReplaceState& sState()
{
	static ReplaceState s;
	return s;
}

void sPanose(int face, byte* out)
{
	ReplaceState& s = sState();
	int q = s.installed.Find(face);
	if(q >= 0) {
		memcpy(out, s.installed[q]->panose, 10);
		return;
	}
	q = s.computed.Find(face);
	if(q >= 0) {
		memcpy(out, s.computed[q].panose, 10);
		return;
	}
	q = s.panose.Find(face);
	if(q < 0) {
		String p = Font(face, 20).GetData("OS/2", 32, 10);
		if(p.GetLength() != 10)
			p = String(0, 10);
		q = s.panose.GetCount();
		s.panose.Add(face, p);
	}
	memcpy(out, ~s.panose[q], 10);
}

int sDistance(const byte* a, const byte* b)
{
	auto v = [](int x, int zero) { return x ? x : zero; };
	if(v(a[0], 2) != v(b[0], 2))
		return INT_MAX;
	int d = 0;
	static const int zero[] = { 6, 6, 4 };
	for(int i = 0; i < 3; i++) {
		int x = v(a[i + 1], zero[i]) - v(b[i + 1], zero[i]);
		d += x * x;
	}
	for(int i = 0; i < 4; i++)
		d += 5 * (a[i] == 0) + 5 * (b[i] == 0);
	return d;
}

void sFullScan()
{
	ReplaceState& s = sState();
	s.scanned = true;
	int n = Font::GetFaceCount();
	for(int i = 1; i < n; i++) {
		dword info = Font::GetFaceInfo(i);
		if((info & FACE_SCALABLE) && !(info & FACE_SYMBOL) && s.computed.Find(i) < 0 && s.installed.Find(i) < 0) {
			ReplaceRecord r;
			if(detail::ComputeReplaceRecord(i, r))
				s.computed.Add(i, r);
		}
		if((info & FACE_COLOR) && std::find(s.colors1.begin(), s.colors1.end(), i) == s.colors1.end())
			s.colors2.Add(i);
	}
}

Font sFit(Font font, Font r)
{
	const FontMetrics& fm = font.GetMetrics();
	int a = fm.ascent, d = fm.descent;
	const FontMetrics& rm = r.GetMetrics();
	if(rm.ascent <= a && rm.descent <= d)
		return r;
	ReplaceState& s = sState();
	ReplaceState::Fit& e = s.fit[dword(font.GetHashValue() ^ (r.GetHashValue() >> 7)) & 255];
	if(e.used && e.font == font && e.replaced == r)
		return e.fitted;
	int h = r.GetHeight();
	int ra = rm.ascent < 2 ? 1 : rm.ascent, rd = rm.descent < 2 ? 1 : rm.descent;
	Font f = r;
	f.Height(int(min(int64(h) * a / ra, int64(h) * d / rd)) + 1);
	for(;;) {
		const FontMetrics& m = f.GetMetrics();
		if(!((m.ascent > a || m.descent > d) && f.GetRawHeight() >= 2))
			break;
		f.Height(f.GetRawHeight() - 1);
	}
	e.used = true;
	e.font = font;
	e.replaced = r;
	e.fitted = f;
	return f;
}

} // namespace

bool Replace(Font font, int ch, Font& out)
{
	Mutex::Lock lock(FontMutex());
	font.ResolveStd();
	ReplaceState& s = sState();
	bool emoji = detail::IsEmojiChar(ch);
	if(!s.ready) {
		s.ready = true;
		int n;
		const ReplaceRecord* table = detail::BuiltinReplaceTable(n);
		for(int i = 0; i < n; i++) {
			int face = Font::FindFaceName(table[i].name);
			if(face > 0 && s.installed.Find(face) < 0)
				s.installed.Add(face, &table[i]);
		}
		int fc = Font::GetFaceCount();
		for(int i = 1; i < fc; i++)
			if(Font::GetFaceInfo(i) & FACE_COLOR)
				s.colors1.Add(i);
	}
	byte panose[10];
	sPanose(font.GetFace(), panose);
	for(int pass = 0; pass < 2; pass++) {
		Vector<std::pair<int, int>> cand; // (distance, face)
		auto consider = [&](int face, const ReplaceRecord& r) {
			if(detail::HasCoverage(r.coverage, ch))
				cand.Add({ sDistance(panose, r.panose), face });
		};
		if(pass == 0)
			for(int i = 0; i < s.installed.GetCount(); i++)
				consider(s.installed.GetKey(i), *s.installed[i]);
		else
			for(int i = 0; i < s.computed.GetCount(); i++)
				consider(s.computed.GetKey(i), s.computed[i]);
		if(emoji)
			for(int f : pass == 0 ? s.colors1 : s.colors2)
				cand.Add({ -1, f });
		std::stable_sort(cand.begin(), cand.end(), [](auto& a, auto& b) { return a.first < b.first; });
		for(const auto& c : cand) {
			Font r = font;
			r.Face(c.second);
			if(HasGlyph(r, ch)) {
				out = sFit(font, r);
				return true;
			}
		}
		if(pass == 0 && !s.scanned)
			sFullScan();
	}
	return false;
}

} // namespace Qel
