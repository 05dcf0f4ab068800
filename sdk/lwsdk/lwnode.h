/* Node graphs: "NodeHandler" servers, the node, input, output, utility and editor globals, and
 * the root node record of a plug-in's own node editor. C only.
 *
 * A node editor holds a graph: node instances, connections from an output of one node to an
 * input of another, and a root node whose inputs the editor's creator adds. The host evaluates
 * the graph on demand: evaluating an input calls the evaluate function of the node whose output
 * is connected to it, for that output, from any render thread.
 *
 * Values, by connection type (what a value buffer holds):
 *   LWNODE_COLOUR    3 doubles, RGB
 *   LWNODE_SCALAR    1 double
 *   LWNODE_VECTOR    3 doubles
 *   LWNODE_INTEGER   1 int
 *   LWNODE_MATERIAL  13 doubles: diffuse shading colour (3), specular shading colour (3),
 *                    reflection shading colour (3), refraction shading colour (3),
 *                    transparency (1)
 * An output may feed an input of another type; the host converts:
 *   scalar  -> colour, vector: the value in all three components
 *   integer -> scalar: exactly; -> colour, vector: in all three components
 *   colour  -> scalar, integer: its luminance (0.2126 R + 0.7152 G + 0.0722 B)
 *   vector  -> scalar, integer: the mean of its components
 *   colour <-> vector: component by component
 *   scalar  -> integer: rounded to the nearest integer (halves away from zero), limited to the
 *              int range; not-a-number gives 0
 *   material: only to material
 * A buffer is written with exactly its own type's size. */
#ifndef LWSDK_LWNODE_H
#define LWSDK_LWNODE_H

#include "lwchannel.h"
#include "lwhandler.h"
#include "lwshaderaccess.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWNODE_HCLASS "NodeHandler"
#define LWNODE_ICLASS "NodeInterface"
#define LWNODE_VERSION 1 /* the one version of the node handler record */

#define LWNODEFUNCS_GLOBAL "NodeFuncs"
#define LWNODEINPUTFUNCS_GLOBAL "NodeInputFuncs"    /* hosts before 9.5 */
#define LWNODEINPUTFUNCS2_GLOBAL "NodeInputFuncs 2" /* hosts 9.5 onward */
#define LWNODEOUTPUTFUNCS_GLOBAL "NodeOutputFuncs"
#define LWNODEUTILITYFUNCS_GLOBAL "NodeUtilityFuncs"
#define LWNODEEDITORFUNCS_GLOBAL "NodeEditorFuncs"

typedef struct st_LWNode* NodeID;             /* a node in a graph */
typedef struct st_LWNodeInput* NodeInputID;   /* an input of a node or of a root */
typedef struct st_LWNodeOutput* NodeOutputID; /* an output of a node */
typedef struct st_LWNodeEditor* NodeEditorID; /* a node editor and its graph */
typedef void* NodeValue; /* where an evaluation's result goes; handed to setValue */

/* Connection types. */
typedef enum en_ConnectionType {
    LWNODE_NONE = 0,     /* no type */
    LWNODE_COLOUR = 1,   /* 3 doubles */
    LWNODE_SCALAR = 2,   /* 1 double */
    LWNODE_VECTOR = 3,   /* 3 doubles */
    LWNODE_INTEGER = 4,  /* 1 int */
    LWNODE_FUNCTION = 5, /* reserved; this host has no function connections */
    LWNODE_MATERIAL = 6  /* 13 doubles */
} ConnectionType;

#define LWNODE_MATERIAL_DOUBLES 13 /* size of a material value in doubles */

/* What happened to an input, for its event callback. */
typedef enum en_LWNodalEvent {
    LWNODE_EVENT_CONNECTED = 0,     /* an output was connected to it */
    LWNODE_EVENT_DISCONNECTED = 1,  /* its connection was removed */
    LWNODE_EVENT_SOURCE_REMOVED = 2 /* the node it was connected to was removed */
} LWNodalEvent_t;

/* How the editor previews a node or the root. */
typedef enum en_NodePreviewType {
    LWNODE_PREVIEW_COLOUR = 0, /* a swatch of the evaluated colour */
    LWNODE_PREVIEW_SCALAR = 1, /* a grey swatch of the evaluated scalar */
    LWNODE_PREVIEW_VECTOR = 2, /* the evaluated vector as a colour */
    LWNODE_PREVIEW_CUSTOM = 3, /* drawn by the node's customPreview */
    LWNODE_PREVIEW_NONE = 4    /* no preview */
} NodePreviewType;

