#include "PainterOps.h"

#include <Core/text/CParser.h>
#include <Core/detail/ScanDouble.h>

#include <cmath>
#include <cstring>

namespace Qel {

static bool sIsNumberStart(const CParser& p)
{
	const char* s = p.GetPtr();
	if(*s == '+' || *s == '-')
		s++;
	if(*s == '.')
		s++;
	return *s >= '0' && *s <= '9';
}

static void sCommas(CParser& p)
{
	while(p.Char(','))
		;
}

static double sNumberOrZero(CParser& p)
{
	return sIsNumberStart(p) ? p.ReadDouble() : 0;
}

Pointf ReadSvgPathPoint(CParser& p, const Pointf& current, bool rel)
{
	Pointf t;
	sCommas(p);
	t.x = sNumberOrZero(p);
	sCommas(p);
	t.y = sNumberOrZero(p);
	if(rel) {
		t.x += current.x;
		t.y += current.y;
	}
	return t;
}

namespace {

// The path text with CParser's rules between tokens (blanks, comments, position markers), read
// through a bare pointer: no line counting and no copies on the way to the number scanner.
struct sPathText {
	struct Stop {}; // a number that is missing or not finite ends the reading

	const char* s;

	QEL_FORCE_INLINE void Spaces()
	{
		while(byte(*s - 1) < 32 && *s != 2) // blanks and controls, inline: they follow most numbers
			s++;
		if(*s == '/' || *s == 2)
			SkipSpaces();
	}

	QEL_NOINLINE void SkipSpaces()
	{
		for(;;) {
			byte c = *s;
			if(c == '/' && s[1] == '/') {
				while(*s && *s != '\n')
					s++;
			}
			else if(c == '/' && s[1] == '*') {
				s += 2;
				while(*s && !(s[0] == '*' && s[1] == '/'))
					s++;
				if(!*s)
					return;
				s += 2;
			}
			else if(c == 2) { // a marker runs to the next byte 2, or to the end
				const char* e = strchr(s + 1, 2);
				s = e ? e + 1 : s + strlen(s);
			}
			else if(c >= 33 || c == 0)
				return;
			else
				s++;
		}
	}

	QEL_FORCE_INLINE void Commas()
	{
		while(*s == ',') {
			s++;
			Spaces();
		}
	}

	QEL_FORCE_INLINE bool IsNumberStart() const
	{
		const char* t = s;
		t += *t == '+' || *t == '-';
		t += *t == '.';
		return byte(*t - '0') < 10;
	}

	// At a number start (IsNumberStart): a sign, then no blanks before the digits.
	QEL_FORCE_INLINE double Number()
	{
		bool neg = *s == '-';
		s += neg || *s == '+';
		double d;
		s = detail::ScanUnsignedDouble(d, s, '.', true);
		if(!s || !std::isfinite(d))
			throw Stop();
		Spaces();
		return neg ? -d : d;
	}

	QEL_FORCE_INLINE bool Next()
	{
		Commas();
		return IsNumberStart();
	}

	// A number that must be there: its absence is an error of the data.
	QEL_FORCE_INLINE double Required()
	{
		Commas();
		if(!IsNumberStart())
			throw Stop();
		return Number();
	}

	// Flags are single characters, so "1120" is two flags and the number 20; anything but 0 or
	// 1 is an error.
	bool Flag()
	{
		Spaces();
		Commas();
		if(*s != '1' && *s != '0')
			throw Stop();
		bool b = *s++ == '1';
		Spaces();
		return b;
	}

	QEL_NOINLINE Pointf Point(const Pointf& current, bool rel)
	{
		Pointf t;
		t.x = Required();
		t.y = Required();
		if(rel) {
			t.x += current.x;
			t.y += current.y;
		}
		return t;
	}
};

} // namespace

// At the first error the path keeps what came before it and the rest is dropped: a segment is
// issued only when all of its numbers were read.
void ParseSvgPathData(Painter& sw, const char* path)
{
	bool drawn = false;
	try {
		sPathText p{path ? path : ""};
		p.Spaces();
		Pointf pos(0, 0), start(0, 0);
		bool first = true;
		while(*p.s) {
			int c = (byte)*p.s++;
			p.Spaces();
			bool rel = c >= 'a' && c <= 'z';
			if(rel)
				c -= 'a' - 'A';
			if(c < 'A' || c > 'Z' || (first && c != 'M'))
				break; // data must start with a move
			first = false;
			// every command but Z reads at least one group
			if(c != 'Z' && !p.Next())
				throw sPathText::Stop();
			bool done = false;
			switch(c) {
			case 'M':
				pos = start = p.Point(pos, rel);
				sw.MoveOp(pos, false);
				drawn = true;
				while(p.Next()) {
					pos = p.Point(pos, rel);
					sw.LineOp(pos, false);
				}
				break;
			case 'L':
				do {
					pos = p.Point(pos, rel);
					sw.LineOp(pos, false);
				}
				while(p.Next());
				break;
			case 'H':
				do {
					double x = p.Number();
					pos.x = rel ? pos.x + x : x;
					sw.LineOp(pos, false);
				}
				while(p.Next());
				break;
			case 'V':
				do {
					double y = p.Number();
					pos.y = rel ? pos.y + y : y;
					sw.LineOp(pos, false);
				}
				while(p.Next());
				break;
			case 'C':
				do {
					Pointf p1 = p.Point(pos, rel);
					Pointf p2 = p.Point(pos, rel);
					pos = p.Point(pos, rel);
					sw.CubicOp(p1, p2, pos, false);
				}
				while(p.Next());
				break;
			case 'S':
				do {
					Pointf p2 = p.Point(pos, rel);
					pos = p.Point(pos, rel);
					sw.SmoothCubicOp(p2, pos, false);
				}
				while(p.Next());
				break;
			case 'Q':
				do {
					Pointf p1 = p.Point(pos, rel);
					pos = p.Point(pos, rel);
					sw.QuadraticOp(p1, pos, false);
				}
				while(p.Next());
				break;
			case 'T':
				do {
					pos = p.Point(pos, rel);
					sw.SmoothQuadraticOp(pos, false);
				}
				while(p.Next());
				break;
			case 'A':
				do {
					Pointf r = p.Point(Pointf(0, 0), false);
					double xangle = p.Required();
					bool large = p.Flag();
					bool sweep = p.Flag();
					pos = p.Point(pos, rel);
					sw.SvgArcOp(r, xangle * M_PI / 180, large, sweep, pos, false);
				}
				while(p.Next());
				break;
			case 'Z':
				sw.CloseOp();
				pos = start; // path data continues from the closed sub-path's start
				break;
			default:
				done = true;
			}
			if(done)
				break;
		}
	}
	catch(const sPathText::Stop&) {
		return; // what was issued stays; a path that drew nothing gets no extra move
	}
	if(!drawn)
		sw.MoveOp(Pointf(0, 0), false);
}

} // namespace Qel
