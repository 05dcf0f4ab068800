// The shader and nodal access records keep the published members and types, and each earlier
// host's layout is a prefix of the whole published record: a shader written for any of them
// reads its members where the host wrote them.
#include "published_types.h"

#include <lwsdk/lwshaderaccess.h>

#include <gtest/gtest.h>

namespace {

// The published records, member by member (shader access: the version 7 layout; nodal access:
// the host 11.x layout). The flat copies below are built from these lists.
// clang-format off
#define SHADER_ACCESS_MEMBERS(X) \
    X(int, sx) \
    X(int, sy) \
    X(LWDVector, oPos) \
    X(LWDVector, wPos) \
    X(LWDVector, gNorm) \
    X(double, spotSize) \
    X(LWDVector, raySource) \
    X(double, rayLength) \
    X(double, cosine) \
    X(double[9], oXfrm) \
    X(double[9], wXfrm) \
    X(LWItemID, objID) \
    X(int, polNum) \
    X(LWDVector, wNorm) \
    X(LWDVector, color) \
    X(double, luminous) \
    X(double, diffuse) \
    X(double, specular) \
    X(double, mirror) \
    X(double, transparency) \
    X(double, eta) \
    X(double, roughness) \
    X(LWIlluminateFunc*, illuminate) \
    X(LWRayTraceFunc*, rayTrace) \
    X(LWRayCastFunc*, rayCast) \
    X(LWRayShadeFunc*, rayShade) \
    X(int, flags) \
    X(int, bounces) \
    X(LWItemID, sourceID) \
    X(LWDVector, wNorm0) \
    X(double, bumpHeight) \
    X(double, translucency) \
    X(double, colorHL) \
    X(double, colorFL) \
    X(double, addTransparency) \
    X(double, difSharpness) \
    X(LWPntID[4], verts) \
    X(float[4], weights) \
    X(float[4][3], vertsWPos) \
    X(LWPolID, polygon) \
    X(double, replacement_percentage) \
    X(LWDVector, replacement_color) \
    X(double, reflectionBlur) \
    X(double, refractionBlur)

#define SHADER_ACCESS_95_MEMBERS(X) \
    X(LWRayTraceModeFunc*, rayTraceMode) \
    X(double, incomingEta) \
    X(int, ResourceContextIndex) \
    X(LWDVector, diffuse_shade) \
    X(LWDVector, specular_shade) \
    X(LWDVector, refract_shade) \
    X(LWDVector, reflect_shade) \
    X(LWIlluminateSampleFunc*, illuminateSample) \
    X(RandomFloatData, randomData) \
    X(LWRandomFloatFunc*, randomFloat) \
    X(LWIlluminateNormalFunc*, illuminateNormal) \
    X(LWIlluminateSampleNormalFunc*, illuminateSampleNormal) \
    X(double, subsx) \
    X(double, subsy) \
    X(double, bumpDropoff) \
    X(LWDVector, rayDir) \
    X(LWRayTraceDataFunc*, rayTraceData) \
    X(LWRayTraceShadeFunc*, rayTraceShade) \
    X(LWRenderData, render)

#define SHADER_ACCESS_96_MEMBERS(X) \
    X(LWBufferGetValFunc*, getVal) \
    X(LWBufferSetValFunc*, setVal) \
    X(LWItemInstanceID, instanceID) \
    X(LWSamplerState, samplerState) \
    X(LWGetSamplerRangeFunc*, getSamplerRange) \
    X(LWGetSample2DFunc*, getSample2D) \
    X(LWGetSample1DFunc*, getSample1D)

#define NODAL_ACCESS_MEMBERS(X) \
    X(int, sx) \
    X(int, sy) \
    X(LWDVector, oPos) \
    X(LWDVector, wPos) \
    X(LWDVector, gNorm) \
    X(LWDVector, wNorm) \
    X(LWDVector, wNorm0) \
    X(LWDVector, raySource) \
    X(double, rayLength) \
    X(double, spotSize) \
    X(   \
            double, cosine) \
    X(double, bumpHeight) \
    X(double[9], oXfrm) \
    X(double[9], wXfrm) \
    X(LWIlluminateFunc*, illuminate) \
    X(LWIlluminateSampleFunc*, illuminateSample) \
    X(       \
                LWRayTraceFunc*, rayTrace) \
    X(LWRayCastFunc*, rayCast) \
    X(LWRayShadeFunc*, rayShade) \
    X(LWRayTraceModeFunc*, rayTraceMode) \
    X(int, bounces) \
    X(LWItemID, sourceID) \
    X(LWItemID, objID) \
    X(int, polNum) \
    X(LWPntID[4], verts) \
    X(float[4], weights) \
    X(float[4][3], vertsWPos) \
    X(LWPolID, polygon) \
    X(double, incomingEta) \
    X(int, ResourceContextIndex) \
    X(int, flags) \
    X(RandomFloatData, randomData) \
    X(LWRandomFloatFunc*, randomFloat) \
    X(LWIlluminateNormalFunc*, illuminateNormal) \
    X(LWIlluminateSampleNormalFunc*, illuminateSampleNormal) \
    X(double, subsx) \
    X(double, subsy) \
    X(LWDVector, rayDir) \
    X(LWRayTraceDataFunc*, rayTraceData) \
    X(LWRayTraceShadeFunc*, rayTraceShade) \
    X(LWRenderData, render) \
    X(LWBufferGetValFunc*, getVal) \
    X(LWBufferSetValFunc*, setVal)

#define NODAL_ACCESS_96_MEMBERS(X) \
    X(int, outsiz) \
    X(LWVertexIndexes*, VertexIndexes) \
    X(LWItemInstanceID, instanceID) \
    X(LWSamplerState, samplerState) \
    X(LWGetSamplerRangeFunc*, getSamplerRange) \
    X(LWGetSample2DFunc*, getSample2D) \
    X(LWGetSample1DFunc*, getSample1D)
// clang-format on

// Member declarations of a flat record; array types need the name in the middle.
template <class T>
using Member = T;
#define DECLARE(type, name) Member<type> name;

struct FlatShaderAccess {
    SHADER_ACCESS_MEMBERS(DECLARE)
    SHADER_ACCESS_95_MEMBERS(DECLARE)
    SHADER_ACCESS_96_MEMBERS(DECLARE)
};
struct FlatNodalAccess {
    NODAL_ACCESS_MEMBERS(DECLARE)
    NODAL_ACCESS_96_MEMBERS(DECLARE)
};

// Each member has its published type and its offset in the whole flat record.
#define AT_FLAT_OFFSET(Record, Flat, type, name)    \
    EXPECT_MEMBER_TYPE(Record, name, Member<type>); \
    static_assert(offsetof(Record, name) == offsetof(Flat, name), #name);
#define SHADER_4(type, name) AT_FLAT_OFFSET(st_LWShaderAccess, FlatShaderAccess, type, name)
#define SHADER_5(type, name) AT_FLAT_OFFSET(st_LWShaderAccess95, FlatShaderAccess, type, name)
#define SHADER_6(type, name) AT_FLAT_OFFSET(st_LWShaderAccess96, FlatShaderAccess, type, name)
#define NODAL(type, name) AT_FLAT_OFFSET(LWNodalAccess_t, FlatNodalAccess, type, name)
#define NODAL_6(type, name) AT_FLAT_OFFSET(LWNodalAccess96_t, FlatNodalAccess, type, name)

SHADER_ACCESS_MEMBERS(SHADER_4)
SHADER_ACCESS_95_MEMBERS(SHADER_5)
SHADER_ACCESS_96_MEMBERS(SHADER_6)
NODAL_ACCESS_MEMBERS(NODAL)
NODAL_ACCESS_96_MEMBERS(NODAL_6)

// Each later layout starts with the earlier one, and the whole one is the published record.
static_assert(offsetof(st_LWShaderAccess95, base) == 0 && offsetof(st_LWShaderAccess96, base) == 0);
static_assert(offsetof(LWNodalAccess95_t, base) == 0 && offsetof(LWNodalAccess96_t, base) == 0);
static_assert(sizeof(st_LWShaderAccess96) == sizeof(FlatShaderAccess));
static_assert(sizeof(LWNodalAccess96_t) == sizeof(FlatNodalAccess));

// The function types.
static_assert(std::is_same_v<LightSampleFunc, int(void*, LWItemID, const double*, const double*)>);
static_assert(std::is_same_v<LWIlluminateFunc, int(LWItemID, const double*, double*, double*)>);
static_assert(std::is_same_v<LWIlluminateNormalFunc, int(LWItemID, LWRenderData, const double*,
                                                         double*, const double*, double*)>);
static_assert(std::is_same_v<LWIlluminateSampleFunc,
                             double(LWItemID, const double*, double*, LightSampleFunc*, void*)>);
static_assert(
    std::is_same_v<LWIlluminateSampleNormalFunc, double(LWItemID, LWRenderData, const double*,
                                                        const double*, LightSampleFunc*, void*)>);
static_assert(std::is_same_v<LWRayTraceFunc, double(const double*, const double*, double*)>);
static_assert(std::is_same_v<LWRayCastFunc, double(const double*, const double*)>);
static_assert(
    std::is_same_v<LWRayTraceModeFunc, double(const double*, const double*, double*, double, int)>);

// The sample flags and ray kinds.
static_assert(LWRT_SHADOW == 1 && LWRT_PREVIEW == 2 && LWRT_POLYSIDE == 4 && LWRT_SAMPLEDRAY == 8 &&
              LWRT_PREPROCESS == 16 && LWRT_EXITING == 32 && LWRT_DOUBLESIDED == 64 &&
              LWRT_FRAME_PREPROCESS == 128 && LWRT_RADIOSITY == 256 && LWRT_CAMERA == 512);
static_assert(RTMODE_DISTANCE == 0 && RTMODE_REFLECTION == 1 && RTMODE_REFRACTION == 2 &&
              RTMODE_DISSOLVE == 3 && RTMODE_SHADOW == 4 && RTMODE_OCCLUSION == 5 &&
              RTMODE_BACKDROP == 6);

}  // namespace

TEST(PublishedTypes, AccessRecordsAreCheckedWhenThisCompiles) {
    SUCCEED();
}
