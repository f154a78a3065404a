// Translate against glibc gettext over a .mo catalogue written here; DayOfWeek against
// std::chrono; FormatDate against strftime; sorting by CompareLanguageText against wcscoll.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <libintl.h>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <wchar.h>

using namespace Qel;

namespace {

constexpr int KEYS = 64;

struct Catalogue {
	std::vector<std::string> key, text;
	std::vector<TranslationRecord> table;
	bool gettext_ok = false;

	Catalogue()
	{
		for(int i = 0; i < KEYS; i++) {
			key.push_back("Menu item number " + std::to_string(i) + " of the bench");
			text.push_back("Menüeintrag Nummer " + std::to_string(i) + " der Bank");
		}
		std::sort(key.begin(), key.end()); // a .mo lists its keys in order
		text.clear();
		for(const std::string& k : key)
			text.push_back("DE " + k);
		for(int i = 0; i < KEYS; i++) {
			table.push_back({ 1, key[i].c_str() });
			table.push_back({ LNG_('D', 'E', 'D', 'E') | (255 << 20), text[i].c_str() });
		}
		table.push_back({ 0, nullptr });
		RegisterTranslationModule(table.data());
		WriteMo();
	}

	// The GNU message catalogue: header, two tables of (length, offset), then the strings.
	void WriteMo()
	{
		char dir[] = "/tmp/qel-bench-mo-XXXXXX";
		if(!mkdtemp(dir))
			return;
		std::string base = dir;
		mkdir((base + "/de").c_str(), 0755);
		mkdir((base + "/de/LC_MESSAGES").c_str(), 0755);
		std::string mo;
		auto put = [&](uint32_t x) { mo.append((const char*)&x, 4); };
		uint32_t n = KEYS;
		uint32_t orig = 28, trans = orig + 8 * n, data = trans + 8 * n;
		put(0x950412de); put(0); put(n); put(orig); put(trans); put(0); put(data);
		std::string strings;
		std::vector<uint32_t> table;
		for(auto* list : { &key, &text })
			for(const std::string& s : *list) {
				table.push_back((uint32_t)s.size());
				table.push_back(data + (uint32_t)strings.size());
				strings += s;
				strings += '\0';
			}
		for(uint32_t x : table)
			put(x);
		mo += strings;
		FILE* f = fopen((base + "/de/LC_MESSAGES/qelbench.mo").c_str(), "wb");
		if(!f)
			return;
		fwrite(mo.data(), 1, mo.size(), f);
		fclose(f);
		if(!setlocale(LC_MESSAGES, "de_DE.UTF-8"))
			setlocale(LC_MESSAGES, "C.UTF-8");
		setenv("LANGUAGE", "de", 1);
		bindtextdomain("qelbench", dir);
		textdomain("qelbench");
		gettext_ok = strcmp(gettext(key[0].c_str()), text[0].c_str()) == 0;
	}
};

Catalogue& sCatalogue()
{
	static Catalogue c;
	return c;
}

void QelTranslateCached(benchmark::State& state)
{
	Catalogue& c = sCatalogue();
	SetLanguage(LNG_('D', 'E', 'D', 'E'));
	const char* keys[KEYS];
	for(int i = 0; i < KEYS; i++) {
		keys[i] = c.key[i].c_str();
		Translate(keys[i]);
	}
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(Translate(keys[i++ & (KEYS - 1)]));
	if(strcmp(Translate(keys[0]), c.text[0].c_str()) != 0)
		state.SkipWithError("no translation");
	SetLanguage(LNG_ENGLISH);
}
BENCHMARK(QelTranslateCached)->Name("TranslateCached/Qel");

void GettextCached(benchmark::State& state)
{
	Catalogue& c = sCatalogue();
	const char* keys[KEYS];
	for(int i = 0; i < KEYS; i++)
		keys[i] = c.key[i].c_str();
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(gettext(keys[i++ & (KEYS - 1)]));
	if(!c.gettext_ok)
		state.SetLabel("no catalogue loaded: untranslated look-ups");
}
BENCHMARK(GettextCached)->Name("TranslateCached/gettext");

// Dates spread over four centuries.
std::vector<Date> sDates()
{
	std::vector<Date> v;
	for(int i = 0; i < 4096; i++)
		v.push_back(Date(1800 + i % 400, 1 + i % 12, 1 + i % 28));
	return v;
}

void QelDayOfWeek(benchmark::State& state)
{
	std::vector<Date> v = sDates();
	size_t i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(DayOfWeek(v[i++ & 4095]));
}
BENCHMARK(QelDayOfWeek)->Name("DayOfWeek/Qel");

void ChronoDayOfWeek(benchmark::State& state)
{
	using namespace std::chrono;
	std::vector<Date> v = sDates();
	size_t i = 0;
	for(auto _ : state) {
		const Date& d = v[i++ & 4095];
		benchmark::DoNotOptimize(weekday(sys_days(year(d.year) / month(d.month) / day(d.day))).c_encoding());
	}
}
BENCHMARK(ChronoDayOfWeek)->Name("DayOfWeek/std_chrono");

void QelFormatDate(benchmark::State& state)
{
	std::vector<Date> v = sDates();
	size_t i = 0;
	for(auto _ : state) {
		String s = FormatDate(v[i++ & 4095]);
		benchmark::DoNotOptimize(s);
	}
}
BENCHMARK(QelFormatDate)->Name("FormatDate/Qel");

void Strftime(benchmark::State& state)
{
	std::vector<Date> v = sDates();
	size_t i = 0;
	for(auto _ : state) {
		const Date& d = v[i++ & 4095];
		struct tm tm = {};
		tm.tm_year = d.year - 1900;
		tm.tm_mon = d.month - 1;
		tm.tm_mday = d.day;
		char h[64];
		size_t n = strftime(h, sizeof(h), "%m/%d/%Y", &tm);
		std::string s(h, n);
		benchmark::DoNotOptimize(s);
	}
}
BENCHMARK(Strftime)->Name("FormatDate/strftime");

// Names of mixed scripts and cases, with accents and numbers.
struct Names {
	std::vector<WString>      qel;
	std::vector<std::wstring> peer;

