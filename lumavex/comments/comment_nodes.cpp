// The four get-comment nodes: their panels and their server records.
#include "comment_nodes.h"

#include "toolkit/node_server.h"

namespace {

// The integer node's name control keeps the vector node's label.
constexpr CommentPanel kIntegerPanel{"Vector Comment Name", "Default Integer", "integer"};
constexpr CommentPanel kVectorPanel{"Vector Comment Name", "Default Vector", "float3-env"};
constexpr CommentPanel kColourPanel{"Colour Comment Name", "Default Colour", "color-env"};
constexpr CommentPanel kScalarPanel{"Scalar Comment Name", "Default Scalar", "float-env"};

using GetIntegerComment = GetComment<IntegerCommentStore, kIntegerPanel, kGetIntegerCommentName>;
using GetVectorComment = GetComment<VectorCommentStore, kVectorPanel, kGetVectorCommentName>;
using GetColourComment = GetComment<ColourCommentStore, kColourPanel, kGetColourCommentName>;
using GetScalarComment = GetComment<ScalarCommentStore, kScalarPanel, kGetScalarCommentName>;

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
