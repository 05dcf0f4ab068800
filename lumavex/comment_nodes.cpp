// The four get-comment nodes: their panels and their server records.
#include "comment_nodes.h"

#include <vexo/adaptor.h>
#include <vexo/server.h>

#include <lwsdk/lwmodule.h>

const char kGetIntegerCommentName[] = "qrvGetIntegerComment";
const char kGetVectorCommentName[] = "qrvGetVectorComment";
const char kGetColourCommentName[] = "qrvGetColourComment";
const char kGetScalarCommentName[] = "qrvGetScalarComment";

namespace {

// The integer node's name control keeps the vector node's label.
st_LWXPanelControl kIntegerControls[] = {
    {kCommentLogo, "", "dThumbnail"},
    {kCommentName, "Vector Comment Name", "sPresetText"},
    {kCommentDefault, "Default Integer", "integer"},
    {kCommentAbout, "About...", "vButton"},
    {0, nullptr, nullptr},
};
st_LWXPanelDataDesc kIntegerData[] = {
    {kCommentName, "Vector Comment Name", "string"},
    {kCommentDefault, "Default Integer", "integer"},
    {0, nullptr, nullptr},
};

st_LWXPanelControl kVectorControls[] = {
    {kCommentLogo, "", "dThumbnail"},
    {kCommentName, "Vector Comment Name", "sPresetText"},
    {kCommentDefault, "Default Vector", "float3-env"},
    {kCommentAbout, "About...", "vButton"},
    {0, nullptr, nullptr},
};
st_LWXPanelDataDesc kVectorData[] = {
    {kCommentName, "Vector Comment Name", "string"},
    {kCommentDefault, "Default Vector", "float3-env"},
    {0, nullptr, nullptr},
};

st_LWXPanelControl kColourControls[] = {
    {kCommentLogo, "", "dThumbnail"},
    {kCommentName, "Colour Comment Name", "sPresetText"},
    {kCommentDefault, "Default Colour", "color-env"},
    {kCommentAbout, "About...", "vButton"},
    {0, nullptr, nullptr},
};
st_LWXPanelDataDesc kColourData[] = {
    {kCommentName, "Colour Comment Name", "string"},
    {kCommentDefault, "Default Colour", "color-env"},
    {0, nullptr, nullptr},
};

st_LWXPanelControl kScalarControls[] = {
    {kCommentLogo, "", "dThumbnail"},
    {kCommentName, "Scalar Comment Name", "sPresetText"},
    {kCommentDefault, "Default Scalar", "float-env"},
    {kCommentAbout, "About...", "vButton"},
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

const st_ServerTagInfo kIntegerTags[] = {{"Get Integer Comment", LWTAG_USERNAME},
                                         {"qorvan lumavex", LWTAG_BUTTONNAME},
                                         {"qorvan/Tools", LWTAG_NODEGROUP},
                                         {nullptr, 0}};
const st_ServerTagInfo kVectorTags[] = {{"Get Vector Comment", LWTAG_USERNAME},
                                        {"qorvan lumavex", LWTAG_BUTTONNAME},
                                        {"qorvan/Tools", LWTAG_NODEGROUP},
                                        {nullptr, 0}};
const st_ServerTagInfo kColourTags[] = {{"Get Colour Comment", LWTAG_USERNAME},
                                        {"qorvan lumavex", LWTAG_BUTTONNAME},
                                        {"qorvan/Tools", LWTAG_NODEGROUP},
                                        {nullptr, 0}};
const st_ServerTagInfo kScalarTags[] = {{"Get Scalar Comment", LWTAG_USERNAME},
                                        {"qorvan lumavex", LWTAG_BUTTONNAME},
                                        {"qorvan/Tools", LWTAG_NODEGROUP},
                                        {nullptr, 0}};

vexo::ServerRegistration g_integerHandler(LWNODE_HCLASS, kGetIntegerCommentName,
                                          &vexo::NodeAdaptor<GetIntegerComment, 1, 1>::Activate,
                                          kIntegerTags);
vexo::ServerRegistration g_integerInterface(LWNODE_ICLASS, kGetIntegerCommentName,
                                            &vexo::XPanelAdaptor<GetIntegerComment>::Interface,
                                            kIntegerTags);
vexo::ServerRegistration g_vectorHandler(LWNODE_HCLASS, kGetVectorCommentName,
                                         &vexo::NodeAdaptor<GetVectorComment, 1, 1>::Activate,
                                         kVectorTags);
vexo::ServerRegistration g_vectorInterface(LWNODE_ICLASS, kGetVectorCommentName,
                                           &vexo::XPanelAdaptor<GetVectorComment>::Interface,
                                           kVectorTags);
vexo::ServerRegistration g_colourHandler(LWNODE_HCLASS, kGetColourCommentName,
                                         &vexo::NodeAdaptor<GetColourComment, 1, 1>::Activate,
                                         kColourTags);
vexo::ServerRegistration g_colourInterface(LWNODE_ICLASS, kGetColourCommentName,
                                           &vexo::XPanelAdaptor<GetColourComment>::Interface,
                                           kColourTags);
vexo::ServerRegistration g_scalarHandler(LWNODE_HCLASS, kGetScalarCommentName,
                                         &vexo::NodeAdaptor<GetScalarComment, 1, 1>::Activate,
                                         kScalarTags);
vexo::ServerRegistration g_scalarInterface(LWNODE_ICLASS, kGetScalarCommentName,
                                           &vexo::XPanelAdaptor<GetScalarComment>::Interface,
                                           kScalarTags);

}  // namespace