/* Called on the main thread when an input's connection changes. userData is the instance of
 * the node owning the input (the editor's user data for root inputs); type is the type of the
 * output concerned. The answer is not used; return 1. */
typedef int LWNodeInputEvent(void* userData, NodeInputID input, LWNodalEvent_t event,
                             ConnectionType type);

/* Called after every edit of a graph: nodes added or removed, connections made or removed,
 * a graph loaded, a node reporting that its instance changed. */
typedef void LWNodeEditorUpdateFunc(NodeEditorID editor);

/* ---- "NodeHandler": the local record a node server fills when activated ----------------- */

typedef struct st_LWNodeHandler {
    st_LWInstanceFuncs* inst; /* create gets the node's NodeID as its context; may be null */
    st_LWItemFuncs* item;     /* may be null */
    st_LWRenderFuncs* rend;   /* may be null */
    /* Computes output for one sample and hands the result to setValue with value. Called from
     * render threads at once. */
    void (*evaluate)(LWInstance inst, LWNodalAccess_t* access, NodeOutputID output,
                     NodeValue value);
    /* Draws the node's preview when its preview type is LWNODE_PREVIEW_CUSTOM. */
    void (*customPreview)(LWInstance inst, int width, int height);
    /* Node flags; the host does not require it (may stay null). */
    unsigned (*flags)(LWInstance inst);
} st_LWNodeHandler;

/* ---- "NodeFuncs": the node a server instance lives in ----------------------------------- */

typedef struct LWNodeFuncs_t {
    const char* (*nodeName)(NodeID node);       /* its name in the graph, e.g. "Checker (1)" */
    const char* (*serverUserName)(NodeID node); /* its server's name shown to the user */
    const char* (*serverName)(NodeID node);     /* its server's name */
    NodeEditorID (*nodeEditor)(NodeID node);    /* the editor holding it */
    LWChanGroupID (*chanGrp)(NodeID node);      /* channel group for its envelopes (null: none) */
    void (*setNodeColor)(NodeID node, const int rgb[3]); /* its colour in the editor, 0..255 */
    void (*UpdateNodePreview)(NodeID node);              /* its preview is out of date */
    void (*setNodePreviewType)(NodeID node, NodePreviewType type); /* how it is previewed */
    void (*getNodeColor)(NodeID node, int rgb[3]);                 /* its colour in the editor */
} LWNodeFuncs_t;

/* ---- "NodeInputFuncs" and "NodeInputFuncs 2": inputs ------------------------------------- */

/* "NodeInputFuncs" (hosts before 9.5); also the first member of "NodeInputFuncs 2". */
typedef struct LWNodeInputFuncs_t {
    /* Adds an input to the node; event (may be null) hears about its connections. */
    NodeInputID (*create)(NodeID node, ConnectionType type, const char* name,
                          LWNodeInputEvent* event);
    void (*destroy)(NodeID node, NodeInputID input); /* removes one of the node's inputs */
    /* Evaluates what is connected to the input into value (a buffer of the input's type) and
     * returns 1; returns 0 and writes nothing when nothing is connected. Any thread. */
    int (*evaluate)(NodeInputID input, LWNodalAccess_t* access, void* value);
    int (*isConnected)(NodeInputID input);     /* 1 when an output is connected */
    ConnectionType (*type)(NodeInputID input); /* LWNODE_NONE for an unknown input */
    const char* (*name)(NodeInputID input);    /* null for an unknown input */
} LWNodeInputFuncs_t;

/* "NodeInputFuncs 2" (hosts 9.5 onward). */
typedef struct LWNodeInputFuncs2_t {
    LWNodeInputFuncs_t common;                          /* as "NodeInputFuncs" */
    NodeID (*node)(NodeInputID input);                  /* owning node; null for root inputs */
    NodeID (*connectedNode)(NodeInputID input);         /* node connected to it, or null */
    NodeOutputID (*connectedOutput)(NodeInputID input); /* output connected to it, or null */
    NodeInputID (*first)(NodeID node);                  /* the node's first input, or null */
    NodeInputID (*next)(NodeInputID input);             /* the input after it, or null */
    void (*disconnect)(NodeInputID input);              /* removes its connection */
} LWNodeInputFuncs2_t;

/* ---- "NodeOutputFuncs": outputs --------------------------------------------------------- */

