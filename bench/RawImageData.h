// The picture of the "rawimage" benchmark, shared by bench_richtext_api and its peer: an
// 8000 x 6000 RGB PNG made with libpng (gradients under a little noise and a fine pattern, so it
// compresses about as a photograph does), kept beside the program after the first run, and the
// mean of each channel, against which both sides check what they scaled it to. Also the peak
// resident memory of one run, measured in a child process of the program.
#pragma once

#include "ProcStatus.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

constexpr int RAW_CX = 8000, RAW_CY = 6000;
constexpr int RAW_TARGET_CX = 800, RAW_TARGET_CY = 600;

inline void RawPixel(int x, int y, unsigned char* p)
{
	unsigned h = unsigned(x) * 0x9E3779B1u ^ unsigned(y) * 0x85EBCA77u;
	h ^= h >> 15;
	h *= 0x2C1B3C6Du;
	h ^= h >> 12;
	p[0] = (unsigned char)(x * 223 / (RAW_CX - 1) + (h & 31));
	p[1] = (unsigned char)(y * 223 / (RAW_CY - 1) + (h >> 5 & 31));
	p[2] = (unsigned char)(((x ^ y) & 127) + (h >> 10 & 31) + 48);
}

struct RawImagePng {
	std::string bytes;
	double      mean[3] = {};
};

inline std::string RawImagePath()
{
	char exe[4096];
	ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
	std::string dir = n > 0 ? std::string(exe, size_t(n)) : std::string("./x");
	return dir.substr(0, dir.rfind('/') + 1) + "rawimage_8000x6000_v2.png";
}

inline const RawImagePng& GetRawImagePng()
{
	static RawImagePng r = [] {
		RawImagePng r;
		double sum[3] = {};
		unsigned char p[3];
		for(int y = 0; y < RAW_CY; y++)
			for(int x = 0; x < RAW_CX; x++) {
				RawPixel(x, y, p);
				for(int c = 0; c < 3; c++)
					sum[c] += p[c];
			}
		for(int c = 0; c < 3; c++)
			r.mean[c] = sum[c] / (double(RAW_CX) * RAW_CY);
		std::string path = RawImagePath();
		if(FILE* f = fopen(path.c_str(), "rb")) {
			char buf[65536];
			for(size_t got; (got = fread(buf, 1, sizeof(buf), f)) > 0;)
				r.bytes.append(buf, got);
			fclose(f);
			if(r.bytes.size() > 1000)
				return r;
		}
		std::vector<unsigned char> pixels(size_t(RAW_CX) * RAW_CY * 3);
		for(int y = 0; y < RAW_CY; y++)
			for(int x = 0; x < RAW_CX; x++)
				RawPixel(x, y, &pixels[(size_t(y) * RAW_CX + x) * 3]);
		png_image img = {};
		img.version = PNG_IMAGE_VERSION;
		img.width = RAW_CX;
		img.height = RAW_CY;
		img.format = PNG_FORMAT_RGB;
		png_alloc_size_t len = 0;
		if(!png_image_write_get_memory_size(img, len, 0, pixels.data(), 0, nullptr)) {
			fprintf(stderr, "libpng could not write the picture: %s\n", img.message);
			abort();
		}
		r.bytes.resize(len);
		if(!png_image_write_to_memory(&img, r.bytes.data(), &len, 0, pixels.data(), 0, nullptr)) {
			fprintf(stderr, "libpng could not write the picture: %s\n", img.message);
			abort();
		}
		r.bytes.resize(len);
		if(FILE* f = fopen(path.c_str(), "wb")) {
			fwrite(r.bytes.data(), 1, r.bytes.size(), f);
			fclose(f);
		}
		return r;
	}();
	return r;
}

// The mean of each channel of a side's result (r, g, b) must agree with the source's within a
// level.
inline void CheckRawMeans(const char* who, const double* mean)
{
	const RawImagePng& src = GetRawImagePng();
	for(int c = 0; c < 3; c++)
		if(mean[c] - src.mean[c] > 1.0 || src.mean[c] - mean[c] > 1.0) {
			fprintf(stderr, "%s: channel %d mean %.3f, the source's %.3f\n", who, c, mean[c], src.mean[c]);
			abort();
		}
}

// Runs run() once in a fresh child of this program (QEL_BENCH_PEAK=<name>) after prepare(),
// and gives the growth of its resident set in kB; -1 when it cannot be measured.
template <class Prepare, class Run>
bool PeakChild(const char* name, Prepare prepare, Run run)
{
	const char* which = getenv("QEL_BENCH_PEAK");
	if(!which || std::string(which) != name)
		return false;
	prepare();
	long v = -1;
	if(FILE* f = fopen("/proc/self/clear_refs", "w")) {
		fputs("5", f); // the peak becomes the current resident size
		fclose(f);
		long base = ProcStatusKB("VmRSS:");
		run();
		v = ProcStatusKB("VmHWM:") - base;
	}
	printf("%ld\n", v);
	fflush(stdout);
	_exit(0);
}

inline long PeakKB(const char* name)
{
	std::string cmd = std::string("QEL_BENCH_PEAK=") + name + " /proc/" + std::to_string(getpid()) + "/exe";
	FILE* p = popen(cmd.c_str(), "r");
	long v = -1;
	if(p) {
		if(fscanf(p, "%ld", &v) != 1)
			v = -1;
		pclose(p);
	}
	return v;
}

} // namespace bench
