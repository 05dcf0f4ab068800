/* Host commands: "LW Command Interface", the "Instance Update" function and the "LayoutGeneric"
 * local. C only.
 *
 * The local record follows the layout published with "LayoutGeneric" version 2 (1999-era
 * header); "LW Command Interface" and "Instance Update" keep the function types published for
 * those names. */
#ifndef LWSDK_LWCOMMAND_H
#define LWSDK_LWCOMMAND_H

#ifdef __cplusplus
extern "C" {
#endif

#define LWCOMMANDFUNC_GLOBAL "LW Command Interface"
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
typedef void LWInstUpdate(const char* className, void* instance);

/* A command's code, as lookup gives it for a command name; 0 names no command. */
typedef int LWCommandCode;

/* A command argument or result value. Its layout is the host's own: plug-ins of this SDK pass
 * commands as lines (evaluate) and never build one. */
typedef struct st_DynaValue DynaValue;

/* Local record of a "LayoutGeneric" server. */
typedef struct st_LWLayoutGeneric {
    int (*saveScene)(const char* file);                   /* saves the scene; 1 on success */
    int (*loadScene)(const char* file, const char* name); /* loads; 1 on success */
    void* data;                                           /* first argument of the next three */
    LWCommandCode (*lookup)(void* data, const char* commandName); /* the command's code, or 0 */
    /* Runs the command with that code on argc arguments, its result in *result when not null;
     * LWCMD_*. */
    int (*execute)(void* data, LWCommandCode code, int argc, const DynaValue* argv,
                   DynaValue* result);
    int (*evaluate)(void* data, const char* commandLine); /* runs a command line (LWCMD_*) */
} st_LWLayoutGeneric;
typedef struct st_LWLayoutGeneric LWLayoutGeneric;

#ifdef __cplusplus
}
#endif

#endif
