/* "Info Messages 2": message lines and dialogs. C only.
 *
 * The record follows the layout published with "Info Messages 2" (1999-era header): seven
 * functions, the last two asking yes/no/cancel and yes/no/yes-to-all. There is no plain notice
 * with a title; a notice is shown with info. */
#ifndef LWSDK_LWMESSAGE_H
#define LWSDK_LWMESSAGE_H

#ifdef __cplusplus
extern "C" {
#endif

#define LWMESSAGEFUNCS_GLOBAL "Info Messages 2"

/* Answers of the asking dialogs. */
#define LWMSG_CANCEL 0     /* okCancel, yesNoCan and yesNoAll: cancelled */
#define LWMSG_OK 1         /* okCancel: OK */
#define LWMSG_NO 0         /* yesNo: no */
#define LWMSG_YES 1        /* yesNo: yes */
#define LWMSG_YNC_NO 1     /* yesNoCan and yesNoAll: no */
#define LWMSG_YNC_YES 2    /* yesNoCan and yesNoAll: yes */
#define LWMSG_YNA_YESALL 3 /* yesNoAll: yes to all */

typedef struct st_LWMessageFuncs {
    void (*info)(const char* line1, const char* line2);    /* information; line2 may be null */
    void (*error)(const char* line1, const char* line2);   /* error dialog; line2 may be null */
    void (*warning)(const char* line1, const char* line2); /* warning; line2 may be null */
    int (*okCancel)(const char* title, const char* line1, const char* line2); /* LWMSG_OK/CANCEL */
    int (*yesNo)(const char* title, const char* line1, const char* line2);    /* LWMSG_YES/NO */
    int (*yesNoCan)(const char* title, const char* line1, const char* line2); /* LWMSG_YNC_* */
    /* LWMSG_YNA_YESALL, LWMSG_YNC_YES, LWMSG_YNC_NO or LWMSG_CANCEL */
    int (*yesNoAll)(const char* title, const char* line1, const char* line2);
} st_LWMessageFuncs;
typedef struct st_LWMessageFuncs LWMessageFuncs;

#ifdef __cplusplus
}
#endif

#endif
