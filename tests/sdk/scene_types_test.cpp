// Item, object, scene-object, mesh and surface records keep the published types and values.
#include "published_types.h"

#include <lwsdk/lwitem.h>
#include <lwsdk/lwobject.h>
#include <lwsdk/lwsurface.h>

#include <string>

using Item = LWItemID;
using Mesh = LWMeshInfoID;
using Surf = LWSurfaceID;
using Lib = LWSurfLibID;

EXPECT_MEMBER_TYPE(st_LWItemInfo, first, Item (*)(LWItemType, Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, next, Item (*)(Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, firstChild, Item (*)(Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, nextChild, Item (*)(Item, Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, parent, Item (*)(Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, target, Item (*)(Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, goal, Item (*)(Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, type, LWItemType (*)(Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, name, const char* (*)(Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, param, void (*)(Item, LWItemParam, LWTime, LWDVector));
EXPECT_MEMBER_TYPE(st_LWItemInfo, limits,
                   unsigned int (*)(Item, LWItemParam, LWDVector, LWDVector));
EXPECT_MEMBER_TYPE(st_LWItemInfo, getTag, const char* (*)(Item, int));
EXPECT_MEMBER_TYPE(st_LWItemInfo, setTag, void (*)(Item, int, const char*));
EXPECT_MEMBER_TYPE(st_LWItemInfo, chanGroup, LWChanGroupID (*)(Item));
EXPECT_MEMBER_TYPE(st_LWItemInfo, server, const char* (*)(Item, const char*, int));
EXPECT_MEMBER_TYPE(st_LWItemInfo, serverFlags, unsigned int (*)(Item, const char*, int));
static_assert(std::is_same_v<LWItemType, int> && std::is_same_v<LWItemParam, int>);

EXPECT_MEMBER_TYPE(st_LWMeshInfo, priv, void*);
EXPECT_MEMBER_TYPE(st_LWMeshInfo, destroy, void (*)(Mesh));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, numPoints, int (*)(Mesh));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, numPolygons, int (*)(Mesh));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, scanPoints, int (*)(Mesh, LWPntScanFunc*, void*));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, scanPolys, int (*)(Mesh, LWPolScanFunc*, void*));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, pntBasePos, void (*)(Mesh, LWPntID, LWFVector));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, pntOtherPos, void (*)(Mesh, LWPntID, LWFVector));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, pntVLookup, void* (*)(Mesh, LWID, const char*));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, pntVSelect, int (*)(Mesh, void*));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, pntVGet, int (*)(Mesh, LWPntID, float*));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, polType, LWID (*)(Mesh, LWPolID));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, polSize, int (*)(Mesh, LWPolID));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, polVertex, LWPntID (*)(Mesh, LWPolID, int));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, polTag, const char* (*)(Mesh, LWPolID, LWID));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, pntVPGet, int (*)(Mesh, LWPntID, LWPolID, float*));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, polFlags, unsigned int (*)(Mesh, LWPolID));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, pntVIDGet, int (*)(Mesh, LWPntID, float*, void*));
EXPECT_MEMBER_TYPE(st_LWMeshInfo, pntVPIDGet, int (*)(Mesh, LWPntID, LWPolID, float*, void*));
static_assert(std::is_same_v<LWPntScanFunc, int(void*, LWPntID)>);
static_assert(std::is_same_v<LWPolScanFunc, int(void*, LWPolID)>);

EXPECT_MEMBER_TYPE(st_LWObjectInfo, filename, const char* (*)(Item));
EXPECT_MEMBER_TYPE(st_LWObjectInfo, numPoints, int (*)(Item));
EXPECT_MEMBER_TYPE(st_LWObjectInfo, numPolygons, int (*)(Item));
EXPECT_MEMBER_TYPE(st_LWObjectInfo, shadowOpts, unsigned int (*)(Item));
EXPECT_MEMBER_TYPE(st_LWObjectInfo, dissolve, double (*)(Item, LWTime));
EXPECT_MEMBER_TYPE(st_LWObjectInfo, meshInfo, Mesh (*)(Item, int));

EXPECT_MEMBER_TYPE(st_LWObjectFuncs, numObjects, int (*)(void));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, filename, const char* (*)(int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, maxLayers, int (*)(int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, layerExists, int (*)(int, int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, pivotPoint, void (*)(int, int, LWFVector));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, layerMesh, Mesh (*)(int, int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, numVMaps, int (*)(LWID));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, vmapName, const char* (*)(LWID, int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, vmapDim, int (*)(LWID, int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, vmapType, LWID (*)(int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, layerName, const char* (*)(int, int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, layerVis, int (*)(int, int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, userName, const char* (*)(int));
EXPECT_MEMBER_TYPE(st_LWObjectFuncs, refName, const char* (*)(int));

EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, create, Surf (*)(const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, first, Surf (*)(void));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, next, Surf (*)(Surf));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, byName, Surf* (*)(const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, byObject, Surf* (*)(const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, name, const char* (*)(Surf));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, sceneObject, const char* (*)(Surf));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, getInt, int (*)(Surf, const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, getFlt, double* (*)(Surf, const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, getEnv, LWEnvelopeID (*)(Surf, const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, getTex, LWTextureID (*)(Surf, const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, getImg, LWImageID (*)(Surf, const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, chanGrp, LWChanGroupID (*)(Surf));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, getColorVMap, const char* (*)(Surf));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, setColorVMap, void (*)(Surf, const char*, int));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, createLib, Lib (*)(void));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, destroyLib, void (*)(Lib));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, copyLib, void (*)(Lib, Lib));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, objectLib, Lib (*)(const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, loadLib, Lib (*)(const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, saveLib, LWError (*)(Lib, const char*));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, slibCount, int (*)(Lib));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, slibByIndex, Surf (*)(Lib, int));
EXPECT_MEMBER_TYPE(st_LWSurfaceFuncs, getNodeEditor, NodeEditorID (*)(Surf));

// Item parameter codes.
static_assert(LWIP_POSITION == 1 && LWIP_RIGHT == 2 && LWIP_UP == 3 && LWIP_FORWARD == 4);
static_assert(LWIP_ROTATION == 5 && LWIP_SCALING == 6 && LWIP_PIVOT == 7);
static_assert(LWIP_W_POSITION == 8 && LWIP_W_RIGHT == 9 && LWIP_W_UP == 10);
static_assert(LWIP_W_FORWARD == 11 && LWIP_PIVOT_ROT == 12);

// Surface settings are read by these names.
constexpr bool same(const char* a, const char* b) {
    return std::char_traits<char>::compare(a, b, std::char_traits<char>::length(b) + 1) == 0;
}
static_assert(same(SURF_COLR, "BaseColor") && same(SURF_LUMI, "Luminosity"));
static_assert(same(SURF_DIFF, "Diffuse") && same(SURF_SPEC, "Specularity"));
static_assert(same(SURF_REFL, "Reflectivity") && same(SURF_TRAN, "Transparency"));
static_assert(same(SURF_TRNL, "Translucency") && same(SURF_RIND, "IOR"));
static_assert(same(SURF_GLOS, "Glossiness") && same(SURF_SHRP, "DiffuseSharpness"));
static_assert(same(SURF_RBLR, "ReflectionBlurring") && same(SURF_TBLR, "RefractionBlurring"));
static_assert(same(SURF_CLRF, "ColorFilter") && same(SURF_CLRH, "ColorHighlights"));
static_assert(same(SURF_ADTR, "AdditiveTransparency"));
