// Fuzzed record sequences through the event queue: records of any type, window, state and
// payload are queued, merged and popped, and a plain model of the merging rules on a std::deque
// must pop the same records in the same order. The queue never holds more than 50,001.
#include <gui/Gui.h>
#include <gui/gtk/detail/EventQueue.h>

#include <array>
#include <cstdlib>
#include <deque>

using namespace Qel;
using namespace Qel::detail;

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

struct Model {
	int window, type, state, count;
	Value value;
	dword keyval;
	int keycode;
};

const int sTypes[] = {GDK_DELETE, GDK_MOTION_NOTIFY, GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS, GDK_BUTTON_RELEASE,
                      GDK_KEY_PRESS, GDK_KEY_RELEASE, GDK_LEAVE_NOTIFY, GDK_CONFIGURE, GDK_SCROLL, QEV_FOCUS,
                      QEV_COMMIT, QEV_CONFIGURE_DONE};

void MergeModel(std::deque<Model>& m)
{
	while(m.size() >= 2) {
		Model& a = m[0];
		Model& b = m[1];
		if(a.type != b.type || a.window != b.window || a.state != b.state)
			return;
		if(a.type == GDK_KEY_PRESS && a.keyval == b.keyval && a.keycode == b.keycode)
			b.count += a.count;
		else if(a.type == GDK_SCROLL) {
			Point pa = a.value.ToPoint(), pb = b.value.ToPoint();
			b.value = Point(pa.x + pb.x, pa.y + pb.y);
		}
		else if(a.type != GDK_CONFIGURE)
			return;
		m.pop_front();
	}
}

// A record of type with its payload (key records: key value and code) from two bytes.
Model Record(int type, const uint8_t* p)
{
	Model m{0, type, 0, 1, Value(), 0, 0};
	switch(type) {
	case GDK_KEY_PRESS:
	case GDK_KEY_RELEASE:
		m.keyval = p[0] % 4;
		m.keycode = p[1] % 2;
		break;
	case GDK_CONFIGURE: m.value = Rect(p[0], p[1], p[0] + 10, p[1] + 10); break;
	case GDK_SCROLL:    m.value = Point(int8_t(p[0]) * 120, int8_t(p[1]) * 120); break;
	case GDK_BUTTON_PRESS:
	case GDK_BUTTON_RELEASE: m.value = p[0] % 10; break;
	case QEV_COMMIT:    m.value = String(1, 'a' + p[0] % 26); break;
	}
	return m;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	GuiLock lock;
	GdkEventQueue& q = GdkQueue();
	q.Clear();
	std::deque<Model> model;
	auto push = [&](int window, int type, int state, const Model& rec) {
		if(QueuedGdkEvent* e = EnqueueGdkEvent(window, type, rec.value, nullptr)) {
			e->state = state; // as if these modifiers were held
			e->keyval = rec.keyval;
			e->keycode = rec.keycode;
			model.push_back(Model{window, type, state, 1, rec.value, rec.keyval, rec.keycode});
		}
		Check(q.GetCount() == (int)model.size() && q.GetCount() <= GdkEventQueue::LIMIT);
	};
	auto pop = [&] {
		bool any = ProcessNextGdkEvent(nullptr, false);
		Check(any == !model.empty());
		if(!any)
			return;
		MergeModel(model);
		const QueuedGdkEvent& e = CurrentGdkEvent();
		const Model& m = model.front();
		Check(e.window == m.window && e.type == m.type && e.state == dword(m.state) && e.count == m.count &&
		      e.value == m.value && e.keyval == m.keyval && e.keycode == m.keycode);
		model.pop_front();
		Check(q.GetCount() == (int)model.size());
	};
	bool flooded = false;
	for(size_t i = 0; i + 4 <= size; i += 4) {
		const uint8_t* p = data + i;
		switch(p[0] >> 6) {
		case 0:
		case 1: {
			int type = sTypes[p[0] % (sizeof(sTypes) / sizeof(sTypes[0]))];
			push(1 + p[1] % 3, type, p[1] >> 6, Record(type, p + 2));
			break;
		}
		case 2:
			for(int n = 1 + p[1] % 8; n--;)
				pop();
			break;
		default: { // a burst of one record; rarely (and once per input: it is slow) past the limit
			bool flood = p[2] == 0xFF && !flooded;
			flooded |= flood;
			Model rec = Record(GDK_KEY_PRESS, p + 1);
			for(int n = flood ? GdkEventQueue::LIMIT + p[1] % 16 : 1 + p[1] % 64; n--;)
				push(1, p[3] % 2 ? GDK_MOTION_NOTIFY : GDK_KEY_PRESS, 0, rec);
		}
		}
	}
	while(!model.empty())
		pop();
	Check(q.IsEmpty());
	return 0;
}
