/* config_types.h - the integer types of libogg for the second processor, as
 * its configure script would write them for 32-bit ARM.
 *
 * Plain C types, not <stdint.h>'s: newlib's int32_t is a long, and Tremor
 * reaches the same arrays through both int and ogg_int32_t pointers; with two
 * distinct types GCC's aliasing rules let -O2 reorder those accesses, and
 * every sample comes out clipped. */
#ifndef __CONFIG_TYPES_H__
#define __CONFIG_TYPES_H__

typedef short ogg_int16_t;
typedef unsigned short ogg_uint16_t;
typedef int ogg_int32_t;
typedef unsigned int ogg_uint32_t;
typedef long long ogg_int64_t;
typedef unsigned long long ogg_uint64_t;

#endif
