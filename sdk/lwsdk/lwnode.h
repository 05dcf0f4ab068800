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
 * A buffer is written with exactly its own type's size.
 *
 * The records below keep the member names, order and C types the host publishes, each as a
 * prefix of the published record (a record ends where neither side uses the rest):
 *   st_LWNodeHandler, "NodeFuncs", "NodeUtilityFuncs": the copies of the host 11.x era, whole;
 *   "NodeInputFuncs", "NodeInputFuncs 2": no published copy of these names; both publish the
 *     layout of "NodeInputFuncs 3" (host 11.x era) up to name, without createCustom;
 *   "NodeOutputFuncs": no published copy of this name; the layout of "NodeOutputFuncs 2"
 *     (host 11.x era) up to name, without createCustom;
 *   st_LWRootNode: the root record of the host 11.x-era "NodeEditorFuncs 3" copy, whole;
 *   "NodeEditorFuncs": no published copy of this name; the layout of "NodeEditorFuncs 3" up to
 *     OpenNodeEditor (the published record goes on with isOpenNodeEditor ... usedItems).
 * The global names and LWNODE_VERSION are this host's own: published copies carry
 * "NodeInputFuncs 3", "NodeOutputFuncs 2", "NodeEditorFuncs 3" and a node class version of 3.
 * Published copies declare the node, input, output and editor IDs as void*; here they are
 * distinct pointer types of the same size. */
#ifndef LWSDK_LWNODE_H
#define LWSDK_LWNODE_H

#include "lwchannel.h"
#include "lwhandler.h"
#include "lwshaderaccess.h"
#include "lwtypes.h"
#include "lwxpanel.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWNODE_HCLASS "NodeHandler"
#define LWNODE_ICLASS "NodeInterface"
#define LWNODE_VERSION 1 /* the node handler version this host offers and servers accept */

#define LWNODEFUNCS_GLOBAL "NodeFuncs"
#define LWNODEINPUTFUNCS_GLOBAL "NodeInputFuncs"    /* hosts before 9.5 */
#define LWNODEINPUTFUNCS2_GLOBAL "NodeInputFuncs 2" /* hosts 9.5 onward */
#define LWNODEOUTPUTFUNCS_GLOBAL "NodeOutputFuncs"
#define LWNODEUTILITYFUNCS_GLOBAL "NodeUtilityFuncs"
#define LWNODEEDITORFUNCS_GLOBAL "NodeEditorFuncs"

typedef struct st_LWNode* NodeID;             /* a node in a graph */
typedef struct st_LWNodeInput* NodeInputID;   /* an input of a node or of a root */
typedef struct st_LWNodeOutput* NodeOutputID; /* an output of a node */
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

/* How the editor previews a node or the root. A rendered preview shows the node's first output
 * by its type: a colour as a swatch, a scalar or integer as a grey swatch, a vector as a
 * colour; a root's shows the colour its rootPreview gives. */
typedef enum en_NodePreviewType {
    NPT_RENDER = 0, /* rendered from the node's output */
    NPT_CUSTOM = 1, /* drawn by the node's customPreview (the root's rootCustomPreview) */
    NPT_OFF = 2     /* no preview */
} NodePreviewType;

/* Node flags, the answer of a handler's flags function. */
#define NF_TRANSP (1u << 0)           /* the node's outputs may be see-through */
#define NF_SINGLE_THREADED (1u << 30) /* evaluate one sample at a time */

/* Called on the main thread when an input's connection changes. userData is the instance of
 * the node owning the input (the editor's user data for root inputs); type is the type of the
 * output concerned. The answer is not used; return 1. */
typedef int LWNodeInputEvent(void* userData, NodeInputID input, LWNodalEvent_t event,
                             ConnectionType type);
typedef LWNodeInputEvent NodeInputEvent; /* the published name */

/* Called after every edit of a graph: nodes added or removed, connections made or removed,
 * a graph loaded, a node reporting that its instance changed. */
typedef void LWNodeEditorUpdateFunc(NodeEditorID editor);
typedef LWNodeEditorUpdateFunc nodeEditorUpdateFunc; /* the published name */

/* Set on an editor by its owner: fills the scale and position that fit a texture to what the
 * editor shades (NodeUtilityFuncs NodeAutosize asks it for a node of the editor); 1 when it
 * filled them. */
