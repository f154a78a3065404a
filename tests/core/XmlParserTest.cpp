#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

String sError(const char* text, dword style = 0, bool lenient = false)
{
	try {
		XmlParser p(text);
		p.SetLenient(lenient);
		ParseXmlTree(p, style);
	}
	catch(XmlError& e) {
		return e;
	}
	return "no error";
}

XmlNode sLenient(const char* text)
{
	XmlParser p(text);
	p.SetLenient();
	return ParseXmlTree(p);
}

// A compact outline of a tree: elements as tag[attrs](children), texts quoted.
String sOutline(const XmlNode& n)
{
	String r;
	for(int i = 0; i < n.GetCount(); i++) {
		const XmlNode& c = n[i];
		if(i)
			r << ",";
		switch(c.GetType()) {
		case XT_START:
			r << c.GetTag();
			if(c.GetAttrCount()) {
				r << "[";
				for(int j = 0; j < c.GetAttrCount(); j++)
					r << (j ? " " : "") << c.AttrId(j) << "=" << c.Attr(j);
				r << "]";
			}
			if(c.GetCount())
				r << "(" << sOutline(c) << ")";
			break;
		case XT_TEXT:    r << "'" << c.GetText() << "'"; break;
		case XT_DECL:    r << "!" << c.GetText(); break;
		case XT_PI:      r << "?" << c.GetText(); break;
		case XT_COMMENT: r << "#" << c.GetText(); break;
		default:         r << "<" << c.GetType() << ">";
		}
	}
	return r;
}

} // namespace

TEST(XmlParser, TokensOfADocument)
{
	XmlParser p("<?xml version=\"1.0\"?><!DOCTYPE x><!--c--><r a='1'>t<![CDATA[<&>]]></r>");
	EXPECT_EQ(p.TakeProcessingInfo(), "xml version=\"1.0\"");
	EXPECT_EQ(p.TakeDeclaration(), "DOCTYPE x");
	EXPECT_EQ(p.TakeComment(), "c");
	EXPECT_TRUE(p.AtStartTag("r"));
	EXPECT_EQ(p.EnterTag(), "r");
	EXPECT_EQ(p.Attr("a"), "1");
	EXPECT_TRUE(p.IsText());
	EXPECT_EQ(p.ReadText(), "t<&>");
	EXPECT_TRUE(p.IsEnd());
	p.RequireLeave();
	EXPECT_TRUE(p.IsEof());
}

TEST(XmlParser, Entities)
{
	XmlNode n = ParseXmlTree("<a>&lt;&gt;&amp;&#65;&#x42;&#X43;&apos;&quot;</a>");
	EXPECT_EQ(n[0].GatherText(), "<>&ABC'\"");
	n = ParseXmlTree("<a v=\"&lt;&#233;&#x1F600;\"/>");
	EXPECT_EQ(n[0].Attr("v"), "<\xc3\xa9\xf0\x9f\x98\x80");
	// saturating numbers, and code points beyond Unicode give nothing
	n = ParseXmlTree("<a>x&#99999999999999999999;y&#x110000;z</a>");
	EXPECT_EQ(n[0].GatherText(), "xyz");
	EXPECT_EQ(sError("<a>&foo;</a>"), "Unknown entity");
	EXPECT_EQ(sError("<a>&lt</a>"), "Unknown entity");
	EXPECT_EQ(sError("<a>&#;</a>"), "Unknown entity");
	EXPECT_EQ(sLenient("<a>&foo; &amp &#x;</a>")[0].GatherText(), "&foo; &amp &#x;");
}

TEST(XmlParser, AmpersandFloodIsLinear)
{
	String doc = "<a>";
	doc.Cat('&', 2000000);
	doc << "</a>";
	XmlParser p(doc);
	p.SetLenient();
	XmlNode n = ParseXmlTree(p);
	EXPECT_EQ(n[0].GatherText().GetLength(), 2000000);
}

