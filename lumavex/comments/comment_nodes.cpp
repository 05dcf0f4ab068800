// The four get-comment nodes: their panels and their server records.
#include "comment_nodes.h"

#include "toolkit/node_server.h"

namespace {

// The integer node's name control keeps the vector node's label.
st_LWXPanelControl kIntegerControls[] = {
    logoControl(kCommentLogo),
    {kCommentName, "Vector Comment Name", "sPresetText"},
    {kCommentDefault, "Default Integer", "integer"},
    aboutControl(kCommentAbout),
    {0, nullptr, nullptr},
};
st_LWXPanelDataDesc kIntegerData[] = {
    {kCommentName, "Vector Comment Name", "string"},
    {kCommentDefault, "Default Integer", "integer"},
    {0, nullptr, nullptr},
};

st_LWXPanelControl kVectorControls[] = {
    logoControl(kCommentLogo),
    {kCommentName, "Vector Comment Name", "sPresetText"},
    {kCommentDefault, "Default Vector", "float3-env"},
    aboutControl(kCommentAbout),
    {0, nullptr, nullptr},
};
st_LWXPanelDataDesc kVectorData[] = {
    {kCommentName, "Vector Comment Name", "string"},
    {kCommentDefault, "Default Vector", "float3-env"},
    {0, nullptr, nullptr},
};

st_LWXPanelControl kColourControls[] = {
    logoControl(kCommentLogo),
    {kCommentName, "Colour Comment Name", "sPresetText"},
    {kCommentDefault, "Default Colour", "color-env"},
    aboutControl(kCommentAbout),
    {0, nullptr, nullptr},
};
st_LWXPanelDataDesc kColourData[] = {
    {kCommentName, "Colour Comment Name", "string"},
    {kCommentDefault, "Default Colour", "color-env"},
    {0, nullptr, nullptr},
};

st_LWXPanelControl kScalarControls[] = {
    logoControl(kCommentLogo),
    {kCommentName, "Scalar Comment Name", "sPresetText"},
    {kCommentDefault, "Default Scalar", "float-env"},
    aboutControl(kCommentAbout),
    {0, nullptr, nullptr},
};
st_LWXPanelDataDesc kScalarData[] = {
    {kCommentName, "Scalar Comment Name", "string"},
    {kCommentDefault, "Default Scalar", "float-env"},
    {0, nullptr, nullptr},
};

using GetIntegerComment =
    GetComment<IntegerCommentStore, kIntegerData, kIntegerControls, kGetIntegerCommentName>;
using GetVectorComment =
    GetComment<VectorCommentStore, kVectorData, kVectorControls, kGetVectorCommentName>;
using GetColourComment =
    GetComment<ColourCommentStore, kColourData, kColourControls, kGetColourCommentName>;
using GetScalarComment =
    GetComment<ScalarCommentStore, kScalarData, kScalarControls, kGetScalarCommentName>;

// Registered in this order: integer, vector, colour, scalar.
const NodeServer<GetIntegerComment> g_integer(kGetIntegerCommentName, "Get Integer Comment",
                                              "qorvan/Tools");
const NodeServer<GetVectorComment> g_vector(kGetVectorCommentName, "Get Vector Comment",
                                            "qorvan/Tools");
const NodeServer<GetColourComment> g_colour(kGetColourCommentName, "Get Colour Comment",
                                            "qorvan/Tools");
const NodeServer<GetScalarComment> g_scalar(kGetScalarCommentName, "Get Scalar Comment",
                                            "qorvan/Tools");

}  // namespace
