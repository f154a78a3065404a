#include "Sfnt.h"

namespace Qel::detail {

namespace {

dword sCheckSum(const char* p, int len)
{
	dword sum = 0;
	int i = 0;
	for(; i + 4 <= len; i += 4)
		sum += BE32(p, len, i);
	dword tail = 0; // padded with zeros
	for(int k = 0; k < 4; k++)
		tail = tail << 8 | (i + k < len ? byte(p[i + k]) : 0);
	return sum + (i < len ? tail : 0);
}

} // namespace

String WriteSfnt(const VectorMap<String, String>& tables, dword version)
{
	Vector<int> order;
	for(int i = 0; i < tables.GetCount(); i++)
		order.Add(i);
	Sort(order, [&](int a, int b) { return tables.GetKey(a) < tables.GetKey(b); });
	int n = order.GetCount();
	int pow2 = 1, log2 = 0;
	while(2 * pow2 <= n) {
		pow2 *= 2;
		log2++;
	}
	StringBuffer out;
	CatBE32(out, version);
	CatBE16(out, n);
	CatBE16(out, 16 * pow2);
	CatBE16(out, log2);
	CatBE16(out, 16 * n - 16 * pow2);
	int64 at = 12 + 16 * n;
	int head = -1;
	for(int i : order) {
		const String& key = tables.GetKey(i);
		const String& data = tables[i];
		out.Cat(key.Begin(), 4);
		CatBE32(out, sCheckSum(data.Begin(), data.GetLength()));
		CatBE32(out, dword(at));
		CatBE32(out, data.GetLength());
		if(key == "head")
			head = int(at);
		at += (data.GetLength() + 3) & ~3;
	}
	for(int i : order) {
		out.Cat(tables[i]);
		while(out.GetLength() & 3)
			out.Cat(0);
	}
	if(head >= 0 && head + 12 <= out.GetLength())
		PutBE32(out.Begin() + head + 8, 0xB1B0AFBA - sCheckSum(out.Begin(), out.GetLength()));
	return String(out);
}

} // namespace Qel::detail