TEST(XmlParser, EightBitDocuments)
{
	int old = GetDefaultCharset();
	SetDefaultCharset(CharsetByName("iso8859-2"));
	{
		// a UTF-8 document read into the 8-bit default set; references land in that set directly
		XmlNode n = ParseXmlTree("<a v='\xc5\xa1'>\xc5\xa1&#353;&#x161;&#x4E00;</a>");
		EXPECT_EQ(n[0].GatherText(), "\xb9\xb9\xb9\x1f");
		EXPECT_EQ(n[0].Attr("v"), "\xb9");
	}
	SetDefaultCharset(CHARSET_UTF8);
	{
		XmlParser p("<?xml version=\"1.0\" encoding=\"iso8859-2\"?><a v='\xb9'>\xb9&#353;</a>");
		XmlNode n = ParseXmlTree(p);
		EXPECT_EQ(p.GetDocumentCharset(), CharsetByName("iso8859-2"));
		EXPECT_EQ(n[1].GatherText(), "\xc5\xa1\xc5\xa1");
		EXPECT_EQ(n[1].Attr("v"), "\xc5\xa1");
		XmlParser q("<?xml version='1.0' encoding='ISO-8859-2'?><a>\xb9</a>");
		EXPECT_EQ(ParseXmlTree(q)[1].GatherText(), "\xc5\xa1");
		XmlParser u("<?xml encoding=\"no-such-set\"?><a>\xc5\xa1</a>");
		EXPECT_EQ(ParseXmlTree(u)[1].GatherText(), "\xc5\xa1");
	}
	SetDefaultCharset(old);
}

TEST(XmlParser, SelfClosingTags)
{
	XmlParser p("<r><b x=1 y='2' z=\"3\"/>tail</r>");
	p.EnterTag();
	ASSERT_TRUE(p.AtStartTag());
	p.EnterTag();
	ASSERT_EQ(p.GetAttrCount(), 3);
	EXPECT_EQ(p.AttrId(0), "x");
	EXPECT_EQ(p.Attr(0), "1");
	EXPECT_EQ(p.AttrId(1), "y");
	EXPECT_EQ(p.Attr("y"), "2");
	EXPECT_EQ(p.AttrId(2), "z");
	EXPECT_EQ(p.Attr(2), "3");
	EXPECT_TRUE(p.IsEnd());
	EXPECT_EQ(p.PeekTag(), "b");
	p.RequireLeave();
	EXPECT_EQ(p.ReadText(), "tail");
	p.RequireLeave();
	EXPECT_EQ(sOutline(ParseXmlTree("<r><b/><c a='1' /></r>")), "r(b,c[a=1])");
}

TEST(XmlParser, Trees)
{
	struct Case { const char* doc; dword style; const char* outline; };
	Case cases[] = {
		{ "<a>  <b/>  </a>", 0, "a(b)" },
		{ "<a xml:space='preserve'>  <b/> </a>", 0, "a[xml:space=preserve]('  ',b,' ')" },
		{ "<a xml:space='preserve'><b> </b></a><c> </c>", 0, "a[xml:space=preserve](b(' ')),c" },
		{ "<a>x<!--c-->y<?p q?></a>", 0, "a('x',#c,'y',?p q)" },
		{ "<a>x<!--c-->y<?p q?></a>", XT_SKIP_COMMENTS | XT_SKIP_PIS, "a('x','y')" },
		{ "<!DOCTYPE a [<!ELEMENT a ANY>] ><a/>", 0, "!DOCTYPE a [<!ELEMENT a ANY>],a" },
		{ "<!DOCTYPE a [<!ELEMENT a ANY>]><a/>", XT_SKIP_DECLS, "a" },
		{ "<a b c='1' d>t</a >", 0, "a[c=1]('t')" },
		{ "<a>\xc5\xa1</a><n\xc3\xa1zev/>", 0, "a('\xc5\xa1'),n\xc3\xa1zev" },
		{ "<a><![CDATA[]]></a>", 0, "a" },
		{ "<a>x</a>tail", 0, "a('x'),'tail'" },
		{ "", 0, "" },
	};
	for(const Case& c : cases)
		EXPECT_EQ(sOutline(ParseXmlTree(c.doc, c.style)), c.outline) << c.doc;
}

TEST(XmlParser, RetainAllBlanks)
{
	XmlParser p("<a> <b/>\n</a>");
	p.SetRetainAllBlanks();
	EXPECT_EQ(sOutline(ParseXmlTree(p)), "a(' ',b,'\n')");
}

