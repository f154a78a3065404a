#include <richtext/base/ParaFormat.h>
#include <richtext/qtf/detail/QtfTables.h>

namespace Qel::detail {

namespace {

struct sLetter {
	char  letter;
	Color color;
};

constexpr sLetter sLower[] = {
	{'b', Color(0, 0, 128)}, {'c', Color(0, 128, 128)}, {'g', Color(0, 128, 0)}, {'k', Color(0, 0, 0)},
	{'l', Color(192, 192, 192)}, {'m', Color(128, 0, 255)}, {'n', Color()}, {'o', Color(128, 128, 0)},
	{'r', Color(128, 0, 0)}, {'w', Color(224, 224, 224)}, {'y', Color(255, 255, 0)},
};

constexpr sLetter sUpper[] = {
	{'B', Color(0, 0, 255)}, {'C', Color(0, 255, 255)}, {'G', Color(0, 255, 0)}, {'K', Color(128, 128, 128)},
	{'L', Color(224, 224, 224)}, {'M', Color(255, 0, 255)}, {'N', Color()}, {'O', Color(128, 128, 0)},
	{'R', Color(255, 0, 0)}, {'Y', Color(255, 255, 192)},
};

} // namespace

const Color QtfDigitColor[10] = {
	Color(0, 0, 0), Color(192, 192, 192), Color(255, 255, 255), Color(128, 0, 0), Color(0, 128, 0),
	Color(0, 0, 128), Color(255, 0, 0), Color(224, 224, 224), Color(0, 255, 255), Color(255, 255, 0),
};

Color QtfLetterColor(int c)
{
	if(c >= 'a' && c <= 'z') {
		for(const sLetter& l : sLower)
			if(l.letter == c)
				return l.color;
	}
	else
		for(const sLetter& l : sUpper)
			if(l.letter == c)
				return l.color;
	return Color(255, 255, 255);
}

const int QtfDigitHeight[10] = { 50, 67, 84, 100, 134, 167, 200, 234, 300, 400 };

int QtfHeightDigit(int height)
{
	for(int i = 0; i < 10; i++)
		if(QtfDigitHeight[i] == height)
			return i;
	return -1;
}

int QtfCharsetOfCode(int c)
{
	if(c == '_')
		return CHARSET_UTF8;
	if(c >= '0' && c <= '8')
		return c - '0' + 15;
	if(c >= 'A' && c <= 'Z')
		return c - 64;
	return -1;
}

String QtfCharsetCode(int charset)
{
	if(charset == CHARSET_UTF8)
		return "_";
	if(charset >= 15 && charset <= 23)
		return String(char('0' + charset - 15), 1);
	if(charset >= 1 && charset <= 14)
		return String(char('A' + charset - 1), 1);
	return CharsetName(charset);
}

namespace {

bool sIsCodeLetter(int c)
{
	return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A letter as a code holds it, 1 to 31: what a code with a letter beyond Z was written with
// reads as it always has, a code of none, without taking the text after it.
int sCodeLetter(int c)
{
	return sIsCodeLetter(c) ? (c & ~0x20) - 64 : c >= '[' && c <= '_' ? c - 64 : 0;
}

} // namespace

int QtfWrittenLanguage(int code)
{
	// Text is Unicode here: a charset in the code means nothing to it, its letters are the language.
	code &= LNG_LANGUAGE_MASK;
	auto letter = [&](int i) { int l = (code >> (15 - 5 * i)) & 31; return l >= 1 && l <= 26; };
	if(!letter(0) || !letter(1)) // no language
		return 0;
	if((code & 0x3FF) == 0 || (letter(2) && letter(3)))
		return code;
	return 0;
}

void QtfCatLanguageCode(String& out, int code)
{
	code = QtfWrittenLanguage(code);
	if(code == 0)
		out.Cat('-');
	else {
		out.Cat(FormatLanguageCode(code));
		if((code & 0x3FF) == 0)
			out.Cat(';');
	}
}

const char* QtfReadLanguage(const char* s, int& code)
{
	code = 0;
	if(*s == '%') {
		code = LNG_ENGLISH;
		return s + 1;
	}
	if(*s == '-')
		return s + 1;
	int a = sCodeLetter(s[0]);
	int b = a ? sCodeLetter(s[1]) : 0;
	if(!a)
		return s; // no code: the characters are commands
	if(!b)
		return s + 1; // a single letter, as a code of one letter was written
	bool letters = sIsCodeLetter(s[0]) && sIsCodeLetter(s[1]);
	if((s[2] == '-' || s[2] == '_') && sCodeLetter(s[3]) && sCodeLetter(s[4])) {
		if(letters && sIsCodeLetter(s[3]) && sIsCodeLetter(s[4]))
			code = (a << 15) | (b << 10) | (sCodeLetter(s[3]) << 5) | sCodeLetter(s[4]);
		return s + 5;
	}
	if(letters)
		code = (a << 15) | (b << 10);
	return s + 2;
}

namespace {

constexpr char sBullets[] = "_0123" "9"; // the index is the bullet

} // namespace

int QtfBulletOfChar(int c)
{
	for(int i = 0; i < 6; i++)
		if(sBullets[i] == c)
			return i;
	return RichParaFormats::BULLET_ROUND;
}

int QtfBulletChar(int bullet)
{
	return bullet >= 0 && bullet < 6 ? sBullets[bullet] : '0';
}

namespace {

constexpr char sNumbers[] = "-10aAiI"; // the index is the numbering style

} // namespace

int QtfNumberOfChar(int c)
{
	for(int i = 0; i < 7; i++)
		if(sNumbers[i] == c)
			return i;
	return -1;
}

int QtfNumberChar(int style)
{
	return style >= 0 && style < 7 ? sNumbers[style] : '-';
}

int QtfLineSpacingOfChar(int c)
{
	switch(c) {
	case 'h': return RichParaFormats::LSP_ONE_HALF;
	case 'd': return RichParaFormats::LSP_DOUBLE;
	case 'w': return RichParaFormats::LSP_115;
	default:  return RichParaFormats::LSP_SINGLE;
	}
}

const char* QtfLineSpacingCode(int linespacing)
{
	switch(linespacing) {
	case RichParaFormats::LSP_115:      return "pw";
	case RichParaFormats::LSP_DOUBLE:   return "pd";
	case RichParaFormats::LSP_ONE_HALF: return "ph";
	default:                            return "po";
	}
}

} // namespace Qel::detail
