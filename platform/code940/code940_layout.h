/* code940_layout.h - the head of the second processor's program image,
 * "code940.bin", as plain C and assembler constants for both processors.
 *
 * The image is a flat binary loaded at the second processor's address 0 and
 * run from there: eight exception vectors (0x00-0x1C, reset first), then this
 * header at CODE940_HEADER_OFFSET, then the program. Header words, 32-bit
 * little-endian: the magic in two words ("ONDV" "940" 0x1A), the version, the
 * image's length in bytes, the length of its code (vectors, header, code and
 * read-only data: what never changes while it runs; its data follows), and the
 * FNV-1a checksum of the code taken with the checksum word as zero, and the
 * address of the program's idle routine (a count-down that touches no memory,
 * where an emulator may sleep instead of counting: see start.S). The linker
 * fills the code length, the build the image length and checksum; the
 * desktop's second processor runs only an image whose header holds, so that
 * an empty, cut or foreign file leaves it idle instead of running junk.
 */
#ifndef CODE940_LAYOUT_H
#define CODE940_LAYOUT_H

#define CODE940_HEADER_OFFSET 0x20
#define CODE940_MAGIC_LOW 0x56444E4F  /* "ONDV" */
#define CODE940_MAGIC_HIGH 0x1A303439 /* "940" 0x1A */
#define CODE940_VERSION 3
#define CODE940_LENGTH_OFFSET (CODE940_HEADER_OFFSET + 12)
#define CODE940_CODE_LENGTH_OFFSET (CODE940_HEADER_OFFSET + 16)
#define CODE940_CHECKSUM_OFFSET (CODE940_HEADER_OFFSET + 20)
#define CODE940_IDLE_OFFSET (CODE940_HEADER_OFFSET + 24)
#define CODE940_HEADER_END (CODE940_HEADER_OFFSET + 28)

#endif
