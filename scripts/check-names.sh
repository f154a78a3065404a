#!/usr/bin/env bash
# Fails when our sources declare or use an identifier that C++ reserves for the implementation:
# one containing "__" or starting with "_" and a capital. Comments, string and character literals
# and the generated tables are not looked at; names that the compiler, the C++ runtime, the
# sanitizers, the linker or a library define (and that we must use as they are) are allowed.
set -euo pipefail
cd "$(dirname "$0")/.."

allowed='^(__builtin_\w+|__atomic_\w+|__ATOMIC_\w+|__sync_\w+|__cxa_\w+|__dso_handle|__(asan|lsan|ubsan|tsan)_\w+|__wrap_\w*|__real_\w*|__get_cpuid\w*|__m128[id]?|_MM_\w+|_SC_\w+|__SSE\w*__|__AVX\w*__|__x86_64__|__i386__|__aarch64__|__linux__|__GNUC__|__clang__|__cplusplus|__cpp_\w+|__has_include|__has_feature|__has_builtin|__attribute__|__VA_ARGS__|__VA_OPT__|__LINE__|__FILE__|__func__|__PRETTY_FUNCTION__|__COUNTER__|__int128|__BYTE_ORDER__|__ORDER_\w+__|__SANITIZE_\w+__|__restrict__|__typeof__|__asm__|_GNU_SOURCE|_FILE_OFFSET_BITS|_FcPattern)$'

out=$(mktemp)
trap 'rm -f "$out" "$out.all"' EXIT
find Core draw painter plugin richtext gui pdf tests bench fuzz examples tools \
     \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -type f \
     ! -path 'Core/tables/*' ! -name 'FontReplaceTable.cpp' -print0 \
| xargs -0 perl -0777 -ne '
	my $f = $ARGV;
	s/(?<=[0-9])\x27(?=[0-9])//g; # digit separators
	# comments and literals give way to blank lines, so line numbers hold
	s{ (//[^\n]*) | (/\*.*?\*/) | (R"([^(\s]*)\(.*?\)\4") | ("(?:\\.|[^"\\\n])*") | (\x27(?:\\.|[^\x27\\\n])*\x27) }
	 { my $m = $&; "\n" x ($m =~ tr/\n//) }gsex;
	my $n = 0;
	for my $line (split /\n/, $_, -1) {
		$n++;
		while($line =~ /\b(_[A-Z_]\w*|[A-Za-z0-9]\w*?__\w*)\b/g) {
			print "$f:$n: $1\n";
		}
	}
' >"$out.all"
# grep -v: status 1 only means that every name found is allowed
grep -Ev ": ${allowed#^}" "$out.all" >"$out" || [ $? -eq 1 ]

if [ -s "$out" ]; then
	echo "reserved identifiers in our sources:"
	cat "$out"
	exit 1
fi
echo "no reserved identifiers ($(wc -l <"$out.all") uses of the toolchain's and libraries' own names)"
