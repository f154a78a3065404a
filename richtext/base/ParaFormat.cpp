#include <richtext/base/ParaFormat.h>

namespace Qel::detail {

namespace {

// The deepest level with a number style, or -1.
int sDeepestLevel(const RichParaFormats::NumberFormat& f)
{
	for(int i = 7; i >= 0; i--)
		if(f.number[i])
			return i;
	return -1;
}

} // namespace

void RichParaFormats::Number::Next(const NumberFormat& f)
{
	int l = sDeepestLevel(f);
	if(f.reset_number) {
		if(l >= 0)
			n[l] = 0;
		else if(!IsNull(n[0]))
			n[0] = 0;
	}
	if(l < 0)
		return;
	n[l] = int(dword(n[l]) + 1); // wraps instead of overflowing
	for(int i = l + 1; i < 8; i++)
		n[i] = 0;
}

String RichParaFormats::Number::AsText(const Format& f) const
{
	String r;
	for(int i = 0; i < 8; i++) {
		int style = f.number[i];
		if(!style)
			continue;
		if(!r.IsEmpty())
			r.Cat('.');
		int v = n[i];
		switch(style) {
		case NUMBER_1:
			r << v; // the int Null appends nothing
			break;
		case NUMBER_0:
			if(!IsNull(v))
				r << FormatInt64(int64(v) - 1);
			break;
		case NUMBER_a:
		case NUMBER_A:
			r << FormatAlpha(v, style == NUMBER_A);
			break;
		case NUMBER_i:
		case NUMBER_I:
			r << FormatRoman(v, style == NUMBER_I);
			break;
		}
	}
	return f.before_number + r + f.after_number;
}

} // namespace Qel::detail
