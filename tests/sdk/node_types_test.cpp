// The node handler, the node globals' records and the root node record keep the published types.
#include "published_types.h"

#include <lwsdk/lwnode.h>

#include <gtest/gtest.h>

EXPECT_MEMBER_TYPE(st_LWNodeHandler, inst, st_LWInstanceFuncs*);
EXPECT_MEMBER_TYPE(st_LWNodeHandler, item, st_LWItemFuncs*);
EXPECT_MEMBER_TYPE(st_LWNodeHandler, rend, st_LWRenderFuncs*);
EXPECT_MEMBER_TYPE(st_LWNodeHandler, evaluate,
                   void (*)(LWInstance, LWNodalAccess_t*, NodeOutputID, NodeValue));
EXPECT_MEMBER_TYPE(st_LWNodeHandler, customPreview, void (*)(LWInstance, int, int));
EXPECT_MEMBER_TYPE(st_LWNodeHandler, GLTextureEvaluate,
                   void (*)(LWInstance, LWNodalAccess_t*, LWNodeOGLTextureOutput*));
EXPECT_MEMBER_TYPE(st_LWNodeHandler, flags, unsigned int (*)(LWInstance));

EXPECT_MEMBER_TYPE(LWNodeFuncs_t, nodeName, const char* (*)(NodeID));
EXPECT_MEMBER_TYPE(LWNodeFuncs_t, serverUserName, const char* (*)(NodeID));
EXPECT_MEMBER_TYPE(LWNodeFuncs_t, chanGrp, LWChanGroupID (*)(NodeID));
EXPECT_MEMBER_TYPE(LWNodeFuncs_t, setNodeColor, void (*)(NodeID, int*));
EXPECT_MEMBER_TYPE(LWNodeFuncs_t, setNodeColor3, void (*)(NodeID, int, int, int));
EXPECT_MEMBER_TYPE(LWNodeFuncs_t, setNodePreviewType, void (*)(NodeID, NodePreviewType));
EXPECT_MEMBER_TYPE(LWNodeFuncs_t, UpdateNodePreview, void (*)(NodeID));

EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, create,
                   NodeInputID (*)(NodeID, ConnectionType, const char*, NodeInputEvent*));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, destroy, void (*)(NodeID, NodeInputID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, evaluate, int (*)(NodeInputID, LWNodalAccess_t*, void*));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, check, int (*)(NodeInputID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, first, NodeInputID (*)(NodeID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, next, NodeInputID (*)(NodeInputID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, previous, NodeInputID (*)(NodeInputID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, numInputs, int (*)(NodeID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, byIndex, NodeInputID (*)(NodeID, int));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, getIndex, int (*)(NodeID, NodeInputID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, disconnect, void (*)(NodeID, NodeInputID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, node, NodeID (*)(NodeInputID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, connectedOutput, NodeOutputID (*)(NodeInputID));
EXPECT_MEMBER_TYPE(LWNodeInputFuncs_t, name, const char* (*)(NodeInputID));
// "NodeInputFuncs 2" is the same record.
static_assert(std::is_same_v<LWNodeInputFuncs2_t, LWNodeInputFuncs_t>);

EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, create,
                   NodeOutputID (*)(NodeID, ConnectionType, const char*));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, destroy, void (*)(NodeID, NodeOutputID));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, setValue, void (*)(NodeValue, void*));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, getValue, void* (*)(NodeValue));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, getType, ConnectionType (*)(NodeValue));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, first, NodeOutputID (*)(NodeID));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, next, NodeOutputID (*)(NodeOutputID));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, previous, NodeOutputID (*)(NodeOutputID));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, numInputs, int (*)(NodeID));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, byIndex, NodeOutputID (*)(NodeID, int));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, getIndex, int (*)(NodeID, NodeOutputID));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, node, NodeID (*)(NodeOutputID));
EXPECT_MEMBER_TYPE(LWNodeOutputFuncs_t, name, const char* (*)(NodeOutputID));

// LWDVector parameters (double[3]) and double[4][4] ones are pointers in a function's type.
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, Blend,
                   void (*)(double*, double*, double*, double, BlendingMode));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, NodeAutosize, void (*)(NodeID, double*, double*));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, PlanarMapping, void (*)(double*, int, double*, double*));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, SphericalMapping,
                   void (*)(double*, int, double*, double*));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, CylindricalMapping,
                   void (*)(double*, int, double*, double*));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, CubicMapping, void (*)(double*, int, double*, double*));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, FrontMapping,
                   void (*)(double*, double, double*, double*, double (*)[4]));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, ReflectionMapping,
                   void (*)(double, double*, double*, double*));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, UVMapping,
                   int (*)(const char*, LWNodalAccess_t*, double*, double*));
