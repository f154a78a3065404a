// The QTF writer's fast path: a paragraph of UTF-8 text written straight from its packed form,
// with the run formats and paragraph heads met so far kept from one paragraph to the next.
#include <richtext/qtf/Qtf.h>
#include <richtext/qtf/detail/QtfTables.h>
#include <richtext/qtf/detail/QtfWriter.h>

namespace Qel {

using namespace detail;

namespace {

// The steps and heads that lead to run format slot i, which is given to another format.
void sForgetSlot(PackedWriteScratch& sc, int i)
{
	for(PackedRunFormat& r : sc.fmts)
		for(PackedRunFormat::Step& st : r.step)
			if(st.to == i)
				st.style = nullptr;
	for(PackedParaHead& h : sc.heads)
		if(h.start == i)
			h.style = nullptr;
	if(sc.open_fmt == i)
		sc.open_fmt = -1;
}

// The run format cf against base, added when new. A full list replaces one not used lately
// (a link's format is used for a run or two) and forgets the steps and heads naming it.
int sRunFormat(PackedWriteScratch& sc, const RichPara::Format& base, const RichPara::CharFormat& cf)
{
	for(int i = 0; i < sc.used; i++)
		if(sc.fmts[i].base == &base && SameCharFormat(sc.fmts[i].cf, cf))
			return i;
	const int n = int(std::size(sc.fmts));
	int i;
	if(sc.used < n)
		i = sc.used++;
	else {
		while(sc.fmts[sc.hand].ref) {
			sc.fmts[sc.hand].ref = false;
			sc.hand = (sc.hand + 1) % n;
		}
		i = sc.hand;
		sc.hand = (sc.hand + 1) % n;
		sc.gone = i;
		sForgetSlot(sc, i);
	}
	PackedRunFormat& r = sc.fmts[i];
	r.base = &base;
	r.cf = cf;
	r.fmt.Clear();
	QtfCharFormat(r.fmt, base, cf);
	r.link = !SameLink(cf, base);
	for(PackedRunFormat::Step& st : r.step)
		st.style = nullptr;
	r.next_step = 0;
	r.ref = false;
	return i;
}

// The run of packed text at the cursor as sText writes it unpacked in UTF-8 without line
// breaks: what both forms hold as the same bytes is copied as it stands. Writes at most 3
// bytes a byte of text, and up to 16 bytes past what it writes; the cursor ends past the text.
char* sPackedText(char* t, PackedParaCursor& in)
{
	const char* s = in.TextBegin();
	const char* hi = in.Limit();
	for(;;) {
#ifdef __SSE2__
		// most of a text sixteen bytes at a time: what is plain in QTF is whole characters of text
		while(hi - s >= 16) {
			__m128i x = _mm_loadu_si128((const __m128i*)s);
			_mm_storeu_si128((__m128i*)t, x);
			unsigned tail;
			unsigned ok = QtfPlainChunk(x, 0, tail);
			if(ok == 0xFFFF) { // the common case: the next address does not wait for this one
				s += 16;
				t += 16;
				continue;
			}
			int n = __builtin_ctz(~ok);
			s += n;
			t += n;
			break;
		}
#endif
		if(!in.TextGoesOn(s))
			break;
		int c = byte(*s);
		if(c < 128) {
			s++;
			if(IsQtfPlain(c))
				*t++ = char(c);
			else if(c == ':' && *s != ':') // a ":" ending the run is seen to by the caller
				*t++ = ':';
			else if(c == '\t') {
				*t++ = '-';
				*t++ = '|';
			}
			else {
				*t++ = '`';
				*t++ = char(c);
			}
		}
		else if(c >= 0xC2 && c <= 0xDF && hi - s >= 2 && (byte(s[1]) & 0xC0) == 0x80 && !(c == 0xC2 && byte(s[1]) == 0xA0)) {
			*t++ = s[0];
			*t++ = s[1];
			s += 2;
		}
		else {
			const char* b = s;
			wchar w = DecodePackedChar(s, hi);
			if(w == 0xA0)
				*t++ = '_';
			else if(w >= 0xEE00 && w <= 0xEEFF) {
				static const char hex[] = "0123456789ABCDEF";
				*t++ = '@';
				*t++ = '$';
				for(int sh = 12; sh >= 0; sh -= 4)
					*t++ = hex[(w >> sh) & 15];
				*t++ = ';';
			}
			else if(w == PACK_REPLACEMENT) { // a damaged sequence reads as one U+FFFD
				*t++ = char(0xEF);
				*t++ = char(0xBF);
				*t++ = char(0xBD);
			}
			else { // well formed: the same bytes
				memcpy(t, b, s - b);
				t += s - b;
			}
		}
	}
	in.EndText(s);
	return t;
}

char* sGrowBuffer(PackedWriteScratch& sc, char* t, int64 n)
{
	int64 at = t - sc.buf.Get();
	if(at + n > INT_MAX / 2)
		Panic("QTF text too big");
	SizedBuffer<char> b(int(max<int64>(at + n, 2 * int64(sc.buf.GetCount()))));
	if(at)
		memcpy(b.Get(), sc.buf.Get(), size_t(at));
	sc.buf = std::move(b);
	return sc.buf.Get() + at;
}

// Room for n more bytes at t in the scratch buffer, which may move.
QEL_FORCE_INLINE char* sRoom(PackedWriteScratch& sc, char* t, int64 n)
{
	return t - sc.buf.Get() + n <= sc.buf.GetCount() ? t : sGrowBuffer(sc, t, n);
}

} // namespace

// Paragraph pp (stored against style) written as QtfParagraph writes it unpacked, in one pass
// over its packed form; false, with nothing written, when it holds objects or fields, when it
// is damaged, when its last run is not in the language of its first (the paragraph's language
// goes before the runs, which name theirs against it) or when its mark is to be written.
bool detail::WritePackedParagraph(String& out, const RichTxt::Para& pp, const RichPara::Format& style,
                                   const RichPara::Format& base, const RichPara::Format& parabase, int group,
                                   int language, QtfParaEnd end, PackedWriteScratch& sc, QtfStopBudget* stops)
{
	PackedParaCursor in(pp.head, pp.content, pp.aside.get());
	bool apart = !pp.head.IsEmpty();
	int state = -1;
	int hi_head = -1;
	for(int i = 0; i < int(std::size(sc.heads)); i++) {
		const PackedParaHead& h = sc.heads[i];
		if(h.style != &style || h.base != &base || h.group != group || h.apart != apart)
			continue;
		if(in.SkipHead(h.head)) {
			state = h.start;
			hi_head = i;
			break;
		}
	}
	if(state < 0) {
		RichPara::Format& f = sc.f;
		f = style;
		if(!in.ReadHead(f))
			return false;
		state = sRunFormat(sc, base, f);
		hi_head = sc.next_head;
		sc.next_head = (sc.next_head + 1) % int(std::size(sc.heads));
		PackedParaHead& h = sc.heads[hi_head];
		h.style = &style;
		h.base = &base;
		h.group = group;
		h.apart = apart;
		h.head = in.HeadKey();
		h.prefix.Clear();
		h.full.Clear();
		h.copies = TabsAdded(parabase, f) ? parabase.tab.GetCount() : 0;
		WriteParaFormat(h.prefix, parabase, f, h.copies);
		if(h.copies)
			WriteParaFormat(h.full, parabase, f, false);
		h.start = state;
	}
	char* t = sc.buf.Get();
	int plang = 0;
	int lastlang = 0;
	bool runs = false;
	int last_run = -1; // the format of the last run
	sc.fmts[state].ref = true;
	bool colon = false; // the last run ended in a colon written bare
	bool link_before = false; // the run before has a link of its own, sc.link_last
	int  state_before = -1;
	if(sc.links.GetCount()) {
		sc.links.Clear();
		sc.indexes.Clear();
	}
	for(;;) {
		PackedParaCursor::Item item = in.Peek();
		if(item == PackedParaCursor::END)
			break;
		if(item == PackedParaCursor::TEXT) {
			const char* b = in.TextBegin();
			const PackedRunFormat& r = sc.fmts[state];
			// A link of runs of more than one format, or of more than one stretch of runs, is
			// written once for them: QtfParagraph sees to that.
			if(r.link) {
				if(link_before && r.cf.link == sc.link_last && r.cf.indexentry == sc.index_last) {
					if(state != state_before)
						return false;
				}
				else {
					for(int k = 0; k < sc.links.GetCount(); k++)
						if(sc.links[k] == r.cf.link && sc.indexes[k] == r.cf.indexentry)
							return false;
					sc.links.Add(r.cf.link);
					sc.indexes.Add(r.cf.indexentry);
					sc.link_last = r.cf.link;
					sc.index_last = r.cf.indexentry;
				}
			}
			link_before = r.link;
			state_before = state;
			const String* fmt = &r.fmt;
			if(!runs)
				plang = r.cf.language;
			lastlang = r.cf.language;
			if(r.cf.language != plang) { // the language goes first, as QtfParagraph writes it
				sc.lang.Clear();
				QtfLanguage(sc.lang, r.cf.language, plang);
				// a height digit right after it gets the separator QtfCharFormat would put
				if(QtfEndsInDigit(sc.lang) && !fmt->IsEmpty() && (*fmt)[0] >= '0' && (*fmt)[0] <= '9')
					sc.lang.Cat(';');
				sc.lang.Cat(*fmt);
				fmt = &sc.lang;
			}
			t = sRoom(sc, t, 3 * (in.Limit() - b) + fmt->GetLength() + 32);
			if(runs && ((fmt == &r.fmt && sc.open_fmt == state) || *fmt == sc.open)) {
				// ":" ending a run followed by ":" in the same block would read as "::"
				if(colon && *b == ':') {
					t[-1] = '`';
					*t++ = ':';
				}
			}
			else {
				if(runs && !sc.open.IsEmpty())
					*t++ = ']';
				if(!fmt->IsEmpty()) {
					*t++ = '[';
					for(const char* q = fmt->Begin(), *e = fmt->End(); q < e;) // mostly a letter or two
						*t++ = *q++;
					*t++ = ' ';
				}
				sc.open = *fmt;
				sc.open_fmt = fmt == &r.fmt ? state : -1;
			}
			t = sPackedText(t, in);
			colon = in.TextBegin()[-1] == ':';
			runs = true;
			last_run = state;
			continue;
		}
		if(item != PackedParaCursor::CODES)
			return false;
		// format codes: a sequence met before from this format leads where it led then
		const PackedRunFormat& r = sc.fmts[state];
		bool known = false;
		uint64 v = in.PeekCodes();
		for(const PackedRunFormat::Step& st : r.step) {
			if(st.style == &style && in.MatchCodes(v, st.codes)) {
				state = st.to;
				sc.fmts[state].ref = true;
				known = true;
				break;
			}
		}
		if(known)
			continue;
		RichPara::CharFormat cf = r.cf;
		PackedCodes codes;
		if(!in.ReadCodes(cf, style, codes))
			return false;
		int from = state;
		sc.gone = -1;
		state = sRunFormat(sc, base, cf);
		sc.fmts[state].ref = true;
		if(sc.gone == state_before) // the run before had the format replaced: this one is another
			state_before = -1;
		if(sc.gone == last_run)
			last_run = -1;
		// a link's codes are long and met once: not kept
		if(sc.gone != from && codes.len) {
			PackedRunFormat& fr = sc.fmts[from];
			PackedRunFormat::Step& st = fr.step[fr.next_step];
			fr.next_step = (fr.next_step + 1) % int(std::size(fr.step));
			st.style = &style;
			st.codes = codes;
			st.to = state;
		}
	}
	if(lastlang != plang)
		return false;
	// the mark's codes end the paragraph: the last format is the mark
	const PackedRunFormat& last = sc.fmts[state];
	if(runs && ((end != QtfParaEnd::LAST && !SameReadFormat(last.cf, base, plang)) ||
	            (end != QtfParaEnd::AMPERSAND && (last_run < 0 || (last_run != state && !SameReadFormat(last.cf, sc.fmts[last_run].cf))))))
		return false;
	// the head may have been replaced with the formats it named; its prefix is its own
	const PackedParaHead& h = sc.heads[hi_head];
	out.Cat(h.copies && !(stops && stops->Take(out, h.copies)) ? h.full : h.prefix);
	if(!runs) {
		QtfCharFormat(out, base, last.cf); // which may need a separator after the prefix
		plang = last.cf.language;
	}
	QtfLanguage(out, plang, language);
	out.Cat(' ');
	if(runs && !sc.open.IsEmpty()) {
		t = sRoom(sc, t, 1);
		*t++ = ']';
	}
	out.Cat(sc.buf.Get(), int(t - sc.buf.Get()));
	return true;
}

void detail::ForgetPackedBase(PackedWriteScratch& sc, const RichPara::Format& base)
{
	for(int i = 0; i < sc.used; i++) {
		if(sc.fmts[i].base != &base)
			continue;
		sc.fmts[i].base = nullptr; // matches nothing, so it is replaced in its turn
		sForgetSlot(sc, i);
	}
	for(PackedParaHead& h : sc.heads)
		if(h.base == &base)
			h.style = nullptr;
}

} // namespace Qel