	Names()
	{
		static const char* const part[] = {
			"Nov\xC3\xA1k", "novak", "\xC4\x8C" "ern\xC3\xBD", "Chalupa", "Hora", "\xC3\x89mile",
			"Smith", "smithson", "\xC5\xA0imon", "Zeman", "Dvo\xC5\x99\xC3\xA1k", "Adams", "Brown", "Cyril"
		};
		uint32_t r = 12345;
		for(int i = 0; i < 100000; i++) {
			r = r * 1103515245 + 12345;
			std::string s = part[(r >> 8) % 14];
			s += ' ';
			s += part[(r >> 16) % 14];
			s += ' ';
			s += std::to_string((r >> 20) % 1000);
			WString w = ToUtf32(s.c_str());
			qel.push_back(w);
			peer.push_back(std::wstring((const wchar_t*)w.Begin(), w.GetLength()));
		}
	}
};

Names& sNames()
{
	static Names n;
	return n;
}

void QelSortNames(benchmark::State& state)
{
	Names& n = sNames();
	for(auto _ : state) {
		std::vector<int> order(n.qel.size());
		for(size_t i = 0; i < order.size(); i++)
			order[i] = (int)i;
		std::sort(order.begin(), order.end(), [&](int a, int b) {
			const WString& x = n.qel[a];
			const WString& y = n.qel[b];
			return CompareLanguageText(x.Begin(), x.GetLength(), y.Begin(), y.GetLength()) < 0;
		});
		benchmark::DoNotOptimize(order.data());
	}
}
BENCHMARK(QelSortNames)->Name("SortNames/Qel")->Unit(benchmark::kMillisecond);

void WcscollSortNames(benchmark::State& state)
{
	Names& n = sNames();
	if(!setlocale(LC_COLLATE, "en_US.UTF-8"))
		setlocale(LC_COLLATE, "C.UTF-8");
	for(auto _ : state) {
		std::vector<int> order(n.peer.size());
		for(size_t i = 0; i < order.size(); i++)
			order[i] = (int)i;
		std::sort(order.begin(), order.end(), [&](int a, int b) {
			return wcscoll(n.peer[a].c_str(), n.peer[b].c_str()) < 0;
		});
		benchmark::DoNotOptimize(order.data());
	}
	state.SetLabel(setlocale(LC_COLLATE, nullptr));
	setlocale(LC_COLLATE, "C");
}
BENCHMARK(WcscollSortNames)->Name("SortNames/wcscoll")->Unit(benchmark::kMillisecond);

} // namespace
