/* Included before every source of libxlsxwriter. zlib.h is guarded, so its
   later inclusions add nothing and the packager's Z_DEFAULT_COMPRESSION is
   this one: the fastest level, which deflates the large, repetitive sheet
   XML several times as fast as level 6. */
#include <zlib.h>
#undef Z_DEFAULT_COMPRESSION
#define Z_DEFAULT_COMPRESSION Z_BEST_SPEED
