/* imlbuild: turns an image-list manifest and its PNG files into the C++ source of the list.
 *
 *   imlbuild MANIFEST OUTPUT
 *
 * The manifest is plain text, one statement a line, '#' starting a comment:
 *   list NAME                 the list's name and the struct that holds it (one per manifest)
 *   include HEADER            the header declaring that struct
 *   image NAME FILE FLAGS HOTX HOTY SPOT2X SPOT2Y
 *                             one image: a PNG file (relative to the manifest's folder), its flag
 *                             byte and its two spots; numbers in C notation (0xC0)
 *   block                     the next image starts a new block (lists that keep fixed groups)
 * The pixels are stored as records (flags, 16-bit little-endian width, height and spots, then
 * R, G, B, A per pixel) in zlib blocks of at most BLOCK_LIMIT inflated bytes. */
#include <png.h>
#include <zlib.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { BLOCK_LIMIT = 256 * 1024, MAX_FIELD = 1024 };

struct image {
	char          name[MAX_FIELD];
	int           starts_block;
	unsigned char* rec; /* header and pixels */
	size_t        len;
};

/* the output written aside while it is made; a failure removes it */
static char tmp[8192];

static void fail(const char* fmt, ...)
{
	if(*tmp)
		remove(tmp);
	va_list ap;
	va_start(ap, fmt);
	fprintf(stderr, "imlbuild: ");
	vfprintf(stderr, fmt, ap);
	fprintf(stderr, "\n");
	va_end(ap);
	exit(1);
}

static int valid_name(const char* s)
{
	if(!*s)
		return 0;
	for(; *s; s++)
		if(!(*s == '_' || (*s >= '0' && *s <= '9') || (*s >= 'a' && *s <= 'z') || (*s >= 'A' && *s <= 'Z')))
			return 0;
	return 1;
}

static long number(const char* s, const char* what, int line, long lo, long hi)
{
	char* e;
	long v = strtol(s, &e, 0);
	if(*s == 0 || *e || v < lo || v > hi)
		fail("line %d: bad %s '%s'", line, what, s);
	return v;
}

static void put16(unsigned char* p, long v)
{
	p[0] = (unsigned char)(v & 255);
	p[1] = (unsigned char)((v >> 8) & 255);
}

static void load_png(struct image* m, const char* path, long flags, long spots[4], int line)
{
	png_image img;
	memset(&img, 0, sizeof(img));
	img.version = PNG_IMAGE_VERSION;
	if(!png_image_begin_read_from_file(&img, path))
		fail("line %d: %s: %s", line, path, img.message);
	img.format = PNG_FORMAT_RGBA;
	if(img.width > 65535 || img.height > 65535)
		fail("line %d: %s: image too large", line, path);
	size_t px = (size_t)img.width * img.height * 4;
	m->len = 13 + px;
	m->rec = malloc(m->len);
	if(!m->rec)
		fail("out of memory");
	if(!png_image_finish_read(&img, NULL, m->rec + 13, 0, NULL))
		fail("line %d: %s: %s", line, path, img.message);
	m->rec[0] = (unsigned char)flags;
	put16(m->rec + 1, img.width);
	put16(m->rec + 3, img.height);
	for(int i = 0; i < 4; i++)
		put16(m->rec + 5 + 2 * i, spots[i]);
}

static void write_block(FILE* out, int index, const unsigned char* data, size_t len)
{
	uLongf clen = compressBound(len);
	unsigned char* z = malloc(clen);
	if(!z || compress2(z, &clen, data, len, Z_DEFAULT_COMPRESSION) != Z_OK)
		fail("compression failed");
	fprintf(out, "const byte sBlock%d[] = {", index);
	for(uLongf i = 0; i < clen; i++)
		fprintf(out, "%s%d,", i % 24 ? "" : "\n\t", z[i]);
	fprintf(out, "\n};\n\n");
	free(z);
}

