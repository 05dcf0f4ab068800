/* Objects and their geometry: "LW Object Info 4" (by object item), "Scene Objects 4" (by
 * object index) and the mesh information records. C only.
 *
 * An object's file name is the path it was loaded from as the scene names it; an object not
 * loaded from a file (a built-in primitive, geometry written in the scene, a null) takes its
 * item name. The scene objects are the object items in scene order, nulls included, so object
 * index i is the i-th object item.
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

/* A vertex map inside one mesh information record. */
typedef const struct st_LWVMapData* LWVMapID;

/* Geometry of one object at one moment. Each request builds a record of its own (with its own
 * selected vertex map), so render threads each use their own; the caller destroys it. */
typedef struct st_LWMeshInfo st_LWMeshInfo;
struct st_LWMeshInfo {
    void* priv;                              /* the host's data */
    void (*destroy)(st_LWMeshInfo* info);    /* releases the record */
    int (*numPoints)(st_LWMeshInfo* info);   /* point count */
    int (*numPolygons)(st_LWMeshInfo* info); /* polygon count */
    /* Position of the point in the object's own coordinates; 1 done, 0 unknown point. */
    int (*pntBasePos)(st_LWMeshInfo* info, LWPntID point, float position[3]);
    int (*polSize)(st_LWMeshInfo* info, LWPolID polygon); /* 3 or 4; 0 for an unknown polygon */
    /* Point at position vertex (from 0) of the polygon; 0 when out of range. */
    LWPntID (*polVertex)(st_LWMeshInfo* info, LWPolID polygon, int vertex);
    /* The polygon's tag of the type (LWPTAG_SURF: its surface name); null when it has none. */
    const char* (*polTag)(st_LWMeshInfo* info, LWPolID polygon, LWID tagType);
    /* The vertex map of the type and name; null when the object has none. */
    LWVMapID (*pntVLookup)(st_LWMeshInfo* info, LWID type, const char* name);
    /* Selects the map the two reads below use (null: none); returns its dimension (0 for none). */
    int (*pntVSelect)(st_LWMeshInfo* info, LWVMapID map);
    /* Continuous value of the point in the selected map into value[0..dim-1]; 1 when the
     * point has one, 0 otherwise (value untouched). */
    int (*pntVGet)(st_LWMeshInfo* info, LWPntID point, float* value);
    /* Discontinuous value of the point on the polygon in the selected map; 1 when there is
     * one, 0 otherwise (then the continuous value applies, read with pntVGet). */
    int (*pntVPGet)(st_LWMeshInfo* info, LWPntID point, LWPolID polygon, float* value);
};

/* "LW Object Info 4": object items by ID. */
typedef struct st_LWObjectInfo {
    const char* (*filename)(LWItemID object); /* the object's file name; null when not an object */
    int (*numPoints)(LWItemID object);        /* 0 for a null or when not an object */
    int (*numPolygons)(LWItemID object);      /* 0 for a null or when not an object */
    /* A new mesh information record of the object (a null has an empty one); null when not an
     * object. frozen asks for subdivided geometry: this host has none, so it changes nothing. */
    st_LWMeshInfo* (*meshInfo)(LWItemID object, int frozen);
} st_LWObjectInfo;

/* "Scene Objects 4": the scene's objects by index (from 0) and the scene's vertex maps. Vertex
 * maps are listed once per name and type, in order of first appearance over the objects; a
 * type of 0 lists the maps of every type. */
typedef struct st_LWObjectFuncs {
    int (*numObjects)(void);                             /* object count, nulls included */
    const char* (*filename)(int object);                 /* file name; null past the end */
    int (*numPoints)(int object);                        /* 0 past the end */
    int (*numPolygons)(int object);                      /* 0 past the end */
    int (*numSurfaces)(int object);                      /* surfaces of the object */
    const char* (*surfaceName)(int object, int surface); /* name of surface (from 0), or null */
    int (*numVMaps)(LWID type);                          /* maps of the type in the scene */
    const char* (*vmapName)(LWID type, int index);       /* name of map index (from 0), or null */
    int (*vmapDim)(LWID type, int index);                /* its dimension, 0 past the end */
    LWID (*vmapType)(int index);                         /* type of map index among all types */
    LWItemID (*item)(int object);                        /* the object's item ID, 0 past the end */
    int (*objectIndex)(LWItemID item);                   /* index of an object item, -1 if none */
    const char* (*userName)(int object);                 /* name shown to the user: the item name */
    /* Name in the modelling application: the file name after its last '/', without its last
     * extension. */
    const char* (*refName)(int object);
} st_LWObjectFuncs;

#ifdef __cplusplus
}
#endif

#endif
