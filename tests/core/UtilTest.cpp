#include <Core/Core.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Qel;

TEST(Random, Xoshiro256ssPublishedOutputs)
{
	// The reference generator seeded with the state 1, 2, 3, 4.
	qword s[4] = {1, 2, 3, 4};
	const qword expect[] = {11520ull, 0ull, 1509978240ull, 1215971899390074240ull};
	for(qword e : expect)
		EXPECT_EQ(detail::Xoshiro256ss(s), e);
}

TEST(Random, RangeMaskAndDegenerateArguments)
{
	for(int n : {-5, 0, 1})
		for(int i = 0; i < 100; i++)
			EXPECT_EQ(Random(n), 0) << n;
	int seen[6] = {};
	for(int i = 0; i < 6000; i++) {
		int r = Random(6);
		ASSERT_TRUE(r >= 0 && r < 6);
		seen[r]++;
	}
	for(int c : seen)
		EXPECT_GT(c, 800); // uniform enough that no value is starved
	int hi = 0;
	for(int i = 0; i < 1000; i++)
		hi = max(hi, Random(2147483647));
	EXPECT_GT(hi, 1 << 30);
}

TEST(Random, SeedIsNeverZeroAndThreadsDiffer)
{
	qword s[4];
	detail::RandomSeed(s);
	EXPECT_TRUE(s[0] | s[1] | s[2] | s[3]);
	qword mine[2], theirs[2];
	RandomFill64(mine, 2);
	std::thread([&] { RandomFill64(theirs, 2); }).join();
	EXPECT_FALSE(mine[0] == theirs[0] && mine[1] == theirs[1]);
	RandomFill64(mine, 0); // nothing
}

TEST(Random, ForkedChildFromAnyThreadReseeds)
{
	// The child must not draw what the parent draws next, whether the main thread forked or not.
	for(bool from_thread : {false, true}) {
		qword child = 0, parent = 0;
		int fds[2];
		ASSERT_EQ(pipe(fds), 0);
		auto fork_and_draw = [&] {
			Random64(); // this thread is seeded before the fork
			pid_t pid = fork();
			if(pid == 0) {
				qword x = Random64();
				(void)!write(fds[1], &x, 8);
				_exit(0);
			}
			parent = Random64();
			waitpid(pid, nullptr, 0);
		};
		if(from_thread)
			std::thread(fork_and_draw).join();
		else
			fork_and_draw();
		ASSERT_EQ(read(fds[0], &child, 8), 8);
		close(fds[0]);
		close(fds[1]);
		EXPECT_NE(child, parent) << from_thread;
	}
}

TEST(Util, IntegerDivisionRoundsForEverySign)
{
	for(int a = -9; a <= 9; a++)
		for(int b : {-4, -3, -2, -1, 1, 2, 3, 4}) {
			EXPECT_EQ(IntDivFloor(a, b), (int)std::floor(double(a) / b)) << a << "/" << b;
			EXPECT_EQ(IntDivCeil(a, b), (int)std::ceil(double(a) / b)) << a << "/" << b;
		}
	EXPECT_EQ(ScaleInt(1000000, 3000, 7), int(int64(1000000) * 3000 / 7));
	EXPECT_EQ(ScaleInt(-7, 1, 2), -3);
}

TEST(Util, RoundingClampsAndMapsNaNToNull)
{
	struct { double x; int round, floor, ceil; } cases[] = {
		{2.5, 3, 2, 3}, {-2.5, -2, -3, -2}, {-0.2, 0, -1, 0},
		{1e12, 2147483647, 2147483647, 2147483647},
		{-1e12, INT_NULL, INT_NULL, INT_NULL},
	};
	for(auto& c : cases) {
		EXPECT_EQ(RoundToInt(c.x), c.round) << c.x;
		EXPECT_EQ(FloorToInt(c.x), c.floor) << c.x;
		EXPECT_EQ(CeilToInt(c.x), c.ceil) << c.x;
	}
	double nan = std::numeric_limits<double>::quiet_NaN();
	EXPECT_TRUE(IsNull(RoundToInt(nan)));
	EXPECT_TRUE(IsNull(FloorToInt(nan)));
	EXPECT_TRUE(IsNull(CeilToInt(nan)));
}

TEST(Util, SolveQuadratic)
{
	double r[2];
	ASSERT_EQ(SolveQuadratic(1, -3, 2, r), 2);
	EXPECT_DOUBLE_EQ(r[0], 2);
	EXPECT_DOUBLE_EQ(r[1], 1);
	EXPECT_EQ(SolveQuadratic(0, 0, 5, r), 0);
	ASSERT_EQ(SolveQuadratic(0, 2, -4, r), 1);
	EXPECT_DOUBLE_EQ(r[0], 2);
	EXPECT_EQ(SolveQuadratic(1, 0, 1, r), 0);
	ASSERT_EQ(SolveQuadratic(1, 2, 1, r), 1);
	EXPECT_DOUBLE_EQ(r[1], -1);
	ASSERT_EQ(SolveQuadraticEquation(2, 0, -8, r), 2);
	EXPECT_DOUBLE_EQ(r[0], 2);
	EXPECT_DOUBLE_EQ(r[1], -2);
}