TEST(XmlParser, Errors)
{
	struct Case { const char* doc; const char* error; };
	Case cases[] = {
		{ "<a><b></a>", "Tag/end-tag mismatch: <b> </a>" },
		{ "<a>", "Unexpected end of file" },
		{ "<a><![CDATA[x</a>", "Unterminated CDATA" },
		{ "<a><!-- x</a>", "Unterminated comment" },
		{ "<!DOCTYPE a [ <a/>", "Unterminated declaration" },
		{ "<!DOCTYPE", "Unterminated declaration" },
		{ "<?xml ", "Unterminated processing info" },
		{ "<a></a x>", "Unterminated end-tag" },
		{ "<a></a", "Unterminated end-tag" },
		{ "<a b='1'", "Unterminated tag" },
		{ "<", "Unterminated tag" },
		{ "</a>", "Unexpected text" },
		{ "&bad;<a/>", "Unknown entity" },
	};
	for(const Case& c : cases)
		EXPECT_EQ(sError(c.doc), c.error) << c.doc;
}

TEST(XmlParser, OperationErrors)
{
	auto error = [](auto f) -> String {
		XmlParser p("<a>t</a>");
		try { f(p); } catch(XmlError& e) { return e; }
		return "no error";
	};
	EXPECT_EQ(error([](XmlParser& p) { p.TakeDeclaration(); }), "Declaration expected");
	EXPECT_EQ(error([](XmlParser& p) { p.TakeProcessingInfo(); }), "Processing info expected");
	EXPECT_EQ(error([](XmlParser& p) { p.TakeComment(); }), "Comment expected");
	EXPECT_EQ(error([](XmlParser& p) { p.EnterTag(); p.EnterTag(); }), "Expected tag");
	EXPECT_EQ(error([](XmlParser& p) { p.EnterTag(); p.RequireLeave(); }), "Expected 'a' end-tag");
	EXPECT_EQ(error([](XmlParser& p) { p.SkipElement(); p.SkipElement(); }), "Unexpected end of file");
	EXPECT_EQ(error([](XmlParser& p) { p.EnterTag(); p.ReadText(); p.LeaveTag(); p.LeaveTag(); }),
	          "Unexpected end of file");
	XmlParser q("</x>");
	EXPECT_THROW(q.LeaveTag(), XmlError);
	try {
		XmlParser r("</x>");
		r.LeaveTag();
	}
	catch(XmlError& e) {
		EXPECT_EQ(e, "Unexpected end-tag: </x>");
	}
}

TEST(XmlParser, Lenient)
{
	struct Case { const char* doc; const char* outline; };
	Case cases[] = {
		{ "<a><b></a>", "a(b)" },
		{ "<a><b>text", "a(b('text'))" },
		{ "</x><a/>", "a" },
		{ "&bad;<a/>", "'&bad;',a" },
		{ "<a>&unknown;</a>", "a('&unknown;')" },
	};
	for(const Case& c : cases)
		EXPECT_EQ(sOutline(sLenient(c.doc)), c.outline) << c.doc;
}

TEST(XmlParser, FlatMode)
{
	XmlParser p("<a><b></a></c>");
	p.SetFlat();
	p.EnterTag();
	p.EnterTag();
	EXPECT_TRUE(p.LeaveTag());
	EXPECT_TRUE(p.LeaveTag());
	EXPECT_TRUE(p.IsEof());
}

TEST(XmlParser, SkipElement)
{
	XmlParser p("<r> <a><b>x</b><c/></a> <d/> </r>");
	p.EnterTag();
	p.SkipElement();
	EXPECT_TRUE(p.AtStartTag("d"));
	EXPECT_TRUE(p.EnterTagIf("d"));
	EXPECT_FALSE(p.EnterTagIf("d"));
	p.RequireLeave();
	p.RequireLeave();
	EXPECT_TRUE(p.IsEof());
}

TEST(XmlParser, FirstTokenErrorKeepsItsMessage)
{
	EXPECT_EQ(sError("&x;<a/>"), "Unknown entity");
	EXPECT_EQ(sError("<!-- open"), "Unterminated comment");
	// options set after construction apply to the first token
	EXPECT_EQ(sOutline(sLenient("&x;<a/>")), "'&x;',a");
}

