// The control object: its tree with the exact notification steps, destruction, properties,
// the diagnostic names and the default behaviour of its virtual operations.
#include "RecordingCtrl.h"

#include <gtest/gtest.h>

namespace guitest {

using V = std::vector<std::string>;

struct NameProbe : Ctrl {};
struct Dialog : Ctrl {
	String title;
	String GetDesc() const override { return title; }
};

class CtrlTree : public CtrlTestBase {};

TEST_F(CtrlTree, AddChildStepsAndOrder)
{
	RecordingCtrl g("g"), p("p"), a("a"), b("b");
	g.AddChild(&p);
	RefreshProbe probe;
	CallLog().clear();
	p.AddChild(&a);
	// cancel, layout with a refresh of the new area, then the parent chain hears of the child
	EXPECT_EQ(CallLog(), (V{"a.CancelMode", "a.RefreshFrame(0,0,0,0)", "p.ChildAdded(a)", "g.ChildAdded(a)", "a.ParentChange"}));
	p.AddChild(&b);
	EXPECT_EQ(p.GetFirstChild(), &a);
	EXPECT_EQ(p.GetLastChild(), &b);
	EXPECT_EQ(a.GetNext(), &b);
	EXPECT_EQ(b.GetNext(), nullptr);
	EXPECT_EQ(a.GetPrev(), nullptr);
	EXPECT_EQ(b.GetPrev(), &a);

	CallLog().clear();
	p.AddChild(&b); // already the last child
	EXPECT_TRUE(CallLog().empty());

	p.AddChild(&a); // moved to the end: unlinked and linked, no refresh, no layout
	EXPECT_EQ(CallLog(), (V{"p.ChildRemoved(a)", "g.ChildRemoved(a)", "a.CancelMode", "p.ChildAdded(a)", "g.ChildAdded(a)",
	                        "a.ParentChange"}));
	EXPECT_EQ(p.GetFirstChild(), &b);
	EXPECT_EQ(p.GetLastChild(), &a);

	CallLog().clear();
	g.AddChild(&a); // from another parent: that parent removes it first
	EXPECT_EQ(CallLog(), (V{"p.Refresh(0,0,0,0)", "p.ChildRemoved(a)", "g.ChildRemoved(a)", "a.ParentChange", "a.CancelMode",
	                        "a.RefreshFrame(0,0,0,0)", "g.ChildAdded(a)", "a.ParentChange"}));
	EXPECT_EQ(a.GetParent(), &g);
	EXPECT_EQ(p.GetFirstChild(), &b);
	EXPECT_EQ(b.GetNext(), nullptr);
}

TEST_F(CtrlTree, CancelModeReachesTheWholeSubtreeParentFirst)
{
	RecordingCtrl p("p"), a("a"), a1("a1"), a2("a2");
	a.AddChild(&a1);
	a.AddChild(&a2);
	CallLog().clear();
	p.AddChild(&a);
	EXPECT_EQ(Calls("a"), (V{"a.CancelMode", "a1.CancelMode", "a2.CancelMode", "a.ParentChange"}));
}

TEST_F(CtrlTree, RemoveChild)
{
	RecordingCtrl p("p"), a("a"), b("b"), c("c"), stranger("s");
	p.AddChild(&a);
	p.AddChild(&b);
	p.AddChild(&c);
	CallLog().clear();
	p.RemoveChild(&stranger);
	p.RemoveChild(nullptr);
	EXPECT_TRUE(CallLog().empty());

	p.RemoveChild(&a); // the first: the second takes its place
	EXPECT_EQ(p.GetFirstChild(), &b);
	EXPECT_EQ(p.GetLastChild(), &c);
	EXPECT_EQ(a.GetParent(), nullptr);
	EXPECT_EQ(a.GetNext(), nullptr);
	EXPECT_EQ(CallLog(), (V{"p.ChildRemoved(a)", "a.ParentChange"}));

	c.Remove();
	EXPECT_EQ(p.GetLastChild(), &b);
	EXPECT_EQ(b.GetNext(), nullptr);
	b.Remove(); // the only one
	EXPECT_EQ(p.GetFirstChild(), nullptr);
	EXPECT_EQ(p.GetLastChild(), nullptr);
	b.Remove(); // unplaced: nothing
}

TEST_F(CtrlTree, RemovalRefreshesTheCoveredAreaWithItsMargin)
{
	RecordingCtrl p("p"), a("a");
	p.SetRect(0, 0, 100, 100);
	p.AddChild(&a);
	a.overpaint = 3;
	a.SetRect(10, 20, 30, 40);
	a.SyncLayout();
	RefreshProbe probe;
	CallLog().clear();
	p.RemoveChild(&a);
	EXPECT_EQ(Calls("p.Refresh"), (V{"p.Refresh(7,17,43,63)"}));
}

TEST_F(CtrlTree, Queries)
{
	RecordingCtrl g("g"), p("p"), a("a");
	g.AddChild(&p);
	p.AddChild(&a);
	EXPECT_EQ(a.GetTopCtrl(), &g);
	EXPECT_EQ(g.GetTopCtrl(), &g);
	EXPECT_TRUE(g.HasChildDeep(&a));
	EXPECT_TRUE(p.HasChildDeep(&a));
	EXPECT_FALSE(a.HasChildDeep(&a)); // strict
	EXPECT_FALSE(a.HasChildDeep(&g));
	EXPECT_FALSE(g.HasChildDeep(nullptr));
	EXPECT_EQ(g.GetFocusChildDeep(), nullptr);
}

TEST_F(CtrlTree, DestructionOrderAndWhatSurvives)
{
	RecordingCtrl g("g"), a("a"), b("b");
	Ptr<Ctrl> weak;
	uintptr_t end; // addresses only: the control is gone when they are asked about
	{
		RecordingCtrl p("p");
		weak = &p;
		g.AddChild(&p);
		p.AddChild(&a);
		p.AddChild(&b);
		p.SetTimeCallback(1000, [] {}, 0);
		p.SetTimeCallback(1000, [] {}, sizeof(Ctrl) - 1);
		end = uintptr_t(&p) + sizeof(Ctrl);
		SetTimeCallback(1000, [] {}, (void*)end); // just past the Ctrl: not the control's
		CallLog().clear();
		RefreshProbe probe;
	}
	// children leave first (first child first), then the control leaves its parent
	EXPECT_EQ(CallLog(), (V{"p.~", "g.ChildRemoved(a)", "a.ParentChange", "g.ChildRemoved(b)", "b.ParentChange",
	                        "g.ChildRemoved(?)"}));
	EXPECT_EQ(weak, nullptr);
	EXPECT_EQ(g.GetFirstChild(), nullptr);
	for(RecordingCtrl* c : {&a, &b}) {
		EXPECT_EQ(c->GetParent(), nullptr);
		EXPECT_FALSE(c->IsTopLevel());
		EXPECT_EQ(c->GetNext(), nullptr);
	}
	EXPECT_TRUE(ExistsTimeCallback((void*)end));
	EXPECT_FALSE(ExistsTimeCallback((void*)(end - 1)));
	EXPECT_FALSE(ExistsTimeCallback((void*)(end - sizeof(Ctrl))));
	KillTimeCallback((void*)end);
}

TEST_F(CtrlTree, ConstructorState)
{
	Ctrl c;
	EXPECT_EQ(c.GetFlags(), Ctrl::VISIBLE | Ctrl::ENABLED | Ctrl::WANTFOCUS | Ctrl::INITFOCUS | Ctrl::EDITABLEFLAG |
	                        Ctrl::CONSTRUCTED);
	EXPECT_EQ(c.GetPos().x, 0x40000000u);
	EXPECT_EQ(c.GetPos().y, 0x40000000u);
	EXPECT_EQ(c.GetRect(), Rect(0, 0, 0, 0));
	EXPECT_EQ(c.GetFrameCount(), 1);
	EXPECT_EQ(&c.GetFrame(), &NullFrame());
	EXPECT_EQ(c.GetParent(), nullptr);
	EXPECT_FALSE(c.IsOpen());
	c.UnicodeKeys();
	EXPECT_TRUE(c.GetFlags() & Ctrl::UNICODEKEYS);
}

TEST_F(CtrlTree, StateDeepChildrenFirst)
{
	RecordingCtrl p("p"), a("a"), a1("a1"), b("b");
	p.AddChild(&a);
	a.AddChild(&a1);
	p.AddChild(&b);
	CallLog().clear();
	p.NotifyState(Ctrl::SHOW);
	EXPECT_EQ(CallLog(), (V{"a1.StateChanged(13)", "a.StateChanged(13)", "b.StateChanged(13)", "p.StateChanged(13)"}));
}

class CtrlAttrs : public CtrlTestBase {};

TEST_F(CtrlAttrs, LayoutIdPointerUntilAnotherPropertyIsWritten)
{
	Ctrl c;
	static const char id[] = "okButton";
	c.SetLayoutId(id);
	EXPECT_TRUE(c.GetFlags() & Ctrl::LAYOUTIDPTR);
	EXPECT_EQ(c.GetLayoutId(), "okButton");
	for(int key = 0; key < 8; key++)
		EXPECT_EQ(c.GetTextAttr(key), "") << key;
	EXPECT_EQ(c.GetIntAttr(9, 77), 77);
	c.SetHelpLine("Press it");
	EXPECT_FALSE(c.GetFlags() & Ctrl::LAYOUTIDPTR);
	EXPECT_EQ(c.GetLayoutId(), "okButton");
	EXPECT_EQ(c.GetTextAttr(0), "okButton");
	EXPECT_EQ(c.GetHelpLine(), "Press it");
	c.SetLayoutId("renamed"); // a block exists: key 0
	EXPECT_EQ(c.GetTextAttr(0), "renamed");
}

TEST_F(CtrlAttrs, TypedRecords)
{
	Ctrl c;
	c.SetTip("tip").SetDescription("desc").SetHelpTopic("topic");
	EXPECT_EQ(c.GetTip(), "tip");
	EXPECT_EQ(c.GetTextAttr(Ctrl::ATTR_TIP), "tip");
	EXPECT_EQ(c.GetTextAttr(Ctrl::ATTR_DESCRIPTION), "desc");
	EXPECT_EQ(c.GetTextAttr(Ctrl::ATTR_HELPTOPIC), "topic");
	EXPECT_EQ(c.GetIntAttr(20, -5), -5);
	c.SetIntAttr(20, 123456789);
	EXPECT_EQ(c.GetIntAttr(20, -5), 123456789);
	EXPECT_TRUE(c.GetColorAttr(21).IsNull());
	c.SetColorAttr(21, Color::FromRaw(0x123456));
	EXPECT_EQ(c.GetColorAttr(21).GetRaw(), 0x123456u);
	EXPECT_TRUE(c.GetFontAttr(22).IsNull());
	Font f = StdFont(17);
	c.SetFontAttr(22, f);
	EXPECT_EQ(c.GetFontAttr(22), f);
	c.SetFontAttr(22, Font()); // a Null font removes the entry
	EXPECT_TRUE(c.GetFontAttr(22).IsNull());
	EXPECT_EQ(c.GetVoidPtrAttr(23), nullptr);
	c.SetVoidPtrAttr(23, &c);
	EXPECT_EQ(c.GetVoidPtrAttr(23), &c);
	c.SetVoidPtrAttr(23, nullptr);
	EXPECT_EQ(c.GetVoidPtrAttr(23), nullptr);
	// a record of the wrong width reads as absent
	c.SetTextAttr(24, "xy");
	EXPECT_EQ(c.GetIntAttr(24, 9), 9);
	EXPECT_EQ(c.GetTip(), "tip");
}

class CtrlNames : public CtrlTestBase {};

TEST_F(CtrlNames, NameIsTypeLayoutPathAddressAndParent)
{
	NameProbe outer, inner, leaf;
	outer.AddChild(&inner);
	inner.AddChild(&leaf);
	outer.SetLayoutId("outer");
	leaf.SetLayoutId("leaf");
	char addr[32];
	snprintf(addr, sizeof(addr), "%llx", (unsigned long long)(uintptr_t)&leaf);
	EXPECT_EQ(S(Ctrl::Name(&leaf)), std::string("guitest::NameProbe .outer.leaf : 0x") + addr + " (parent guitest::NameProbe)");
	snprintf(addr, sizeof(addr), "%llx", (unsigned long long)(uintptr_t)&outer);
	EXPECT_EQ(S(Ctrl::Name(&outer)), std::string("guitest::NameProbe .outer : 0x") + addr);
	Ctrl plain;
	snprintf(addr, sizeof(addr), "%llx", (unsigned long long)(uintptr_t)&plain);
	EXPECT_EQ(S(Ctrl::Name(&plain)), std::string("Ctrl  : 0x") + addr); // no namespace, empty path
	EXPECT_EQ(S(Ctrl::Name(nullptr)), "NULL");
}

TEST_F(CtrlNames, DescOfControlSiblingAndWindow)
{
	Dialog window;
	RecordingCtrl first("first"), second("second"), third("third");
	window.AddChild(&first);
	window.AddChild(&second);
	window.AddChild(&third);
	EXPECT_EQ(S(Ctrl::Desc(nullptr)), "NULL");
	EXPECT_EQ(S(Ctrl::Desc(&first)), "guitest::RecordingCtrl");
	first.desc = "Name:";
	second.desc = "Kilograms";
	EXPECT_EQ(S(Ctrl::Desc(&second)), "guitest::RecordingCtrl \"Kilograms\"");
	second.desc = "";
	EXPECT_EQ(S(Ctrl::Desc(&second)), "guitest::RecordingCtrl <<\"Name:\">>");
	EXPECT_EQ(S(Ctrl::Desc(&third)), "guitest::RecordingCtrl"); // only the immediate predecessor counts

	detail::SetWindowClassTest([](const Ctrl* c) { return dynamic_cast<const Dialog*>(c) != nullptr; });
	EXPECT_EQ(S(Ctrl::Desc(&first)), "guitest::RecordingCtrl \"Name:\" (guitest::Dialog)");
	window.title = "Converter";
	EXPECT_EQ(S(Ctrl::Desc(&second)), "guitest::RecordingCtrl <<\"Name:\">> (\"Converter\")");
	EXPECT_EQ(S(Ctrl::Desc(&window)), "guitest::Dialog \"Converter\""); // the window itself has no window part
	detail::SetWindowClassTest(nullptr);
}

class CtrlDefaults : public CtrlTestBase {};

TEST_F(CtrlDefaults, MultiClicksFallBackToDown)
{
	RecordingCtrl c("c");
	c.LeftDouble(Point(1, 2), 8);
	c.LeftTriple(Point(3, 4), 0);
	c.RightDouble(Point(5, 6), 4);
	c.RightTriple(Point(7, 8), 0);
	c.MiddleDouble(Point(9, 9), 2);
	EXPECT_EQ(CallLog(), (V{"c.LeftDouble(1,2,8)", "c.LeftDown(1,2,8)", "c.LeftTriple(3,4,0)", "c.LeftDown(3,4,0)",
	                        "c.RightDouble(5,6,4)", "c.RightDown(5,6,4)", "c.RightTriple(7,8,0)", "c.RightDown(7,8,0)",
	                        "c.MiddleDouble(9,9,2)"}));
}

TEST_F(CtrlDefaults, NoticesClimbToTheTop)
{
	RecordingCtrl g("g"), p("p"), a("a");
	g.AddChild(&p);
	p.AddChild(&a);
	CallLog().clear();
	a.PostInput();
	a.ChildGotFocus();
	a.ChildLostFocus();
	p.ChildMouseEvent(&a, 0x81, Point(1, 1), 0, 0);
	p.ChildFrameMouseEvent(&a, 0x20, Point(1, 1), 0, 0);
	EXPECT_EQ(CallLog(), (V{"a.PostInput", "p.PostInput", "g.PostInput", "a.ChildGotFocus", "p.ChildGotFocus",
	                        "g.ChildGotFocus", "a.ChildLostFocus", "p.ChildLostFocus", "g.ChildLostFocus",
	                        "p.ChildMouseEvent(a,129)", "g.ChildMouseEvent(a,129)", "p.ChildFrameMouseEvent(a,32)",
	                        "g.ChildFrameMouseEvent(a,32)"}));
}

TEST_F(CtrlDefaults, OpaqueUnlessTransparent)
{
	Ctrl c;
	c.SetRect(0, 0, 30, 20);
	EXPECT_EQ(c.GetOpaqueRect(), Rect(0, 0, 30, 20));
	c.Transparent();
	EXPECT_EQ(c.GetOpaqueRect(), Rect());
	EXPECT_EQ(c.GetCaret(), GetNullRect());
}

TEST_F(CtrlDefaults, ShownEnabledFollowsTheParents)
{
	Ctrl p, a;
	p.AddChild(&a);
	EXPECT_TRUE(a.IsShownEnabled());
	p.Enable(false);
	EXPECT_FALSE(a.IsShownEnabled());
	EXPECT_FALSE(p.IsShownEnabled());
}

TEST_F(CtrlDefaults, AccessKeysAccumulateInChildOrder)
{
	RecordingCtrl p("p"), a("a"), b("b"), c("c");
	p.AddChild(&a);
	p.AddChild(&b);
	p.AddChild(&c);
	a.access_keys = 2;
	b.access_keys = 8;
	CallLog().clear();
	p.AssignAccessKeys(1);
	EXPECT_EQ(CallLog(), (V{"p.AssignAccessKeys(1)", "a.AssignAccessKeys(1)", "b.AssignAccessKeys(3)", "c.AssignAccessKeys(11)"}));
}

TEST_F(CtrlDefaults, AcceptAndReject)
{
	RecordingCtrl p("p"), a("a"), b("b");
	p.AddChild(&a);
	p.AddChild(&b);
	CallLog().clear();
	p.Reject();
	EXPECT_EQ(CallLog(), (V{"p.Reject", "a.Reject", "b.Reject"}));

	static int reports;
	reports = 0;
	auto saved = Ctrl::ErrorValueHook();
	Ctrl::ErrorValueHook() = [](const Value& v) { return v.GetType() == ERROR_V && ++reports; };
	EXPECT_TRUE(p.Accept());
	a.data = ErrorValue("bad number");
	EXPECT_FALSE(p.Accept());
	EXPECT_EQ(reports, 1);
	CallLog().clear();
	EXPECT_FALSE(p.Accept());
	EXPECT_EQ(Calls("b"), V{}); // stops at the first failure
	a.Show(false); // a hidden control accepts without looking
	EXPECT_TRUE(p.Accept());
	Ctrl::ErrorValueHook() = saved;
}

TEST_F(CtrlDefaults, DefaultErrorValueHookReportsOnStandardError)
{
	EXPECT_FALSE(Ctrl::ErrorValueHook()(Value(12)));
	EXPECT_FALSE(Ctrl::ErrorValueHook()(Value()));
	testing::internal::CaptureStderr();
	EXPECT_TRUE(Ctrl::ErrorValueHook()(ErrorValue("Number expected.")));
	std::string err = testing::internal::GetCapturedStderr();
	EXPECT_EQ(err, S(GetExeTitle()) + ": Number expected.\n");
}

TEST_F(CtrlDefaults, ActionMayReplaceItselfWhileItRuns)
{
	Ctrl c;
	std::vector<int> seen;
	auto big = std::make_shared<std::vector<int>>(1000, 7);
	c.WhenAction = [&c, &seen, big] {
		c.WhenAction = [&seen] { seen.push_back(2); }; // drops the only other reference to big
		seen.push_back((*big)[999]);
	};
	big.reset();
	c.Action();
	c.Action();
	EXPECT_EQ(seen, (std::vector<int>{7, 2}));
	Ctrl().Action(); // empty: nothing
}

TEST_F(CtrlDefaults, StoredFormsExchangeData)
{
	RecordingCtrl p("p"), a("a"), b("b");
	p.AddChild(&a);
	p.AddChild(&b);
	p.data = 1;
	a.data = "two";
	b.data = 3.5;
	StringStream out;
	p.Serialize(out);
	RecordingCtrl q("q"), qa("qa"), qb("qb");
	q.AddChild(&qa);
	q.AddChild(&qb);
	StringStream in(out.GetResult());
	in.SetLoading();
	q.Serialize(in);
	EXPECT_EQ(q.data, Value(1));
	EXPECT_EQ(qa.data, Value("two"));
	EXPECT_EQ(qb.data, Value(3.5));

	// JSON and XML exchange the control's own data only
	CallLog().clear();
	JsonIO jout;
	p.Jsonize(jout);
	Value json = jout.GetResult();
	EXPECT_EQ(Calls("a"), V{});
	JsonIO jin(json);
	q.Jsonize(jin);
	EXPECT_EQ(q.data, Value(1));

	XmlNode node;
	XmlIO xout(node, false);
	a.Xmlize(xout);
	XmlIO xin(node, true);
	CallLog().clear();
	qb.Xmlize(xin);
	EXPECT_EQ(qb.data, Value("two"));
	EXPECT_EQ(Calls("qb.SetData"), V{"qb.SetData(two)"});
}

} // namespace guitest
