#include <Core/Core.h>

#include "TempFolder.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

using namespace Qel;
using QelTest::TempFolder;

namespace {

// Sets a variable for the life of the object.
struct SetEnv {
	std::string name;
	std::string old;
	bool had;
	SetEnv(const char* n, const char* value) : name(n)
	{
		const char* o = getenv(n);
		had = o;
		old = o ? o : "";
		if(value)
			setenv(n, value, 1);
		else
			unsetenv(n);
	}
	~SetEnv()
	{
		if(had)
			setenv(name.c_str(), old.c_str(), 1);
		else
			unsetenv(name.c_str());
	}
};

String ListTree(const String& root, const String& sub = String())
{
	String r;
	Vector<String> names;
	for(FindFile ff(~AppendFileName(AppendFileName(root, sub), "*")); ff; ff.Next())
		if(ff.GetName() != "." && ff.GetName() != "..")
			names.Add(ff.GetName());
	Sort(names);
	for(const String& n : names) {
		String rel = sub.IsEmpty() ? n : sub + "/" + n;
		r << rel << " ";
		struct stat st;
		if(lstat(~AppendFileName(root, rel), &st) == 0 && S_ISDIR(st.st_mode))
			r << ListTree(root, rel);
	}
	return r;
}

// fn in a child as user nobody (root may create files in any folder) whose files cannot grow past
// limit: InChildWithFileLimit's exit code.
template <class F>
int AsNobody(F fn, rlim_t limit = RLIM_INFINITY)
{
	return QelTest::InChildWithFileLimit(limit, [&] {
		if(geteuid() == 0 && (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0))
			return false;
		return fn();
	});
}

// Runs fn on a thread in a mount namespace of its own, with a small ext2 file system (one that
// reserves no room ahead) mounted from an image at the folder it is given. Whatever ends the test,
// the mount goes with the namespace when the thread or the process ends. False when it cannot be
// made (not root, no loop devices, no mkfs.ext2).
template <class F>
bool OnSmallExt2(F fn)
{
	if(geteuid() != 0)
		return false;
	TempFolder tmp;
	chmod(~tmp.path, 0755); // for the user that saves
	String image = tmp("image"), root = tmp("fs");
	bool mounted = false;
	std::thread([&] {
		if(unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
		   mkdir(~root, 0755) != 0)
			return;
		String cmd = "truncate -s 2M " + image + " && mkfs.ext2 -q -F -m 0 -b 1024 " + image +
		             " && mount -o loop " + image + " " + root;
		mounted = system(~(cmd + " >/dev/null 2>&1")) == 0;
		if(mounted) {
			fn(root);
			umount2(~root, MNT_DETACH);
		}
	}).join();
	return mounted;
}

} // namespace

TEST(Environment, GetEnvIsLive)
{
	SetEnv a("QEL_TEST_VAR", "one");
	EXPECT_EQ(GetEnv("QEL_TEST_VAR"), "one");
	setenv("QEL_TEST_VAR", "two", 1);
	EXPECT_EQ(GetEnv("QEL_TEST_VAR"), "two");
	unsetenv("QEL_TEST_VAR");
	EXPECT_TRUE(GetEnv("QEL_TEST_VAR").IsEmpty());
}

TEST(Environment, HomeFolderDefaultsToRoot)
{
	{
		SetEnv h("HOME", nullptr);
		EXPECT_EQ(detail::ComputeHomeDirectory(), "/root");
	}
	{
		SetEnv h("HOME", "");
		EXPECT_EQ(detail::ComputeHomeDirectory(), "/root");
	}
	SetEnv h("HOME", "/some/where");
	EXPECT_EQ(detail::ComputeHomeDirectory(), "/some/where");
}

TEST(Environment, Executable)
{
	char buf[4096];
	ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
	ASSERT_GT(n, 0);
	EXPECT_EQ(GetExeFilePath(), String(buf, (int)n));
	EXPECT_EQ(GetExeTitle(), "qel_core_tests");
	EXPECT_EQ(GetAppName(), "qel_core_tests");
}

TEST(Environment, ExecutableSearchWithoutProc)
{
	TempFolder tmp;
	for(const char* f : {"d1/prog", "d2/prog", "d3/other"})
		QelTest::Put(tmp(f), "#");
	String path = tmp("d1") + "::" + tmp("d2") + ":" + tmp("d3");
	// the last folder that holds it wins
	EXPECT_EQ(detail::FindExeFilePath("prog", path), tmp("d2/prog"));
	EXPECT_EQ(detail::FindExeFilePath(~tmp("d3/other"), path), tmp("d3/other"));
	EXPECT_EQ(detail::FindExeFilePath("none", path), GetHomeDirFile("qel"));
	// a name with a folder in it is also looked for from the current folder
	String old = GetCurrentDirectory();
	ASSERT_EQ(chdir(~tmp.path), 0);
	String found = detail::FindExeFilePath("d3/other", "");
	ASSERT_EQ(chdir(~old), 0);
	EXPECT_EQ(found, tmp("d3/other"));
}