TEST(XmlParser, DeepNesting)
{
	const int depth = 1000000;
	String doc;
	for(int i = 0; i < depth; i++)
		doc << "<a>";
	String deep = doc;
	for(int i = 0; i < depth; i++)
		doc << "</a>";
	{
		XmlNode n = ParseXmlTree(doc);
		int d = 0;
		for(const XmlNode* q = &n; q->GetCount(); q = &(*q)[0])
			d++;
		EXPECT_EQ(d, depth);
		XmlNode copy = n;
		EXPECT_TRUE(copy == n);
	}
	XmlParser p(doc);
	p.SkipElement();
	EXPECT_TRUE(p.IsEof());
	EXPECT_EQ(sError(deep), "Unexpected end of file");
	XmlParser l(deep);
	l.SetLenient();
	EXPECT_EQ(ParseXmlTree(l).GetCount(), 1);
}

TEST(XmlParser, Lines)
{
	XmlParser p("<a\nb='\n'>\n<!--\n-->\n<![CDATA[\n]]></a\n>");
	ParseXmlTree(p);
	EXPECT_EQ(p.GetLine(), 8); // seven line breaks
}

TEST(XmlNode, Operations)
{
	XmlNode n;
	EXPECT_EQ(n.Attr("x"), "");
	n.SetAttr("x", "1").SetAttr("y", "2").SetAttr("x", "3");
	EXPECT_EQ(n.GetAttrCount(), 2);
	EXPECT_EQ(n.Attr("x"), "3");
	XmlNode& t = n.AddTag("t");
	t.AddText("a");
	t.AddTag("u");
	t.AddText("b");
	EXPECT_EQ(t.GatherText(), "ab");
	EXPECT_EQ(n.FindTag("t"), 0);
	EXPECT_EQ(n["t"].GetCount(), 3);
	EXPECT_EQ(n["none"].GetCount(), 0);
	VectorMap<String, String> m;
	m.Add("k", "v");
	n.ReplaceAttrs(std::move(m));
	EXPECT_EQ(n.GetAttrCount(), 1);
	EXPECT_EQ(n.Attr("k"), "v");
	n.ReplaceAttrs(VectorMap<String, String>());
	EXPECT_EQ(n.GetAttrs(), nullptr);
	XmlNode c = n;
	EXPECT_TRUE(c == n);
	c.At(0).At(0).SetText("z");
	EXPECT_FALSE(c == n);
	n = std::move(c);
	EXPECT_EQ(n["t"].GatherText(), "zb");
	n.Compact();
	EXPECT_EQ(n.GetCount(), 1);
}

// Well-formed and malformed documents of our own: each well-formed one parses in every mode, each
// malformed one fails in strict mode and never crashes or hangs in lenient mode.
TEST(XmlParser, Corpus)
{
	const char* good[] = {
		"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<doc/>\n",
		"<!DOCTYPE doc [\n<!ELEMENT doc (#PCDATA)>\n<!ATTLIST doc a CDATA #IMPLIED>\n]>\n<doc a=\"x\"/>",
		"<doc>\r\n<e1 a1='v1' a2 = \"v2\" ></e1 >\r\n</doc>",
		"<doc><!-- comment with - dash --><?pi  data ?></doc>",
		"<doc>&#x20;&#32;&#x10FFFF;&#9;</doc>",
		"<doc><![CDATA[<doc>]]]]><![CDATA[>]]></doc>",
		"<d\xc3\xa9j\xc3\xa0 \xc3\xa9t\xc3\xa9='\xe2\x82\xac'>\xe2\x82\xac</d\xc3\xa9j\xc3\xa0>",
		"<a:b xmlns:a='urn:x'><a:c/></a:b>",
		"<doc a='&lt;&#x3E;' b=\"'\" c='\"'/>",
		"<doc><a/><b></b><c>x</c></doc><!-- trailer --><?pi?>",
	};
	for(const char* d : good) {
		for(dword style = 0; style < 8; style++)
			EXPECT_NO_THROW(ParseXmlTree(d, style)) << d;
		EXPECT_NO_THROW(sLenient(d));
	}
	const char* bad[] = {
		"<doc>", "<doc></dok>", "<doc><a></doc>", "<doc>&nope;</doc>", "<doc a='&nope;'/>",
		"<doc><!-- x -></doc>", "<doc><?pi </doc>", "<doc><![CDATA[ x ]></doc>", "<doc></doc",
		"<doc a='1", "</doc>", "<doc/></doc>", "<!DOCTYPE doc [ <!ELEMENT doc ANY>",
	};
	for(const char* d : bad) {
		EXPECT_THROW(ParseXmlTree(d), XmlError) << d;
		try {
			sLenient(d);
		}
		catch(XmlError&) {
		}
	}
}
