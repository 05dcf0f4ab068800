/* "LW Communication Ring": named topics that carry events between plug-ins. C only. */
#ifndef LWSDK_LWCOMRING_H
#define LWSDK_LWCOMRING_H

#ifdef __cplusplus
extern "C" {
#endif

#define LWCOMRING_GLOBAL "LW Communication Ring"

/* Called for every event sent on a topic the client attached to. portData is the topic's
 * name as the host keeps it. */
typedef void (*LWRingEventFunc)(void* clientData, void* portData, int eventCode, void* eventData);

typedef struct st_LWComRing {
    int (*ringAttach)(const char* topic, void* clientData,
                      LWRingEventFunc callback);             /* 1 attached, 0 refused */
    void (*ringDetach)(const char* topic, void* clientData); /* ends the attachment */
    void (*ringMessage)(const char* topic, int eventCode,
                        void* eventData); /* sends to every client */
} st_LWComRing;

#ifdef __cplusplus
}
#endif

#endif
