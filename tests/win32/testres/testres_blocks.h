/* Region-data blocks of the resource-only test module (testres.rc), written once here for the
   resource compiler and for the tests: each macro is a list of 32-bit values (dwSize, iType,
   nCount, nRgnSize, rcBound, then the rectangles). Plain preprocessor text only: windres reads
   this file too. */
#ifndef JELLOP_TESTRES_BLOCKS_H
#define JELLOP_TESTRES_BLOCKS_H

/* Two bands: (0,0,4,4) and (6,0,10,4) over (0,4,10,8). */
#define TESTRES_ID_TWO_BANDS 300
#define TESTRES_TWO_BANDS \
    32L, 1L, 3L, 48L, 0L, 0L, 10L, 8L, \
    0L, 0L, 4L, 4L, 6L, 0L, 10L, 4L, 0L, 4L, 10L, 8L

/* The same block with iType 2: not a list of rectangles. */
#define TESTRES_ID_WRONG_TYPE 301
#define TESTRES_WRONG_TYPE \
    32L, 2L, 3L, 48L, 0L, 0L, 10L, 8L, \
    0L, 0L, 4L, 4L, 6L, 0L, 10L, 4L, 0L, 4L, 10L, 8L

/* nCount says 3 but only two rectangles follow. */
#define TESTRES_ID_TRUNCATED 302
#define TESTRES_TRUNCATED \
    32L, 1L, 3L, 48L, 0L, 0L, 10L, 8L, \
    0L, 0L, 4L, 4L, 6L, 0L, 10L, 4L

/* A named resource: one rectangle. */
#define TESTRES_NAME_SINGLE "SINGLE"
#define TESTRES_SINGLE \
    32L, 1L, 1L, 16L, 1L, 2L, 5L, 7L, \
    1L, 2L, 5L, 7L

#endif