TEST(Util, HexText)
{
	const char data[] = "\x01\xab\xff";
	EXPECT_EQ(HexString(data, 3, 1, ' '), "01 ab ff");
	EXPECT_EQ(HexString(data, 3, 2, ':'), "01ab:ff");
	EXPECT_EQ(HexString(data, 3), "01abff");
	EXPECT_EQ(HexString(data, 3, 0), "01abff") << "a step below 1 writes no separators";
	EXPECT_EQ(HexString(data, 3, -5), "01abff");
	EXPECT_EQ(HexString(data, 0, 1), "");
	EXPECT_EQ(ScanHexString("0A:1b"), String("\x0a\x1b", 2));
	EXPECT_EQ(ScanHexString("0A:1"), String("\x0a", 1));
	EXPECT_EQ(ScanHexString("0 a1 B"), String("\x0a\x1b", 2)) << "skipped even inside a pair";
	String all;
	for(int i = 0; i < 256; i++)
		all.Cat(char(i));
	EXPECT_EQ(ScanHexString(HexString(all, 3, '-')), all);
}

TEST(Util, MemFindMatchesAPlainSearch)
{
	String hay = "abcabcdabcdeabcdefgh12345678abcdefghi";
	for(int nlen = 0; nlen <= 10; nlen++)
		for(int at = 0; at + nlen <= hay.GetLength(); at += 3) {
			String needle = hay.Mid(at, nlen);
			for(int from : {-3, 0, 1, 5, at, hay.GetLength() - nlen, hay.GetLength()}) {
				int plain = -1;
				for(int p = max(from, 0); p + nlen <= hay.GetLength(); p++)
					if(memcmp(~hay + p, ~needle, nlen) == 0) {
						plain = p;
						break;
					}
				EXPECT_EQ(MemFind(~hay, hay.GetLength(), ~needle, nlen, from), plain)
					<< needle << " from " << from;
			}
		}
	EXPECT_EQ(MemFind("xyz", 3, "yz", 2, 2), -1);
}

TEST(Util, TypeNumbersSettingsAndHooks)
{
	int a = RegisterTypeNo("UtilTest-A");
	int b = RegisterTypeNo("UtilTest-B");
	EXPECT_NE(a, b);
	EXPECT_EQ(RegisterTypeNo("UtilTest-A"), a);
	EXPECT_EQ(StaticTypeNo<Uuid>(), StaticTypeNo<Uuid>());
	EXPECT_NE(StaticTypeNo<Uuid>(), StaticTypeNo<String>());
	EXPECT_EQ(RegisterTypeNo(nullptr), RegisterTypeNo(""));

	const char* p = PermanentStrdup("lasting");
	EXPECT_STREQ(p, "lasting");

	RegisterGlobalSetting("UtilTestSetting");
	EXPECT_EQ(GetGlobalSetting("UtilTestSetting"), "");
	SetGlobalSetting("UtilTestSetting", "data");
	EXPECT_EQ(GetGlobalSetting("UtilTestSetting"), "data");
	SetGlobalSetting("UtilTestUnknown", "x");
	EXPECT_EQ(GetGlobalSetting("UtilTestUnknown"), "");

	EXPECT_EQ(Pkcs7Sign("data", "cert", "key"), "");
	InstallPkcs7Sign([](const void*, int len, const String& c, const String&) { return c + FormatInt64(len); });
	EXPECT_EQ(Pkcs7Sign("data", "cert", "key"), "cert4");
	InstallPkcs7Sign(nullptr);
}

TEST(Util, SortByKey)
{
	Vector<int> v;
	for(int i = 0; i < 3000; i++)
		v.Add((i * 7919) % 3001 - 1500);
	SortByKey(v, [](int x) { return x < 0 ? -x : x; });
	for(int i = 1; i < v.GetCount(); i++)
		ASSERT_LE(abs(v[i - 1]), abs(v[i]));
}

TEST(Uuid, TextFormsAndScanning)
{
	Uuid u;
	u.a = 1;
	EXPECT_EQ(u.ToString(), "00000001" + String('0', 24));
	u.a = 0x0123456789ABCDEFull;
	u.b = 0xFEDCBA9876543210ull;
	EXPECT_EQ(u.ToString(), "89ABCDEF0123456776543210FEDCBA98");
	EXPECT_EQ(ScanUuid(u.ToString()), u);
	EXPECT_EQ(ScanUuid(ToLower(u.ToString())), u);
	EXPECT_EQ(ScanUuid("89ABCDEF-0123-4567-7654-3210FEDCBA98"), u);
	EXPECT_EQ(ScanUuid(u.ToString() + "FFFF"), u) << "digits beyond 32 are ignored";
	EXPECT_TRUE(ScanUuid("{89ABCDEF-0123}").IsNull());
	EXPECT_TRUE(ScanUuid("").IsNull());
	EXPECT_TRUE(ScanUuid((const char*)nullptr).IsNull());

	for(int i = 0; i < 100; i++) {
		Uuid n = Uuid::Create();
		EXPECT_FALSE(n.IsNull());
		EXPECT_EQ(ScanUuid(n.ToString()), n);
		EXPECT_NE(n, Uuid::Create());
	}
}

