// Random Index and VectorMap operations checked against a model built from std containers.
#include <Core/Core.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Qel;

namespace {

// A key with a poor hash, so that many entries share chains.
struct WeakKey {
	int k = 0;
	WeakKey() = default;
	WeakKey(int k) : k(k) {}
	qword GetHashValue() const { return (qword)(k & 3); }
	bool operator==(const WeakKey& b) const { return k == b.k; }
};

struct Model {
	struct Entry {
		int  key;
		int  value;
		bool linked;
	};
	std::vector<Entry> e;
	std::vector<int>   unlinked; // oldest first

	void Unlink(int i)
	{
		if(e[i].linked) {
			e[i].linked = false;
			unlinked.push_back(i);
		}
	}
	void Forget(int i) { unlinked.erase(std::remove(unlinked.begin(), unlinked.end(), i), unlinked.end()); }
	// Positions moved: the unlinked entries are listed in position order again.
	void Renumber()
	{
		unlinked.clear();
		for(int i = 0; i < (int)e.size(); i++)
			if(!e[i].linked)
				unlinked.push_back(i);
	}
};

#define Check(x) Verify(x, __LINE__)

void Verify(bool ok, int line)
{
	if(!ok) {
		fprintf(stderr, "model mismatch at line %d\n", line);
		abort();
	}
}

struct Input {
	const uint8_t* p;
	size_t n;
	uint8_t Byte() { if(!n) return 0; n--; return *p++; }
	int Pos(int count) { return count ? Byte() % count : 0; }
	int Key() { uint8_t b = Byte(); return b < 240 ? b % 24 : (int)(b * 2654435761u); }
};

template <class I, class K>
void CheckIndex(const I& x, const Model& m, K key(int))
{
	Check(x.GetCount() == (int)m.e.size());
	for(int i = 0; i < x.GetCount(); i++) {
		Check(x[i] == key(m.e[i].key));
		Check(x.IsUnlinked(i) == !m.e[i].linked);
	}
	Vector<int> u = x.GetUnlinked();
	Check(u.GetCount() == (int)m.unlinked.size());
	for(int i = 0; i < u.GetCount(); i++)
		Check(u[i] == m.unlinked[m.unlinked.size() - 1 - i]);
}

// Every linked entry with key k is found exactly once by Find and FindNext.
template <class I, class K>
void CheckFind(const I& x, const Model& m, int k, K key(int))
{
	std::vector<int> want, got;
	for(int i = 0; i < (int)m.e.size(); i++)
		if(m.e[i].linked && m.e[i].key == k)
			want.push_back(i);
	for(int i = x.Find(key(k)); i >= 0; i = x.FindNext(i))
		got.push_back(i);
	std::sort(got.begin(), got.end());
	Check(got == want);
}

int     IntKey(int k)  { return k; }
WeakKey WeakOf(int k)  { return WeakKey(k); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	Input in{ data, size };
	Index<int> x;
	VectorMap<WeakKey, int> vm;
	Model m;
	int serial = 0;
	for(int ops = 0; in.n && ops < 400; ops++) {
		int op = in.Byte() % 16;
		int count = (int)m.e.size();
		int k = in.Key();
		int v = ++serial;
		switch(op) {
		case 0: case 1:
			x.Add(k);
			vm.Add(k, v);
			m.e.push_back({ k, v, true });
			break;
		case 2: case 3: {
			int i = x.FindAdd(k);
			int j = vm.FindAdd(k, v);
			auto q = std::find_if(m.e.begin(), m.e.end(), [&](auto& e) { return e.linked && e.key == k; });
			if(q == m.e.end()) {
				m.e.push_back({ k, v, true });
				Check(i == count && j == count);
			}
			else
				Check(x[i] == k && vm.GetKey(j).k == k && m.e[i].linked && m.e[j].linked);
			break;
		}
		case 4: {
			int i = x.Put(k);
			int j = vm.Put(k, v);
			int want = count;
			if(m.unlinked.size()) {
				want = m.unlinked.back();
				m.unlinked.pop_back();
				m.e[want] = { k, v, true };
			}
			else
				m.e.push_back({ k, v, true });
			Check(i == want && j == want);
			break;
		}
		case 5: case 6:
			if(count) {
				int i = in.Pos(count);
				x.Unlink(i);
				vm.Unlink(i);
				m.Unlink(i);
			}
			break;
		case 7: {
			int n = x.UnlinkKey(k);
			Check(vm.UnlinkKey(k) == n);
			int want = 0;
			for(int i = 0; i < count; i++)
				if(m.e[i].linked && m.e[i].key == k) {
					m.Unlink(i);
					want++;
				}
			Check(n == want);
			break;
		}
		case 8:
			if(count) {
				int i = in.Pos(count);
				x.Set(i, k);
				vm.SetKey(i, k);
				m.Forget(i);
				m.e[i].key = k;
				m.e[i].linked = true;
			}
			break;
		case 9:
			if(count) {
				int i = in.Pos(count);
				int n = 1 + in.Pos(count - i);
				x.Remove(i, n);
				vm.Remove(i, n);
				m.e.erase(m.e.begin() + i, m.e.begin() + i + n);
				m.Renumber();
			}
			break;
		case 10:
			x.Sweep();
			vm.Sweep();
			m.e.erase(std::remove_if(m.e.begin(), m.e.end(), [](auto& e) { return !e.linked; }), m.e.end());
			m.unlinked.clear();
			break;
		case 11: {
			int n = in.Pos(count + 1);
			x.Trim(n);
			vm.Trim(n);
			m.e.resize(n);
			m.unlinked.erase(std::remove_if(m.unlinked.begin(), m.unlinked.end(), [&](int i) { return i >= n; }),
			                 m.unlinked.end());
			break;
		}
		case 12:
			x.Shrink();
			vm.Shrink();
			break;
		case 13:
			if(in.Byte() & 1) {
				Index<int> c(x);
				x = std::move(c);
				VectorMap<WeakKey, int> d(vm);
				vm = d;
			}
			else {
				x.Rehash(k & 1);
				for(auto& e : m.e)
					e.linked = true;
				m.unlinked.clear();
				// the map's unlinked entries stay unlinked; relink them the same way
				for(int i = 0; i < vm.GetCount(); i++)
					if(vm.IsUnlinked(i))
						vm.SetKey(i, vm.GetKey(i));
			}
			break;
		case 14:
			if(in.Byte() % 8 == 0) {
				x.Clear();
				vm.Clear();
				m.e.clear();
				m.unlinked.clear();
			}
			break;
		case 15:
			x.Reserve(count + in.Byte());
			break;
		}
		CheckFind(x, m, k, IntKey);
		CheckFind(vm.GetIndex(), m, k, WeakOf);
		CheckIndex(x, m, IntKey);
		CheckIndex(vm.GetIndex(), m, WeakOf);
	}
	CheckIndex(x, m, IntKey);
	CheckIndex(vm.GetIndex(), m, WeakOf);
	for(int i = 0; i < vm.GetCount(); i++)
		Check(vm[i] == m.e[i].value);
	for(int i = 0; i < (int)m.e.size(); i++)
		if(m.e[i].linked) {
			CheckFind(x, m, m.e[i].key, IntKey);
			CheckFind(vm.GetIndex(), m, m.e[i].key, WeakOf);
		}
	return 0;
}
