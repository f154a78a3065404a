#include "Timer.h"

namespace Qel {

namespace {

// Entries form a circular list in insertion order (the order ties are broken in); besides, each
// sits in a hash chain keyed by its identity's 64-byte block, so that removal by identity or by
// a control's address range looks at a few chains instead of the whole list.
struct TimerLink {
	TimerLink* prev;
	TimerLink* next;
};

struct TimerEntry : TimerLink {
	dword            time;
	int              delay;
	Function<void ()> callback;
	void*            id;
	bool             ran = false;
	dword            seq = 0;     // order of linking: entries linked during a pass wait for the next
	TimerEntry*      chain_prev = nullptr;
	TimerEntry*      chain_next = nullptr;
};

constexpr int BLOCK_SHIFT = 6;

StaticMutex sTimerMutex;
TimerLink   sList;            // sentinel; unlinked (null) until first use
dword       sLastTimerTick;
int         sCount;
dword       sSerial;          // bumped by every change made outside a running pass
int         sPassDepth;       // passes running: a callback may run a loop with a pass of its own
dword       sSeq;             // stamps entries as they are linked
TimerEntry** sChains;
int         sChainBits;

std::atomic<dword (*)()> sTickSource;
void (*sPassBefore)();     // set once at start-up
void (*sPassAfter)();

uintptr_t sBlock(const void* id) { return uintptr_t(id) >> BLOCK_SHIFT; }

int sChainOf(uintptr_t block)
{
	return int((block * 0x9E3779B97F4A7C15ull) >> (64 - sChainBits));
}

void sInit()
{
	if(!sList.next)
		sList.prev = sList.next = &sList;
}

void sChainInsert(TimerEntry* e)
{
	TimerEntry*& head = sChains[sChainOf(sBlock(e->id))];
	e->chain_prev = nullptr;
	e->chain_next = head;
	if(head)
		head->chain_prev = e;
	head = e;
}

void sGrowChains()
{
	int bits = sChainBits ? sChainBits + 1 : 4;
	TimerEntry** chains = new TimerEntry*[size_t(1) << bits]();
	delete[] sChains;
	sChains = chains;
	sChainBits = bits;
	for(TimerLink* l = sList.next; l != &sList; l = l->next)
		sChainInsert(static_cast<TimerEntry*>(l));
}

// Appends an entry at the end of the list (before the sentinel).
void sLink(TimerEntry* e)
{
	sInit();
	e->seq = sSeq++;
	e->next = &sList;
	e->prev = sList.prev;
	sList.prev->next = e;
	sList.prev = e;
	if(++sCount > (sChainBits ? 1 << sChainBits : 0))
		sGrowChains();
	else
		sChainInsert(e);
}

void sUnlink(TimerEntry* e)
{
	e->prev->next = e->next;
	e->next->prev = e->prev;
	if(e->chain_prev)
		e->chain_prev->chain_next = e->chain_next;
	else
		sChains[sChainOf(sBlock(e->id))] = e->chain_next;
	if(e->chain_next)
		e->chain_next->chain_prev = e->chain_prev;
	sCount--;
}

// Callers hold the timer mutex; the entries' callbacks are released after it is left, since a
// callback's captured objects may take locks of their own when they die.
void sKillRange(void* begin, void* end, Vector<TimerEntry*>& dead)
{
	if(!sCount || !(uintptr_t(begin) < uintptr_t(end)))
		return;
	auto in = [&](TimerEntry* e) { return uintptr_t(e->id) >= uintptr_t(begin) && uintptr_t(e->id) < uintptr_t(end); };
	uintptr_t b0 = sBlock(begin), b1 = sBlock((byte*)end - 1);
	if(b1 - b0 < uintptr_t(sCount)) {
		for(uintptr_t b = b0;; b++) {
			for(TimerEntry* e = sChains[sChainOf(b)]; e;) {
				TimerEntry* n = e->chain_next;
				if(in(e)) {
					sUnlink(e);
					dead.Add(e);
				}
				e = n;
			}
			if(b == b1)
				break;
		}
	}
	else
		for(TimerLink* l = sList.next; l != &sList;) {
			TimerLink* n = l->next;
			TimerEntry* e = static_cast<TimerEntry*>(l);
			if(in(e)) {
				sUnlink(e);
				dead.Add(e);
			}
			l = n;
		}
	if(dead.GetCount())
		sSerial++;
}

void sFree(Vector<TimerEntry*>& dead)
{
	for(TimerEntry* e : dead)
		delete e;
}

TimerEntry* sNewEntry(dword now, int delay, Function<void ()>&& cb, void* id)
{
	TimerEntry* e = new TimerEntry;
	e->time = now + dword(delay < 0 ? -int64(delay) : delay);
	e->delay = delay;
	e->callback = std::move(cb);
	e->id = id;
	return e;
}

// Periodic entries that ran in this pass go to the end of the list, due a whole period after
// the pass (read at the end of the pass, not when they ran).
void sReArm()
{
	if(!sList.next)
		return;
	dword now2 = detail::GuiTick();
	TimerLink* last = sList.prev;
	for(TimerLink* l = sList.next; l != &sList;) {
		TimerLink* n = l == last ? &sList : l->next;
		TimerEntry* e = static_cast<TimerEntry*>(l);
		if(e->ran) {
			sUnlink(e);
			e->ran = false;
			e->time = now2 + dword(-int64(e->delay));
			sLink(e); // the same node stands for the new entry
		}
		l = n;
	}
}

} // namespace

dword detail::GuiTick()
{
	dword (*tick)() = sTickSource.load(std::memory_order_acquire);
	return tick ? tick() : dword(GetTickMsecs());
}

void detail::SetGuiTickSource(dword (*tick)())
{
	sTickSource.store(tick, std::memory_order_release);
}

void SetTimeCallback(int delay_ms, Function<void ()> cb, void* id)
{
	TimerEntry* e = sNewEntry(detail::GuiTick(), delay_ms, std::move(cb), id);
	Mutex::Lock lock(sTimerMutex);
	sLink(e);
	sSerial++;
}

void KillTimeCallbacks(void* begin, void* end)
{
	Vector<TimerEntry*> dead;
	{
		Mutex::Lock lock(sTimerMutex);
		sKillRange(begin, end, dead);
	}
	sFree(dead);
}

void KillTimeCallback(void* id)
{
	KillTimeCallbacks(id, (byte*)id + 1);
}

bool ExistsTimeCallback(void* id)
{
	Mutex::Lock lock(sTimerMutex);
	if(!sCount)
		return false;
	for(TimerEntry* e = sChains[sChainOf(sBlock(id))]; e; e = e->chain_next)
		if(e->id == id)
			return true;
	return false;
}

void KillSetTimeCallback(int delay_ms, Function<void ()> cb, void* id)
{
	TimerEntry* e = sNewEntry(detail::GuiTick(), delay_ms, std::move(cb), id);
	Vector<TimerEntry*> dead;
	{
		Mutex::Lock lock(sTimerMutex);
		sKillRange(id, (byte*)id + 1, dead);
		sLink(e);
		sSerial++;
	}
	sFree(dead);
}

void TimerProc(dword now)
{
	if(IsPanicMode())
		return;
	{
		Mutex::Lock lock(sTimerMutex);
		if(sLastTimerTick == now)
			return;
		sLastTimerTick = now;
	}
	// a pass inside a callback (a modal loop) unlinks and frees entries the outer pass may have
	// gathered: once it ends, the outer one gathers again
	struct Nesting {
		Nesting()  { Mutex::Lock lock(sTimerMutex); sPassDepth++; }
		~Nesting() { Mutex::Lock lock(sTimerMutex); if(--sPassDepth) sSerial++; }
	} nesting;
	if(sPassBefore)
		sPassBefore();

	sTimerMutex.Enter();
	try {
		// The due entries in list order, gathered again whenever someone else changed the list
		// while a callback ran.
		Vector<TimerEntry*> due;
		dword seen = sSerial - 1;
		// A callback that queues a timer with delay 0 while the tick stands still would
		// otherwise be picked again and again in this same pass.
		dword first_new = sSeq;
		for(;;) {
			if(seen != sSerial) {
				due.Clear();
				if(sList.next)
					for(TimerLink* l = sList.next; l != &sList; l = l->next) {
						TimerEntry* e = static_cast<TimerEntry*>(l);
						if(!e->ran && int(now - e->time) >= 0 && int(e->seq - first_new) < 0)
							due.Add(e);
					}
				seen = sSerial;
			}
			int best = -1;
			for(int i = 0; i < due.GetCount(); i++)
				if(best < 0 || int(now - due[i]->time) > int(now - due[best]->time))
					best = i;
			if(best < 0)
				break;
			TimerEntry* e = due[best];
			due.Remove(best);
			Function<void ()> cb = e->callback;
			TimerEntry* oneshot = nullptr;
			if(e->delay >= 0) {
				sUnlink(e);
				oneshot = e;
			}
			else
				e->ran = true;
			sTimerMutex.Leave();
			delete oneshot; // its callback lives on in cb while it runs
			try {
				cb();
			}
			catch(...) {
				sTimerMutex.Enter();
				throw;
			}
			sTimerMutex.Enter();
		}
		sReArm();
	}
	catch(...) {
		// ran flags must not outlive the pass, or those timers would never be due again
		sReArm();
		sTimerMutex.Leave();
		throw;
	}
	sTimerMutex.Leave();
	if(sPassAfter)
		sPassAfter();
}

void detail::SetTimerPassHooks(void (*before)(), void (*after)())
{
	sPassBefore = before;
	sPassAfter = after;
}

int detail::GetTimerCount()
{
	Mutex::Lock lock(sTimerMutex);
	return sCount;
}

void detail::ClearTimers()
{
	Vector<TimerEntry*> dead;
	{
		Mutex::Lock lock(sTimerMutex);
		if(!sList.next)
			return;
		for(TimerLink* l = sList.next; l != &sList;) {
			TimerLink* n = l->next;
			dead.Add(static_cast<TimerEntry*>(l));
			l = n;
		}
		sList.prev = sList.next = &sList;
		sCount = 0;
		sSerial++;
		if(sChains)
			for(int i = 0; i < 1 << sChainBits; i++)
				sChains[i] = nullptr;
	}
	sFree(dead);
}

} // namespace Qel
