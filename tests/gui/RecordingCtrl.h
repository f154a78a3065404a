// Test doubles of the GUI core: a control that records every virtual call with its arguments
// (then does what the base does), a recording frame, and a probe of refresh requests.
#pragma once

#include <gui/Gui.h>
#include <gui/ctrl/detail/CtrlAccess.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace guitest {

using namespace Qel;

// One log shared by all recorders, so the order across controls shows.
inline std::vector<std::string>& CallLog()
{
	static std::vector<std::string> log;
	return log;
}

inline std::string S(const String& s) { return std::string(s.Begin(), s.GetLength()); }
inline std::string Str(Point p)       { return std::to_string(p.x) + "," + std::to_string(p.y); }
inline std::string Str(Size s)        { return std::to_string(s.cx) + "x" + std::to_string(s.cy); }
inline std::string Str(const Rect& r)
{
	return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
	       std::to_string(r.bottom) + ")";
}

// The log entries that start with prefix, in order.
inline std::vector<std::string> Calls(const std::string& prefix = "")
{
	std::vector<std::string> out;
	for(const std::string& s : CallLog())
		if(s.rfind(prefix, 0) == 0)
			out.push_back(s);
	return out;
}

class RecordingCtrl : public Ctrl {
public:
	std::string id;
	Value       data;
	std::string desc;
	int         overpaint = 0;
	Size        minsize = Size(-1, -1);