TEST(Uuid, AsValue)
{
	Uuid u = Uuid::Create();
	Value v = u;
	EXPECT_EQ(v.GetType(), (dword)UUID_V);
	EXPECT_EQ(Value::GetRegisteredName(UUID_V), "Uuid");
	EXPECT_EQ(Value::GetTypeByName("Uuid"), UUID_V);
	EXPECT_EQ(Uuid(v), u);
	EXPECT_EQ(v.ToText(), u.ToString());
	EXPECT_EQ(v, Value(Uuid(u)));
	EXPECT_NE(v, Value(Uuid::Create()));
	EXPECT_EQ(v.GetHashValue(), Value(Uuid(u)).GetHashValue());
	EXPECT_TRUE(Value(Uuid()).IsNull());
	EXPECT_TRUE(Uuid(Value()).IsNull());
	EXPECT_THROW(Uuid(Value(12)), ValueTypeError);

	// Stored form: version 1, then the two words.
	StringStream out;
	Uuid w = u;
	out % w;
	String data = out.GetResult();
	ASSERT_EQ(data.GetLength(), 18);
	EXPECT_EQ(data[0], 1);
	EXPECT_EQ(data[1], 0);
	StringStream in(data);
	Uuid back;
	in % back;
	EXPECT_EQ(back, u);
	// XML: the attribute "value"; JSON: the text. Both through the Value's representation.
	XmlNode node;
	XmlIO store(node, false);
	Value(u).GetVoidPtr()->Xmlize(store);
	EXPECT_EQ(node.Attr("value"), u.ToString());
	Value::Void* fromxml = Value::GetFactory(UUID_V)();
	XmlIO load(node, true);
	fromxml->Xmlize(load);
	EXPECT_EQ(Uuid(Value(fromxml, UUID_V)), u);
	JsonIO jstore;
	Value(u).GetVoidPtr()->Jsonize(jstore);
	EXPECT_EQ(jstore.GetResult(), Value(u.ToString()));
	Value text = u.ToString();
	JsonIO jload(text);
	Uuid fromjson;
	fromjson.Jsonize(jload);
	EXPECT_EQ(fromjson, u);

	Value::Void* rep = Value::GetFactory(UUID_V)();
	StringStream in2(data);
	rep->Serialize(in2);
	EXPECT_EQ(Uuid(Value(rep, UUID_V)), u);
}

namespace {

struct Target : Pte<Target> {
	int id;
	explicit Target(int id) : id(id) {}
};

} // namespace

TEST(Ptr, NullOnceTheTargetIsGone)
{
	Ptr<Target> p, q;
	{
		Target t(1);
		p = &t;
		q = p;
		Ptr<Target> r(&t);
		EXPECT_EQ(p->id, 1);
		EXPECT_EQ(q.Get(), &t);
		EXPECT_EQ(r.Get(), &t);
	}
	EXPECT_EQ(p.Get(), nullptr);
	EXPECT_EQ(q.Get(), nullptr);
	EXPECT_FALSE(p);

	// A new object at the same address gets a record of its own.
	alignas(Target) unsigned char place[sizeof(Target)];
	Target* a = new(place) Target(2);
	Ptr<Target> pa = a;
	a->~Target();
	EXPECT_EQ(pa.Get(), nullptr);
	Target* b = new(place) Target(3);
	Ptr<Target> pb = b;
	EXPECT_EQ(pb->id, 3);
	EXPECT_EQ(pa.Get(), nullptr);
	b->~Target();
}

TEST(Ptr, ReleaseAndCopies)
{
	Target t(1);
	{
		Ptr<Target> p = &t;
		p = nullptr;
		EXPECT_EQ(p.Get(), nullptr);
		p = &t;
		Ptr<Target> p2 = p;
		Ptr<Target>& self = p2;
		p2 = self; // assigning a pointer to itself keeps its target
		EXPECT_EQ(p2.Get(), &t);
	}
	// Copying the target does not hand the copy the original's pointers.
	Ptr<Target> p = &t;
	{
		Target copy = t;
		Ptr<Target> pc = &copy;
		EXPECT_EQ(pc.Get(), &copy);
	}
	EXPECT_EQ(p.Get(), &t);
	Target other(2);
	other = t;
	Ptr<Target> po = &other;
	EXPECT_EQ(po.Get(), &other);
	EXPECT_EQ(p.Get(), &t);
}

TEST(Ptr, ThreadsSetAndDropPointers)
{
	Target* t = new Target(5);
	std::vector<std::thread> threads;
	for(int i = 0; i < 4; i++)
		threads.emplace_back([t] {
			for(int k = 0; k < 2000; k++) {
				Ptr<Target> p = t;
				Ptr<Target> q = p;
				q = nullptr;
			}
		});
	for(auto& th : threads)
		th.join();
	Ptr<Target> last = t;
	delete t;
	EXPECT_EQ(last.Get(), nullptr);
}
