/* Block-structured files: the load and save records and "File IO". C only.
 *
 * A file is a sequence of blocks. A block has a four-character ID and, in the text encoding,
 * a token; it holds values and, unless it is a leaf, further blocks. Two encodings:
 *   LWIO_BINARY (0): compact; each block is its ID and its size, then its contents.
 *   LWIO_TEXT   (1): readable; each block is written with its token, leaf blocks on one line,
 *                    nested blocks indented. Scene and preset files use it.
 * Every read function returns the number of values read (fewer than n when fewer are left), or
 * -1 when none could be read (end of the block's values, wrong kind, damaged file); nothing is
 * written to the caller's buffer past what was read. Once the data is found damaged every read
 * returns -1 and findBlk 0. */
#ifndef LWSDK_LWIO_H
#define LWSDK_LWIO_H

#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWFILEIOFUNCS_GLOBAL "File IO"

#define LWIO_BINARY 0 /* compact encoding: IDs and sizes */
#define LWIO_TEXT 1   /* readable encoding: tokens, one leaf block per line */

/* Four ASCII characters packed big-endian: the first character in the most significant byte. */
typedef uint32_t LWID;
#define LWID_MAKE(a, b, c, d) \
    ((((uint32_t)(a)) << 24) | (((uint32_t)(b)) << 16) | (((uint32_t)(c)) << 8) | ((uint32_t)(d)))

typedef struct st_LWBlockIdent {
    LWID id;           /* block ID; a zero ID ends a list */
    const char* token; /* the block's name in the text encoding */
} st_LWBlockIdent;

typedef struct st_LWSaveState {
    int ioMode;      /* LWIO_BINARY or LWIO_TEXT */
    void* writeData; /* first argument of every function */
    void (*writeU1)(void* data, const uint8_t* values, int n);  /* n unsigned bytes */
    void (*writeI2)(void* data, const int16_t* values, int n);  /* n signed 16-bit values */
    void (*writeU4)(void* data, const uint32_t* values, int n); /* n unsigned 32-bit values */
    void (*writeFP)(void* data, const float* values, int n);    /* n floats */
    void (*writeStr)(void* data, const char* text);             /* one text (null: empty) */
    void (*beginBlk)(void* data, const st_LWBlockIdent* ident, int leaf); /* opens a block */
    void (*endBlk)(void* data); /* closes the innermost block */
    int (*depth)(void* data);   /* blocks open now */
} st_LWSaveState;

typedef struct st_LWLoadState {
    int ioMode;                                         /* LWIO_BINARY or LWIO_TEXT */
    void* readData;                                     /* first argument of every function */
    int (*readU1)(void* data, uint8_t* values, int n);  /* reads n unsigned bytes */
    int (*readI2)(void* data, int16_t* values, int n);  /* reads n signed 16-bit values */
    int (*readU4)(void* data, uint32_t* values, int n); /* reads n unsigned 32-bit values */
    int (*readFP)(void* data, float* values, int n);    /* reads n floats */
    /* Reads one text into buf (size bytes, terminator included): a longer text is cut to
     * size - 1 characters and the rest skipped. Returns the characters stored, or -1. */
    int (*readStr)(void* data, char* buf, int size);
    /* Finds the next block of the current level whose ID is in the list (ended by a zero ID),
     * skipping others, and enters it. Returns its ID, or 0 when none is left at this level. */
    LWID (*findBlk)(void* data, const st_LWBlockIdent* list);
    void (*endBlk)(void* data); /* leaves the current block, skipping what was not read */
    int (*depth)(void* data);   /* blocks entered now */
} st_LWLoadState;

typedef struct st_LWFileIOFuncs {
    /* Null when it cannot be read: not a regular file, or damaged (a block cut off at the end,
     * say); nothing of a damaged file is handed out. */
    st_LWLoadState* (*openLoad)(const char* name, int ioMode);
    void (*closeLoad)(st_LWLoadState* state); /* null is ignored */
    /* Writing goes to a temporary file beside the named one; closeSave renames it over the name
     * only when every write succeeded, so a failed or abandoned save never damages an earlier
     * file. Null when it cannot be created. */
    st_LWSaveState* (*openSave)(const char* name, int ioMode);
    void (*closeSave)(st_LWSaveState* state); /* null is ignored */
} st_LWFileIOFuncs;

#ifdef __cplusplus
}
#endif

#endif
