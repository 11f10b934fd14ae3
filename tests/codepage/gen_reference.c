/*
 * Dumps the answers of the Windows C run-time library's multibyte string
 * functions for one code page, as the reference that the POSIX code-page
 * backend is tested against (tests/codepage_test.cc).
 *
 * Built with the MinGW cross compiler against msvcrt.dll and run under Wine:
 *     gen_reference.exe 932 > codepage_932.txt
 * The code page in force is the process's ANSI code page; when it differs
 * from the one asked for, _setmbcp switches to it and the header says so.
 *
 * Sections of the output (all numbers are hexadecimal):
 *   lead      ranges of bytes for which _ismbblead holds
 *   tombb     chars c (leads 81-9f e0-fc, trails 40-fc) with _mbctombb(c) != c,
 *             as c:result; every other char of that range maps to itself
 *   order     every one-character string (each single byte 01-ff that is not
 *             a lead byte, each lead byte followed by each trail 40-fc),
 *             sorted by _mbsicmp; "a=b" joins chars that compare equal and
 *             "a-b" stands for a run of consecutive codes in strictly
 *             increasing order
 *   chr       string, byte, offset of _mbschr's result or -1
 *   icmp      string, string, sign of _mbsicmp
 * A string is written as its bytes in hex, "." for the empty string.
 */
#include <mbctype.h>
#include <mbstring.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kMaxChars = 256 + 256 * 256 };

static unsigned int g_chars[kMaxChars];
static size_t g_count;

/* A one-character string: one byte, or lead and trail. */
static void CharString(unsigned int c, unsigned char out[3]) {
    if (c > 0xff) {
        out[0] = (unsigned char)(c >> 8);
        out[1] = (unsigned char)c;
        out[2] = 0;
    } else {
        out[0] = (unsigned char)c;
        out[1] = 0;
    }
}

static int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

static int CompareChars(unsigned int a, unsigned int b) {
    unsigned char sa[3], sb[3];
    CharString(a, sa);
    CharString(b, sb);
    return Sign(_mbsicmp(sa, sb));
}

static int QsortCompare(const void* a, const void* b) {
    unsigned int x = *(const unsigned int*)a, y = *(const unsigned int*)b;
    int r = CompareChars(x, y);
    /* Equal chars are listed by code so the output is stable. */
    return r != 0 ? r : (x < y ? -1 : (x > y ? 1 : 0));
}

static void PrintHexString(const char* s) {
    if (*s == 0) {
        printf(".");
        return;
    }
    for (; *s; ++s) printf("%02x", (unsigned char)*s);
}

static void PrintChar(unsigned int c) { printf(c > 0xff ? "%04x" : "%02x", c); }

/* Wraps the order and tombb sections at about 100 columns. */
static int g_column;
static void Token(void) {
    if (g_column > 90) {
        printf("\n");
        g_column = 0;
    }
}

static int EmitLead(void) {
    int b = 0;
    printf("lead");
    while (b < 256) {
        if (!_ismbblead((unsigned int)b)) {
            ++b;
            continue;
        }
        int first = b;
        while (b < 256 && _ismbblead((unsigned int)b)) ++b;
        printf(" %02x-%02x", first, b - 1);
    }
    printf("\n");
    return 0;
}

static void EmitToSingleByte(void) {
    printf("tombb");
    g_column = 5;
    for (unsigned int lead = 0x81; lead <= 0xfc; ++lead) {
        if (lead > 0x9f && lead < 0xe0) continue;
        for (unsigned int trail = 0x40; trail <= 0xfc; ++trail) {
            unsigned int c = lead << 8 | trail;
            unsigned int r = _mbctombb(c);
            if (r == c) continue;
            Token();
            g_column += printf(" %04x:", c);
            g_column += printf(r > 0xff ? "%04x" : "%02x", r);
        }
    }
    printf("\nend\n");
}

