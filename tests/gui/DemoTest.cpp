// The demonstration program under the harness: it opens its window, paints it and ends by
// itself; without a display it says so and ends with 255.
#include <testkit/Testkit.h>

#include <Core/Core.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <X11/keysym.h>

namespace {

#ifdef QEL_EXAMPLE_WINDOW

// Starts the program with its standard error into err_file; without a display when asked.
pid_t Start(const std::vector<std::string>& args, const std::string& err_file, bool display)
{
	pid_t pid = fork();
	if(pid == 0) {
		prctl(PR_SET_PDEATHSIG, SIGTERM);
		if(!display) {
			unsetenv("DISPLAY");
			unsetenv("WAYLAND_DISPLAY");
		}
		int fd = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		dup2(fd, 2);
		std::vector<char*> argv{const_cast<char*>(QEL_EXAMPLE_WINDOW)};
		for(const std::string& a : args)
			argv.push_back(const_cast<char*>(a.c_str()));
		argv.push_back(nullptr);
		execv(argv[0], argv.data());
		_exit(127);
	}
	return pid;
}

int ExitCode(pid_t pid)
{
	int status = 0;
	if(!testkit::WaitExit(pid, testkit::WAIT_MS, &status)) {
		testkit::ReportTimeout("the program to end", testkit::WAIT_MS, testkit::SourceLocation::current());
		kill(pid, SIGKILL);
		testkit::WaitExit(pid, testkit::WAIT_MS, &status);
		return -1;
	}
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Read(const std::string& file)
{
	Qel::String s = Qel::LoadFile(file.c_str());
	return std::string(s.Begin(), s.GetLength());
}

TEST(Demo, OpensPaintsAndEndsAfterTheGivenTime)
{
	std::string err = testkit::TempFolder() + "/demo-err.txt";
	// long enough to look at the window on a loaded machine
	pid_t pid = Start({"--seconds", "3"}, err, true);
	unsigned long w = testkit::FindWindow("Qel window");
	ASSERT_NE(w, 0u);
	// the background, the patch that follows the height, the one that follows the width
	const std::pair<std::pair<int, int>, unsigned> expect[] = {
		{{300, 100}, 0xF4F0E2}, {{50, 150}, 0x3870B0}, {{300, 290}, 0xD07828}};
	for(const auto& e : expect) {
		const auto& at = e.first;
		unsigned rgb = e.second;
		EXPECT_TRUE(testkit::PumpUntil([&] {
			std::vector<unsigned> px = testkit::ReadPixels(w, at.first, at.second, 1, 1);
			return !px.empty() && px[0] == rgb;
		}, testkit::WAIT_MS, "a painted pixel")) << at.first << "," << at.second;
	}
	EXPECT_EQ(ExitCode(pid), 0) << Read(err);
}

// Alt+F4 under openbox asks the window to close; the program ends by itself with 0.
TEST(Demo, TheWindowManagerClosesIt)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.window_manager = true;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	std::string err = testkit::TempFolder() + "/demo-close.txt";
	pid_t pid = Start({}, err, true);
	unsigned long w = testkit::FindWindow("Qel window");
	ASSERT_NE(w, 0u);
	// the window manager's key binding acts on the window it takes for active
	EXPECT_TRUE(testkit::PumpUntil([&] { return testkit::ActiveWindow() == w; }, testkit::WAIT_MS,
	                               "the window to be active"));
	testkit::KeyChord({XK_Alt_L, XK_F4});
	EXPECT_EQ(ExitCode(pid), 0) << Read(err);
}

TEST(Demo, WithoutADisplayItSaysSoAndEndsWith255)
{
	std::string err = testkit::TempFolder() + "/demo-nodisplay.txt";
	EXPECT_EQ(ExitCode(Start({}, err, false)), 255);
	EXPECT_EQ(Read(err), "Failed to initialized GTK app!\n");
}

#endif

} // namespace