	void Log(const std::string& s) const { CallLog().push_back(id + "." + s); }
	std::string Who(const Ctrl* c) const
	{
		const RecordingCtrl* r = dynamic_cast<const RecordingCtrl*>(c);
		return r ? r->id : c ? "?" : "null";
	}

#define QEL_REC_POINT(name) \
	void name(Point p, dword k) override { Log(#name "(" + Str(p) + "," + std::to_string(k) + ")"); Ctrl::name(p, k); }

	bool   Accept() override                      { Log("Accept"); return Ctrl::Accept(); }
	void   Reject() override                      { Log("Reject"); Ctrl::Reject(); }
	void   SetData(const Value& v) override       { Log("SetData(" + S(StdFormat(v)) + ")"); data = v; }
	Value  GetData() const override               { Log("GetData"); return data; }
	void   Serialize(Stream& s) override          { Log("Serialize"); Ctrl::Serialize(s); }
	void   Jsonize(JsonIO& j) override            { Log("Jsonize"); Ctrl::Jsonize(j); }
	void   Xmlize(XmlIO& x) override              { Log("Xmlize"); Ctrl::Xmlize(x); }
	void   SetModify() override                   { Log("SetModify"); Ctrl::SetModify(); }
	void   ClearModify() override                 { Log("ClearModify"); Ctrl::ClearModify(); }
	bool   IsModified() const override            { Log("IsModified"); return Ctrl::IsModified(); }
	void   Paint(Draw& w) override                { Log("Paint"); Ctrl::Paint(w); }
	int    OverPaint() const override             { return overpaint; }
	void   CancelMode() override                  { Log("CancelMode"); Ctrl::CancelMode(); }
	void   Activate() override                    { Log("Activate"); }
	void   Deactivate() override                  { Log("Deactivate"); }
	void   DeactivateBy(Ctrl* c) override         { Log("DeactivateBy(" + Who(c) + ")"); }
	QEL_REC_POINT(MouseEnter)
	QEL_REC_POINT(MouseMove)
	QEL_REC_POINT(LeftDown)
	QEL_REC_POINT(LeftDouble)
	QEL_REC_POINT(LeftTriple)
	QEL_REC_POINT(LeftRepeat)
	QEL_REC_POINT(LeftDrag)
	QEL_REC_POINT(LeftHold)
	QEL_REC_POINT(LeftUp)
	QEL_REC_POINT(RightDown)
	QEL_REC_POINT(RightDouble)
	QEL_REC_POINT(RightTriple)
	QEL_REC_POINT(RightRepeat)
	QEL_REC_POINT(RightDrag)
	QEL_REC_POINT(RightHold)
	QEL_REC_POINT(RightUp)
	QEL_REC_POINT(MiddleDown)
	QEL_REC_POINT(MiddleDouble)
	QEL_REC_POINT(MiddleTriple)
	QEL_REC_POINT(MiddleRepeat)
	QEL_REC_POINT(MiddleDrag)
	QEL_REC_POINT(MiddleHold)
	QEL_REC_POINT(MiddleUp)
#undef QEL_REC_POINT
	void   MouseLeave() override                  { Log("MouseLeave"); }
	void   MouseWheel(Point p, int z, dword k) override
	{
		Log("MouseWheel(" + Str(p) + "," + std::to_string(z) + ")");
		Ctrl::MouseWheel(p, z, k);
	}
	void   HorzMouseWheel(Point p, int z, dword k) override
	{
		Log("HorzMouseWheel(" + Str(p) + "," + std::to_string(z) + ")");
		Ctrl::HorzMouseWheel(p, z, k);
	}
	Image  FrameMouseEvent(int e, Point p, int z, dword k) override
	{
		Log("FrameMouseEvent(" + std::to_string(e) + "," + Str(p) + ")");
		return Ctrl::FrameMouseEvent(e, p, z, k);
	}
	Image  CursorImage(Point p, dword k) override { return has_cursor ? cursor : Ctrl::CursorImage(p, k); }
	void   PenEvent(Point p, const PenInfo& pen, dword k) override
	{
		Log("PenEvent(" + Str(p) + "," + std::to_string(pen.action) + "," + std::to_string(k) + ")");
	}
	bool   HotKey(dword key) override
	{
		Log("HotKey(" + std::to_string(key) + ")");
		return key == hot_key || Ctrl::HotKey(key);
	}
	Rect   GetCaret() const override              { Log("GetCaret"); return caret; }
	bool   Key(dword key, int count) override
	{
		Log("Key(" + std::to_string(key) + "," + std::to_string(count) + ")");
		return take_keys;
	}
	void   GotFocus() override                    { Log("GotFocus"); }
	void   LostFocus() override                   { Log("LostFocus"); }
	dword  GetAccessKeys() const override         { return access_keys; }
	void   AssignAccessKeys(dword used) override  { Log("AssignAccessKeys(" + std::to_string(used) + ")"); Ctrl::AssignAccessKeys(used); }
	void   PostInput() override                   { Log("PostInput"); Ctrl::PostInput(); }
	void   ChildMouseEvent(Ctrl* c, int e, Point p, int z, dword k) override
	{
		Log("ChildMouseEvent(" + Who(c) + "," + std::to_string(e) + ")");
		Ctrl::ChildMouseEvent(c, e, p, z, k);
	}
	void   ChildFrameMouseEvent(Ctrl* c, int e, Point p, int z, dword k) override
	{
		Log("ChildFrameMouseEvent(" + Who(c) + "," + std::to_string(e) + ")");
		Ctrl::ChildFrameMouseEvent(c, e, p, z, k);
	}
	void   ChildGotFocus() override               { Log("ChildGotFocus"); Ctrl::ChildGotFocus(); }
	void   ChildLostFocus() override              { Log("ChildLostFocus"); Ctrl::ChildLostFocus(); }
	void   ChildAdded(Ctrl* c) override           { Log("ChildAdded(" + Who(c) + ")"); Ctrl::ChildAdded(c); }
	void   ChildRemoved(Ctrl* c) override         { Log("ChildRemoved(" + Who(c) + ")"); Ctrl::ChildRemoved(c); }
	void   ParentChange() override                { Log("ParentChange"); }
	void   StateChanged(int reason) override      { Log("StateChanged(" + std::to_string(reason) + ")"); }
	void   Layout() override                      { Log("Layout(" + Str(GetSize()) + ")"); }
	Size   GetMinSize() const override            { return minsize.cx >= 0 ? minsize : Ctrl::GetMinSize(); }
	void   Updated() override                     { Log("Updated"); }
	void   Close() override                       { Log("Close"); Ctrl::Close(); }
	String GetDesc() const override               { return desc.c_str(); }
	void   ApplySkin() override                   { Log("ApplySkin"); }
	void   DragAndDrop(Point p, PasteSource& d) override      { DropCall("DragAndDrop", p, d); }
	void   FrameDragAndDrop(Point p, PasteSource& d) override { DropCall("FrameDragAndDrop", p, d); }
	void   DragRepeat(Point p) override           { Log("DragRepeat(" + Str(p) + ")"); }
	void   DragEnter() override                   { Log("DragEnter"); }
	void   DragLeave() override                   { Log("DragLeave"); }
	String GetSelectionData(const String& fmt) const override
	{
		Log("GetSelectionData(" + S(fmt) + ")");
		return fmt == "text" ? String(selection.c_str()) : String();
	}

	// A drop over the control takes the first of these formats that the source offers (when
	// pasting, its data lands in dropped); "*" takes any drop without asking.
	std::string drop_formats;
	std::string dropped_format;
	std::string dropped;
	std::string selection;     // what GetSelectionData gives for "text"
	void DropCall(const char* what, Point p, PasteSource& d)
	{
		Log(std::string(what) + "(" + Str(p) + ")");
		if(drop_formats == "*")
			d.accepted = true;
		else if(!drop_formats.empty() && d.Accept(drop_formats.c_str())) {
			dropped_format = S(d.fmt);
			dropped = S(d.data);
		}
	}

	Rect   caret = Rect(0, 0, 1, 10);
	dword  access_keys = 0;
	bool   take_keys = false;  // what Key answers
	dword  hot_key = 0;        // the key HotKey takes
	bool   has_cursor = false; // CursorImage answers cursor (an empty one hides the pointer)
	Image  cursor;

	explicit RecordingCtrl(std::string id = "c") : id(std::move(id)) {}
	~RecordingCtrl() override { Log("~"); }
};

class RecordingFrame : public CtrlFrame {
public:
	std::string id;
	int         thickness;

	void FrameLayout(Rect& r) override
	{
		CallLog().push_back(id + ".FrameLayout" + Str(r));
		r = Rect(r.left + thickness, r.top + thickness, r.right - thickness, r.bottom - thickness);
	}
	void FrameAddSize(Size& sz) override
	{
		CallLog().push_back(id + ".FrameAddSize(" + Str(sz) + ")");
		sz.cx += 2 * thickness;
		sz.cy += 2 * thickness;
	}
	void FramePaint(Draw&, const Rect& r) override { CallLog().push_back(id + ".FramePaint" + Str(r)); }
	void FrameAdd(Ctrl&) override                  { CallLog().push_back(id + ".FrameAdd"); }
	void FrameRemove() override                    { CallLog().push_back(id + ".FrameRemove"); }
	int  OverPaint() const override                { return overpaint; }

	int overpaint = 0;

	RecordingFrame(std::string id, int thickness) : id(std::move(id)), thickness(thickness) {}
};

// Records refresh requests while it exists: "id.Refresh(l,t,r,b)" or "id.RefreshFrame(...)".
class RefreshProbe {
public:
	RefreshProbe()  { detail::SetRefreshProbe(Record); }
	~RefreshProbe() { detail::SetRefreshProbe(nullptr); }

private:
	static void Record(Ctrl* c, const Rect& r, bool frame)
	{
		RecordingCtrl* q = dynamic_cast<RecordingCtrl*>(c);
		CallLog().push_back((q ? q->id : std::string("?")) + (frame ? ".RefreshFrame" : ".Refresh") + Str(r));
	}
};

// Every test starts with an empty log.
class CtrlTestBase : public ::testing::Test {
protected:
	void SetUp() override    { CallLog().clear(); }
	void TearDown() override { CallLog().clear(); }
};

} // namespace guitest
