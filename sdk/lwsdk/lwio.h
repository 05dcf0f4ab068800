/* Block-structured files: the load and save records and "File IO". C only.
 *
 * The records and "File IO" follow the layout published with "File IO" (1999-era header, the
 * only one that declares them): every slot in its published place, under its published name
 * and C type. The st_* names are this SDK's own; the published type names are aliases.
 *
 * A file is a sequence of blocks. A block has a four-character ID and, in the text encoding,
 * a token; it holds values and, unless it is a leaf, further blocks. Two encodings:
 *   LWIO_BINARY (0): compact; each block is its ID and its size, then its contents.
 *   LWIO_ASCII  (1): readable; each block is written with its token, leaf blocks on one line,
 *                    nested blocks indented. Scene and preset files use it.
 *
 * Element sizes in the file do not depend on the C element type: I1/U1 and raw bytes are one
 * byte, I2/U2 two, I4/U4 and FP four. I4 and U4 values are `long` / `unsigned long` in memory,
 * as published, which is eight bytes on LP64 systems: a value that does not fit four bytes
 * fails the save, and reading sign-extends I4 and zero-extends U4.
 *
 * Every read function returns the number of values read (fewer than n when fewer are left), or
 * -1 when none could be read (end of the block's values, wrong kind, damaged file); nothing is
 * written to the caller's buffer past what was read. Once the data is found damaged every read
 * returns -1 and findBlk and readID 0. */
#ifndef LWSDK_LWIO_H
#define LWSDK_LWIO_H

#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWFILEIOFUNCS_GLOBAL "File IO"

#define LWIO_BINARY 0            /* compact encoding: IDs and sizes */
#define LWIO_ASCII 1             /* readable encoding: tokens, one leaf block per line */
#define LWIO_OBJECT LWIO_BINARY  /* the encoding object files use */
#define LWIO_SCENE LWIO_ASCII    /* the encoding scene files use */
#define LWIO_BINARY_IFF 0x8C0000 /* "File IO" only: binary inside an IFF form; see fileio */

/* Four ASCII characters packed big-endian: the first character in the most significant byte. */
typedef unsigned int LWID;
#define LWID_MAKE(a, b, c, d) \
    ((((LWID)(a)) << 24) | (((LWID)(b)) << 16) | (((LWID)(c)) << 8) | ((LWID)(d)))
#define LWID_(a, b, c, d) LWID_MAKE(a, b, c, d)

typedef struct st_LWBlockIdent {
    LWID id;           /* block ID; a zero ID ends a list */
    const char* token; /* the block's name in the text encoding */
} st_LWBlockIdent;
typedef struct st_LWBlockIdent LWBlockIdent;

typedef struct st_LWSaveState {
    int ioMode;      /* LWIO_BINARY or LWIO_ASCII */
    void* writeData; /* first argument of every function */
    /* len raw bytes; in text they are written as the numbers 0..255 and read back by read. */
    void (*write)(void* data, const char* bytes, int len);
    void (*writeI1)(void* data, const char* values, int n);            /* n signed bytes */
    void (*writeI2)(void* data, const short* values, int n);           /* n signed 16-bit */
    void (*writeI4)(void* data, const long* values, int n);            /* n signed 32-bit */
    void (*writeU1)(void* data, const unsigned char* values, int n);   /* n unsigned bytes */
    void (*writeU2)(void* data, const unsigned short* values, int n);  /* n unsigned 16-bit */
    void (*writeU4)(void* data, const unsigned long* values, int n);   /* n unsigned 32-bit */
    void (*writeFP)(void* data, const float* values, int n);           /* n floats */
    void (*writeStr)(void* data, const char* text);                    /* one text (null: empty) */
    void (*writeID)(void* data, const LWBlockIdent* ident);            /* one ID as a value */
    void (*beginBlk)(void* data, const LWBlockIdent* ident, int leaf); /* opens a block */
    void (*endBlk)(void* data); /* closes the innermost block */
    int (*depth)(void* data);   /* blocks open now */
} st_LWSaveState;
typedef struct st_LWSaveState LWSaveState;

typedef struct st_LWLoadState {
    int ioMode;                                               /* LWIO_BINARY or LWIO_ASCII */
    void* readData;                                           /* first argument of every function */
    int (*read)(void* data, char* bytes, int len);            /* raw bytes, as write wrote */
    int (*readI1)(void* data, char* values, int n);           /* n signed bytes */
    int (*readI2)(void* data, short* values, int n);          /* n signed 16-bit values */
    int (*readI4)(void* data, long* values, int n);           /* n signed 32-bit values */
    int (*readU1)(void* data, unsigned char* values, int n);  /* n unsigned bytes */
    int (*readU2)(void* data, unsigned short* values, int n); /* n unsigned 16-bit values */
    int (*readU4)(void* data, unsigned long* values, int n);  /* n unsigned 32-bit values */
    int (*readFP)(void* data, float* values, int n);          /* n floats */
    /* Reads one text into buf (size bytes, terminator included): a longer text is cut to
     * size - 1 characters and the rest skipped. Returns the characters stored, or -1. */
    int (*readStr)(void* data, char* buf, int size);
    /* Reads one ID value written by writeID when it is in the list (ended by a zero ID) and
     * returns it; otherwise returns 0 and leaves it unread. */
    LWID (*readID)(void* data, const LWBlockIdent* list);
    /* Finds the next block of the current level whose ID is in the list (ended by a zero ID),
     * skipping others, and enters it. Returns its ID, or 0 when none is left at this level. */
    LWID (*findBlk)(void* data, const LWBlockIdent* list);
    void (*endBlk)(void* data); /* leaves the current block, skipping what was not read */
    int (*depth)(void* data);   /* blocks entered now */
} st_LWLoadState;
typedef struct st_LWLoadState LWLoadState;

typedef struct st_LWFileIOFuncs {
    /* Writing goes to a temporary file beside the named one; closeSave renames it over the name
     * only when every write succeeded, so a failed or abandoned save never damages an earlier
     * file. Null when it cannot be created. */
    st_LWSaveState* (*openSave)(const char* name, int ioMode);
    void (*closeSave)(st_LWSaveState* state); /* null is ignored */
    /* Null when it cannot be read: not a regular file, or damaged (a block cut off at the end,
     * say); nothing of a damaged file is handed out. */
    st_LWLoadState* (*openLoad)(const char* name, int ioMode);
    void (*closeLoad)(st_LWLoadState* state); /* null is ignored */
} st_LWFileIOFuncs;
typedef struct st_LWFileIOFuncs LWFileIOFuncs;

#ifdef __cplusplus
}
#endif

#endif
