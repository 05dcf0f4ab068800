/* "Info Messages 2": message lines and dialogs. C only. */
#ifndef LWSDK_LWMESSAGE_H
#define LWSDK_LWMESSAGE_H

#ifdef __cplusplus
extern "C" {
#endif

#define LWMESSAGEFUNCS_GLOBAL "Info Messages 2"

/* Answers of the asking dialogs. */
#define LWMSG_CANCEL 0  /* okCancel and yesNoCancel: cancelled */
#define LWMSG_OK 1      /* okCancel: OK */
#define LWMSG_NO 0      /* yesNo: no */
#define LWMSG_YES 1     /* yesNo: yes */
#define LWMSG_YNC_NO 1  /* yesNoCancel: no */
#define LWMSG_YNC_YES 2 /* yesNoCancel: yes */

typedef struct st_LWMessageFuncs {
    void (*info)(const char* line1, const char* line2);    /* information; line2 may be null */
    void (*error)(const char* line1, const char* line2);   /* error dialog; line2 may be null */
    void (*warning)(const char* line1, const char* line2); /* warning; line2 may be null */
    int (*okCancel)(const char* title, const char* line1, const char* line2); /* LWMSG_OK/CANCEL */
    int (*yesNo)(const char* title, const char* line1, const char* line2);    /* LWMSG_YES/NO */
    int (*yesNoCancel)(const char* title, const char* line1, const char* line2); /* LWMSG_YNC_* */
    void (*okay)(const char* title, const char* line1, const char* line2);       /* plain notice */
} st_LWMessageFuncs;

#ifdef __cplusplus
}
#endif

#endif