typedef int nodeAutoSizeFunc(NodeEditorID editor, double scale[3], double position[3]);

/* How Blend combines a foreground with a background. */
typedef enum en_BlendingMode {
    LWNODE_BLEND_NORMAL = 0 /* fg over bg by alpha; this host blends every mode so */
} BlendingMode;

/* What a node hands the host for drawing its output as an OpenGL texture; this host draws
 * none and never calls GLTextureEvaluate. */
typedef struct st_LWNodeOGLTextureOutput LWNodeOGLTextureOutput;

/* ---- "NodeHandler": the local record a node server fills when activated ----------------- */

typedef struct st_LWNodeHandler {
    st_LWInstanceFuncs* inst; /* create gets the node's NodeID as its context; may be null */
    st_LWItemFuncs* item;     /* may be null */
    st_LWRenderFuncs* rend;   /* may be null */
    /* Computes output for one sample and hands the result to setValue with value. Called from
     * render threads at once. */
    void (*evaluate)(LWInstance inst, LWNodalAccess_t* access, NodeOutputID output,
                     NodeValue value);
    /* Draws the node's preview when its preview type is NPT_CUSTOM. */
    void (*customPreview)(LWInstance inst, int width, int height);
    /* Describes the node's output as an OpenGL texture; may stay null (this host never calls
     * it). */
    void (*GLTextureEvaluate)(LWInstance inst, LWNodalAccess_t* access,
                              LWNodeOGLTextureOutput* texture);
    /* NF_* flags; may stay null (this host does not ask). */
    unsigned int (*flags)(LWInstance inst);
} st_LWNodeHandler;
typedef st_LWNodeHandler LWNodeHandler; /* the published name */

/* ---- "NodeFuncs": the node a server instance lives in ----------------------------------- */

typedef struct LWNodeFuncs_t {
    const char* (*nodeName)(NodeID node);       /* its name in the graph, e.g. "Checker (1)" */
    const char* (*serverUserName)(NodeID node); /* its server's name shown to the user */
    LWChanGroupID (*chanGrp)(NodeID node);      /* channel group for its envelopes (null: none) */
    void (*setNodeColor)(NodeID node, int rgb[3]);           /* its colour in the editor, 0..255 */
    void (*setNodeColor3)(NodeID node, int r, int g, int b); /* the same, one by one */
    void (*setNodePreviewType)(NodeID node, NodePreviewType type); /* how it is previewed */
    void (*UpdateNodePreview)(NodeID node);                        /* its preview is out of date */
} LWNodeFuncs_t;
typedef LWNodeFuncs_t LWNodeFuncs; /* the published name */

/* ---- "NodeInputFuncs" and "NodeInputFuncs 2": inputs ------------------------------------- */

/* One layout under both names. Indexes count from 1; 0 is no input. A null NodeID names the
 * root of the input's editor where a function takes one with an input. */
typedef struct LWNodeInputFuncs_t {
    /* Adds an input to the node; event (may be null) hears about its connections. */
    NodeInputID (*create)(NodeID node, ConnectionType type, const char* name,
                          NodeInputEvent* event);
    void (*destroy)(NodeID node, NodeInputID input); /* removes one of the node's inputs */
    /* Evaluates what is connected to the input into value (a buffer of the input's type) and
     * returns 1; returns 0 and writes nothing when nothing is connected. Any thread. */
    int (*evaluate)(NodeInputID input, LWNodalAccess_t* access, void* value);
    int (*check)(NodeInputID input);                    /* 1 when an output is connected */
    NodeInputID (*first)(NodeID node);                  /* the node's first input, or null */
    NodeInputID (*next)(NodeInputID input);             /* the input after it, or null */
    NodeInputID (*previous)(NodeInputID input);         /* the input before it, or null */
    int (*numInputs)(NodeID node);                      /* how many inputs the node has */
    NodeInputID (*byIndex)(NodeID node, int index);     /* the node's input at index, or null */
    int (*getIndex)(NodeID node, NodeInputID input);    /* the input's index; 0 if not found */
    void (*disconnect)(NodeID node, NodeInputID input); /* removes its connection */
    NodeID (*node)(NodeInputID input);                  /* owning node; null for root inputs */
    NodeOutputID (*connectedOutput)(NodeInputID input); /* output connected to it, or null */
    const char* (*name)(NodeInputID input);             /* null for an unknown input */
} LWNodeInputFuncs_t;
typedef LWNodeInputFuncs_t LWNodeInputFuncs2_t; /* "NodeInputFuncs 2": the same layout */
typedef LWNodeInputFuncs_t LWNodeInputFuncs;    /* the published name */