static int EmitOrder(void) {
    g_count = 0;
    for (unsigned int b = 1; b <= 0xff; ++b) {
        if (!_ismbblead(b)) {
            g_chars[g_count++] = b;
        } else {
            for (unsigned int trail = 0x40; trail <= 0xfc; ++trail) g_chars[g_count++] = b << 8 | trail;
        }
    }
    qsort(g_chars, g_count, sizeof g_chars[0], QsortCompare);

    /* The listing is only meaningful if _mbsicmp orders one-character
       strings consistently; check the sort against sampled pairs. */
    size_t* rank = malloc(sizeof(size_t) * g_count);
    if (!rank) return 1;
    size_t r = 0;
    for (size_t i = 0; i < g_count; ++i) {
        if (i > 0) {
            int c = CompareChars(g_chars[i - 1], g_chars[i]);
            if (c > 0) {
                fprintf(stderr, "order broken at %x %x\n", g_chars[i - 1], g_chars[i]);
                return 1;
            }
            if (c < 0) ++r;
        }
        rank[i] = r;
    }
    unsigned long seed = 12345;
    for (int k = 0; k < 200000; ++k) {
        seed = seed * 1103515245ul + 12345ul;
        size_t i = (seed >> 8) % g_count;
        seed = seed * 1103515245ul + 12345ul;
        size_t j = (seed >> 8) % g_count;
        int want = rank[i] < rank[j] ? -1 : (rank[i] > rank[j] ? 1 : 0);
        if (CompareChars(g_chars[i], g_chars[j]) != want) {
            fprintf(stderr, "inconsistent pair %x %x\n", g_chars[i], g_chars[j]);
            return 1;
        }
    }

    printf("order");
    g_column = 5;
    size_t i = 0;
    while (i < g_count) {
        size_t j = i + 1;
        while (j < g_count && rank[j] == rank[i]) ++j;
        Token();
        if (j - i > 1) {
            /* A group of equal chars. */
            g_column += printf(" ");
            for (size_t k = i; k < j; ++k) {
                if (k > i) g_column += printf("=");
                PrintChar(g_chars[k]);
                g_column += g_chars[k] > 0xff ? 4 : 2;
            }
            i = j;
            continue;
        }
        /* A run of single chars with consecutive codes and rising ranks. */
        size_t end = i;
        while (end + 1 < g_count && g_chars[end + 1] == g_chars[end] + 1 && rank[end + 1] == rank[end] + 1 &&
               (end + 2 >= g_count || rank[end + 2] != rank[end + 1]))
            ++end;
        g_column += printf(" ");
        PrintChar(g_chars[i]);
        g_column += g_chars[i] > 0xff ? 4 : 2;
        if (end > i) {
            g_column += printf("-");
            PrintChar(g_chars[end]);
            g_column += g_chars[end] > 0xff ? 4 : 2;
        }
        i = end + 1;
    }
    printf("\nend\n");
    free(rank);
    return 0;
}

/* Strings with a backslash after, before and in place of a trail byte
   (ソ 83 5c, 表 95 5c, 能 94 5c), with single-byte katakana and ASCII. */
static const struct {
    const char* s;
    unsigned char c;
} kChrCases[] = {
    {"C:\\\x83\x5c\x83\x74\x83\x67\\file", '\\'},
    {"\x83\x5c\x83\x74\x83\x67\\x", '\\'},
    {"\x95\x5c\x8e\xa6", '\\'},
    {"\x95\x5c\x8e\xa6\\", '\\'},
    {"\x94\x5c\\\x94\x5c", '\\'},
    {"\\\x83\x5c", '\\'},
    {"\x83\x5c", 0x83},
    {"\x83\x5c", 0x5c},
    {"\x82\x60`", '`'},
    {"\x82\x60`", 0x60},
    {"a\x81\x40\\b", '@'},
    {"a\x81\x40\\b", '\\'},
    {"a\x81\x40\\b", 'b'},
    {"\xb1\xb2\\", '\\'},
    {"\xb1\xb2\\", 0xb2},
    {"abc", 0},
    {"", 0},
    {"\x83\x5c", 0},
    {"abc", 'd'},
    {"aBc", 'b'},
    {"aBc", 'B'},
    {"\xe9t\xe9t", 't'},
    {"\xe9t\xe9t", 0xe9},
    {"\x81 x", ' '},
    {"\x81 x", 'x'},
    {"D:\\data\\\x8e\x9f\x5c\x83\x5c\\info", '\\'},
};

/* Pairs for _mbsicmp: ASCII case, Latin-1 letters, full-width letters,
   Greek, Cyrillic, roman numerals, kana in both widths, mixed strings.
   A string never ends in a lone lead byte unless the first character
   already decides the comparison. */
