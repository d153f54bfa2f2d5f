/* routines_check.c - platform/armv4t's copies, fills and divisions against
 * plain reference loops, run under qemu-arm by routines_test.sh: every
 * length to 100 at every alignment (overlapping moves both ways), the
 * divisions' edge values against each other, and 2 million random pairs of
 * every magnitude (200000 of 64 bits). Built with -fno-builtin, so that each call reaches them. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

uint32_t __aeabi_uidiv(uint32_t n, uint32_t d);
uint64_t __aeabi_uidivmod(uint32_t n, uint32_t d); /* quotient in r0, remainder in r1 */
int32_t __aeabi_idiv(int32_t n, int32_t d);
void fillHalfwords(uint16_t* dst, uint16_t value, size_t count);
void fillWords(uint32_t* dst, uint32_t value, size_t count);
uint64_t __aeabi_idivmod(int32_t n, int32_t d);

static int failures;

static void failed(const char* what, uint32_t a, uint32_t b, uint32_t c) {
    if (++failures <= 10) printf("%s: %u %u %u\n", what, a, b, c);
}

/* Long division a bit at a time. */
static void reference(uint32_t n, uint32_t d, uint32_t* q, uint32_t* r) {
    uint64_t rest = 0;
    *q = 0;
    for (int i = 31; i >= 0; --i) {
        rest = rest << 1 | ((n >> i) & 1);
        *q <<= 1;
        if (rest >= d) {
            rest -= d;
            *q |= 1;
        }
    }
    *r = (uint32_t)rest;
}

static void checkDivision(uint32_t n, uint32_t d) {
    uint32_t q = 0, r = n; /* by zero: no trap, a quotient of 0 */
    if (d != 0) reference(n, d, &q, &r);
    const uint64_t qr = __aeabi_uidivmod(n, d);
    if (__aeabi_uidiv(n, d) != q || (uint32_t)qr != q || (uint32_t)(qr >> 32) != r)
        failed("unsigned", n, d, q);
    const int32_t sn = (int32_t)n, sd = (int32_t)d;
    const uint32_t an = sn < 0 ? 0u - n : n, ad = sd < 0 ? 0u - d : d;
    q = 0;
    r = an;
    if (d != 0) reference(an, ad, &q, &r);
    if ((sn < 0) != (sd < 0)) q = 0u - q;
    if (sn < 0) r = 0u - r;
    const uint64_t sqr = __aeabi_idivmod(sn, sd);
    if ((uint32_t)__aeabi_idiv(sn, sd) != q || (uint32_t)sqr != q || (uint32_t)(sqr >> 32) != r)
        failed("signed", n, d, q);
}

/* 64 bits, a bit at a time; the / and % below call the routines. */
static void checkWideDivision(uint64_t n, uint64_t d) {
    uint64_t q = 0, rest = 0;
    for (int i = 63; i >= 0; --i) {
        rest = rest << 1 | ((n >> i) & 1);
        q <<= 1;
        if (rest >= d) {
            rest -= d;
            q |= 1;
        }
    }
    if (n / d != q || n % d != rest)
        failed("unsigned 64", (uint32_t)(n >> 32), (uint32_t)n, (uint32_t)d);
    const int64_t sn = (int64_t)n, sd = (int64_t)d;
    if (sd == -1 && sn == INT64_MIN) return;
    const uint64_t an = sn < 0 ? 0 - n : n, ad = sd < 0 ? 0 - d : d;
    uint64_t sq = 0;
    rest = 0;
    for (int i = 63; i >= 0; --i) {
        rest = rest << 1 | ((an >> i) & 1);
        sq <<= 1;
        if (rest >= ad) {
            rest -= ad;
            sq |= 1;
        }
    }
    if ((sn < 0) != (sd < 0)) sq = 0 - sq;
    if (sn < 0) rest = 0 - rest;
    if ((uint64_t)(sn / sd) != sq || (uint64_t)(sn % sd) != rest)
        failed("signed 64", (uint32_t)(n >> 32), (uint32_t)n, (uint32_t)d);
}

static uint32_t seed = 12345;
static uint32_t next(void) {
    seed = seed * 1664525u + 1013904223u;
    return seed;
}

