/* Host commands, the "Instance Update" function and the "LayoutGeneric" local. C only. */
#ifndef LWSDK_LWCOMMAND_H
#define LWSDK_LWCOMMAND_H

#ifdef __cplusplus
extern "C" {
#endif

#define LWCOMMANDINTERFACE_GLOBAL "LW Command Interface"
#define LWINSTUPDATE_GLOBAL "Instance Update"

/* Results of a command line. */
#define LWCMD_OK 0        /* executed */
#define LWCMD_UNKNOWN 1   /* no such command */
#define LWCMD_NOSERVICE 2 /* reserved: the plug-in had no command function to send through */
#define LWCMD_FAILED 3    /* known command, bad arguments or refused */

/* A command line is a verb and its arguments, separated by blanks. A text in double quotes is one
 * argument, taken as it is up to the closing quote; inside it two double quotes stand for one,
 * so that the line   Surf_SetSurf "Say ""hi""" "ball.lwo"   names the surface  Say "hi" .
 * Backslashes have no special meaning, so file names keep theirs. */

/* "LW Command Interface" returns a pointer to this function. */
typedef int LWCommandFunc(const char* commandLine);

/* "Instance Update" returns a pointer to this function: the instance of the class changed. */
typedef int LWInstUpdate(const char* className, void* instance);

/* Local record of a "LayoutGeneric" server. */
typedef struct st_LWLayoutGeneric {
    int (*saveScene)(void* data, const char* file); /* saves the scene; 1 on success */
    int (*loadScene)(void* data, const char* file, const char* name); /* loads; 1 on success */
    void* data;                                           /* first argument of the functions */
    int (*evaluate)(void* data, const char* commandLine); /* runs a command line (LWCMD_*) */
} st_LWLayoutGeneric;

#ifdef __cplusplus
}
#endif

#endif