int main(int argc, char** argv)
{
	if(argc != 3)
		fail("usage: imlbuild MANIFEST OUTPUT");
	FILE* in = fopen(argv[1], "r");
	if(!in)
		fail("cannot open %s", argv[1]);
	char dir[4096] = "";
	const char* slash = strrchr(argv[1], '/');
	if(slash) {
		size_t n = (size_t)(slash - argv[1]) + 1;
		if(n >= sizeof(dir))
			fail("path too long");
		memcpy(dir, argv[1], n);
		dir[n] = 0;
	}

	char list[MAX_FIELD] = "", include[MAX_FIELD] = "";
	struct image* images = NULL;
	int count = 0, cap = 0, line = 0, new_block = 0;
	char buf[8192];
	while(fgets(buf, sizeof(buf), in)) {
		line++;
		char* hash = strchr(buf, '#');
		if(hash)
			*hash = 0;
		char f[9][MAX_FIELD];
		int n = sscanf(buf, "%1023s %1023s %1023s %1023s %1023s %1023s %1023s %1023s %1023s",
		               f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]);
		if(n <= 0)
			continue;
		if(strcmp(f[0], "list") == 0 && n == 2) {
			if(!valid_name(f[1]))
				fail("line %d: bad list name", line);
			strcpy(list, f[1]);
		}
		else if(strcmp(f[0], "include") == 0 && n == 2)
			strcpy(include, f[1]);
		else if(strcmp(f[0], "block") == 0 && n == 1)
			new_block = 1;
		else if(strcmp(f[0], "image") == 0 && n == 8) {
			if(!valid_name(f[1]))
				fail("line %d: bad image name '%s'", line, f[1]);
			for(int i = 0; i < count; i++)
				if(strcmp(images[i].name, f[1]) == 0)
					fail("line %d: image '%s' named twice", line, f[1]);
			if(count == cap) {
				cap = cap ? 2 * cap : 64;
				images = realloc(images, sizeof(*images) * cap);
				if(!images)
					fail("out of memory");
			}
			struct image* m = &images[count++];
			strcpy(m->name, f[1]);
			m->starts_block = new_block;
			new_block = 0;
			long flags = number(f[3], "flags", line, 0, 255);
			long spots[4];
			for(int i = 0; i < 4; i++)
				spots[i] = number(f[4 + i], "spot", line, 0, 65535);
			char path[8192];
			snprintf(path, sizeof(path), "%s%s", f[2][0] == '/' ? "" : dir, f[2]);
			load_png(m, path, flags, spots, line);
		}
		else
			fail("line %d: cannot read '%s'", line, f[0]);
	}
	fclose(in);
	if(!*list || !*include)
		fail("%s: 'list' and 'include' are needed", argv[1]);

	/* written aside and renamed, so a failed run leaves no half source behind */
	snprintf(tmp, sizeof(tmp), "%s.tmp", argv[2]);
	FILE* out = fopen(tmp, "w");
	if(!out) {
		*tmp = 0; /* not ours to remove */
		fail("cannot create %s.tmp", argv[2]);
	}
	fprintf(out, "// Made by imlbuild from %s; changes belong there.\n", slash ? slash + 1 : argv[1]);
	fprintf(out, "#include <%s>\n\nnamespace Qel {\n\nnamespace {\n\n", include);
	fprintf(out, "const char* const sNames[] = {\n");
	for(int i = 0; i < count; i++)
		fprintf(out, "\t\"%s\",\n", images[i].name);
	fprintf(out, "\tnullptr\n};\n\n");

	int blocks = 0;
	int* block_count = malloc(sizeof(int) * (count + 1));
	unsigned char* raw = NULL;
	for(int i = 0; i < count;) {
		size_t len = 0;
		int j = i;
		while(j < count && (j == i || (!images[j].starts_block && len + images[j].len <= BLOCK_LIMIT)))
			len += images[j++].len;
		raw = realloc(raw, len ? len : 1);
		if(!raw)
			fail("out of memory");
		size_t at = 0;
		for(int k = i; k < j; k++) {
			memcpy(raw + at, images[k].rec, images[k].len);
			at += images[k].len;
		}
		write_block(out, blocks, raw, len);
		block_count[blocks++] = j - i;
		i = j;
	}
	fprintf(out, "} // namespace\n\n");
	fprintf(out, "Iml& %s::Iml()\n{\n", list);
	fprintf(out, "\tstatic Qel::Iml* list = [] {\n");
	fprintf(out, "\t\tstatic Qel::Iml l(sNames, %d);\n", count);
	for(int b = 0; b < blocks; b++)
		fprintf(out, "\t\tl.AddData(Qel::Iml::BASE, sBlock%d, sizeof(sBlock%d), %d);\n", b, b, block_count[b]);
	fprintf(out, "\t\tRegisterIml(\"%s\", l);\n\t\treturn &l;\n\t}();\n\treturn *list;\n}\n\n", list);
	fprintf(out, "namespace {\n// Registered before main, so that \"%s:name\" finds it.\n", list);
	fprintf(out, "[[maybe_unused]] const bool sRegistered = (%s::Iml(), true);\n} // namespace\n\n", list);
	fprintf(out, "} // namespace Qel\n");
	int bad = ferror(out);
	if(fclose(out) != 0 || bad || rename(tmp, argv[2]) != 0)
		fail("cannot write %s", argv[2]);
	*tmp = 0;
	for(int i = 0; i < count; i++)
		free(images[i].rec);
	free(images);
	free(raw);
	free(block_count);
	return 0;
}
