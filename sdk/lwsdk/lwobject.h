/* Objects and their geometry: "LW Object Info 4" (by object item), "Scene Objects 4" (by
 * object file) and the mesh information records. C only.
 *
 * The layouts are the ones the host publishes under these names (the mesh information record
 * as hosts of the "Scene Objects 4" era publish it). Object information ends after meshInfo:
 * nothing here uses the members the host publishes after it.
 *
 * An object's file name is the path it was loaded from as the scene names it; an object not
 * loaded from a file (a built-in primitive, geometry written in the scene, a null) takes its
 * item name. The scene objects are the scene's object files: every distinct file name of the
 * object items, in order of first appearance, so clones of one file share one index.
 *
 * Points and polygons are known by handles (LWPntID, LWPolID) valid with the mesh record that
 * gave them; null means none. Polygons are triangles or quads; each
 * carries a surface tag (LWPTAG_SURF), the name of its surface.
 *
 * Vertex maps are named per type ("WGHT": weight maps, one value per point). A map holds
 * continuous values (one per point, not every point need have one) and discontinuous values
 * (one for a point on one polygon, overriding the continuous value there). */
#ifndef LWSDK_LWOBJECT_H
#define LWSDK_LWOBJECT_H

#include "lwio.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWOBJECTINFO_GLOBAL "LW Object Info 4"
#define LWOBJECTFUNCS_GLOBAL "Scene Objects 4"

/* Vertex map types. */
#define LWVMAP_WGHT LWID_MAKE('W', 'G', 'H', 'T') /* weight map: one value per point */

/* Polygon tag types. */
#define LWPTAG_SURF LWID_MAKE('S', 'U', 'R', 'F') /* the polygon's surface name */

/* Polygon types polType answers. */
#define LWPOLY_FACE LWID_MAKE('F', 'A', 'C', 'E') /* a plain face: every polygon of this host */

/* Scan callbacks: called once per point or polygon in order; a non-zero result stops the scan
 * and is what the scan returns. */
typedef int LWPntScanFunc(void* data, LWPntID point);
typedef int LWPolScanFunc(void* data, LWPolID polygon);

/* Geometry of one object at one moment. Each request builds a record of its own (with its own
 * selected vertex map), so render threads each use their own; the caller destroys it. */
typedef struct st_LWMeshInfo st_LWMeshInfo;
typedef st_LWMeshInfo* LWMeshInfoID;
struct st_LWMeshInfo {
    void* priv;                            /* the host's data */
    void (*destroy)(LWMeshInfoID info);    /* releases the record */
    int (*numPoints)(LWMeshInfoID info);   /* point count */
    int (*numPolygons)(LWMeshInfoID info); /* polygon count */
    /* Calls the function with every point (polygon); 0 when it saw them all. */
    int (*scanPoints)(LWMeshInfoID info, LWPntScanFunc* func, void* data);
    int (*scanPolys)(LWMeshInfoID info, LWPolScanFunc* func, void* data);
    /* Position of the point in the object's own coordinates, before (base) and after (other)
     * deformation; this host does not deform, so the two agree. Zeros for an unknown point. */
    void (*pntBasePos)(LWMeshInfoID info, LWPntID point, LWFVector position);
    void (*pntOtherPos)(LWMeshInfoID info, LWPntID point, LWFVector position);
    /* Finds the vertex map of the type and name and selects it, as pntVSelect does; null when
     * the object has none (the selection is then left as it was). */
    void* (*pntVLookup)(LWMeshInfoID info, LWID type, const char* name);
    /* Selects the map the reads below use (null: none); returns its dimension (0 for none). */
    int (*pntVSelect)(LWMeshInfoID info, void* map);
    /* Continuous value of the point in the selected map into value[0..dim-1]; 1 when the
     * point has one, 0 otherwise (value untouched). */
    int (*pntVGet)(LWMeshInfoID info, LWPntID point, float* value);
    LWID (*polType)(LWMeshInfoID info, LWPolID polygon); /* LWPOLY_FACE; 0 when unknown */
    int (*polSize)(LWMeshInfoID info, LWPolID polygon);  /* 3 or 4; 0 for an unknown polygon */
    /* Point at position vertex (from 0) of the polygon; 0 when out of range. */
    LWPntID (*polVertex)(LWMeshInfoID info, LWPolID polygon, int vertex);
    /* The polygon's tag of the type (LWPTAG_SURF: its surface name); null when it has none. */
    const char* (*polTag)(LWMeshInfoID info, LWPolID polygon, LWID tagType);
    /* Discontinuous value of the point on the polygon in the selected map; 1 when there is
     * one, 0 otherwise (then the continuous value applies, read with pntVGet). */
    int (*pntVPGet)(LWMeshInfoID info, LWPntID point, LWPolID polygon, float* value);
    unsigned int (*polFlags)(LWMeshInfoID info, LWPolID polygon); /* this host sets none: 0 */
    /* pntVGet and pntVPGet in the map given (as pntVLookup returned it) rather than the
     * selected one; the selection is left alone. */
    int (*pntVIDGet)(LWMeshInfoID info, LWPntID point, float* value, void* map);
    int (*pntVPIDGet)(LWMeshInfoID info, LWPntID point, LWPolID polygon, float* value, void* map);
};

