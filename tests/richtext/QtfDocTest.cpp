// The examples of docs/qtf.md read as the page says they do: a "qtf" block without an error
// paragraph, a "qtf-error" block with one, and a "text" block after either is the plain text
// of what was read.
#include <richtext/RichText.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

struct DocExample {
	int    line = 0;        // of the opening fence
	bool   error = false;   // "qtf-error"
	String qtf;
	bool   has_text = false;
	String text;
};

Array<DocExample> sExamples(const String& md)
{
	Vector<String> lines = Split(~md, '\n', false);
	Array<DocExample> r;
	// The lines of the block whose opening fence is at i, up to the closing one; i ends past it.
	auto block = [&](int& i) {
		String s;
		for(i++; i < lines.GetCount() && lines[i] != "```"; i++)
			s << (s.IsEmpty() ? "" : "\n") << lines[i];
		i++;
		return s;
	};
	for(int i = 0; i < lines.GetCount();) {
		if(lines[i] != "```qtf" && lines[i] != "```qtf-error") {
			i++;
			continue;
		}
		DocExample& e = r.Add();
		e.line = i + 1;
		e.error = lines[i] == "```qtf-error";
		e.qtf = block(i);
		if(i < lines.GetCount() && lines[i] == "```text") {
			e.has_text = true;
			e.text = block(i);
		}
	}
	return r;
}

// The plain text without the line breaks that end it, an object as "@".
String sShown(const RichTxt& doc)
{
	WString w = doc.GetPlainText();
	while(w.GetCount() && w[w.GetCount() - 1] == '\n')
		w.Trim(w.GetCount() - 1);
	for(int i = 0; i < w.GetCount(); i++)
		if(w[i] == 127)
			w.Set(i, '@');
	return ToUtf8(w);
}

} // namespace

TEST(QtfDoc, ExamplesReadAsShown)
{
	String md = LoadFile(QEL_DOCS_DIR "/qtf.md");
	ASSERT_FALSE(md.IsVoid());
	Array<DocExample> examples = sExamples(md);
	ASSERT_GE(examples.GetCount(), 10);
	for(const DocExample& e : examples) {
		RichText doc = ParseQtf(~e.qtf);
		String shown = sShown(doc);
		String all = shown;
		for(const RichTextValue* t : {&doc.header, &doc.footer}) {
			if(*t)
				all << "\n" << sShown(**t);
		}
		EXPECT_EQ(all.Find("ERROR: ") >= 0, e.error) << "docs/qtf.md:" << e.line << ": " << all;
		if(e.has_text) {
			EXPECT_EQ(shown, e.text) << "docs/qtf.md:" << e.line;
		}
	}
}
