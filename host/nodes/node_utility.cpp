// "NodeUtilityFuncs": colour blending and the texture mappings nodes use to turn a position into
// u and v. Arithmetic on the caller's values (the camera matrix reads the scene): nothing here
// allocates or locks, so nodes call them from render threads.
#include <cmath>

#include "lwhost/core/host.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene_globals.h"

namespace lwhost {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A turn as 0..1, whatever the angle.
double turns(double radians) {
    const double t = radians / (2.0 * kPi);
    return t - std::floor(t);
}

// The two coordinates beside the axis: (Z, Y) for X, (X, Z) for Y, (X, Y) for Z (any other).
void across(const double p[3], int axis, double& a, double& b) {
    switch (axis) {
        case 0:
            a = p[2], b = p[1];
            break;
        case 1:
            a = p[0], b = p[2];
            break;
        default:
            a = p[0], b = p[1];
            break;
    }
}
double along(const double p[3], int axis) {
    return p[axis == 0 || axis == 1 ? axis : 2];
}

void utBlend(double result[3], double bg[3], double fg[3], double alpha, BlendingMode) {
    if (!result || !bg || !fg) return;
    // Component by component, so that result may be bg or fg.
    for (int i = 0; i < 3; ++i) result[i] = bg[i] + (fg[i] - bg[i]) * alpha;
}

void utNodeAutosize(NodeID id, double scale[3], double position[3]) {
    if (!scale || !position) return;
    NodeSystem* system = NodeSystem::current();
    GraphNode* node = system ? system->node(id) : nullptr;
    NodeGraph* graph = node ? node->graph : nullptr;
    if (graph && graph->autosize && graph->autosize(graph->id(), scale, position)) return;
    for (int i = 0; i < 3; ++i) scale[i] = 1.0, position[i] = 0.0;
}

void utPlanar(double p[3], int axis, double* u, double* v) {
    if (!p || !u || !v) return;
    double a, b;
    across(p, axis, a, b);
    *u = a + 0.5;
    *v = b + 0.5;
}

void utSpherical(double p[3], int axis, double* u, double* v) {
    if (!p || !u || !v) return;
    double a, b;
    across(p, axis, a, b);
    *u = turns(std::atan2(a, b));
    *v = std::atan2(along(p, axis), std::hypot(a, b)) / kPi + 0.5;
}

void utCylindrical(double p[3], int axis, double* u, double* v) {
    if (!p || !u || !v) return;
    double a, b;
    across(p, axis, a, b);
    *u = turns(std::atan2(a, b));
    *v = along(p, axis) + 0.5;
}

void utCubic(double p[3], int, double* u, double* v) {
    if (!p) return;
    int axis = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(p[i]) > std::fabs(p[axis])) axis = i;
    utPlanar(p, axis, u, v);
}

void utFront(double p[3], double aspect, double* u, double* v, double m[4][4]) {
    if (!p || !u || !v || !m) return;
    double q[3];
    for (int r = 0; r < 3; ++r) q[r] = m[r][0] * p[0] + m[r][1] * p[1] + m[r][2] * p[2] + m[r][3];
    // At or behind the camera nothing is projected.
    if (!(q[2] > 0.0)) {
        *u = *v = 0.0;
        return;
    }
    *u = 0.5 + 0.5 * q[0] / q[2];
    *v = 0.5 + 0.5 * q[1] * aspect / q[2];
}

void utReflection(double seam, double d[3], double* u, double* v) {
    if (!d || !u || !v) return;
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const double up = length > 0.0 ? d[1] / length : 0.0;
    *u = turns(std::atan2(d[0], d[2]) - seam);
    *v = std::asin(std::fmax(-1.0, std::fmin(1.0, up))) / kPi + 0.5;
}

int utUVMapping(const char*, LWNodalAccess_t*, double*, double*) {
    return 0;  // this host's objects carry no UV maps
}

void identity(double m[4][4]) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] = r == c ? 1.0 : 0.0;
}

void utBuildCameraMatrix(LWTime, LWItemID camera, double m[4][4]) {
    if (!m) return;
    identity(m);
    Host* host = Host::current();
    SceneGlobals* globals = host ? host->sceneGlobals() : nullptr;
    const Item* item = globals ? globals->scene().item(camera) : nullptr;
    if (!item || item->type != ItemType::Camera) return;
    // The camera's world matrix is affine: its inverse is the inverse of the 3x3 part, with the
    // position carried back through it.
    const Matrix4 w = globals->scene().worldMatrix(camera);
    const auto at = [&w](int r, int c) { return w[static_cast<size_t>(r * 4 + c)]; };
    double inv[3][3] = {
        {at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1), at(0, 2) * at(2, 1) - at(0, 1) * at(2, 2),
         at(0, 1) * at(1, 2) - at(0, 2) * at(1, 1)},
        {at(1, 2) * at(2, 0) - at(1, 0) * at(2, 2), at(0, 0) * at(2, 2) - at(0, 2) * at(2, 0),
         at(0, 2) * at(1, 0) - at(0, 0) * at(1, 2)},
        {at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0), at(0, 1) * at(2, 0) - at(0, 0) * at(2, 1),
         at(0, 0) * at(1, 1) - at(0, 1) * at(1, 0)}};
    const double det = at(0, 0) * inv[0][0] + at(0, 1) * inv[1][0] + at(0, 2) * inv[2][0];
    if (det == 0.0 || !std::isfinite(det)) return;
    const double zoom = 1.0 / std::tan(item->camera.fieldOfView * kPi / 360.0);
    for (int r = 0; r < 3; ++r) {
        const double s = (r < 2 ? zoom : 1.0) / det;
        for (int c = 0; c < 3; ++c) m[r][c] = inv[r][c] * s;
        m[r][3] = -(m[r][0] * at(0, 3) + m[r][1] * at(1, 3) + m[r][2] * at(2, 3));
    }
}

const LWNodeUtilityFuncs_t kUtilityFuncs = {
    utBlend, utNodeAutosize, utPlanar,     utSpherical, utCylindrical,
    utCubic, utFront,        utReflection, utUVMapping, utBuildCameraMatrix};

}  // namespace

const LWNodeUtilityFuncs_t* nodeUtilityFuncs() {
    return &kUtilityFuncs;
}

}  // namespace lwhost
