// Reading the packed paragraph back. Every read is bounds-checked: a cut string, count or
// value ends the stream, and what was read before it stays.
#include <richtext/para/RichPara.h>
#include <richtext/para/detail/PackedForm.h>
#include <richtext/para/detail/ParaCache.h>

#include <memory>

namespace Qel {

namespace {

using detail::PackedReader;

// Field contents nest through the stream; deeper ones are dropped, not followed.
constexpr int MAX_FIELD_DEPTH = 32;

int sGet16(PackedReader& in)
{
	int w = in.Get16();
	return w == 0xFFFF ? in.Get32() : w;
}

// A new part in the running format.
QEL_FORCE_INLINE RichPara::Part& sAddPart(Array<RichPara::Part>& part, const RichPara::CharFormat& cf)
{
	return part.Add(new RichPara::Part(cf));
}

// Face or height: 0xFFFF is the style's value, 0xFFFE an int32 follows.
bool sGetFont16(PackedReader& in, int style, int& v)
{
	int w = in.Get16();
	if(w == 0xFFFE)
		w = in.Get32();
	else if(w == 0xFFFF)
		w = style;
	if(in.error)
		return false;
	v = w;
	return true;
}

} // namespace

namespace detail {

void UnpackParaFormat(PackedReader& in, RichPara::Format& f)
{
	dword mask = dword(in.Get32());
	if(in.error)
		return;
	auto has = [&](int i) { return !in.error && (mask & (dword(1) << i)); };
	auto rd16 = [&](int& v) { int x = sGet16(in); if(!in.error) v = x; };
	auto rd8 = [&](bool& v) { int x = in.Get8(); if(!in.error) v = x; };
	auto rds = [&](String& v) { String x = in.GetString(); if(!in.error) v = x; };
	if(has(0))
		rd16(f.align);
	if(has(1))
		rd16(f.before);
	if(has(2))
		rd16(f.lm);
	if(has(3))
		rd16(f.indent);
	if(has(4))
		rd16(f.rm);
	if(has(5))
		rd16(f.after);
	if(has(6))
		rd16(f.bullet);
	if(has(7))
		rd8(f.keep);
	if(has(8))
		rd8(f.newpage);
	if(has(9))
		rd16(f.tabsize);
	if(has(10)) { // an empty label means the style's, as when it is not stored
		String l = in.GetString();
		if(!in.error && !l.IsEmpty())
			f.label = l;
	}
	if(has(11))
		rd8(f.keepnext);
	if(has(12))
		rd8(f.orphan);
	if(has(13)) {
		rds(f.before_number);
		rds(f.after_number);
		rd8(f.reset_number);
		if(in.Need(8)) {
			memcpy(f.number, in.s, 8);
			in.s += 8;
		}
	}
	if(has(14)) {
		int x = in.Get8();
		if(!in.error)
			f.linespacing = int8(x);
	}
	if(has(15)) {
		int n = in.Get16();
		if(!in.error) {
			f.tab.Clear();
			f.tab.Reserve(min(n, in.Left() / 6));
			while(n-- > 0 && in.Need(6)) {
				RichPara::Tab& t = f.tab.Add();
				t.pos = in.Get32();
				t.align = byte(in.Get8());
				t.fillchar = byte(in.Get8());
			}
		}
	}
	if(has(16))
		rd16(f.ruler);
	if(has(17)) {
		int x = in.Get32();
		if(!in.error)
			f.rulerink = Color::FromRaw(dword(x));
	}
	if(has(18))
		rd16(f.rulerstyle);
	if(has(19)) {
		rd8(f.newhdrftr);
		if(f.newhdrftr && !in.error) {
			rds(f.header_qtf);
			rds(f.footer_qtf);
		}
	}
	if(has(20))
		rd8(f.fflag);
}

void UnpackParaHead(const String& head, RichPara::Format& f)
{
	struct Last {
		String           head;
		RichPara::Format fields; // read onto a default format
		dword            mask = 0;
	};
	thread_local Last last;
	if(head.GetLength() < 4)
		return;
	if(last.head != head) {
		PackedReader in(head.Begin(), head.End());
		RichPara::Format fields;
		UnpackParaFormat(in, fields);
		if(in.error || !in.IsEof()) { // damaged: read onto f as it stands, not kept
			PackedReader again(head.Begin(), head.End());
			UnpackParaFormat(again, f);
			return;
		}
		last.fields = std::move(fields);
		memcpy(&last.mask, head.Begin(), 4);
		last.head = head;
	}
	const RichPara::Format& s = last.fields;
	auto has = [&](int i) { return last.mask & (dword(1) << i); };
	if(has(0)) f.align = s.align;
	if(has(1)) f.before = s.before;
	if(has(2)) f.lm = s.lm;
	if(has(3)) f.indent = s.indent;
	if(has(4)) f.rm = s.rm;
	if(has(5)) f.after = s.after;
	if(has(6)) f.bullet = s.bullet;
	if(has(7)) f.keep = s.keep;
	if(has(8)) f.newpage = s.newpage;
	if(has(9)) f.tabsize = s.tabsize;
	if(has(10) && !s.label.IsEmpty())
		f.label = s.label;
	if(has(11)) f.keepnext = s.keepnext;
	if(has(12)) f.orphan = s.orphan;
	if(has(13)) {
		f.before_number = s.before_number;
		f.after_number = s.after_number;
		f.reset_number = s.reset_number;
		memcpy(f.number, s.number, 8);
	}
	if(has(14)) f.linespacing = s.linespacing;
	if(has(15)) f.tab = s.tab;
	if(has(16)) f.ruler = s.ruler;
	if(has(17)) f.rulerink = s.rulerink;
	if(has(18)) f.rulerstyle = s.rulerstyle;
	if(has(19)) {
		f.newhdrftr = s.newhdrftr;
		if(s.newhdrftr) {
			f.header_qtf = s.header_qtf;
			f.footer_qtf = s.footer_qtf;
		}
	}
	if(has(20)) f.fflag = s.fflag;
}

void UnpackCharCodes(PackedReader& in, RichPara::CharFormat& cf, const RichPara::CharFormat& chrstyle,
                     AsideReader* aside)
{
	while(!in.IsEof()) {
		int c = in.Peek();
		if(EndsCharCodes(byte(c)))
			break;
		in.s++;
		int x;
		switch(c) {
		case PACKED_ASIDE: { // without a list set aside, a byte that carries nothing, as 0
			const RichPara::Aside* a = aside ? aside->aside : nullptr;
			int k = in.Peek();
			if(!a || (k != PACKED_LINK && k != PACKED_INDEX))
				break;
			in.s++;
			// numbered in stream order, also past the last one there is (which sets nothing)
			if(k == PACKED_LINK) {
				if(aside->link < a->link.GetCount())
					cf.link = a->link[aside->link];
				aside->link++;
			}
			else {
				if(aside->index < a->index.GetCount())
					cf.indexentry = a->index[aside->index];
				aside->index++;
			}
			break;
		}
		case PACKED_INDEX: {
			WString w = in.GetWString();
			if(!in.error)
				cf.indexentry = w;
			break;
		}
		case 4:
			if(sGetFont16(in, chrstyle.GetFace(), x))
				cf.Face(x);
			break;
		case 5:
			if(sGetFont16(in, chrstyle.GetHeight(), x))
				cf.Height(x);
			break;
		case 6:
			x = in.Get32();
			if(!in.error)
				cf.language = x;
			break;
		case 7:
			x = in.Get32();
			if(!in.error)
				cf.ink = Color::FromRaw(dword(x));
			break;
		case 8:
			x = in.Get32();
			if(!in.error)
				cf.paper = Color::FromRaw(dword(x));
			break;
		case PACKED_LINK: {
			String l = in.GetString();
			if(!in.error)
				cf.link = l;
			break;
		}
		case 11:
			x = in.Get8();
			if(!in.error)
				cf.sscript = (x & 3) == 3 ? chrstyle.sscript : x & 3;
			break;
		case 12: cf.Bold(false); break;
		case 13: cf.Bold(true); break;
		case 14: cf.Bold(chrstyle.IsBold()); break;
		case 15: cf.Italic(false); break;
		case 16: cf.Italic(true); break;
		case 17: cf.Italic(chrstyle.IsItalic()); break;
		case 18: cf.Underline(false); break;
		case 19: cf.Underline(true); break;
		case 20: cf.Underline(chrstyle.IsUnderline()); break;
		case 21: cf.capitals = false; break;
		case 22: cf.capitals = true; break;
		case 23: cf.capitals = chrstyle.capitals; break;
		case 24: cf.Strikeout(false); break;
		case 25: cf.Strikeout(true); break;
		case 26: cf.Strikeout(chrstyle.IsStrikeout()); break;
		case 27: cf.dashed = false; break;
		case 28: cf.dashed = true; break;
		case 29: cf.dashed = chrstyle.dashed; break;
		case 30:
			x = in.Get8();
			if(x == 1 || x == 2)
				cf.NonAntiAliased(x == 2);
			else if(x == 3)
				cf.NonAntiAliased(chrstyle.IsNonAntiAliased());
			break;
		default: // 0 carries nothing
			break;
		}
	}
}

} // namespace detail

void RichPara::UnpackParts(const char* s, const char* e, const CharFormat& chrstyle, Array<Part>& part,
                           const Array<RichObject>& obj, int& oi, const Aside* aside)
{
	unpacked_length = -1; // the parts may be any array
	detail::AsideReader a(aside);
	UnpackPartsAt(s, e, chrstyle, part, obj, oi, a, 0, nullptr);
}

void RichPara::UnpackPartsAt(const char* s, const char* e, const CharFormat& chrstyle, Array<Part>& part,
                             const Array<RichObject>& obj, int& oi, detail::AsideReader& aside, int depth,
                             int64* length)
{
	CharFormat& cf = format; // the running format
	PackedReader in(s, e);
	part.Reserve(part.GetCount() + int(min<int64>((e - s) / 32, 256)) + 1); // a part per run, roughly
	sAddPart(part, cf);
	while(!in.IsEof()) {
		int c = in.Peek();
		if(detail::IsPackedText(byte(c))) {
			int n;
			in.s = detail::UnpackTextRun(part.Top().text, in.s, e, n);
			if(length)
				*length += n;
		}
		else if(c == detail::PACKED_OBJECT) {
			in.s++;
			if(oi < obj.GetCount()) { // with no object left the byte adds none
				if(part.Top().text.GetLength())
					sAddPart(part, cf);
				Part& p = part.Top();
				p.object = obj[oi++];
				p.format = cf;
				if(length)
					*length += 1;
				sAddPart(part, cf);
			}
		}
		else if(c == detail::PACKED_FIELD) {
			Format saved = format;
			if(part.Top().text.GetLength())
				sAddPart(part, cf);
			in.s++;
			Part& p = part.Top();
			p.field = in.GetString();
			p.fieldparam = in.GetString();
			const char *cb, *ce;
			if(in.GetStringRange(cb, ce) && depth < MAX_FIELD_DEPTH)
				UnpackPartsAt(cb, ce, chrstyle, p.fieldpart, obj, oi, aside, depth + 1, nullptr);
			format = std::move(saved);
			if(p.IsField()) {
				if(length)
					*length += 1;
				sAddPart(part, cf);
			}
			else { // a field without an id is none: no empty part is left between the others
				p.fieldparam.Clear();
				p.fieldpart.Clear();
				p.format = cf;
			}
		}
		else {
			detail::UnpackCharCodes(in, cf, chrstyle, &aside);
			if(part.Top().text.GetLength())
				sAddPart(part, cf);
			else
				part.Top().format = cf;
		}
	}
	const Part& last = part.Top();
	if(last.text.IsEmpty() && last.object.IsNull() && last.field.IsEmpty())
		part.Drop();
}

void RichPara::Unpack(const String& data, const Array<RichObject>& obj, const Format& style)
{
	Unpack(String(), data, obj, nullptr, style);
}

void RichPara::Unpack(const String& head, const String& data, const Array<RichObject>& obj, const Format& style)
{
	Unpack(head, data, obj, nullptr, style);
}

void RichPara::Unpack(const String& head, const String& data, const Array<RichObject>& obj, const Aside* aside,
                      const Format& style)
{
	part.Clear();
	if(cacheid && detail::TakeFromParaCache(*this))
		return;
	String h = head; // they and style may belong to this paragraph
	String packed = data;
	std::unique_ptr<Format> own;
	if(&style == &format)
		own = std::make_unique<Format>(style);
	const Format& s = own ? *own : style;
	format = s;
	PackedReader in(packed.Begin(), packed.End());
	if(h.IsEmpty())
		detail::UnpackParaFormat(in, format);
	else
		detail::UnpackParaHead(h, format);
	int oi = 0;
	detail::AsideReader a(aside);
	unpacked_length = 0;
	UnpackPartsAt(in.s, in.e, s, part, obj, oi, a, 0, &unpacked_length);
}

} // namespace Qel