TEST(Environment, ConfigurationFolderSearchOrder)
{
	TempFolder tmp;
	String exe = tmp("app/bin/x/prog");
	QelTest::Put(exe, "#");
	String home = tmp("home");
	String xdg = tmp("xdg");
	ASSERT_TRUE(RealizeDirectory(home));

	bool portable = true;
	EXPECT_EQ(detail::FindConfigBase(exe, "", home, &portable), home + "/.config");
	EXPECT_FALSE(portable);
	portable = true;
	EXPECT_EQ(detail::FindConfigBase(exe, xdg, home, &portable), home + "/.config") << "the XDG folder does not exist";
	ASSERT_TRUE(RealizeDirectory(xdg));
	EXPECT_EQ(detail::FindConfigBase(exe, xdg, home, &portable), xdg);
	EXPECT_FALSE(portable);

	// a ".config" at or above the executable's folder wins, when it is a writable folder
	QelTest::Put(tmp("app/bin/x/.config"), "a file, not a folder");
	ASSERT_TRUE(RealizeDirectory(tmp("app/bin/.config")));
	chmod(~tmp("app/bin/.config"), 0555);
	ASSERT_TRUE(RealizeDirectory(tmp("app/.config")));
	portable = true;
	EXPECT_EQ(detail::FindConfigBase(exe, xdg, home, &portable), tmp("app/.config"));
	EXPECT_TRUE(portable);
	chmod(~tmp("app/bin/.config"), 0755);
	EXPECT_EQ(detail::FindConfigBase(exe, xdg, home, nullptr), tmp("app/bin/.config"));
}

TEST(Environment, OldConfigurationIsCopiedOnce)
{
	TempFolder tmp;
	String old = tmp("home/.qel/prog");
	QelTest::Put(old + "/q.ini", "a = 1");
	QelTest::Put(old + "/sub/deep/f.dat", "data");
	QelTest::Put(old + "/.hidden/x", "x");
	QelTest::Put(old + "/noext", "n");
	ASSERT_EQ(symlink(~old, ~(old + "/sub/loop")), 0); // would copy without end if followed
	String folder = tmp("home/.config/qel/prog");

	detail::RealizeConfigFolder(folder, false, old);
	EXPECT_EQ(ListTree(folder), "noext q.ini sub sub/deep sub/deep/f.dat ");
	EXPECT_EQ(LoadFile(folder + "/sub/deep/f.dat"), "data");
	EXPECT_TRUE(DirectoryExists(old)) << "the old folder stays";

	// an existing folder is not filled again
	QelTest::Put(old + "/later", "l");
	detail::RealizeConfigFolder(folder, false, old);
	EXPECT_FALSE(FileExists(folder + "/later"));

	// a portable configuration takes nothing from the home folder
	String portable = tmp("portable/.config/qel/prog");
	detail::RealizeConfigFolder(portable, true, old);
	EXPECT_TRUE(DirectoryExists(portable));
	EXPECT_EQ(ListTree(portable), "");
}

TEST(Environment, ConfigFileAndLogPathOfThisProgram)
{
	String ini = ConfigFile("q.ini");
	String base = GetConfigBase();
	EXPECT_EQ(ini, base + "/qel/qel_core_tests/q.ini");
	EXPECT_TRUE(DirectoryExists(GetFileFolder(ini)));
	String log = GetLogPath();
	EXPECT_EQ(log, GetFileFolder(base) + "/.local/state/qel/log/qel_core_tests");
	EXPECT_TRUE(DirectoryExists(GetFileFolder(log)));
}

TEST(Environment, GetEnvironmentFollowsTheStartup)
{
	const VectorMap<String, String>& env = GetEnvironment();
	const VectorMap<WString, WString>& start = GetStartupEnvironment();
	ASSERT_EQ(env.GetCount(), start.GetCount());
	for(int i = 0; i < env.GetCount(); i++)
		EXPECT_EQ(env.GetKey(i), ToUtf8(start.GetKey(i)));
	EXPECT_EQ(&GetEnvironment(), &env) << "the same map while the set stays";
}

