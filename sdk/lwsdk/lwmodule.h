/* The module record a plug-in module exports, and its server records. C only. */
#ifndef LWSDK_LWMODULE_H
#define LWSDK_LWMODULE_H

#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWMODULE_SYNC 0x04121994u /* first word of every module record */
#define LWMODULE_SYSVERSION 3u    /* record layout this host understands */
/* Machine code of this platform's modules. This host's Linux build keeps 0x400 (the host
 * publishes 0x400 for macOS, 0x500 for Linux, 0x300 for Windows); a build for another platform
 * carries that platform's published code. */
#if defined(_WIN32)
#define LWMODULE_MACHINE 0x300u
#else
#define LWMODULE_MACHINE 0x400u
#endif
#define LWMODULE_SYMBOL "_mod_descrip" /* the one symbol a module exports */

/* Tag codes of a server's tag list. These are this host's codes: the host publishes
 * BUTTONNAME 0x10000, CMDGROUP 0x20000, MENU 0x30000 (and DESCRIPTION 0x40000, ENABLE 0x50000),
 * each OR-ed with a language code, and publishes no node-group code, so a real host reads
 * this button name as a command group, this command group as a menu and this menu as a
 * description. */
#define LWTAG_USERNAME 0x00000u   /* name shown to the user */
#define LWTAG_BUTTONNAME 0x20000u /* name on a button */
#define LWTAG_CMDGROUP 0x30000u   /* command group */
#define LWTAG_MENU 0x40000u       /* menu the server appears in */
#define LWTAG_NODEGROUP 0x70000u  /* group in the node editor's menu */

typedef struct st_ServerTagInfo {
    const char* string; /* the tag's text; a null text ends the list */
    uint32_t tag;       /* tag code (LWTAG_*) */
} st_ServerTagInfo;

typedef struct st_ServerRecord {
    const char* className;           /* server class, e.g. "ShaderHandler" */
    const char* name;                /* server name, unique within its class */
    LWActivateFunc activate;         /* fills the class's local record */
    const st_ServerTagInfo* tagInfo; /* tag list ending with a null text, or null */
} st_ServerRecord;

typedef struct st_ModuleDescriptor {
    uint32_t sysSync;                         /* LWMODULE_SYNC */
    uint32_t sysVersion;                      /* LWMODULE_SYSVERSION */
    uint32_t sysMachine;                      /* LWMODULE_MACHINE */
    st_ServerRecord* (*startup)(void);        /* returns the record array, ended by a null record */
    void (*shutdown)(st_ServerRecord* array); /* receives the array startup returned */
    st_ServerRecord* serverDefs;              /* the array, written by startup */
} st_ModuleDescriptor;

#ifdef __cplusplus
}
#endif

#endif
