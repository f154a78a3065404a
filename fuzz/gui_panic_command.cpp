// Fuzzed titles and texts through the fatal-error box's command builder: a POSIX shell's word
// splitting of the command must give back the program's words and the message exactly, cut to a
// prefix of the whole message that ends on a character boundary, and nothing may expand.
#include <gui/gtk/detail/Panic.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The GUI module's start-up registrations (linked in with it) load fonts and GLib types that
// live until exit.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\n";
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

// The words of a command as sh splits them; aborts on anything that would expand or run.
std::vector<std::string> ShellWords(const char* s)
{
	std::vector<std::string> words;
	std::string w;
	bool in_word = false;
	while(*s) {
		char c = *s++;
		if(c == ' ' || c == '\t' || c == '\n') {
			if(in_word)
				words.push_back(w);
			w.clear();
			in_word = false;
			continue;
		}
		in_word = true;
		Check(c != '$' && c != '`' && c != '\'' && c != ';' && c != '&' && c != '|' && c != '<' && c != '>');
		if(c == '\\') {
			Check(*s);
			w += *s++;
		}
		else if(c == '"') {
			for(;;) {
				Check(*s); // an unterminated quote
				c = *s++;
				if(c == '"')
					break;
				Check(c != '$' && c != '`');
				if(c == '\\' && (*s == '$' || *s == '`' || *s == '"' || *s == '\\' || *s == '\n'))
					c = *s++;
				w += c;
			}
		}
		else
			w += c;
	}
	if(in_word)
		words.push_back(w);
	return words;
}

int Unit(const unsigned char* s)
{
	int n = s[0] < 0xC2 ? 1 : s[0] < 0xE0 ? 2 : s[0] < 0xF0 ? 3 : s[0] < 0xF5 ? 4 : 1;
	for(int i = 1; i < n; i++)
		if((s[i] & 0xC0) != 0x80)
			return 1;
	return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1)
		return 0;
	static const char* const prefix[] = {"gxmessage -center \"", "kdialog --error \"", "xmessage -center \""};
	static const char* const program[][2] = {{"gxmessage", "-center"}, {"kdialog", "--error"}, {"xmessage", "-center"}};
	int k = data[0] % 3;
	std::string in((const char*)data + 1, size - 1);
	in = in.substr(0, in.find('\0'));
	size_t cut = in.find('\x01'); // title before it, text after
	std::string title = cut == std::string::npos ? in : in.substr(0, cut);
	std::string text = cut == std::string::npos ? "" : in.substr(cut + 1);
	int room = 64 + data[0] % 2000; // short buffers cut as well as the real one
	std::vector<char> buf(room);
	int n = Qel::detail::BuildPanicCommand(buf.data(), room, prefix[k], title.c_str(), text.c_str());
	Check(n < room && buf[n] == 0 && (int)strlen(buf.data()) == n && buf[n - 1] == '"');
	std::vector<std::string> words = ShellWords(buf.data());
	std::string whole = title + "\n" + text;
	Check(words.size() == 3);
	const std::string& got = words[2];
	Check(words[0] == program[k][0] && words[1] == program[k][1]);
	Check(whole.compare(0, got.size(), got) == 0);
	if(got.size() < whole.size()) {
		// cut at a boundary: the next character (with its escape) did not fit
		const unsigned char* next = (const unsigned char*)whole.c_str() + got.size();
		int u = Unit(next);
		bool escaped = u == 1 && strchr("\"\\$`", *next);
		Check(n - 1 + u + escaped > room - 2);
		if(got.size() > 0) {
			// and no character was split before it
			size_t i = 0;
			while(i < got.size())
				i += Unit((const unsigned char*)whole.c_str() + i);
			Check(i == got.size());
		}
	}
	return 0;
}