/* ---- "NodeOutputFuncs": outputs --------------------------------------------------------- */

/* Indexes count from 1; 0 is no output. */
typedef struct LWNodeOutputFuncs_t {
    NodeOutputID (*create)(NodeID node, ConnectionType type, const char* name); /* adds one */
    void (*destroy)(NodeID node, NodeOutputID output); /* removes one of the node's outputs */
    /* Hands an evaluation's result (a buffer of the output's type) to the host. Any thread. */
    void (*setValue)(NodeValue value, void* result);
    /* The buffer of the output's type the result goes to, for writing in place of setValue;
     * taking it counts as handing a result over. Any thread. */
    void* (*getValue)(NodeValue value);
    ConnectionType (*getType)(NodeValue value);        /* the type of the output being evaluated */
    NodeOutputID (*first)(NodeID node);                /* the node's first output, or null */
    NodeOutputID (*next)(NodeOutputID output);         /* the output after it, or null */
    NodeOutputID (*previous)(NodeOutputID output);     /* the output before it, or null */
    int (*numInputs)(NodeID node);                     /* how many outputs the node has */
    NodeOutputID (*byIndex)(NodeID node, int index);   /* the node's output at index, or null */
    int (*getIndex)(NodeID node, NodeOutputID output); /* the output's index; 0 if not found */
    NodeID (*node)(NodeOutputID output);               /* owning node */
    const char* (*name)(NodeOutputID output);          /* null for an unknown output */
} LWNodeOutputFuncs_t;
typedef LWNodeOutputFuncs_t LWNodeOutputFuncs; /* the published name */

/* ---- "NodeUtilityFuncs": blending and texture mapping helpers --------------------------- */

/* Mapping functions give u and v for a position (or direction) in the texture's own space;
 * axis 0, 1, 2 is X, Y, Z. Any thread. */
typedef struct LWNodeUtilityFuncs_t {
    /* result = fg over bg by alpha (result may be bg or fg). */
    void (*Blend)(double result[3], double bg[3], double fg[3], double alpha, BlendingMode mode);
    /* The scale and position that fit a texture to what the node's editor shades, from the
     * editor's autosize function; 1, 1, 1 and 0, 0, 0 when it has none. */
    void (*NodeAutosize)(NodeID node, double scale[3], double position[3]);
    /* u, v: the two other coordinates, (Z, Y) for X, (X, Z) for Y, (X, Y) for Z, plus 0.5. */
    void (*PlanarMapping)(double position[3], int axis, double* u, double* v);
    /* u: the longitude around the axis in turns (0..1), v: the latitude (0 bottom, 1 top). */
    void (*SphericalMapping)(double position[3], int axis, double* u, double* v);
    /* u: the longitude around the axis in turns (0..1), v: the height along it plus 0.5. */
    void (*CylindricalMapping)(double position[3], int axis, double* u, double* v);
    /* Planar along the axis of the position's largest component (the axis given is not used). */
    void (*CubicMapping)(double position[3], int axis, double* u, double* v);
    /* The position projected through a camera matrix (BuildCameraMatrix) onto the frame: u, v
     * from 0 to 1 across it, aspect being the frame's width over its height. */
    void (*FrontMapping)(double position[3], double aspect, double* u, double* v,
                         double camera[4][4]);
    /* u, v of a direction on a sphere around the sample, u starting at the seam angle
     * (radians) around Y. */
    void (*ReflectionMapping)(double seam, double direction[3], double* u, double* v);
    /* The UV map's coordinates at the sample; 0 when there is no such map. */
    int (*UVMapping)(const char* map, LWNodalAccess_t* access, double* u, double* v);
    /* The matrix from world space into the camera's (row-major, acting on column vectors),
     * its X and Y scaled by the camera's zoom; the identity for an unknown camera. */
    void (*BuildCameraMatrix)(LWTime time, LWItemID camera, double matrix[4][4]);
} LWNodeUtilityFuncs_t;
typedef LWNodeUtilityFuncs_t LWNodeUtilityFuncs; /* the published name */