TEST(Environment, LoadAndSaveFile)
{
	TempFolder tmp;
	EXPECT_TRUE(SaveFile(~tmp("a"), "content\n"));
	EXPECT_EQ(LoadFile(tmp("a")), "content\n");
	EXPECT_TRUE(SaveFile(~tmp("a"), "x"));
	EXPECT_EQ(LoadFile(tmp("a")), "x") << "replaced, not overwritten in place";
	EXPECT_TRUE(SaveFile(~tmp("empty"), ""));
	String empty = LoadFile(tmp("empty"));
	EXPECT_TRUE(empty.IsEmpty() && !empty.IsVoid());
	EXPECT_TRUE(LoadFile(tmp.path).IsVoid());
	EXPECT_TRUE(LoadFile(tmp("missing")).IsVoid());
	EXPECT_FALSE(SaveFile(~tmp("no/such/folder"), "x"));
	ASSERT_EQ(mkfifo(~tmp("fifo"), 0600), 0);
	EXPECT_TRUE(LoadFile(tmp("fifo")).IsVoid()) << "a FIFO is no regular file (and must not block)";
}

// /proc reports its files as empty and yields them in page-sized reads: all of them must come.
TEST(Environment, LoadFileOfProcReadsToTheEnd)
{
	String info = LoadFile("/proc/cpuinfo");
	ASSERT_FALSE(info.IsVoid());
	int processors = 0;
	for(int i = 0; (i = info.Find("processor\t", i)) >= 0; i++)
		processors++;
	EXPECT_EQ(processors, (int)sysconf(_SC_NPROCESSORS_ONLN));
	String maps = LoadFile("/proc/self/maps");
	EXPECT_GT(maps.GetLength(), 4096);
	EXPECT_TRUE(maps.EndsWith("\n"));
}

TEST(Environment, ShellQuoteKeepsEveryByte)
{
	const char* texts[] = {
		"http://example.com/?a=1&b=2",
		"it's",
		"'; touch /tmp/qel-pwned; '",
		"$(id) `id` ${HOME} $HOME",
		"line\nbreak\n",
		"\\'\\\"",
		"",
	};
	for(const char* t : texts) {
		String cmd = "printf %s " + detail::ShellQuote(t);
		FILE* f = popen(~cmd, "r");
		ASSERT_TRUE(f);
		std::string out;
		char b[256];
		size_t n;
		while((n = fread(b, 1, sizeof(b), f)) > 0)
			out.append(b, n);
		pclose(f);
		EXPECT_EQ(out, t);
	}
}

// A fake opener found along PATH receives the URL as one argument and reports it through a FIFO.
TEST(Environment, LaunchWebBrowserPassesTheUrlWhole)
{
	TempFolder tmp;
	String which = GetFileOnPath("which", "/usr/bin:/bin", false);
	ASSERT_FALSE(which.IsEmpty());
	ASSERT_EQ(symlink(~which, ~tmp("which")), 0);
	String fifo = tmp("fifo");
	ASSERT_EQ(mkfifo(~fifo, 0600), 0);
	QelTest::Put(tmp("xdg-open"), "#!/bin/sh\nprintf '%s' \"$1\" > '" + fifo + "'\n");
	chmod(~tmp("xdg-open"), 0755);
	int fd = open(~fifo, O_RDONLY | O_NONBLOCK);
	ASSERT_GE(fd, 0);
	String url = "http://x/?q='a b'&c=$(id)\n`id`";
	{
		SetEnv path("PATH", ~tmp.path);
		LaunchWebBrowser(url);
	}
	std::string got;
	for(;;) {
		pollfd p = {fd, POLLIN, 0};
		if(poll(&p, 1, 20000) <= 0)
			break;
		char b[256];
		ssize_t n = read(fd, b, sizeof(b));
		if(n > 0)
			got.append(b, n);
		else if(n == 0 && !got.empty())
			break; // the writer closed
		else if(n < 0 && errno != EAGAIN)
			break;
	}
	close(fd);
	EXPECT_EQ(got, ~url);
}