/* "LW Object Info 4": object items by ID. */
typedef struct st_LWObjectInfo {
    const char* (*filename)(LWItemID object); /* the object's file name; null when not an object */
    int (*numPoints)(LWItemID object);        /* 0 for a null or when not an object */
    int (*numPolygons)(LWItemID object);      /* 0 for a null or when not an object */
    /* Shadow option bits. This host does not report them: 0. */
    unsigned int (*shadowOpts)(LWItemID object);
    double (*dissolve)(LWItemID object, LWTime time); /* this host's objects: 0, solid */
    /* A new mesh information record of the object (a null has an empty one); null when not an
     * object. frozen asks for subdivided geometry: this host has none, so it changes nothing. */
    LWMeshInfoID (*meshInfo)(LWItemID object, int frozen);
} st_LWObjectInfo;

/* "Scene Objects 4": the scene's object files by index (from 0) and the scene's vertex maps.
 * Objects of this host have a single layer, 0. Vertex maps are listed once per name and type,
 * in order of first appearance over the objects; a type of 0 lists the maps of every type. */
typedef struct st_LWObjectFuncs {
    int (*numObjects)(void);                   /* object file count, nulls included */
    const char* (*filename)(int object);       /* file name; null past the end */
    int (*maxLayers)(int object);              /* 1; 0 past the end */
    int (*layerExists)(int object, int layer); /* 1 for layer 0 of an object, else 0 */
    /* The layer's pivot point: the origin here; zeros for an unknown layer too. */
    void (*pivotPoint)(int object, int layer, LWFVector pivot);
    /* A new mesh information record of the layer (the geometry of the file's first object
     * item); the caller destroys it. Null for an unknown layer. */
    LWMeshInfoID (*layerMesh)(int object, int layer);
    int (*numVMaps)(LWID type);                      /* maps of the type in the scene */
    const char* (*vmapName)(LWID type, int index);   /* name of map index (from 0), or null */
    int (*vmapDim)(LWID type, int index);            /* its dimension, 0 past the end */
    LWID (*vmapType)(int index);                     /* type of map index among all types */
    const char* (*layerName)(int object, int layer); /* "" for layer 0; null when unknown */
    int (*layerVis)(int object, int layer);          /* 1 for layer 0; 0 when unknown */
    /* Name shown to the user: the item name of the file's first object item. */
    const char* (*userName)(int object);
    /* Name in the modelling application: the file name after its last '/', without its last
     * extension. */
    const char* (*refName)(int object);
} st_LWObjectFuncs;

#ifdef __cplusplus
}
#endif

#endif