static const struct {
    const char* a;
    const char* b;
} kIcmpCases[] = {
    {"abc", "ABC"},
    {"abc", "abd"},
    {"ABD", "abc"},
    {"a", "ab"},
    {"ab", "a"},
    {"", ""},
    {"", "a"},
    {"a", ""},
    {"_", "A"},
    {"[", "a"},
    {"Z", "a"},
    {"z", "A"},
    {"@", "`"},
    {"Hello World", "hELLO wORLD"},
    {"File1", "file10"},
    {"MVDBCAT.db", "mvdbcat.DB"},
    {"global\\User", "GLOBAL\\user"},
    {"\xe9", "\xc9"},
    {"caf\xe9", "CAF\xc9"},
    {"\xe9", "a"},
    {"a", "\xe9"},
    {"a", "a\xe9"},
    {"a\xe9", "a"},
    {"\xff", "\x9f"},
    {"\xe0", "\xc0"},
    {"\xd7", "\xf7"},
    {"\x8a", "\x9a"},
    {"\xdf", "ss"},
    {"\xb5", "\xfc"},
    {"\x7f", "\x80"},
    {"\x81", "\x82"},
    {"\x82", "\x82\x60"},
    {"A\x81", "A\x82"},
    {"\x82\x60", "\x82\x81"},
    {"\x82\x60\x82\x61", "\x82\x81\x82\x82"},
    {"\x82\x79", "\x82\x9a"},
    {"\x82\x60", "A"},
    {"\x82\x60", "a"},
    {"\x82\x4f", "0"},
    {"\x83\x9f", "\x83\xbf"},
    {"\x83\xb6", "\x83\xd6"},
    {"\x84\x40", "\x84\x70"},
    {"\x84\x60", "\x84\x91"},
    {"\x87\x54", "\xfa\x4a"},
    {"\x87\x54", "\xfa\x40"},
    {"\xee\xef", "\xfa\x40"},
    {"\x83\x41", "\xb1"},
    {"\x83\x41", "\x82\xa0"},
    {"\x83\x4a", "\x83\x4b"},
    {"\xb1", "\xb2"},
    {"\xb1", "a"},
    {"C:\\\x83\x5c\x83\x74\x83\x67", "c:\\\x83\x5c\x83\x74\x83\x67"},
    {"\x95\x5c\x8e\xa6", "\x95\x5c\x8e\xa6"},
    {"\x95\x5c\x8e\xa6", "\x95\x5c\x8e\xa7"},
    {"abc\x82\x60", "ABC\x82\x81"},
    {"\x83\x5c",
     "\x83\x5c"
     "A"},
    {"\x83\x5c"
     "a",
     "\x83\x5c"
     "A"},
    {"\x83\x5c", "\x83\x7c"},
    {"\x83\x5c", "\\"},
    {"\x88\x9f", "\x88\xa0"},
    {"\x88\x9f"
     "a",
     "\x88\x9f"
     "B"},
    {"\x81\x40", " "},
    {"x\x82\x60y", "X\x82\x81Y"},
    {"\x83\x89\x83\x43\x83\x75", "\x83\x89\x83\x43\x83\x75"},
    {"Live Video", "LIVE VIDEO"},
    {"\x81 a", "\x81 A"},
    {"\x81 a", "\x81!a"},
};

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: gen_reference <code page>\n");
        return 2;
    }
    int cp = atoi(argv[1]);
    int ansi = _getmbcp();
    if (ansi != cp && _setmbcp(cp) != 0) {
        fprintf(stderr, "cannot switch to code page %d\n", cp);
        return 1;
    }
    printf("# msvcrt.dll under Wine, multibyte code page %d", _getmbcp());
    if (ansi != cp) printf(" (set by _setmbcp; the ANSI code page was %d)", ansi);
    printf(".\n# Generated by tests/codepage/gen_reference.c; see scripts/gen-codepage-reference.sh.\n");
    printf("codepage %d\n", _getmbcp());

    EmitLead();
    EmitToSingleByte();
    if (EmitOrder() != 0) return 1;

    for (size_t i = 0; i < sizeof kChrCases / sizeof kChrCases[0]; ++i) {
        const unsigned char* s = (const unsigned char*)kChrCases[i].s;
        const unsigned char* p = _mbschr(s, kChrCases[i].c);
        printf("chr ");
        PrintHexString(kChrCases[i].s);
        printf(" %02x %d\n", kChrCases[i].c, p ? (int)(p - s) : -1);
    }
    for (size_t i = 0; i < sizeof kIcmpCases / sizeof kIcmpCases[0]; ++i) {
        int r = _mbsicmp((const unsigned char*)kIcmpCases[i].a, (const unsigned char*)kIcmpCases[i].b);
        printf("icmp ");
        PrintHexString(kIcmpCases[i].a);
        printf(" ");
        PrintHexString(kIcmpCases[i].b);
        printf(" %d\n", Sign(r));
    }
    return 0;
}
