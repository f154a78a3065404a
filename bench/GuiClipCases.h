// Shared shapes of the clipboard benchmarks (bench/gui_clip.cpp and its peer): 1 MB of UTF-8 text
// and a 1024 x 1024 picture with translucent edges, exchanged with xclip on an X server of the
// program's own.
#pragma once

#include "GuiWindowCases.h"

#include <spawn.h>

#include <algorithm>

namespace bench {

constexpr int CLIP_TEXT_BYTES = 1 << 20;
constexpr int CLIP_IMAGE_SIZE = 1024;

// Mixed one-, two- and three-byte characters, cut at a character boundary.
inline std::string ClipText()
{
	static const std::string piece = "Clipboard text, \xC3\xA9t\xC3\xA9 \xE2\x82\xAC 12345 \xE2\x98\x83\n";
	std::string s;
	while(s.size() + piece.size() <= (size_t)CLIP_TEXT_BYTES)
		s += piece;
	return s;
}

// Straight-alpha r, g, b, a rows: colour ramps, an alpha ramp towards the right edge.
inline std::vector<unsigned char> ClipStraightPixels()
{
	std::vector<unsigned char> px(size_t(CLIP_IMAGE_SIZE) * CLIP_IMAGE_SIZE * 4);
	for(int y = 0; y < CLIP_IMAGE_SIZE; y++)
		for(int x = 0; x < CLIP_IMAGE_SIZE; x++) {
			unsigned char* p = &px[(size_t(y) * CLIP_IMAGE_SIZE + x) * 4];
			p[0] = (unsigned char)x;
			p[1] = (unsigned char)y;
			p[2] = (unsigned char)(x ^ y);
			p[3] = x < 768 ? 255 : (unsigned char)(255 - (x - 768));
		}
	return px;
}

// The same picture as an image of premultiplied pixels gives it out again (colour lost where
// alpha is low): what both sides offer, so both encode the same PNG.
inline std::vector<unsigned char> ClipPixels()
{
	std::vector<unsigned char> px = ClipStraightPixels();
	for(size_t i = 0; i < px.size(); i += 4) {
		int a = px[i + 3], f = a + (a >> 7);
		unsigned t = a ? 65536 / a : 0;
		for(int c = 0; c < 3; c++)
			px[i + c] = (unsigned char)std::min(255u, unsigned(px[i + c] * f >> 8) * t >> 8);
	}
	return px;
}

inline std::string ClipTempPath(const char* name)
{
	return "/tmp/qel-bench-clip-" + std::to_string(getpid()) + "-" + name;
}

inline void WriteFile(const std::string& path, const void* data, size_t n)
{
	if(FILE* f = fopen(path.c_str(), "wb")) {
		fwrite(data, 1, n, f);
		fclose(f);
	}
}

inline pid_t SpawnArgs(const std::vector<std::string>& args)
{
	std::vector<char*> argv;
	for(const std::string& a : args)
		argv.push_back(const_cast<char*>(a.c_str()));
	argv.push_back(nullptr);
	posix_spawn_file_actions_t fa;
	posix_spawn_file_actions_init(&fa);
	posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
	posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
	pid_t pid = -1;
	if(posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ))
		pid = -1;
	posix_spawn_file_actions_destroy(&fa);
	return pid;
}

// xclip serving a file's bytes as target until another owner takes the clipboard.
inline pid_t ServeWithXclip(const std::string& path, const char* target)
{
	return SpawnArgs({"xclip", "-quiet", "-selection", "clipboard", "-t", target, "-i", path});
}

// xclip reading the clipboard as target into a file; pump runs the program's loop meanwhile
// (it owns the clipboard). False when xclip failed.
template <class Pump>
bool ReadWithXclip(const char* target, const std::string& out, Pump pump)
{
	pid_t pid = SpawnArgs({"sh", "-c", std::string("exec xclip -o -selection clipboard -t ") + target + " > " + out});
	int status = 0;
	while(waitpid(pid, &status, WNOHANG) != pid)
		pump();
	return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline long FileSize(const std::string& path)
{
	FILE* f = fopen(path.c_str(), "rb");
	if(!f)
		return -1;
	fseek(f, 0, SEEK_END);
	long n = ftell(f);
	fclose(f);
	return n;
}

inline void StopChild(pid_t pid)
{
	if(pid > 0) {
		kill(pid, SIGTERM);
		waitpid(pid, nullptr, 0);
	}
}

} // namespace bench
