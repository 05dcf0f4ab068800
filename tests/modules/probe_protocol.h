/* What the tests ask of the probe module: the local record of its "ProbeHandler" "probe" server.
 * Each activation carries out one operation and writes back what it saw. */
#ifndef PROBE_PROTOCOL_H
#define PROBE_PROTOCOL_H

#include <stdint.h>

enum ProbeOp {
    PROBE_IDENTITY,          /* SetSuperGlobal only; reports identity and the message service */
    PROBE_HOLD_MESSAGES,     /* keeps one more "Info Messages 2" accessor */
    PROBE_RING_ATTACH,       /* keeps a new communicator attached to text */
    PROBE_RING_SEND,         /* the module-wide sender sends code on text */
    PROBE_RING_DROP,         /* destroys every kept communicator */
    PROBE_UPDATE,            /* "Instance Update" with class text and instance data */
    PROBE_TRANSIENT_ACCESSOR /* builds and destroys an accessor of global text at once */
};

typedef struct ProbeRequest {
    int op;
    const char* text;
    int code;
    void* data;
    /* written back */
    uint32_t productInfo;
    uint32_t systemID;
    int messagesAvailable;
    uint64_t messageUsage; /* usage count of "Info Messages 2" accessors */
    int attached;          /* PROBE_RING_ATTACH: the host accepted */
    int events;            /* events received by the kept communicators so far */
    int lastEvent;
    const char* lastPort;
} ProbeRequest;

#endif
