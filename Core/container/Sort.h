// Sort: in-place, unstable quicksort with fixed sorting networks for short ranges and
// randomised pivots for long ones.
#pragma once

#include "Array.h"
#include <Core/base/Random.h>

namespace Qel {

namespace detail {

template <class T, class Less>
QEL_FORCE_INLINE void SortCs(T& a, T& b, const Less& less)
{
	if(less(b, a))
		std::swap(a, b);
}

// Fixed compare-and-swap sequences for 2 to 7 elements.
template <class T, class Less>
void SortSmall(T* a, int n, const Less& less)
{
	auto cs = [&](int i, int j) { SortCs(a[i], a[j], less); };
	switch(n) {
	case 2:
		cs(0, 1);
		break;
	case 3:
		cs(0, 1); cs(1, 2); cs(0, 1);
		break;
	case 4:
		cs(0, 1); cs(2, 3); cs(0, 2); cs(1, 3); cs(1, 2);
		break;
	case 5:
		cs(0, 1); cs(3, 4); cs(2, 4); cs(2, 3); cs(1, 4);
		cs(0, 3); cs(0, 2); cs(1, 3); cs(1, 2);
		break;
	case 6:
		cs(1, 2); cs(4, 5); cs(0, 2); cs(3, 5); cs(0, 1); cs(3, 4);
		cs(2, 5); cs(0, 3); cs(1, 4); cs(2, 4); cs(1, 3); cs(2, 3);
		break;
	case 7:
		cs(1, 2); cs(3, 4); cs(5, 6); cs(0, 2); cs(3, 5); cs(4, 6);
		cs(0, 1); cs(4, 5); cs(2, 6); cs(0, 4); cs(1, 5); cs(0, 3);
		cs(2, 5); cs(1, 3); cs(2, 4); cs(2, 3);
		break;
	}
}

} // namespace detail

template <class T, class Less>
void Sort(T* first, T* last, const Less& less)
{
	bool random_middle = false;
	for(;;) {
		int count = int(last - first);
		if(count < 8) {
			detail::SortSmall(first, count, less);
			return;
		}
		// Order the samples so that first <= pivot <= last - 1; both ends then bound the scans.
		T* l = last - 1;
		T* pivot;
		if(count <= 1000) {
			pivot = first + (random_middle ? 1 + Random(count - 2) : count / 2);
			detail::SortCs(*first, *pivot, less);
			detail::SortCs(*pivot, *l, less);
			detail::SortCs(*first, *pivot, less);
		}
		else {
			int h = count / 2;
			T* s1 = first + 1 + Random(h - 2);
			pivot = first + h;
			T* s2 = first + h + 1 + Random(h - 2);
			T* s[5] = { first, s1, pivot, s2, l };
			auto cs = [&](int a, int b) { detail::SortCs(*s[a], *s[b], less); };
			cs(0, 1); cs(3, 4); cs(2, 4); cs(2, 3); cs(1, 4);
			cs(0, 3); cs(0, 2); cs(1, 3); cs(1, 2);
		}
		T* p = last - 2;
		std::swap(*pivot, *p);
		// Both scans stop on elements equal to the pivot, which keeps runs of equal keys balanced.
		T* i = first;
		T* j = p;
		for(;;) {
			while(less(*++i, *p))
				;
			while(less(*p, *--j))
				;
			if(i >= j)
				break;
			std::swap(*i, *j);
		}
		std::swap(*i, *p);
		T* left_end = i;
		T* right_begin = i + 1;
		int nl = int(left_end - first);
		int nr = int(last - right_begin);
		if(nl < nr) {
			Sort(first, left_end, less);
			random_middle = nl < nr / 4;
			first = right_begin;
		}
		else {
			Sort(right_begin, last, less);
			random_middle = nr < nl / 4;
			last = left_end;
		}
	}
}

template <class T>
void Sort(T* first, T* last)
{
	Sort(first, last, [](const T& a, const T& b) { return a < b; });
}

void Sort(int* first, int* last);

template <class T, class Less>
void Sort(Vector<T>& v, const Less& less)
{
	Sort(v.begin(), v.end(), less);
}

template <class T>
void Sort(Vector<T>& v)
{
	Sort(v.begin(), v.end());
}

// Ascending by key(element); key returns anything ordered by <.
template <class T, class Key>
void SortByKey(T* first, T* last, const Key& key)
{
	Sort(first, last, [&](const T& a, const T& b) { return key(a) < key(b); });
}

template <class T, class Key>
void SortByKey(Vector<T>& v, const Key& key)
{
	SortByKey(v.begin(), v.end(), key);
}

// Sorts an Array by rearranging its pointers; the elements stay where they are.
template <class T, class Less>
void Sort(Array<T>& a, const Less& less)
{
	Vector<T*>& p = a.GetPointers();
	Sort(p.begin(), p.end(), [&](const T* x, const T* y) { return less(*x, *y); });
}

template <class T>
void Sort(Array<T>& a)
{
	Sort(a, [](const T& x, const T& y) { return x < y; });
}

} // namespace Qel