/* ---- the root node of a plug-in's node editor ------------------------------------------- */

/* Each callback receives the editor first; "NodeEditorFuncs" getUserData gives the data the
 * editor was created with. */
typedef struct st_LWRootNode {
    NodePreviewType previewType;                    /* how the root is previewed */
    LWError (*init)(NodeEditorID editor, int mode); /* render start */
    LWError (*newTime)(NodeEditorID editor, LWFrame frame, LWTime time); /* frame step */
    void (*cleanup)(NodeEditorID editor);                                /* render end */
    LWXPanelID (*rootPanel)(
        NodeEditorID editor);                    /* the root's panel shown in the editor, or null */
    LWError (*rootOptions)(NodeEditorID editor); /* the root's options, when it has no panel */
    /* Colours the root's preview: colour[0..2], starting black. */
    void (*rootPreview)(NodeEditorID editor, LWNodalAccess_t* access, double colour[3]);
    void (*rootCustomPreview)(NodeEditorID editor, int width, int height); /* draws it */
} st_LWRootNode;
typedef st_LWRootNode LWRootNode; /* the published name */

/* ---- "NodeEditorFuncs": node editors owned by plug-ins ---------------------------------- */

/* Root inputs are counted from 1 as node inputs are. */
typedef struct st_LWNodeEditorFuncs {
    /* A new editor with an empty graph and a root without inputs; the host keeps a copy of
     * root (may be null) and calls it with userData available through getUserData. New
     * editors are enabled (state 1). */
    NodeEditorID (*create)(const char* title, const char* name, st_LWRootNode* root,
                           void* userData);
    void (*destroy)(NodeEditorID editor);                   /* with its nodes; null is ignored */
    void (*rename)(const char* title, NodeEditorID editor); /* its window title */
    void (*setUpdateFunc)(NodeEditorID editor, nodeEditorUpdateFunc* func); /* null: none */
    /* Replaces to's nodes and root connections by a copy of from's (root inputs matched by
     * name); an error text or null. All or nothing. */
    LWError (*copy)(NodeEditorID to, NodeEditorID from);
    /* Writes or reads the whole graph in blocks; an error text or null. Loading is all or
     * nothing: on failure the graph is as it was. */
    LWError (*save)(NodeEditorID editor, const st_LWSaveState* save);
    LWError (*load)(NodeEditorID editor, const st_LWLoadState* load);
    /* The render cycle of every node and of the root; the first error text or null. */
    LWError (*init)(NodeEditorID editor, int mode);
    LWError (*newTime)(NodeEditorID editor, LWFrame frame, LWTime time);
    void (*cleanup)(NodeEditorID editor);
    /* Adds an input to the root; event (may be null) gets the editor's user data. */
    NodeInputID (*addInput)(NodeEditorID editor, ConnectionType type, const char* name,
                            NodeInputEvent* event);
    void (*remInput)(NodeEditorID editor, NodeInputID input);         /* removes a root input */
    void (*setEnvGroup)(NodeEditorID editor, LWChanGroupID group);    /* for the nodes */
    void (*setAutosize)(NodeEditorID editor, nodeAutoSizeFunc* func); /* null: none */
    void (*setUserData)(NodeEditorID editor, void* userData);
    void* (*getUserData)(NodeEditorID editor); /* the data given to create; null if none */
    int (*numberOfNodes)(NodeEditorID editor);
    NodeInputID (*getInputByName)(NodeEditorID editor, const char* name); /* root input or null */
    NodeInputID (*getInputByIndex)(NodeEditorID editor, int index);       /* root input or null */
    /* The editor's enable state: 0 switched off. */
    unsigned short (*getState)(NodeEditorID editor);
    void (*setState)(NodeEditorID editor, unsigned short state);
    int (*OpenNodeEditor)(NodeEditorID editor); /* shows the editor; 1 done */
} st_LWNodeEditorFuncs;
typedef st_LWNodeEditorFuncs LWNodeEditorFuncs; /* the published name */

#ifdef __cplusplus
}
#endif

#endif