typedef struct LWNodeOutputFuncs_t {
    NodeOutputID (*create)(NodeID node, ConnectionType type, const char* name); /* adds one */
    void (*destroy)(NodeID node, NodeOutputID output); /* removes one of the node's outputs */
    /* Hands an evaluation's result (a buffer of the output's type) to the host. Any thread. */
    void (*setValue)(NodeValue value, const void* result);
    ConnectionType (*type)(NodeOutputID output); /* LWNODE_NONE for an unknown output */
    const char* (*name)(NodeOutputID output);    /* null for an unknown output */
} LWNodeOutputFuncs_t;

/* ---- "NodeUtilityFuncs": values --------------------------------------------------------- */

typedef struct LWNodeUtilityFuncs_t {
    int (*valueSize)(ConnectionType type);                     /* bytes of a value; 0 for none */
    int (*canConvert)(ConnectionType from, ConnectionType to); /* 1 when from may feed to */
    /* Converts a value as the host does between connections; 0 (out untouched) when it may
     * not. */
    int (*convert)(ConnectionType from, const void* in, ConnectionType to, void* out);
    double (*luminance)(const double rgb[3]);     /* 0.2126 R + 0.7152 G + 0.0722 B */
    const char* (*typeName)(ConnectionType type); /* "Colour", "Scalar", ...; null if none */
} LWNodeUtilityFuncs_t;

/* ---- the root node of a plug-in's node editor ------------------------------------------- */

/* Each callback receives the editor first; "NodeEditorFuncs" userData gives the data the
 * editor was created with. */
typedef struct st_LWRootNode {
    unsigned previewType;                           /* NodePreviewType of the root */
    LWError (*init)(NodeEditorID editor, int mode); /* render start */
    LWError (*newTime)(NodeEditorID editor, LWFrame frame, LWTime time); /* frame step */
    void (*cleanup)(NodeEditorID editor);                                /* render end */
    int (*rootPanel)(NodeEditorID editor);   /* opens the root's panel; 1 when one was shown */
    int (*rootOptions)(NodeEditorID editor); /* opens the root's options; 1 when shown */
    /* Colours the root's preview: rgba[0..3], starting black with alpha 1. */
    void (*rootPreview)(NodeEditorID editor, LWNodalAccess_t* access, double* rgba);
    void (*rootCustomPreview)(NodeEditorID editor, int width, int height); /* draws it */
} st_LWRootNode;

/* ---- "NodeEditorFuncs": node editors owned by plug-ins ---------------------------------- */

typedef struct st_LWNodeEditorFuncs {
    /* A new editor with an empty graph and a root without inputs; the host keeps a copy of
     * root (may be null) and calls it with userData available through userData(). New editors
     * are enabled (state 1). */
    NodeEditorID (*create)(const char* title, const char* name, const st_LWRootNode* root,
                           void* userData);
    void (*destroy)(NodeEditorID editor); /* with its nodes; null is ignored */
    /* Adds an input to the root; event (may be null) gets the editor's user data. */
    NodeInputID (*addInput)(NodeEditorID editor, ConnectionType type, const char* name,
                            LWNodeInputEvent* event);
    void (*setUpdateFunc)(NodeEditorID editor, LWNodeEditorUpdateFunc* func); /* null: none */
    void (*setChannelGroup)(NodeEditorID editor, LWChanGroupID group);        /* for the nodes */
    /* The editor's state: its low 16 bits are the enable state (0 switched off). */
    unsigned (*getState)(NodeEditorID editor);
    void (*setState)(NodeEditorID editor, unsigned state);
    /* Writes or reads the whole graph in blocks; an error text or null. Loading is all or
     * nothing: on failure the graph is as it was. */
    LWError (*save)(NodeEditorID editor, const st_LWSaveState* save);
    LWError (*load)(NodeEditorID editor, const st_LWLoadState* load);
    /* The render cycle of every node and of the root; the first error text or null. */
    LWError (*renderInit)(NodeEditorID editor, int mode);
    LWError (*renderNewTime)(NodeEditorID editor, LWFrame frame, LWTime time);
    void (*renderCleanup)(NodeEditorID editor);
    int (*openWindow)(NodeEditorID editor); /* shows the editor; 1 done */
    void* (*userData)(NodeEditorID editor); /* the data given to create; null if none */
} st_LWNodeEditorFuncs;

#ifdef __cplusplus
}
#endif

#endif