EXPECT_MEMBER_TYPE(LWNodeUtilityFuncs_t, BuildCameraMatrix,
                   void (*)(LWTime, LWItemID, double (*)[4]));

EXPECT_MEMBER_TYPE(st_LWRootNode, previewType, NodePreviewType);
EXPECT_MEMBER_TYPE(st_LWRootNode, init, LWError (*)(NodeEditorID, int));
EXPECT_MEMBER_TYPE(st_LWRootNode, newTime, LWError (*)(NodeEditorID, LWFrame, LWTime));
EXPECT_MEMBER_TYPE(st_LWRootNode, cleanup, void (*)(NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWRootNode, rootPanel, LWXPanelID (*)(NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWRootNode, rootOptions, LWError (*)(NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWRootNode, rootPreview, void (*)(NodeEditorID, LWNodalAccess_t*, double*));
EXPECT_MEMBER_TYPE(st_LWRootNode, rootCustomPreview, void (*)(NodeEditorID, int, int));

EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, create,
                   NodeEditorID (*)(const char*, const char*, st_LWRootNode*, void*));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, destroy, void (*)(NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, rename, void (*)(const char*, NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, setUpdateFunc,
                   void (*)(NodeEditorID, nodeEditorUpdateFunc*));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, copy, LWError (*)(NodeEditorID, NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, save, LWError (*)(NodeEditorID, const st_LWSaveState*));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, load, LWError (*)(NodeEditorID, const st_LWLoadState*));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, init, LWError (*)(NodeEditorID, int));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, newTime, LWError (*)(NodeEditorID, LWFrame, LWTime));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, cleanup, void (*)(NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, addInput,
                   NodeInputID (*)(NodeEditorID, ConnectionType, const char*, NodeInputEvent*));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, remInput, void (*)(NodeEditorID, NodeInputID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, setEnvGroup, void (*)(NodeEditorID, LWChanGroupID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, setAutosize, void (*)(NodeEditorID, nodeAutoSizeFunc*));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, setUserData, void (*)(NodeEditorID, void*));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, getUserData, void* (*)(NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, numberOfNodes, int (*)(NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, getInputByName,
                   NodeInputID (*)(NodeEditorID, const char*));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, getInputByIndex, NodeInputID (*)(NodeEditorID, int));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, getState, unsigned short (*)(NodeEditorID));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, setState, void (*)(NodeEditorID, unsigned short));
EXPECT_MEMBER_TYPE(st_LWNodeEditorFuncs, OpenNodeEditor, int (*)(NodeEditorID));

// Published names of the records and callbacks.
static_assert(std::is_same_v<LWNodeHandler, st_LWNodeHandler> &&
              std::is_same_v<LWNodeFuncs, LWNodeFuncs_t> &&
              std::is_same_v<LWNodeInputFuncs, LWNodeInputFuncs_t> &&
              std::is_same_v<LWNodeOutputFuncs, LWNodeOutputFuncs_t> &&
              std::is_same_v<LWNodeUtilityFuncs, LWNodeUtilityFuncs_t> &&
              std::is_same_v<LWRootNode, st_LWRootNode> &&
              std::is_same_v<LWNodeEditorFuncs, st_LWNodeEditorFuncs> &&
              std::is_same_v<NodeInputEvent, LWNodeInputEvent> &&
              std::is_same_v<nodeEditorUpdateFunc, LWNodeEditorUpdateFunc>);

TEST(PublishedTypes, NodeConstants) {
    static_assert(NPT_RENDER == 0 && NPT_CUSTOM == 1 && NPT_OFF == 2);
    static_assert(NF_TRANSP == 1u && NF_SINGLE_THREADED == (1u << 30));
    // Published IDs are void*: ours must be pointers of that size.
    static_assert(sizeof(NodeID) == sizeof(void*) && sizeof(NodeEditorID) == sizeof(void*) &&
                  sizeof(NodeInputID) == sizeof(void*) && sizeof(NodeOutputID) == sizeof(void*));
    SUCCEED();
}
