#include "PainterOps.h"

#include <Core/CParser.h>

#include <cmath>

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

static bool sNext(CParser& p)
{
	sCommas(p);
	return sIsNumberStart(p);
}

// Flags are single characters, so "1120" is two flags and the number 20.
static bool sFlag(CParser& p)
{
	p.Spaces();
	sCommas(p);
	if(p.IsChar('1') || p.IsChar('0')) {
		bool b = p.IsChar('1');
		p.GetChar();
		p.Spaces();
		return b;
	}
	return false;
}

void ParseSvgPathData(Painter& sw, const char* path)
{
	bool drawn = false;
	try {
		CParser p(path ? path : "");
		Pointf pos(0, 0), start(0, 0);
		while(!p.IsEof()) {
			int c = p.GetChar();
			p.Spaces();
			bool rel = c >= 'a' && c <= 'z';
			if(rel)
				c -= 'a' - 'A';
			if(c < 'A' || c > 'Z')
				break;
			bool done = false;
			switch(c) {
			case 'M':
				pos = start = ReadSvgPathPoint(p, pos, rel);
				sw.MoveOp(pos, false);
				drawn = true;
				while(sNext(p)) {
					pos = ReadSvgPathPoint(p, pos, rel);
					sw.LineOp(pos, false);
				}
				break;
			case 'L':
				drawn = true;
				while(sNext(p)) {
					pos = ReadSvgPathPoint(p, pos, rel);
					sw.LineOp(pos, false);
				}
				break;
			case 'H':
				while(sNext(p)) {
					double x = p.ReadDouble();
					pos.x = rel ? pos.x + x : x;
					sw.LineOp(pos, false);
					drawn = true;
				}
				break;
			case 'V':
				while(sNext(p)) {
					double y = p.ReadDouble();
					pos.y = rel ? pos.y + y : y;
					sw.LineOp(pos, false);
					drawn = true;
				}
				break;
			case 'C':
				while(sNext(p)) {
					Pointf p1 = ReadSvgPathPoint(p, pos, rel);
					Pointf p2 = ReadSvgPathPoint(p, pos, rel);
					pos = ReadSvgPathPoint(p, pos, rel);
					sw.CubicOp(p1, p2, pos, false);
					drawn = true;
				}
				break;
			case 'S':
				while(sNext(p)) {
					Pointf p2 = ReadSvgPathPoint(p, pos, rel);
					pos = ReadSvgPathPoint(p, pos, rel);
					sw.SmoothCubicOp(p2, pos, false);
					drawn = true;
				}
				break;
			case 'Q':
				while(sNext(p)) {
					Pointf p1 = ReadSvgPathPoint(p, pos, rel);
					pos = ReadSvgPathPoint(p, pos, rel);
					sw.QuadraticOp(p1, pos, false);
					drawn = true;
				}
				break;
			case 'T':
				while(sNext(p)) {
					pos = ReadSvgPathPoint(p, pos, rel);
					sw.SmoothQuadraticOp(pos, false);
					drawn = true;
				}
				break;
			case 'A':
				while(sNext(p)) {
					Pointf r = ReadSvgPathPoint(p, Pointf(0, 0), false);
					sCommas(p);
					double xangle = sNumberOrZero(p);
					bool large = sFlag(p);
					bool sweep = sFlag(p);
					pos = ReadSvgPathPoint(p, pos, rel);
					sw.SvgArcOp(r, xangle * M_PI / 180, large, sweep, pos, false);
					drawn = true;
				}
				break;
			case 'Z':
				sw.CloseOp();
				pos = start; // path data continues from the closed sub-path's start
				drawn = true;
				break;
			default:
				done = true;
			}
			if(done)
				break;
		}
	}
	catch(const CParser::Error&) {
		return; // what was issued stays; a path that drew nothing gets no extra move
	}
	if(!drawn)
		sw.MoveOp(Pointf(0, 0), false);
}

} // namespace Qel