// SaveFile writes beside the file and renames: a full disk (a file size limit in a child) leaves
// the old content and no other file; the permission bits and a link to the file stay.
TEST(Environment, SaveFileKeepsTheOldFileWhenItFails)
{
	TempFolder tmp;
	String old(0, 10000);
	for(int i = 0; i < old.GetLength(); i++)
		old.Set(i, 'a' + i % 26);
	ASSERT_TRUE(SaveFile(~tmp("a"), old));
	String big(0, 20000);
	EXPECT_EQ(QelTest::InChildWithFileLimit(4096, [&] { return SaveFile(~tmp("a"), big); }), 1);
	EXPECT_EQ(LoadFile(tmp("a")), old);
	EXPECT_EQ(QelTest::FolderNames(~tmp.path), std::vector<std::string>{ "a" });

	ASSERT_EQ(chmod(~tmp("a"), 0604), 0);
	ASSERT_EQ(symlink("a", ~tmp("link")), 0);
	EXPECT_TRUE(SaveFile(~tmp("link"), "new"));
	EXPECT_EQ(LoadFile(tmp("a")), "new");
	struct stat st;
	ASSERT_EQ(lstat(~tmp("link"), &st), 0);
	EXPECT_TRUE(S_ISLNK(st.st_mode));
	ASSERT_EQ(stat(~tmp("a"), &st), 0);
	EXPECT_EQ(st.st_mode & 07777, 0604u);

	FileOut holder(~tmp("a")); // another writer has it
	ASSERT_TRUE(holder.IsOpen());
	holder.Put("held");
	holder.Flush();
	EXPECT_FALSE(SaveFile(~tmp("a"), "x"));
	holder.Close();
	EXPECT_EQ(LoadFile(tmp("a")), "held");
}

// A folder that takes no new file (a user who may write the file but not the folder) gets the
// file written in place; a full disk still leaves the old content, and a writer holding the file
// still keeps it.
TEST(Environment, SaveFileWritesInPlaceWhereTheFolderTakesNoNewFile)
{
	TempFolder tmp;
	ASSERT_TRUE(SaveFile(~tmp("a"), "old content"));
	ASSERT_EQ(chmod(~tmp("a"), 0666), 0);
	ASSERT_EQ(chmod(~tmp.path, 0555), 0);
	EXPECT_EQ(AsNobody([&] { return SaveFile(~tmp("a"), "new"); }), 0);
	EXPECT_EQ(LoadFile(tmp("a")), "new");
	EXPECT_EQ(QelTest::FolderNames(~tmp.path), std::vector<std::string>{ "a" });
	String big(0, 20000);
	EXPECT_EQ(AsNobody([&] { return SaveFile(~tmp("a"), big); }, 4096), 1);
	EXPECT_EQ(LoadFile(tmp("a")), "new");

	FileOut holder(~tmp("a"));
	ASSERT_TRUE(holder.IsOpen());
	holder.Put("held");
	holder.Flush();
	EXPECT_EQ(AsNobody([&] { return SaveFile(~tmp("a"), "x"); }), 1);
	holder.Close();
	EXPECT_EQ(LoadFile(tmp("a")), "held");
	chmod(~tmp.path, 0700);
}

// In place on a nearly full file system that reserves no room ahead: a save that does not fit
// fails and leaves every old byte, and takes no room with it, so one that fits still goes.
TEST(Environment, SaveFileInPlaceOnAFullDiskKeepsTheOldFile)
{
	bool ran = OnSmallExt2([](const String& root) {
		String folder = root + "/d", file = folder + "/a";
		ASSERT_EQ(mkdir(~folder, 0755), 0);
		String old(0, 300000);
		for(int i = 0; i < old.GetLength(); i++)
			old.Set(i, 'a' + i % 26);
		ASSERT_TRUE(SaveFile(~file, old));
		ASSERT_EQ(chmod(~file, 0666), 0);
		struct statvfs fs;
		ASSERT_EQ(statvfs(~root, &fs), 0);
		int64 room = (int64)fs.f_bavail * fs.f_bsize;
		ASSERT_GT(room, 200000);
		ASSERT_TRUE(SaveFile(~(root + "/filler"), String('f', int(room - 120000))));

		// the texts are long: their lengths say more than their bytes
		EXPECT_EQ(AsNobody([&] { return SaveFile(~file, String('n', 600000)); }), 1);
		String got = LoadFile(file);
		EXPECT_EQ(got.GetLength(), old.GetLength());
		EXPECT_TRUE(got == old);
		String fits = old + String('n', 50000);
		EXPECT_EQ(AsNobody([&] { return SaveFile(~file, fits); }), 0);
		got = LoadFile(file);
		EXPECT_EQ(got.GetLength(), fits.GetLength());
		EXPECT_TRUE(got == fits);
		EXPECT_EQ(QelTest::FolderNames(~folder), std::vector<std::string>{ "a" });
	});
	if(!ran)
		GTEST_SKIP() << "needs root and a loop-mounted ext2 image (mkfs.ext2, mount -o loop)";
}