static void checkBlocks(void) {
    static uint8_t a[256], b[256], expect[256];
    for (int n = 0; n <= 100; ++n) {
        for (int from = 0; from < 4; ++from) {
            for (int to = 0; to < 8; ++to) {
                for (int i = 0; i < 256; ++i) a[i] = (uint8_t)next(), b[i] = (uint8_t)next();
                for (int i = 0; i < 256; ++i) expect[i] = b[i];
                for (int i = 0; i < n; ++i) expect[64 + to + i] = a[16 + from + i];
                if (memcpy(b + 64 + to, a + 16 + from, (size_t)n) != b + 64 + to ||
                    memcmp(b, expect, 256) != 0)
                    failed("memcpy", (uint32_t)n, (uint32_t)from, (uint32_t)to);
                for (int i = 0; i < 256; ++i) expect[i] = b[i];
                for (int i = 0; i < n; ++i) expect[64 + to + i] = (uint8_t)(n + 1);
                if (memset(b + 64 + to, n + 1 + 256, (size_t)n) != b + 64 + to ||
                    memcmp(b, expect, 256) != 0)
                    failed("memset", (uint32_t)n, (uint32_t)from, (uint32_t)to);
                /* Halfwords from any even byte, words from any word. */
                const uint16_t half = (uint16_t)next();
                const uint32_t word = next();
                uint8_t* at = b + 64 + 2 * (to & 1) + 4 * (to >> 1);
                for (int i = 0; i < 256; ++i) expect[i] = b[i];
                for (int i = 0; i < n / 2; ++i) memcpy(expect + (at - b) + 2 * i, &half, 2);
                fillHalfwords((uint16_t*)(void*)at, half, (size_t)n / 2);
                if (memcmp(b, expect, 256) != 0)
                    failed("fillHalfwords", (uint32_t)n, 0, (uint32_t)to);
                at = b + 64 + 4 * to;
                for (int i = 0; i < 256; ++i) expect[i] = b[i];
                for (int i = 0; i < n / 4; ++i) memcpy(expect + (at - b) + 4 * i, &word, 4);
                fillWords((uint32_t*)(void*)at, word, (size_t)n / 4);
                if (memcmp(b, expect, 256) != 0) failed("fillWords", (uint32_t)n, 0, (uint32_t)to);
                /* Overlapping both ways: into the source's own bytes. */
                for (int up = 0; up < 2; ++up) {
                    uint8_t* src = a + 64 + from;
                    uint8_t* dst = up ? src + to : src - to;
                    for (int i = 0; i < 256; ++i) expect[i] = a[i];
                    for (int i = 0; i < n; ++i) expect[dst - a + i] = a[src - a + i];
                    if (memmove(dst, src, (size_t)n) != dst || memcmp(a, expect, 256) != 0)
                        failed("memmove", (uint32_t)n, (uint32_t)from, (uint32_t)to);
                }
            }
        }
    }
}

int main(void) {
    static const uint32_t edges[] = {0,          1,          2,          3,          7,
                                     8,          9,          255,        256,        65535,
                                     65536,      65537,      0x7FFFFFFF, 0x80000000, 0x80000001,
                                     0xFFFFFFFF, 0xFFFFFFFE, 0x10000000, 0x0FFFFFFF, 1000000007};
    const int count = sizeof edges / sizeof edges[0];
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < count; ++j) checkDivision(edges[i], edges[j]);
    for (int k = 0; k < 2000000; ++k) {
        const uint32_t n = next() >> (next() & 31), d = next() >> (next() & 31);
        if (d != 0) checkDivision(n, d);
    }
    for (int k = 0; k < 200000; ++k) {
        const uint64_t n = ((uint64_t)next() << 32 | next()) >> (next() & 63);
        const uint64_t d = ((uint64_t)next() << 32 | next()) >> (next() & 63);
        if (d != 0) checkWideDivision(n, d);
    }
    for (int i = 0; i < count; ++i)
        for (int j = 1; j < count; ++j)
            checkWideDivision((uint64_t)edges[i] << 32 | edges[j], edges[j]);
    checkBlocks();
    printf("routines_check: %s\n", failures ? "FAILED" : "ok");
    return failures != 0;
}
